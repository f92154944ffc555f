# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's x86_64-w64-mingw32 toolchain.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The program is linked statically, so it needs no DLL beyond those Windows ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PYLO_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${PYLO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${PYLO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${PYLO_MINGW_PREFIX}-windres)
find_program(CMAKE_AR NAMES ${PYLO_MINGW_PREFIX}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${PYLO_MINGW_PREFIX}-ranlib REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${PYLO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs the cross-built programs when CMake or CTest needs to.
find_program(PYLO_WINE NAMES wine64 wine)
if(PYLO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PYLO_WINE})
endif()
