# SPDX-License-Identifier: MIT
# Shared by the scripts that drive the device simulator ($sim): source it.

sim_pid=""

# start_sim OUT [OPTION...]: starts pylo-sim in the background with its standard output in
# OUT (and standard error in OUT.err); sets sim_pid, and device to the terminal's path
# (empty when the simulator did not start).
start_sim() {
    local out=$1
    shift
    : >"$out"
    "$sim" "$@" >"$out" 2>"$out.err" &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -s "$out" ] && break
        sleep 0.05
    done
    device=$(head -n 1 "$out")
}

stop_sim() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    sim_pid=""
}
