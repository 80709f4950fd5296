#!/usr/bin/env bash
# The simulated board through our libraries on Linux (Unix socket) and on Windows under
# wine (named pipe), in the same run on the same machine: round trip of one SetLed, SDRAM
# write and read throughput, each beside a CRC baseline timed in the same process.
#   bench/sim-under-wine.sh LINUX_BUILD WINDOWS_BUILD [MB]
# e.g. bench/sim-under-wine.sh build build-mingw-x86_64 16
set -euo pipefail
linux=$(cd "$1" && pwd) windows=$(cd "$2" && pwd) mb=${3:-16}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vx5h-bench-wine.XXXXXX")
trap 'WINEPREFIX=$prefix/wine timeout 30 wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export VX5H_SIM_SOCKET=vx5h-bench-$$ VX5H_SIM_IDLE_EXIT=60 VX5H_CABLE=sim
echo "== Linux"
VX5H_SIM_SOCKET=$prefix/linux.sock "$linux/bin/vx5h-bench-endpoint" "$linux/bin" "$mb" | tee "$prefix/linux.txt"
echo "== Windows under wine ($(wine --version))"
WINEPREFIX=$prefix/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout -k 5 180 wineboot --init >/dev/null 2>&1
bin="Z:${windows//\//\\}\\bin"
WINEPREFIX=$prefix/wine "$windows/wine-run" "$windows/bin/vx5h-bench-endpoint.exe" "$bin" "$mb" | tr -d '\r' |
    tee "$prefix/wine.txt"
echo "== wine / Linux (round trip: times as long; others: share of Linux's speed)"
join <(sort "$prefix/linux.txt") <(sort "$prefix/wine.txt") | awk '{ printf "%s %.2f\n", $1, $4 / $2 }'
