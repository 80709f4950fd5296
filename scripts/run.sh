#!/usr/bin/env bash
# Builds the control panel and starts it on the simulated board (the JTAG driver starts
# the simulator by itself when none is running). Only what the panel needs is built: the
# panel, the simulator, the two driver libraries, the FPGA image and vx5h; the tests and
# benchmarks wait for scripts/test.sh, which builds them in the same build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target VX5h_260_ControlPanel vx5h
# Without a desktop (a server, a container, an ssh session) the panel runs on a private
# virtual X server whose screen only this user can see: VNC on the loopback interface,
# behind a password printed for this run (scripts/headless.sh; README: "Without a display").
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec scripts/headless.sh build/bin/VX5h_260_ControlPanel
fi
exec build/bin/VX5h_260_ControlPanel
