# Cross-building for Windows 10/11 x64 with Debian's mingw-w64 (posix threads):
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/build-windows does exactly this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NUMIRA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NUMIRA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NUMIRA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NUMIRA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NUMIRA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each .exe carries its own C and C++ runtime (libgcc, libstdc++,
# winpthread): a dynamically linked one does not start outside the build
# folder, where those DLLs are missing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
