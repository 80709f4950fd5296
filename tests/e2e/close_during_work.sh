#!/usr/bin/env bash
# Close while a chip erase runs: the erase is aborted as Abort would, the window closes
# once it has stopped and the program ends, so that the next start is not told "The
# application is running." by a window that is gone.
. "$(dirname "$0")/lib.sh"

page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }
progress_shown() { [ -n "$(xdotool search --onlyvisible --name "^Progress$" 2>/dev/null)" ]; }

e2e_start_panel configured
e2e_wait_connected
e2e_ctl timing real >/dev/null # the EPCS erases as slowly as the chip
e2e_click_tab "Memory"
sleep 0.3
# EPCS is the fifth memory of the list.
page_click $(( 102 + 135 )) $(( 12 + 10 ))
sleep 0.5
xdotool key Down Down Down Down Return
sleep 0.5
page_click $(( 13 + 60 )) $(( 89 + 8 ))
e2e_wait_for 10 progress_shown || e2e_fail "the erase did not start"
sleep 1
e2e_shot erase-running

start=$(e2e_now)
e2e_click_close
e2e_wait_for 20 '! kill -0 $E2E_PANEL_PID' || e2e_fail "the program still runs $(( ($(e2e_now) - start) / 1000 )) s after Close"
e2e_log "ended $(( $(e2e_now) - start )) ms after Close"
E2E_PANEL_PID=
e2e_shot after-close
e2e_state_has '"timing":"real"' || e2e_fail "the board went away"

# A new start opens its window.
"$E2E_BIN/VX5h_260_ControlPanel" >"$E2E_TMP/panel2.log" 2>&1 &
E2E_PANEL_PID=$!
e2e_wait_for 15 '[ -n "$(e2e_window_of $E2E_PANEL_PID)" ]' || e2e_fail "no window on the next start"
E2E_WINDOW=$(e2e_window_of "$E2E_PANEL_PID")
e2e_window_pos
[ "$E2E_WW" -ge 600 ] || e2e_fail "the next start shows a box, not its window"
e2e_pass
