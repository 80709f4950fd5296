#!/usr/bin/env bash
# A transcript kept as a test: NAME.sh is what a user did, NAME.jsonl the link as it was
# recorded then, NAME.out what each vx5h run printed and its exit code.
#
#   run.sh replay NAME   the program against vx5h-board-sim --replay NAME.jsonl: every
#                        step must come as on record and print the recorded results
#   run.sh record NAME   NAME.sh against a fresh simulator (FPGA unconfigured), recording
#                        NAME.jsonl and NAME.out anew
#
# NAME.sh calls `vx5h ARGS...` (each run recorded, its output kept), `ctl ARGS...` (the
# simulator's control commands: faults, inputs; a replayed board ignores what changes it)
# and `later MS ARGS...` (a control command while vx5h works: a fault in a watch).
# It may export VX5H_TRACE_DATA=1 to keep memory contents whole.
set -u
mode=${1:?record or replay} name=${2:?transcript name}
here=$(cd "$(dirname "$0")" && pwd)
bin=${VX5H_BIN_DIR:?VX5H_BIN_DIR names the program folder}
tmp=$(mktemp -d /tmp/vx5h-transcript-XXXXXX)
chmod 700 "$tmp"
sim_pid=
cleanup() {
    "$bin/vx5h-board-sim" ctl quit >/dev/null 2>&1
    [ -n "$sim_pid" ] && wait "$sim_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
export VX5H_SIM_SOCKET=$tmp/board.sock VX5H_CABLE=sim XDG_RUNTIME_DIR=$tmp
unset VX5H_TRACE VX5H_TRACE_DATA VX5H_TRACE_LIMIT
results=$tmp/results
runs=0

fail() {
    echo "transcript $name: FAIL: $*"
    sed 's/^/[sim] /' "$tmp/sim.log" | tail -n 20
    exit 1
}

vx5h() {
    runs=$((runs + 1))
    echo "\$ vx5h $*" >>"$results"
    if [ "$mode" = record ]; then
        VX5H_TRACE=$tmp/run-$(printf %03d $runs).jsonl "$bin/vx5h" -q "$@" >>"$results" 2>&1
    else
        "$bin/vx5h" -q "$@" >>"$results" 2>&1
    fi
    echo "exit $?" >>"$results"
}
ctl() { "$bin/vx5h-board-sim" ctl "$@" >/dev/null; }
# later MS ARGS...: the control command MS milliseconds from now, while vx5h works.
later() {
    local ms=$1
    shift
    (sleep "$(awk "BEGIN { print $ms / 1000 }")" && ctl "$@") &
}

if [ "$mode" = record ]; then
    "$bin/vx5h-board-sim" --socket="$VX5H_SIM_SOCKET" 2>"$tmp/sim.log" &
else
    "$bin/vx5h-board-sim" --replay "$here/$name.jsonl" --socket="$VX5H_SIM_SOCKET" 2>"$tmp/sim.log" &
fi
sim_pid=$!
for _ in $(seq 100); do
    "$bin/vx5h-board-sim" ctl help >/dev/null 2>&1 && break
    sleep 0.05
done

cd "$tmp" || exit 1
start=$(date +%s%3N)
. "$here/$name.sh"
took=$(( $(date +%s%3N) - start ))

if [ "$mode" = record ]; then
    cat "$tmp"/run-*.jsonl >"$here/$name.jsonl"
    cp "$results" "$here/$name.out"
    echo "transcript $name: recorded $runs run(s) in $took ms"
    exit 0
fi
status=$("$bin/vx5h-board-sim" ctl replay 2>&1) || fail "the replay is not complete: $status"
"$bin/vx5h-board-sim" ctl quit >/dev/null 2>&1
wait "$sim_pid"
code=$?
sim_pid=
[ "$code" -eq 0 ] || fail "the replaying simulator exited with $code"
diff -u "$here/$name.out" "$results" || fail "the results differ from those on record"
echo "transcript $name: PASS ($status; $took ms)"
