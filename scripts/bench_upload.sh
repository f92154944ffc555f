#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Upload benchmark (not a test). Uploads the largest possible configuration (all 72 inputs
# with 32 long and 16 short entries, every option) to pylo-sim and prints:
#   1. with the simulator paced like a 9600-baud line: the upload's time divided by the
#      wire time (bytes both ways x 10 bits / 9600); the goal is at most 1.05;
#   2. with no pacing: write commands per second;
#   3. system calls per write command (strace -c -f).
# Usage: scripts/bench_upload.sh [BUILD_DIR]   (default build-bench, built when missing)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
"$root/scripts/deps.sh" build strace
if [ ! -x "$build/src/pyloload" ] || [ ! -x "$build/tools/sim/pylo-sim" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPYLO_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target pyloload pylo-sim >/dev/null
fi
pyloload="$build/src/pyloload"
sim="$build/tools/sim/pylo-sim"
work=$(mktemp -d)
. "$root/scripts/sim_lib.sh"
trap 'stop_sim; rm -rf "$work"' EXIT

# The largest configuration: every slot of every sequence filled, every option set.
config="$work/largest.txt"
keys=(a b c d e f g h i j k l m n o p q r s t u v w x y z f1 f2 f3 shift ctrl alt)
{
    printf 'PREL:Y\nREVX:Y\nREVY:Y\nMSET:3\nROT1:Y\nROT2:Y\nROT3:Y\nROT4:Y\n'
    for n in $(seq 1 72); do
        line=$(printf 'in%02d:' "$n")
        for s in $(seq 0 31); do line+="[${keys[$(( (n + s) % ${#keys[@]} ))]}]"; done
        echo "$line"
        line=$(printf 'in%02d|' "$n")
        for s in $(seq 0 15); do line+="[(+)${keys[$(( (n + 3 * s) % ${#keys[@]} ))]}]"; done
        echo "$line"
    done
} >"$config"

# Waits for the simulator's report of the session; sets received and writes.
session_counts() {
    for _ in $(seq 100); do
        grep -q '^end of session' "$work/sim.out" && break
        sleep 0.05
    done
    local header
    header=$(grep '^session ' "$work/sim.out" | tail -n 1)
    received=$(echo "$header" | sed -E 's/^session [0-9]+: ([0-9]+) bytes received, ([0-9]+) write commands.*/\1/')
    writes=$(echo "$header" | sed -E 's/^session [0-9]+: ([0-9]+) bytes received, ([0-9]+) write commands.*/\2/')
}

now() { date +%s.%N; }

echo "Largest configuration: 72 inputs x (32 + 16) entries, every option"

# 1. Paced like the real line.
start_sim "$work/sim.out" --show --baud 9600
t0=$(now)
"$pyloload" "$config" "$device" -h >/dev/null </dev/null
t1=$(now)
session_counts
stop_sim
# Replies: one each to the greeting, "K", "S" and every write command.
replies=$((writes + 3))
awk -v t0="$t0" -v t1="$t1" -v out="$received" -v back="$replies" -v w="$writes" 'BEGIN {
    elapsed = t1 - t0; wire = (out + back) * 10 / 9600
    printf "paced at 9600 baud: %d write commands, %d bytes out, %d back\n", w, out, back
    printf "  time %.2f s, wire time %.2f s, ratio %.3f (goal <= 1.05)\n", elapsed, wire, elapsed / wire
}'

# 2. No pacing.
start_sim "$work/sim.out" --show
t0=$(now)
"$pyloload" "$config" "$device" -h >/dev/null </dev/null
t1=$(now)
session_counts
awk -v t0="$t0" -v t1="$t1" -v w="$writes" 'BEGIN {
    printf "unpaced: %.3f s, %.0f write commands per second\n", t1 - t0, w / (t1 - t0)
}'

# 3. System calls of the tool per write command (the simulator's own are not counted).
strace -c -f -o "$work/strace.txt" "$pyloload" "$config" "$device" -h >/dev/null </dev/null
session_counts
stop_sim
calls=$(awk '$NF == "total" { print $(NF-2) }' "$work/strace.txt")
awk -v c="$calls" -v w="$writes" 'BEGIN {
    printf "system calls: %d in all, %.2f per write command\n", c, c / w
}'
sed -n '1,12p' "$work/strace.txt"
