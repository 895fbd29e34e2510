# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# GoogleTest for a cross-build: Debian ships it built for the build machine
# only, so it is built again here with the cross compiler from Debian's
# sources in /usr/src/googletest (package googletest).
set(NUMIRA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to cross-build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${NUMIRA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
