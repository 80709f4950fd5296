#!/usr/bin/env bash
# CPU the panel takes with a polling page shown on a steady board (the G-sensor lying
# still, no IR code arriving), from /proc/<pid>/stat over a given time, under a private
# Xvfb. With a second program folder, that build is measured first in the same run as
# the baseline and the ratio is given.
#
#   bench/page-cpu.sh SECONDS BIN_DIR [BASELINE_BIN_DIR]
set -u
SECONDS_EACH=${1:?seconds per page}
NEW=${2:?program folder}
BASE=${3:-}
HERE=$(cd "$(dirname "$0")" && pwd)
TICKS=$(getconf CLK_TCK)

# CPU milliseconds per second of the panel in program folder $1 on page $2.
measure() (
    export VX5H_BIN_DIR=$1 VX5H_SCREENSHOT_DIR=${TMPDIR:-/tmp}
    . "$HERE/../tests/e2e/lib.sh"
    e2e_log() { :; }
    e2e_start_panel configured
    e2e_wait_connected
    e2e_ctl set gsensor 120 -80 16300 >/dev/null
    e2e_click_tab "$2"
    sleep 2
    cpu() { awk '{ print $14 + $15 }' "/proc/$E2E_PANEL_PID/stat"; }
    local before after
    before=$(cpu)
    sleep "$SECONDS_EACH"
    after=$(cpu)
    awk -v a="$after" -v b="$before" -v t="$TICKS" -v s="$SECONDS_EACH" 'BEGIN { printf "%.1f", (a - b) * 1000 / t / s }' 
)

for page in G-Sensor "IR RX"; do
    new=$(measure "$NEW" "$page")
    if [ -n "$BASE" ]; then
        base=$(measure "$BASE" "$page")
        awk -v p="$page" -v b="$base" -v n="$new" 'BEGIN {
            printf "%-9s baseline %5.1f ms/s (%.2f%% of a core)  now %5.1f ms/s (%.2f%%)  ratio %.2f\n",
                p, b, b / 10, n, n / 10, (b > 0 ? n / b : 0) }'
    else
        awk -v p="$page" -v n="$new" 'BEGIN { printf "%-9s %5.1f ms/s (%.2f%% of a core)\n", p, n, n / 10 }'
    fi
done
