# SPDX-License-Identifier: Apache-2.0
# Windows i686 with Debian's mingw-w64 cross compilers (g++-mingw-w64-i686-posix,
# binutils-mingw-w64-i686). Always the -posix compilers: the win32 thread model
# has no std::thread, and GoogleTest does not build without it. Everything is
# linked with -static, so the runtime (libgcc, libstdc++, winpthreads) goes
# into each DLL and program instead of being imported. Test programs run under
# wine (see cmake/windows.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
