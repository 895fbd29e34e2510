# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
#
# numira_windows_program(TARGET DESCRIPTION): makes TARGET a program a user
# gets (called in the folder that defines it): a version resource from the
# project version with DESCRIPTION as its file description; stripped after
# each link, its debug information kept apart in debug/TARGET.exe.debug,
# where a debugger finds it through the program's debug link; and in the
# zip (packaging/windows/windows.cmake).
set(numira_windows_source ${CMAKE_CURRENT_LIST_DIR})
set(numira_windows_build ${CMAKE_BINARY_DIR}/packaging/windows)

# FILEVERSION takes four numbers: 4.2 is 4,2,0,0.
set(NUMIRA_VERSION_NUMBERS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND NUMIRA_VERSION_NUMBERS ",0")
  else()
    string(APPEND NUMIRA_VERSION_NUMBERS ",${PROJECT_VERSION_${part}}")
  endif()
endforeach()

function(numira_windows_program target description)
  set(NUMIRA_PROGRAM ${target})
  set(NUMIRA_FILE_DESCRIPTION "${description}")
  set(resource ${numira_windows_build}/${target}-version.rc)
  configure_file(${numira_windows_source}/version.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})

  set(debug_file ${CMAKE_BINARY_DIR}/debug/${target}.exe.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debug
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
    VERBATIM)
  install(TARGETS ${target} RUNTIME DESTINATION .)
  set_property(GLOBAL APPEND PROPERTY NUMIRA_WINDOWS_PROGRAMS ${target})
endfunction()
