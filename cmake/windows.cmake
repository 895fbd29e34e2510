# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# The Windows half of the build (a mingw-w64 cross-build, see
# mingw-w64-x86_64.cmake): GoogleTest built from Debian's source package, and
# every test run under Wine in a prefix of this build folder's own.

include(${CMAKE_CURRENT_LIST_DIR}/googletest-source.cmake)

# ctest runs each cross-built test through this wrapper (the emulator of
# every executable target): wine64 with WINEPREFIX set to a prefix inside
# this build folder, made on first use. NUMIRA_WINEPREFIX overrides it.
find_program(NUMIRA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(NUMIRA_WINE64 NAMES wine64 wine REQUIRED)
find_program(NUMIRA_WINESERVER NAMES wineserver REQUIRED)
set(NUMIRA_WINEPREFIX_DEFAULT ${CMAKE_BINARY_DIR}/wineprefix)
set(NUMIRA_WINEPREFIX_SETTINGS ${CMAKE_SOURCE_DIR}/tests/windows/prefix)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
