#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A long fuzzing session of the compiler and the checker together:
#   scripts/fuzz.sh [SECONDS]     (default 600)
# Builds the fuzz target with clang in build-fuzz/, runs it on a fresh copy of the seed corpus
# and leaves the grown corpus in build-fuzz/tests/fuzz/fuzz_run/corpus and any reproducer in
# build-fuzz/tests/fuzz/fuzz_run/artifacts. To keep what it found as seeds, minimize it into
# tests/fuzz/seeds:  build-fuzz/tests/fuzz/fuzz_compile_check -merge=1 -max_len=1024 \
#   tests/fuzz/seeds build-fuzz/tests/fuzz/fuzz_run/corpus
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPYLO_FUZZ=ON \
      -DPYLO_BENCH=OFF > /dev/null
cmake --build build-fuzz -j2 --target fuzz_compile_check
cmake -DFUZZER=build-fuzz/tests/fuzz/fuzz_compile_check -DWORK="$PWD/build-fuzz/tests/fuzz/fuzz_run" \
      -DSEEDS="$PWD/tests/fuzz/seeds" -DDICT="$PWD/tests/fuzz/config.dict" -DSECONDS="$seconds" \
      -P tests/fuzz/run_fuzz.cmake
