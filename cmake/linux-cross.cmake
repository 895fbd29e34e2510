# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Cross-building the core, kelto-tape and the core tests for another CPU with
# Debian's cross compilers, linked statically and run under qemu-user:
#   cmake -S . -B build-cross-arm64 -G Ninja -DNUMIRA_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake -DNUMIRA_CROSS_ARCH=arm64
# scripts/build-cross does exactly this. NUMIRA_CROSS_ARCH is a Debian
# architecture name: arm64, armhf, s390x, ppc64el, riscv64 or i386.
# With -DNUMIRA_CROSS_MULTIARCH=ON the whole program is built instead, linked
# dynamically against the target's own Qt and X11 installed through Debian
# multiarch (dpkg --add-architecture; scripts/package --arch does this).
set(CMAKE_SYSTEM_NAME Linux)
# The try-compile projects of CMake read this file again: hand the choice on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NUMIRA_CROSS_ARCH NUMIRA_CROSS_MULTIARCH)

# Debian architecture: GNU triplet, CPU name, qemu-user program.
set(NUMIRA_CROSS_ARCHITECTURES
  "arm64 aarch64-linux-gnu aarch64 qemu-aarch64"
  "armhf arm-linux-gnueabihf armv7l qemu-arm"
  "s390x s390x-linux-gnu s390x qemu-s390x"
  "ppc64el powerpc64le-linux-gnu ppc64le qemu-ppc64le"
  "riscv64 riscv64-linux-gnu riscv64 qemu-riscv64"
  "i386 i686-linux-gnu i686 qemu-i386")
set(NUMIRA_CROSS_TRIPLET "")
foreach(entry ${NUMIRA_CROSS_ARCHITECTURES})
  string(REPLACE " " ";" fields "${entry}")
  list(GET fields 0 arch)
  if(arch STREQUAL "${NUMIRA_CROSS_ARCH}")
    list(GET fields 1 NUMIRA_CROSS_TRIPLET)
    list(GET fields 2 CMAKE_SYSTEM_PROCESSOR)
    list(GET fields 3 NUMIRA_CROSS_QEMU)
  endif()
endforeach()
if(NOT NUMIRA_CROSS_TRIPLET)
  message(FATAL_ERROR "NUMIRA_CROSS_ARCH must be one of arm64, armhf, s390x, ppc64el, riscv64, i386 "
                      "(got '${NUMIRA_CROSS_ARCH}')")
endif()

set(CMAKE_C_COMPILER ${NUMIRA_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${NUMIRA_CROSS_TRIPLET}-g++)
if(NUMIRA_CROSS_MULTIARCH)
  # Libraries, packages and pkg-config files of the target in their
  # multiarch folders (/usr/lib/TRIPLET); Qt's tools (moc, rcc) are the build
  # machine's own, found through QT_HOST_PATH.
  set(CMAKE_LIBRARY_ARCHITECTURE ${NUMIRA_CROSS_TRIPLET})
  set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${NUMIRA_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
  set(QT_HOST_PATH /usr CACHE PATH "Where the build machine's Qt tools live")
else()
  set(CMAKE_FIND_ROOT_PATH /usr/${NUMIRA_CROSS_TRIPLET})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
  # Static programs need no sysroot at run time: qemu-user runs them as they
  # are, and so does ctest, test listing included.
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()
find_program(NUMIRA_CROSS_EMULATOR NAMES ${NUMIRA_CROSS_QEMU} ${NUMIRA_CROSS_QEMU}-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NUMIRA_CROSS_EMULATOR})
