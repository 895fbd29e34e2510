# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
#
# The Debian package, made by scripts/package with `cpack -G DEB`:
# numira_VERSION_ARCH.deb with whatever the install rules put under /usr
# (both programs, the desktop entry, the icons, the metainfo), the manual
# pages and /usr/share/doc/numira/{copyright,changelog.gz}. Its dependencies
# come from dpkg-shlibdeps, never by hand.
include(GNUInstallDirs)

set(numira_deb_source ${CMAKE_CURRENT_LIST_DIR})
set(numira_deb_build ${CMAKE_BINARY_DIR}/packaging/deb)
file(MAKE_DIRECTORY ${numira_deb_build})

# Manual pages and the changelog compressed as Debian wants them; -n leaves
# the time stamp out, so the same sources give the same package.
find_program(NUMIRA_GZIP gzip REQUIRED)
set(numira_deb_compressed)
foreach(file kelto.1 kelto-tape.1 changelog)
  add_custom_command(OUTPUT ${numira_deb_build}/${file}.gz
                     COMMAND ${NUMIRA_GZIP} -9nc ${numira_deb_source}/${file} > ${numira_deb_build}/${file}.gz
                     DEPENDS ${numira_deb_source}/${file} VERBATIM)
  list(APPEND numira_deb_compressed ${numira_deb_build}/${file}.gz)
endforeach()
add_custom_target(numira_deb_docs ALL DEPENDS ${numira_deb_compressed})

if(TARGET kelto)
  install(FILES ${numira_deb_build}/kelto.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET kelto-tape)
  install(FILES ${numira_deb_build}/kelto-tape.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${numira_deb_source}/copyright ${numira_deb_build}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/numira)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME numira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Numira developers")
set(CPACK_PACKAGE_CONTACT "Numira developers <numira@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "four-function calculator with a printing tape")
set(CPACK_PACKAGE_DESCRIPTION
    "Numira is a small, fast desktop calculator with a Japanese user interface.
It evaluates strictly in the order of input, shows every result with
thousands grouping and five decimals, and writes every operator and every
result into an input-history panel that reads like a printing calculator's
paper tape. kelto-tape runs the same engine without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(NUMIRA_CROSS_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${NUMIRA_CROSS_ARCH})  # built for another CPU (cmake/linux-cross.cmake)
endif()
# The window asks for the Windows Japanese faces first, then these stand-ins;
# Qt's own texts (the tape's menu, the message box's button) come in the
# user's language from Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The desktop entry names kelto by its final path: install with DESTDIR into
# the staging folder, for the prefix /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# Packages are made from ordinary builds only, never from a sanitizer build.
if(BUILD_TESTING AND TARGET kelto AND TARGET kelto-tape AND NOT NUMIRA_SANITIZE)
  add_test(NAME debian-package COMMAND bash ${numira_deb_source}/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(debian-package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
