#!/usr/bin/env bash
# The panel on a real board's way: the vendor's JTAG server and programmer (the stand-in
# vendor installation, which carries the stream to the simulator with a few milliseconds
# of latency). From a program folder whose name has spaces and quotes, holding a board
# image of the vendor's kind: the automatic connect finds the cable, configures the bare
# FPGA through quartus_pgm and connects; the pages work; the about box names the cable;
# a pulled cable shows "Disconnected"; plugged back, Connect connects again.
. "$(dirname "$0")/lib.sh"

page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }

E2E_PANEL_DIR="$E2E_TMP/program folder 'single' \"double\""
mkdir -p "$E2E_PANEL_DIR"
for f in VX5h_260_ControlPanel QELVANO_JTAG.DLL QELVANO_DOWNLOAD.DLL vx5h-board-sim; do
    cp "$E2E_BIN/$f" "$E2E_PANEL_DIR/"
done
export QUARTUS_ROOTDIR=$E2E_BIN/../fake-quartus
[ -x "$QUARTUS_ROOTDIR/bin/quartus_pgm" ] || e2e_fail "no stand-in vendor installation in $QUARTUS_ROOTDIR"
cp "$QUARTUS_ROOTDIR/board/VX5h_260_ControlPanel.sof" "$E2E_PANEL_DIR/"
export FAKE_ATLANTIC="latency_ms=2"
export FAKE_VENDOR_LOG=$E2E_TMP/vendor.log
unset VX5H_CABLE

e2e_start_panel
e2e_wait_connected
e2e_log "Connected through the vendor's way $E2E_CONNECTED_MS ms after the start (bare FPGA)"
grep -qxF "p;$E2E_PANEL_DIR/VX5h_260_ControlPanel.sof" "$FAKE_VENDOR_LOG" ||
    e2e_fail "quartus_pgm did not get the image's path intact: $(cat "$FAKE_VENDOR_LOG")"
e2e_state_has '"configured":true' || e2e_fail "the FPGA was not configured"
grep -qF "connected to USB-Blaster [1-1]" "$E2E_TMP/panel.log" || e2e_fail "standard error does not name the cable"

# A page at work through the vendor's library: Unlight All on the LED page (the firmware
# starts with every LED lit, as the page does).
page_click $(( 218 + 32 )) $(( 243 + 8 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":0,"' || e2e_fail "Unlight All did not reach the board"
e2e_ctl set switches 0x2A5 >/dev/null
e2e_click_tab "Switches"
sleep 1
e2e_shot connected

# The about box names the board.
e2e_click 499 25
e2e_wait_for 10 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -ge 2 ]' || e2e_fail "no about box"
sleep 0.5
e2e_shot about
about=$(xdotool search --onlyvisible --pid "$E2E_PANEL_PID" | grep -vx "$E2E_WINDOW" | head -n1)
e2e_window_pos "$about"
xdotool mousemove $(( E2E_WX + 118 + 32 )) $(( E2E_WY + 270 + 8 )) click 1 # its Close button
e2e_wait_for 10 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -eq 1 ]' || e2e_fail "the about box stayed"

# The cable pulled while the switches page polls: "Disconnected" within the budgets.
start=$(e2e_now)
e2e_ctl unplug >/dev/null
e2e_wait_for 15 'e2e_status_is Disconnected' || e2e_fail "no Disconnected after the cable was pulled"
e2e_log "Disconnected $(( $(e2e_now) - start )) ms after the cable was pulled"
box=$(xdotool search --onlyvisible --name "^Error$" 2>/dev/null | head -n1)
[ -n "$box" ] && xdotool key --window "$box" Return
sleep 0.5
e2e_shot disconnected

# Back in: Connect connects again, without configuring the board again.
e2e_ctl plug >/dev/null
programmed=$(grep -c '^quartus_pgm$' "$FAKE_VENDOR_LOG")
start=$(e2e_now)
e2e_click_connect
e2e_wait_connected "$start" 20
e2e_log "Reconnected $E2E_CONNECTED_MS ms after pressing Connect"
[ "$(grep -c '^quartus_pgm$' "$FAKE_VENDOR_LOG")" = "$programmed" ] || e2e_fail "a configured board was configured again"
e2e_shot reconnected
e2e_pass
