#!/usr/bin/env bash
# The Windows program under wine, started from its zip unpacked into a fresh wine prefix,
# in a real window on a private X server:
#  0. as shipped, with our own two libraries and the simulated board: connected (the FPGA
#     configured through our download library), an LED lit, a memory word written, read
#     back and dumped, the G-sensor read, checked through the simulator's control commands;
#     the cable pulled ("Disconnected"), plugged in again and connected anew;
#  1. with stand-ins of the board maker's two libraries beside it (the firmware model in
#     process): its window, a second start refused, and the way to the board: the FPGA
#     configured, connected, an LED lit, a memory word written and read back, a range
#     dumped to a file, the G-sensor read; checked through the board's state file; then
#     vx5h on the same board;
#  2. with no library beside it, and 3. with libraries of the other word size: it says so
#     in its boxes, ends disconnected and stays usable (a second Connect runs again).
# Environment: VX5H_ZIP (the program's zip), VX5H_STANDINS (the stand-ins' folder),
# VX5H_OTHER_STANDINS (the same for the other word size; that part is skipped without
# it). Screenshots: <build>/screenshots/windows-win64-*.png (win32 for the 32-bit one).
. "$(dirname "$0")/../e2e/lib.sh"

: "${VX5H_ZIP:?names the program zip}" "${VX5H_STANDINS:?names the folder of the stand-ins}"
E2E_NAME=windows-$(basename "$VX5H_ZIP" .zip | sed 's/.*-//')
BITS=${E2E_NAME#windows-win}
[ "$BITS" = 64 ] && OTHER_BITS=32 || OTHER_BITS=64

export WINEPREFIX=$E2E_TMP/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The unpacked folder has to be enough by itself.
unset WINEPATH QT_PLUGIN_PATH
# The stand-ins' board: its FPGA's image and its state after every request.
BOARD=$E2E_TMP/board
export VX5H_STANDIN_BOARD="Z:${BOARD//\//\\}"
trap 'timeout 30 wineserver -k 2>/dev/null; e2e_cleanup' EXIT

e2e_state_has() { grep -qF -- "$1" "$BOARD/state.json" 2>/dev/null; }
. "$(dirname "$0")/wine-lib.sh"

# The zip unpacked into $E2E_TMP/$1 with the libraries of folder $2 (if any) in place of
# ours beside the program, or none at all for "-"; sets E2E_PANEL_DIR.
unpack() {
    mkdir -p "$E2E_TMP/$1"
    (cd "$E2E_TMP/$1" && cmake -E tar xf "$VX5H_ZIP") || e2e_fail "cannot unpack $VX5H_ZIP"
    E2E_PANEL_DIR=$(echo "$E2E_TMP/$1"/VX5h_260_ControlPanel-*)
    if [ "${2:-}" = - ]; then
        rm "$E2E_PANEL_DIR/QELVANO_JTAG.DLL" "$E2E_PANEL_DIR/QELVANO_DOWNLOAD.DLL"
    elif [ -n "${2:-}" ]; then
        cp "$2/QELVANO_JTAG.DLL" "$2/QELVANO_DOWNLOAD.DLL" "$E2E_PANEL_DIR/" || e2e_fail "no libraries in $2"
    fi
}

# A connect sequence without a usable library shows three error boxes: the JTAG
# library's, the download library's, and "Download tool not found."; each is dismissed
# (the first photographed as $1), and the sequence ends disconnected with no other box.
dismiss_three_boxes() {
    local box count
    for count in 1 2 3; do
        e2e_wait_for 15 box_shown || e2e_fail "error box $count did not come"
        box=$(windows_of "$E2E_PANEL_PID" | grep -vx "$E2E_WINDOW" | head -n1)
        [ "$count" -eq 1 ] && { sleep 0.3; e2e_shot "$1"; }
        press_ok "$box"
        e2e_wait_for 5 '! windows_of $E2E_PANEL_PID | grep -qx "$box"' || e2e_fail "error box $count stayed"
    done
    e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "no Disconnected status"
    ! e2e_wait_for 1 box_shown || e2e_fail "a fourth box"
}

# Connect once more: the sequence runs again, so the program is still usable.
connect_again_fails_the_same_way() {
    : >"$E2E_TMP/panel.log"
    e2e_click_connect
    dismiss_three_boxes again
    log_has "$1" || e2e_fail "the second Connect did not try again"
}

# Answers the file dialog titled $1 with the Windows path of $2. The first Return may
# only take the file name box's completion.
dialog_shown() { [ -n "$(xdotool search --onlyvisible --name "$DIALOG_TITLE" 2>/dev/null)" ]; }
answer_dialog() {
    local attempt
    DIALOG_TITLE=$1
    e2e_wait_for 15 dialog_shown || e2e_fail "no dialog '$1'"
    sleep 0.5
    xdotool type --delay 10 "Z:${2//\//\\}"
    for attempt in 1 2 3; do
        xdotool key Return
        e2e_wait_for 3 '! dialog_shown' && return 0
    done
    e2e_fail "the dialog '$1' stayed"
}

# Memory: BEEF to word 12h of SSRAM-0 (bytes 24h-25h), read back, then words 0-1Fh dumped
# to the HEX file $1.
memory_steps() {
    local file=$1 before dump
    e2e_click_tab "Memory"
    sleep 0.5
    page_type 98 69 "12"
    page_type 219 69 "BEEF"
    page_click $(( 189 + 32 )) $(( 89 + 8 ))
    before=$(page_crop_sum 306 60 62 19)
    page_click $(( 306 + 32 )) $(( 89 + 8 ))
    e2e_wait_for 5 '[ "$(page_crop_sum 306 60 62 19)" != "$before" ]' || e2e_fail "rDATA did not change"
    page_type 98 213 "0"
    page_type 220 213 "20"
    page_click $(( 187 + 88 )) $(( 236 + 8 ))
    answer_dialog "Load Memory Content to a File" "$file"
    e2e_wait_for 15 '[ -s "$file" ]' || e2e_fail "no dump file"
    dump=$(cat "$file")
    [ "${#dump}" = 128 ] && [ "${dump:72:4}" = EFBE ] || e2e_fail "the dump lacks the word written: $dump"
    sleep 0.3
}

e2e_start_xvfb
make_prefix

# --- 0. As shipped: our libraries and the simulated board ----------------------------
# The simulator our JTAG library starts lives in this prefix's wine server, which the
# trap ends; its named pipe is this prefix's alone.
sim_ctl() { timeout -k 5 30 wine "$E2E_PANEL_DIR/vx5h-board-sim.exe" ctl "$@" </dev/null 2>/dev/null; }
sim_state_has() { sim_ctl state | grep -qF -- "$1"; }
unpack shipped
for file in QELVANO_JTAG.DLL QELVANO_DOWNLOAD.DLL vx5h-board-sim.exe README-Windows.txt; do
    [ -f "$E2E_PANEL_DIR/$file" ] || e2e_fail "the zip lacks $file"
done
start_panel
e2e_wait_connected "$E2E_PANEL_START_MS" 60
e2e_log "connected to the simulator $E2E_CONNECTED_MS ms after the start (simulator started, FPGA configured)"
sim_state_has '"configured":true' || e2e_fail "the simulator does not hold the image"
log_has "simulator" || e2e_fail "connected to something other than the simulator"
e2e_shot sim-connected
led_steps sim_state_has
e2e_shot sim-led-page
memory_steps "$E2E_TMP/sim-dump.hex"
e2e_shot sim-memory-page
sim_ctl set gsensor 4000 -2000 15000 >/dev/null
e2e_click_tab "G-Sensor"
e2e_wait_for 5 'sim_state_has "\"gsensor_ready\":true"' || e2e_fail "the G-sensor was not read"
sleep 0.5
e2e_shot sim-gsensor-page
# The G-sensor page reads the board all the time: a pulled cable shows at once.
pulled=$(e2e_now)
sim_ctl unplug >/dev/null
e2e_wait_for 15 'e2e_status_is Disconnected' || e2e_fail "no Disconnected after the cable was pulled"
e2e_log "Disconnected $(( $(e2e_now) - pulled )) ms after the cable was pulled"
sleep 0.5
e2e_shot sim-cable-pulled
while box_shown; do press_ok "$(windows_of "$E2E_PANEL_PID" | grep -vx "$E2E_WINDOW" | head -n1)"; sleep 0.5; done
sim_ctl plug >/dev/null
reconnect=$(e2e_now)
e2e_click_connect
e2e_wait_connected "$reconnect" 30
e2e_log "connected again $E2E_CONNECTED_MS ms after the cable came back"
e2e_shot sim-reconnected
close_panel
sim_ctl quit >/dev/null

# --- 1. The stand-ins of the board maker's libraries beside the program ---------------
unpack board "$VX5H_STANDINS"
# One C++ runtime in the process: the programs take the compiler's runtime from the DLL
# that Qt's DLLs use too. A runtime linked into the program as well would be a second
# copy in the same process with its own state (locales, streams, the unwinder's tables).
if [ -n "${VX5H_OBJDUMP:-}" ]; then
    for module in VX5h_260_ControlPanel.exe vx5h.exe Qt6Core.dll; do
        "$VX5H_OBJDUMP" -p "$E2E_PANEL_DIR/$module" | grep -qF "DLL Name: libstdc++-6.dll" ||
            e2e_fail "$module does not take the C++ runtime from libstdc++-6.dll"
    done
fi
start_panel
e2e_log "start to window: $E2E_WINDOW_SHOWN_MS ms (the ${BITS}-bit program under wine)"
e2e_shot window
e2e_wait_connected "$E2E_PANEL_START_MS" 60
e2e_log "connected $E2E_CONNECTED_MS ms after the start (FPGA configured first)"
[ -s "$BOARD/fpga.img" ] || e2e_fail "the FPGA was not configured"
e2e_state_has '"configured":true' || e2e_fail "the board does not hold the image"
log_has "connected to Stand-in cable" || e2e_fail "connected to something else"
e2e_shot connected

# A second start says "The application is running." and ends when that is dismissed.
timeout -k 5 120 wine "$E2E_PANEL_DIR/VX5h_260_ControlPanel.exe" >"$E2E_TMP/second.log" 2>&1 &
e2e_wait_for 30 'program_other_than $E2E_PANEL_PID' || e2e_fail "the second start showed nothing"
second=$(program_other_than "$E2E_PANEL_PID")
E2E_EXTRA_PIDS=$second
sleep 0.3
e2e_shot second-start
press_ok "$(e2e_window_of "$second")"
e2e_wait_for 15 '! kill -0 $second' || e2e_fail "the second start did not end"
kill -0 "$E2E_PANEL_PID" || e2e_fail "the first program ended"

led_steps e2e_state_has
e2e_shot led-page

memory_steps "$E2E_TMP/dump.hex"
e2e_shot memory-page

e2e_click_tab "G-Sensor"
e2e_wait_for 5 'e2e_state_has "\"gsensor_ready\":true"' || e2e_fail "the G-sensor was not read"
sleep 0.5
e2e_shot gsensor-page
close_panel

# vx5h from the same folder reaches the same board through the same libraries.
info=$(timeout -k 5 60 wine "$E2E_PANEL_DIR/vx5h.exe" info --json 2>&1 </dev/null) || e2e_fail "vx5h info failed: $info"
grep -qF '"board":"VX5h-260","link":"Stand-in cable' <<<"$info" || e2e_fail "vx5h info said: $info"

# --- 2. No library beside the program -------------------------------------------------
unpack none -
start_panel
dismiss_three_boxes no-libraries
log_has "fail to load dll - Z:" || e2e_fail "no word of the missing JTAG library"
log_has "QELVANO_DOWNLOAD.DLL" || e2e_fail "no word of the missing download library"
e2e_shot no-libraries-disconnected
connect_again_fails_the_same_way "QELVANO_JTAG.DLL"
close_panel

# --- 3. Libraries of the other word size ----------------------------------------------
if [ ! -f "${VX5H_OTHER_STANDINS:-}/QELVANO_JTAG.DLL" ]; then
    e2e_log "NOT RUN: libraries of the other word size (build the other cross build first)"
    e2e_pass
fi
unpack other "$VX5H_OTHER_STANDINS"
start_panel
dismiss_three_boxes other-word-size
why="QELVANO_JTAG.DLL is a ${OTHER_BITS}-bit library; this program is ${BITS}-bit"
log_has "$why" || e2e_fail "no word that the JTAG library is ${OTHER_BITS}-bit"
log_has "QELVANO_DOWNLOAD.DLL is a ${OTHER_BITS}-bit library" || e2e_fail "no word on the download library"
connect_again_fails_the_same_way "$why"
close_panel
e2e_pass
