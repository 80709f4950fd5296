#!/bin/bash
# vx5h's memory transfers on the simulator, against a baseline vx5h in the same run:
#  1. Packets sent again: a full SDRAM dump and load on a clean link, then with single-reply
#     faults injected one after another (each once the last has hit a reply), then with three
#     in a row on one packet. What vx5h says and its exit code, for each program.
#  2. Wall time of a full SDRAM dump and load and of an 8 MB FLASH load (after an erase, not
#     timed), the two programs alternating, median of 5 each, and the ratio new/baseline.
#
#   bench/transfer-faults.sh BASELINE_BIN NEW_BIN     (folders holding vx5h and its libraries)
#
# Runs its own simulator (NEW_BIN's) in a private folder and ends it on every way out.
set -u
BASE=$(realpath "$1"); NEW=$(realpath "$2")
DIR=$(mktemp -d /tmp/vx5h-transfer-faults-XXXXXX) # mode 0700, as the simulator's folder must be
export VX5H_SIM_SOCKET=$DIR/board.sock VX5H_CABLE=sim
ctl() { "$NEW/vx5h-board-sim" ctl "$@"; }
finish() { ctl quit >/dev/null 2>&1; rm -rf "$DIR"; }
trap finish EXIT
trap 'exit 130' INT TERM
VX5H_SIM_IDLE_EXIT=900 "$NEW/vx5h-board-sim" --daemon || exit 1
for _ in $(seq 100); do [ -S "$VX5H_SIM_SOCKET" ] && break; sleep 0.05; done
"$NEW/vx5h" -q info >/dev/null || exit 1
head -c 134217728 /dev/urandom >"$DIR/sdram.bin"
head -c 8388608 /dev/urandom >"$DIR/flash.bin"

# BIN dump|load KIND N [PAUSE]: N faults of KIND, each once the last has hit a reply and
# PAUSE seconds have passed (longer than a reply's budget, for faults that wait it out).
faults() {
    local bin=$1 op=$2 kind=$3 n=$4 pause=${5:-0.1} hit=0
    "$bin/vx5h" mem "$op" sdram "$DIR/sdram.bin" 2>"$DIR/err.txt" &
    local pid=$!
    sleep 0.3
    for _ in $(seq "$n"); do
        kill -0 $pid 2>/dev/null || break
        ctl fault "$kind" 1 >/dev/null
        until ctl state | grep -q '"fault":{"kind":"none","count":0}'; do
            kill -0 $pid 2>/dev/null || break 2
            sleep 0.02
        done
        hit=$((hit + 1))
        sleep "$pause"
    done
    wait $pid
    local rc=$?
    ctl fault none >/dev/null
    printf '  %-8s %-4s %-9s faults hit %d, exit %d: %s\n' "$(basename "$(dirname "$bin")")/$(basename "$bin")" \
        "$op" "$kind" $hit $rc "$(tr '\n' ' ' <"$DIR/err.txt")"
}

# BIN KIND: three faults in a row on one packet.
three() {
    "$1/vx5h" mem dump sdram "$DIR/out.bin" 2>"$DIR/err.txt" &
    local pid=$!
    sleep 0.3
    ctl fault "$2" 3 >/dev/null
    wait $pid
    local rc=$?
    ctl fault none >/dev/null
    printf '  dump, %s three in a row: exit %d: %s\n' "$2" $rc "$(tr '\n' ' ' <"$DIR/err.txt")"
}

echo "1. Packets sent again"
for bin in "$BASE" "$NEW"; do
    echo " $bin"
    faults "$bin" dump drop 0
    faults "$bin" load drop 0
    for kind in checksum echo length; do faults "$bin" dump $kind 5; done
    faults "$bin" load checksum 5
    for kind in drop truncate; do faults "$bin" load $kind 2 3.5; done
done
three "$NEW" checksum
three "$NEW" echo

seconds() {
    local start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
    echo "$(date +%s.%N) - $start" | bc
}
median() { sort -g | sed -n 3p; }
# NAME PREPARE-ARGS -- ARGS: PREPARE-ARGS (untimed, may be empty) before each timed run.
timed() {
    local name=$1 prepare=$2 a=() b=()
    shift 2
    for _ in 1 2 3 4 5; do
        [ -n "$prepare" ] && "$BASE/vx5h" -q $prepare >/dev/null 2>&1
        a+=("$(seconds "$BASE/vx5h" -q "$@")")
        [ -n "$prepare" ] && "$NEW/vx5h" -q $prepare >/dev/null 2>&1
        b+=("$(seconds "$NEW/vx5h" -q "$@")")
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    printf '  %-26s baseline %6.2f s  new %6.2f s  ratio %.2f\n' "$name" "$ma" "$mb" "$(echo "$mb / $ma" | bc -l)"
}

echo "2. Wall time, median of 5"
timed "mem dump sdram (128 MB)" "" mem dump sdram "$DIR/out.bin"
timed "mem load sdram (128 MB)" "" mem load sdram "$DIR/sdram.bin"
timed "mem load flash (8 MB)" "mem erase flash" mem load flash "$DIR/flash.bin"
