#!/usr/bin/env bash
# Without a display: the panel on a private X server whose screen goes out over VNC to
# this machine only, behind this run's password. Nothing the project starts (X server,
# panel, simulator) listens on any other address; a viewer without the password, or a
# client without the X cookie, is turned away; everything goes with the panel.
. "$(dirname "$0")/lib.sh"
for tool in Xvnc vncpasswd ss; do
    command -v "$tool" >/dev/null || { e2e_log "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
done
repo=$(cd "$(dirname "$0")/../.." && pwd)
export TMPDIR=$E2E_TMP
unset DISPLAY

"$E2E_BIN/vx5h-board-sim" --daemon || e2e_fail "the simulator did not start"
e2e_ctl configure "$E2E_BIN/VX5h_260_ControlPanel.sof" >/dev/null || e2e_fail "cannot configure"
E2E_PANEL_START_MS=$(e2e_now)
"$repo/scripts/headless.sh" "$E2E_BIN/VX5h_260_ControlPanel" >"$E2E_TMP/headless.log" 2>&1 &
headless=$!
E2E_EXTRA_PIDS=$headless
log=$E2E_TMP/headless.log
e2e_wait_for 15 'grep -q "import -window root" "$log"' || { cat "$log"; e2e_fail "no VNC server announced"; }
port=$(sed -n 's/^ *VNC server *localhost:\([0-9]*\).*/\1/p' "$log")
password=$(awk '$1 == "password" { print $2 }' "$log")
DISPLAY=$(sed -n 's/.*DISPLAY=\(:[0-9]*\) .*/\1/p' "$log")
XAUTHORITY=$(sed -n 's/.*XAUTHORITY=\([^ ]*\) .*/\1/p' "$log")
export DISPLAY XAUTHORITY
[ -n "$port" ] && [ ${#password} -eq 8 ] && [ -n "$DISPLAY" ] || { cat "$log"; e2e_fail "announcement unreadable"; }
e2e_log "VNC on port $port, X display $DISPLAY"

# The children of the headless script by name: the panel and the X server.
child() {
    local pid
    for pid in $(cat /proc/"$headless"/task/*/children 2>/dev/null); do
        grep -q "$1" "/proc/$pid/comm" 2>/dev/null && echo "$pid"
    done
}
e2e_wait_for 10 '[ -n "$(child "^VX5h")" ] && [ -n "$(child vnc)" ]' || e2e_fail "panel or X server not running"
E2E_PANEL_PID=$(child '^VX5h')
xvnc=$(child vnc)
e2e_wait_for 15 '[ -n "$(e2e_window_of $E2E_PANEL_PID)" ]' || e2e_fail "no window on the private display"
E2E_WINDOW=$(e2e_window_of "$E2E_PANEL_PID")
e2e_wait_connected
e2e_shot connected

# An X client without this run's cookie is refused.
if env -u XAUTHORITY HOME="$E2E_TMP" xdotool getdisplaygeometry >/dev/null 2>&1; then
    e2e_fail "the X server took a client without the cookie"
fi

# Every inet socket of the X server, the panel and the simulator is on loopback.
simulator=$(ss -lxpH | awk -v s="$VX5H_SIM_SOCKET" '$5 == s' | sed -n 's/.*pid=\([0-9]*\).*/\1/p')
[ -n "$simulator" ] || e2e_fail "simulator not found at $VX5H_SIM_SOCKET"
inet=$(ss -ltunpH)
for pid in "$xvnc" "$E2E_PANEL_PID" "$simulator"; do
    open=$(printf '%s\n' "$inet" | grep "pid=$pid," | awk '$5 !~ /^(127\.[0-9.]+|\[::1\]):[0-9]+$/')
    [ -z "$open" ] || e2e_fail "process $pid listens beyond loopback: $open"
done
printf '%s\n' "$inet" | grep "pid=$xvnc," | grep -q "127.0.0.1:$port " || e2e_fail "no VNC listener on 127.0.0.1:$port"

# A minimal VNC (RFB 3.8) client: asks for security type $1 and answers the challenge
# with password $2 (empty: sixteen zero bytes). Prints the security result: 0000 when
# let in; anything else, or nothing, when turned away.
rfb_read() { timeout 5 dd bs="$1" count=1 iflag=fullblock <&3 2>/dev/null | od -An -v -tu1 | tr -s ' \n' ' '; }
rfb_key() { # the DES key VNC makes of a password: 8 bytes, each one's bits mirrored
    local i b c r key=
    for ((i = 0; i < 8; i++)); do
        c=0
        [ "$i" -lt ${#1} ] && c=$(printf '%d' "'${1:i:1}")
        r=0
        for ((b = 0; b < 8; b++)); do r=$(((r << 1) | ((c >> b) & 1))); done
        key+=$(printf '%02x' "$r")
    done
    echo "$key"
}
des() { openssl enc -des-ecb -nopad -K "$1" -provider legacy -provider default 2>/dev/null; }
rfb_try() {
    exec 3<>"/dev/tcp/127.0.0.1/$port" || return
    rfb_read 12 >/dev/null
    printf 'RFB 003.008\n' >&3
    local count
    count=$(rfb_read 1)
    rfb_read "${count// /}" >"$E2E_TMP/types"
    printf "\\x0$1" >&3
    if [ "$1" = 2 ]; then
        timeout 5 dd bs=16 count=1 iflag=fullblock <&3 >"$E2E_TMP/challenge" 2>/dev/null
        if [ -n "$2" ]; then des "$(rfb_key "$2")" <"$E2E_TMP/challenge"; else head -c 16 /dev/zero; fi >&3
    fi
    rfb_read 4 | tr -d ' '
    exec 3>&-
}
result=$(rfb_try 2 "")
[ "$result" = 0001 ] || e2e_fail "a wrong password was not refused (result '$result')"
[ "$(tr -d ' ' <"$E2E_TMP/types")" = 2 ] || e2e_fail "security types other than a password offered: $(cat "$E2E_TMP/types")"
result=$(rfb_try 1 "")
[ "$result" != 0000 ] || e2e_fail "a viewer got in without any password"
# The printed password is the one that opens it (where OpenSSL still has DES).
if [ "$(head -c 8 /dev/zero | des 0000000000000000 | od -An -tx1 | tr -d ' \n')" = 8ca64de9c1b123a7 ]; then
    result=$(rfb_try 2 "$password")
    [ "$result" = 0000 ] || e2e_fail "the printed password did not open the VNC server (result '$result')"
else
    e2e_log "OpenSSL without DES: the printed password is not tried"
fi

# Everything goes with it, even when it is killed without a chance to clean up.
panel=$E2E_PANEL_PID
kill -9 "$headless"
wait "$headless" 2>/dev/null
E2E_PANEL_PID=
gone() { ! kill -0 "$1" 2>/dev/null || grep -q '^State:.*Z' "/proc/$1/status" 2>/dev/null; }
e2e_wait_for 5 'gone $xvnc && gone $panel' || e2e_fail "the X server or the panel outlived the headless mode"
e2e_wait_for 5 '! ss -ltnH | grep -q ":$port "' || e2e_fail "port $port still open"
e2e_wait_for 5 '[ -z "$(ls -d "$E2E_TMP"/vx5h-headless-* 2>/dev/null)" ]' || e2e_fail "the password folder stayed"
e2e_pass
