#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the packages into dist/:
#   dist/pyloload_VERSION_amd64.deb    Linux: the three programs, their man pages, README, example
#   dist/pyloload-VERSION-win64.zip    Windows: pyloload.exe, pylocheck.exe, README, example
# Both are release builds, stripped, from their own build folders (build-pkg, build-pkg-win).
# Usage: scripts/package.sh [deb|zip]...   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb zip)

scripts/deps.sh package
mkdir -p dist

for kind in "${kinds[@]}"; do
  case $kind in
    deb)
      cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
            -DPYLO_TESTS=OFF -DPYLO_BENCH=OFF
      cmake --build build-pkg -j2
      (cd build-pkg && cpack -G DEB -B "$root/dist")
      ;;
    zip)
      cmake -S . -B build-pkg-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
            -DCMAKE_BUILD_TYPE=Release
      cmake --build build-pkg-win -j2
      (cd build-pkg-win && cpack -G ZIP -B "$root/dist")
      ;;
    *)
      echo "package.sh: unknown package kind '$kind' (deb or zip)" >&2
      exit 2
      ;;
  esac
done
rm -rf dist/_CPack_Packages
ls -l dist
