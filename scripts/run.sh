#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds pyloload and the device simulator, then uploads examples/keys.txt to a simulated
# PYLO and shows what the device received. With --port DEVICE (a port number 1 ... 6 or a
# device path such as /dev/ttyUSB0) it uploads to a real PYLO instead.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-run"
config="$root/examples/keys.txt"
port=""

usage() {
    echo "usage: scripts/run.sh [--port DEVICE] [--config FILE]"
}

while [ $# -gt 0 ]; do
    case "$1" in
        --port) port=${2:?--port needs a device}; shift 2 ;;
        --config) config=${2:?--config needs a file}; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

"$root/scripts/deps.sh" build

echo "Building in $build ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPYLO_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target pyloload pylo-sim >/dev/null
pyloload="$build/src/pyloload"
sim="$build/tools/sim/pylo-sim"

if [ -n "$port" ]; then
    exec "$pyloload" "$config" "$port"
fi

work=$(mktemp -d)
. "$root/scripts/sim_lib.sh"
trap 'stop_sim; rm -rf "$work"' EXIT

start_sim "$work/sim.out" --once --show
if [ -z "$device" ]; then
    echo "The simulator did not start:" >&2
    cat "$work/sim.out.err" >&2
    exit 1
fi

echo "Simulated PYLO on $device"
echo "\$ pyloload ${config#$root/} $device"
status=0
"$pyloload" "$config" "$device" || status=$?
echo

# The simulator ends after the session; a run that never reached it leaves it waiting.
for _ in $(seq 50); do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
done
echo "What the simulated PYLO received:"
tail -n +2 "$work/sim.out"
echo "pyloload exit status: $status"
exit "$status"
