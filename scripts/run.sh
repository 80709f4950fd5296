#!/usr/bin/env bash
# Builds the control panel and starts it on the simulated board (the JTAG driver starts
# the simulator by itself when none is running).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
if [ ! -x build/bin/VX5h_260_ControlPanel ]; then
  echo "Built everything in build/bin; the control panel application does not exist yet."
  exit 0
fi
# Without a desktop (a server, a container, an ssh session) the panel draws into Qt's
# built-in VNC server instead: point any VNC viewer at port 5900 of this machine, best
# through an ssh tunnel (ssh -L 5900:localhost:5900 host; then view localhost:5900),
# since the port is open to the network.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: the control panel serves its screen over VNC on port ${VX5H_VNC_PORT:-5900}."
  export QT_QPA_PLATFORM="vnc:size=1024x768:port=${VX5H_VNC_PORT:-5900}"
fi
exec build/bin/VX5h_260_ControlPanel
