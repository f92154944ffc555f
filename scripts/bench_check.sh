#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checker benchmark (not a test). Times pylocheck on two 10 MB files: one of valid entries and
# one of short unknown key names, every one a warning with a search for a suggestion (past the
# 1,000 findings shown, only counted). The goal: the unknown names cost at most a few times
# the valid ones.
# Usage: scripts/bench_check.sh [BUILD_DIR]   (default build-bench, built when missing)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
if [ ! -x "$build/tools/check/pylocheck" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPYLO_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target pylocheck >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import random, sys
random.seed(1)
def write(name, line):
    with open(sys.argv[1] + "/" + name, "w") as f:
        size = n = 0
        while size < 10_000_000:
            text = line(n)
            f.write(text)
            size, n = size + len(text), n + 1
write("valid.txt", lambda n: "in%02d:%s\n" % (n % 72 + 1, "[a]" * 30))
write("unknown.txt", lambda n: "in%02d:%s\n" % (n % 72 + 1, "".join(
    "[%s]" % "".join(random.choice("qxzjvkw") for _ in range(3)) for _ in range(30))))
PY
for file in valid unknown; do
    TIMEFORMAT="$file %R s"
    time ("$build/tools/check/pylocheck" "$work/$file.txt" >/dev/null || true)
done
