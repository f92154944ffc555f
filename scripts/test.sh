#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and runs every test:
#   1. a build with AddressSanitizer and UndefinedBehaviorSanitizer (clang) and its tests,
#      the fuzz targets included;
#   2. the release files of scripts/package.sh (the .deb, the Windows zip and installer, the
#      VS Code extension, after the build the web page's zip), which the package tests check;
#   3. the ordinary build and every test, the Wine tests of the released Windows program and
#      the web page's tests in headless Chromium (label web) included.
# The tests that keep the device's 36 ms deadlines (end-to-end, Wine) and the fuzzers are
# RUN_SERIAL: ctest runs them alone, everything else two at a time. Each stage's start and
# the whole time are printed, so CI's time can be read off the log (target: under 7 minutes
# on a warm machine).
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/deps.sh test

jobs=-j2
stage() { echo "== $1 (at ${SECONDS}s)"; }
trap 'echo "== end after ${SECONDS}s"' EXIT
stage "sanitizer build and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DPYLO_SANITIZE=ON -DPYLO_FUZZ=ON -DPYLO_BENCH=OFF
cmake --build build-asan $jobs
(cd build-asan && ctest --output-on-failure $jobs)

# The release files, as scripts/package.sh makes them; the Wine tests run the released programs.
stage "packages: .deb, Windows and VS Code"
scripts/package.sh deb zip vsix

stage "build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPYLO_WIN_EXE="$root/build-pkg-win/pyloload.exe" \
      -DPYLO_DIST="$root/dist"
# The Wine prefix is made while the build runs; the wine.prefix test then finds it ready (or
# makes it, should this have failed).
python3 tests/wine/wine_env.py setup --state "$root/build/tests/wine/wine-state" >/dev/null 2>&1 &
prefix=$!
cmake --build build $jobs
wait $prefix || true
if [ -d build/web/site ]; then scripts/package.sh --site build/web/site web; fi
cd build && ctest --output-on-failure $jobs
