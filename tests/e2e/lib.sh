# Shared helpers of the end-to-end scripts: a private X server, the built program in a
# real window on a simulator of its own, clicks at window coordinates, the simulator's
# control commands, wait-for loops with time budgets and screenshots.
#
# A script sources this file, calls e2e_start_panel, then drives the panel:
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_start_panel                     # Xvfb, simulator, program; waits for its window
#   e2e_wait_connected                  # the automatic connect ended in "Connected"
#   e2e_click_tab "Switches"            # or e2e_click X Y (window coordinates), page_click X Y (page)
#   e2e_ctl set switches 5              # the simulator's control commands
#   e2e_wait_for 5 'e2e_state_has "\"leds\":5"'
#   e2e_shot switches-page              # build/screenshots/<script>-switches-page.png
#   e2e_pass
#
# Everything started here is stopped on exit, whatever the outcome.
set -u

E2E_NAME=$(basename "$0" .sh)
E2E_BIN=${VX5H_BIN_DIR:?VX5H_BIN_DIR names the program folder}
E2E_SHOTS=${VX5H_SCREENSHOT_DIR:-$E2E_BIN/../screenshots}
E2E_TMP=$(mktemp -d /tmp/vx5h-e2e-XXXXXX)
chmod 700 "$E2E_TMP"
E2E_SCREEN_W=1024
E2E_SCREEN_H=768
# The panel's scale on the screen (QT_SCALE_FACTOR, whole numbers): the coordinates the
# helpers take are the window's own, the screen has E2E_SCALE pixels for each.
E2E_SCALE=1
E2E_XVFB_PID=
E2E_PANEL_PID=
E2E_WINDOW=
# Each script has its own simulator and its own single-instance lock.
export VX5H_SIM_SOCKET=$E2E_TMP/board.sock
export XDG_RUNTIME_DIR=$E2E_TMP
mkdir -p "$E2E_SHOTS"

e2e_log() { echo "[$E2E_NAME $(date +%T.%3N)] $*"; }
e2e_fail() {
    e2e_log "FAIL: $*"
    e2e_shot failure || true
    [ -f "$E2E_TMP/panel.log" ] && sed "s/^/[panel] /" "$E2E_TMP/panel.log" | tail -n 40
    [ -f "$E2E_TMP/xvfb.log" ] && sed "s/^/[xvfb] /" "$E2E_TMP/xvfb.log" | tail -n 20
    exit 1
}
e2e_pass() {
    e2e_log "PASS"
    exit 0
}

e2e_cleanup() {
    [ -n "$E2E_PANEL_PID" ] && kill "$E2E_PANEL_PID" 2>/dev/null
    for pid in ${E2E_EXTRA_PIDS:-}; do kill "$pid" 2>/dev/null; done
    "$E2E_BIN/vx5h-board-sim" ctl quit >/dev/null 2>&1
    [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
    [ -n "$E2E_PANEL_PID" ] && wait "$E2E_PANEL_PID" 2>/dev/null
    [ -n "$E2E_XVFB_PID" ] && wait "$E2E_XVFB_PID" 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT
trap 'exit 2' INT TERM

# Milliseconds since the epoch.
e2e_now() { date +%s%3N; }

# e2e_wait_for SECONDS 'shell condition': true once the condition holds, false when the
# budget ran out. Polls every 50 ms.
e2e_wait_for() {
    local budget_ms=$(( $1 * 1000 )) start
    start=$(e2e_now)
    while ! eval "$2" >/dev/null 2>&1; do
        [ $(( $(e2e_now) - start )) -ge "$budget_ms" ] && return 1
        sleep 0.05
    done
    return 0
}

# A private X server on a free display number.
e2e_start_xvfb() {
    exec 9>"$E2E_TMP/display"
    # -noreset: the server would otherwise reset (and refuse connections for a moment)
    # whenever its last client, say xdotool, disconnects.
    Xvfb -displayfd 9 -screen 0 "${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" -nolisten tcp -noreset \
        >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    exec 9>&-
    e2e_wait_for 10 '[ -s "$E2E_TMP/display" ]' || e2e_fail "Xvfb did not start"
    export DISPLAY=:$(head -n1 "$E2E_TMP/display")
    e2e_wait_for 10 'kill -0 $E2E_XVFB_PID && xdotool getdisplaygeometry' || e2e_fail "no X display"
    e2e_log "X server on $DISPLAY"
}

# The visible top-level window of process $1 (first match), or nothing.
e2e_window_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1; }

# A program folder of its own in $E2E_TMP/program holding the program and the named
# files of the build's program folder (to start the panel with something missing).
e2e_program_folder() {
    E2E_PANEL_DIR=$E2E_TMP/program
    mkdir -p "$E2E_PANEL_DIR"
    cp "$E2E_BIN/VX5h_260_ControlPanel" "$E2E_PANEL_DIR/"
    for f in "$@"; do cp "$E2E_BIN/$f" "$E2E_PANEL_DIR/"; done
}

# The gauge (bright green) shows over the status line.
e2e_gauge_shown() { [ "$(e2e_pixels 30 536 94 26 'g > 200 && r < 60')" -gt 20 ]; }

# Starts the X server, the simulator (fresh: FPGA unconfigured unless $1 is
# "configured") and the program, and waits for the program's window.
# Sets E2E_WINDOW and E2E_WINDOW_SHOWN_MS (time from the start to the visible window).
e2e_start_panel() {
    e2e_start_xvfb
    "$E2E_BIN/vx5h-board-sim" --daemon || e2e_fail "the simulator did not start"
    # E2E_SIM_SETUP: control commands for the fresh board, one per line.
    while read -r setup; do
        [ -n "$setup" ] && { e2e_ctl $setup >/dev/null || e2e_fail "cannot set up the board: $setup"; }
    done <<<"${E2E_SIM_SETUP:-}"
    if [ "${1:-}" = configured ]; then
        e2e_ctl configure "$E2E_BIN/VX5h_260_ControlPanel.sof" >/dev/null || e2e_fail "cannot configure"
    fi
    local start
    start=$(e2e_now)
    E2E_PANEL_START_MS=$start
    "${E2E_PANEL_DIR:-$E2E_BIN}/VX5h_260_ControlPanel" >"$E2E_TMP/panel.log" 2>&1 &
    E2E_PANEL_PID=$!
    e2e_wait_for 15 '[ -n "$(e2e_window_of $E2E_PANEL_PID)" ]' || e2e_fail "no window appeared"
    E2E_WINDOW=$(e2e_window_of "$E2E_PANEL_PID")
    E2E_WINDOW_SHOWN_MS=$(( $(e2e_now) - start ))
    e2e_log "window $E2E_WINDOW shown after $E2E_WINDOW_SHOWN_MS ms"
}

# Window position on the screen: sets E2E_WX, E2E_WY (and E2E_WW, E2E_WH).
e2e_window_pos() {
    local X Y WIDTH HEIGHT WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "${1:-$E2E_WINDOW}")"
    E2E_WX=$X E2E_WY=$Y E2E_WW=$WIDTH E2E_WH=$HEIGHT
}

# Pointer actions at window coordinates of the main window. The X server handles the
# fake events in order, so no --sync is needed (and --sync to the spot where the pointer
# already is waits for a move that never comes).
e2e_click() {
    e2e_window_pos
    xdotool mousemove $(( E2E_WX + $1 * E2E_SCALE )) $(( E2E_WY + $2 * E2E_SCALE )) click 1
}
e2e_drag() { # x0 y0 dx dy
    e2e_window_pos
    local x=$(( E2E_WX + $1 )) y=$(( E2E_WY + $2 ))
    xdotool mousemove "$x" "$y" mousedown 1
    xdotool mousemove $(( x + $3 / 2 )) $(( y + $4 / 2 ))
    xdotool mousemove $(( x + $3 )) $(( y + $4 ))
    xdotool mouseup 1
}

# The tab buttons: 93 x 38 at these window positions.
declare -A E2E_TABS=(
    [LED]="8 289" [7-SEG]="8 329" [Switches]="8 369" [Memory]="8 409" [G-Sensor]="8 449"
    [SD Card]="8 489" [LCD]="106 289" [IR RX]="106 329" [RS232]="106 369" [Video]="106 409"
    [HSMC]="106 449"
)
e2e_click_tab() {
    local pos=${E2E_TABS[$1]:?unknown tab $1}
    e2e_click $(( ${pos% *} + 46 )) $(( ${pos#* } + 19 ))
}
# Connect / Disconnect, Close, Mini, About.
e2e_click_connect() { e2e_click 163 548; }
e2e_click_close() { e2e_click 577 25; }

# The simulator's control commands and its state.
e2e_ctl() { "$E2E_BIN/vx5h-board-sim" ctl "$@"; }
e2e_state_has() { e2e_ctl state | grep -qF -- "$1"; }

# Count of screen pixels in the window rectangle x y w h whose colour passes the awk test $5
# on r, g, b (0-255), e.g. 'g > 90 && r < 40'. Text is antialiased, so colours are
# matched by kind rather than exactly.
e2e_pixels() {
    e2e_window_pos
    local s=$E2E_SCALE
    import -window root -crop "$(( $3 * s ))x$(( $4 * s ))+$(( E2E_WX + $1 * s ))+$(( E2E_WY + $2 * s ))" -depth 8 txt:- \
        2>/dev/null |
        awk -F'[(),]' 'NR > 1 {
            r = $3 + 0; g = $4 + 0; b = $5 + 0
            if ('"$5"') n++
        } END { print n + 0 }'
}
# The connection status line reads "Connected" (green) or "Disconnected" (red).
e2e_status_is() {
    case "$1" in
    # Dark green text, and no gauge (bright green) over it.
    Connected) [ "$(e2e_pixels 30 540 92 22 'g > 90 && g < 150 && r < 40 && b < 40')" -gt 10 ] &&
        [ "$(e2e_pixels 30 536 94 26 'g > 200')" -eq 0 ] ;;
    Disconnected) [ "$(e2e_pixels 30 540 92 22 'r > 160 && g < 60 && b < 60')" -gt 10 ] ;;
    esac
}
# Waits for the end of a connect sequence that ends in "Connected"; sets E2E_CONNECTED_MS
# (time from $1, default the program's start).
e2e_wait_connected() {
    e2e_wait_for "${2:-30}" 'e2e_status_is Connected' || e2e_fail "not connected"
    E2E_CONNECTED_MS=$(( $(e2e_now) - ${1:-$E2E_PANEL_START_MS} ))
}

e2e_shot() {
    import -window root "$E2E_SHOTS/$E2E_NAME-$1.png" 2>/dev/null
}

# Page coordinates -> window coordinates (the page area starts at (204, 288)).
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }
# Replaces the text of the edit box at page coordinates x y.
page_type() {
    page_click "$1" "$2"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$3"
}
# The screen's picture of a page rectangle, as a checksum.
page_crop_sum() {
    e2e_window_pos
    import -window root -crop "${3}x${4}+$(( E2E_WX + 204 + $1 ))+$(( E2E_WY + 288 + $2 ))" rgb:- 2>/dev/null | md5sum
}
