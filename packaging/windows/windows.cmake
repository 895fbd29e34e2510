# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
#
# The zip a Windows user downloads, made by scripts/package-windows with
# `cpack -G ZIP`: numira-VERSION-windows-x64.zip holding the programs of
# numira_windows_program (packaging/windows/program.cmake: kelto.exe and
# kelto-tape.exe, stripped), LICENSE.txt and README.txt (Japanese and
# English), the texts with CR LF line ends for Notepad.
file(MAKE_DIRECTORY ${numira_windows_build})

# The texts for Notepad: CR LF line ends, the read-me with a UTF-8 byte order
# mark (Notepad before Windows 10 1903 reads UTF-8 without it as the ANSI code
# page).
string(ASCII 239 187 191 numira_utf8_mark)
foreach(text LICENSE.txt README.txt)
  if(text STREQUAL "LICENSE.txt")
    set(source ${CMAKE_SOURCE_DIR}/LICENSE)
    set(mark "")
  else()
    set(source ${numira_windows_source}/README.txt.in)
    set(mark "${numira_utf8_mark}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} content)
  string(CONFIGURE "${content}" content @ONLY)
  file(GENERATE OUTPUT ${numira_windows_build}/${text} CONTENT "${mark}${content}" NEWLINE_STYLE CRLF)
  install(FILES ${numira_windows_build}/${text} DESTINATION .)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME numira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Numira developers")
set(CPACK_PACKAGE_FILE_NAME numira-${PROJECT_VERSION}-windows-x64)
# The files at the top of the zip: Explorer's "Extract All" makes the folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

if(BUILD_TESTING)
  get_property(numira_shipped GLOBAL PROPERTY NUMIRA_WINDOWS_PROGRAMS)
  # The interpreter by its path: ctest would run a target through Wine.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME windows-package
           COMMAND ${Python3_EXECUTABLE} ${numira_windows_source}/package_test.py
                   --build ${CMAKE_BINARY_DIR} --version ${PROJECT_VERSION} --cpack ${CMAKE_CPACK_COMMAND}
                   --objdump ${CMAKE_OBJDUMP} --windres ${CMAKE_RC_COMPILER}
                   --wine-run ${CMAKE_CROSSCOMPILING_EMULATOR} --programs ${numira_shipped})
endif()
