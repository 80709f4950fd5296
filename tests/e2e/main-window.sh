#!/usr/bin/env bash
# The main window in a real X window: centred at start, the automatic connect configures
# a fresh board, Disconnect and Connect, dragging the background, a second start refused,
# Close ends the program and the link.
. "$(dirname "$0")/lib.sh"

# A real chip's configuration time, so that the window's liveness can be seen meanwhile.
E2E_SIM_SETUP="timing real"
e2e_start_panel
e2e_window_pos
[ "$E2E_WW" = 620 ] && [ "$E2E_WH" = 600 ] || e2e_fail "window is ${E2E_WW}x${E2E_WH}"
[ "$E2E_WX" = $(( (E2E_SCREEN_W - 620) / 2 )) ] && [ "$E2E_WY" = $(( (E2E_SCREEN_H - 600) / 2 )) ] ||
    e2e_fail "window at $E2E_WX,$E2E_WY, not centred"

# A fresh board: configured by the automatic connect, then connected. Meanwhile the
# window stays alive: the gauge shows and climbs.
e2e_wait_for 10 'e2e_gauge_shown' || e2e_fail "no gauge while connecting"
e2e_shot connecting
e2e_wait_connected
e2e_log "Connected $E2E_CONNECTED_MS ms after the start (unconfigured board)"
e2e_state_has '"configured":true' || e2e_fail "the FPGA was not configured"
e2e_state_has '"jtag_client":true' || e2e_fail "no open link"
e2e_shot connected

e2e_click_connect # Disconnect
e2e_wait_for 10 'e2e_state_has "\"jtag_client\":false"' || e2e_fail "Disconnect left the link open"
e2e_wait_for 5 'e2e_status_is Disconnected' || e2e_fail "no Disconnected status"
e2e_shot disconnected

start=$(e2e_now)
e2e_click_connect # Connect: the board is configured now, so it connects at once
e2e_wait_connected "$start" 10
e2e_log "Connected $E2E_CONNECTED_MS ms after pressing Connect (configured board)"

# Dragging the board picture moves the window; a drag from a tab does not.
e2e_window_pos
x0=$E2E_WX y0=$E2E_WY
e2e_drag 100 150 -60 40
e2e_wait_for 5 'e2e_window_pos; [ "$E2E_WX" = $(( x0 - 60 )) ] && [ "$E2E_WY" = $(( y0 + 40 )) ]' ||
    e2e_fail "drag moved the window to $E2E_WX,$E2E_WY from $x0,$y0"
e2e_drag 50 300 30 0
e2e_window_pos
[ "$E2E_WX" = $(( x0 - 60 )) ] || e2e_fail "a drag from a tab moved the window"

# A second start shows only "The application is running." and ends when it is dismissed.
"$E2E_BIN/VX5h_260_ControlPanel" >"$E2E_TMP/second.log" 2>&1 &
second=$!
E2E_EXTRA_PIDS=$second
e2e_wait_for 15 '[ -n "$(e2e_window_of $second)" ]' || e2e_fail "the second start showed nothing"
box=$(e2e_window_of "$second")
e2e_shot second-start
xdotool key --window "$box" Return
e2e_wait_for 10 '! kill -0 $second' || e2e_fail "the second start did not end"
e2e_window_pos
[ "$E2E_WX" = $(( x0 - 60 )) ] || e2e_fail "the first window moved"

# Close ends the program and closes the link.
e2e_click_close
e2e_wait_for 10 '! kill -0 $E2E_PANEL_PID' || e2e_fail "Close did not end the program"
e2e_state_has '"jtag_client":false' || e2e_fail "the link stayed open after Close"
e2e_pass
