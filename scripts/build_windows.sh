#!/bin/sh
# SPDX-License-Identifier: MIT
# Cross-builds pyloload.exe and pylocheck.exe for 64-bit Windows (a stripped release build).
#   scripts/build_windows.sh [BUILD_DIR]     (default: <repo>/build-win)
# Installs Debian's mingw-w64 cross compiler when it is missing (needs root and apt-get).
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$repo/build-win}
cxx=x86_64-w64-mingw32-g++

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "build_windows.sh: installing the mingw-w64 cross compiler" >&2
    if [ "$(id -u)" -ne 0 ]; then
        echo "build_windows.sh: $cxx is missing; install g++-mingw-w64-x86-64 as root" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y g++-mingw-w64-x86-64 >&2
fi

cmake -S "$repo" -B "$build_dir" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" -j2

echo "$build_dir/pyloload.exe"
