#!/usr/bin/env bash
# Shows a program to this user only, on a machine without a display: a private virtual X
# server (TigerVNC's Xvnc) that takes X clients only with this run's cookie, serving its
# screen over VNC on the loopback interface only, behind a password made for this run and
# printed once. Reach it from elsewhere through an ssh tunnel (see README.md). Everything
# started here ends with the program, and with this script, however either ends (kill -9
# included): the X server and the program are told by the kernel when it is gone, and a
# watcher removes the password and the cookie.
#
#   scripts/headless.sh PROGRAM [ARGS...]
#
# VX5H_VNC_PORT picks the VNC port (default: 5900 + the display number Xvnc takes).
set -euo pipefail
program=${1:?usage: headless.sh PROGRAM [ARGS...]}
shift
for tool in Xvnc vncpasswd xauth setpriv; do
  command -v "$tool" >/dev/null ||
    { echo "headless: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

# Password file and X cookie live in a folder only this user can open.
private=$(mktemp -d "${TMPDIR:-/tmp}/vx5h-headless-XXXXXX")
xvnc_pid=
program_pid=
cleanup() {
  set +e
  for pid in $program_pid $xvnc_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$private"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
# A kill -9 runs no trap: this watcher, which ignores the signals that end the script,
# removes the folder as soon as the script is gone.
script_pid=$$
(
  trap '' INT TERM HUP
  while kill -0 "$script_pid" 2>/dev/null; do sleep 0.2; done
  rm -rf "$private"
) </dev/null >/dev/null 2>&1 &

# VNC authentication uses at most 8 characters: 48 random bits in base64.
password=$(head -c 6 /dev/urandom | base64)
printf '%s\n' "$password" | vncpasswd -f >"$private/passwd"
cookie=$(od -An -tx1 -N16 /dev/urandom | tr -d ' \n')
export XAUTHORITY=$private/Xauthority
: >"$XAUTHORITY"
# The server takes every cookie of the file, whatever display it names; the one for the
# display it will take is added once that is known, for the clients.
xauth -q -f "$XAUTHORITY" add :0 MIT-MAGIC-COOKIE-1 "$cookie"

port_args=()
[ -n "${VX5H_VNC_PORT:-}" ] && port_args=(-rfbport "$VX5H_VNC_PORT")
exec 9>"$private/display"
# The kernel ends the X server when this script ends, whichever way.
setpriv --pdeathsig KILL Xvnc -displayfd 9 -auth "$XAUTHORITY" -nolisten tcp \
  -localhost -SecurityTypes VncAuth -PasswordFile "$private/passwd" "${port_args[@]}" \
  -geometry 1024x768 -depth 24 -desktop "VX5h-260 Control Panel" >"$private/xvnc.log" 2>&1 &
xvnc_pid=$!
exec 9>&-
for _ in $(seq 100); do
  [ -s "$private/display" ] && break
  kill -0 "$xvnc_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$private/display" ]; then
  echo "headless: the virtual X server did not start:" >&2
  tail -n 5 "$private/xvnc.log" >&2
  exit 1
fi
display=$(head -n1 "$private/display")
xauth -q -f "$XAUTHORITY" add ":$display" MIT-MAGIC-COOKIE-1 "$cookie"
port=${VX5H_VNC_PORT:-$((5900 + display))}

cat <<EOF
No display: the control panel's screen is served over VNC to this machine only.
  VNC server  localhost:$port (loopback only)
  password    $password   (made for this run; it is not shown again)
From your own machine: ssh -L 5900:localhost:$port $(id -un)@$(hostname), then point a
VNC viewer at localhost:5900. Screenshots here: DISPLAY=:$display XAUTHORITY=$XAUTHORITY import -window root shot.png
EOF

unset WAYLAND_DISPLAY
DISPLAY=:$display QT_QPA_PLATFORM=xcb setpriv --pdeathsig TERM "$program" "$@" &
program_pid=$!
# wait returns early on a signal, so that the trap can end everything.
status=0
wait "$program_pid" || status=$?
program_pid=
exit "$status"
