#!/usr/bin/env bash
# The panel's transcript of the link (VX5H_TRACE): a session on the LED page whose link a
# bad checksum breaks, recorded against a fresh simulator, then replayed by
# vx5h-board-sim --replay to the same panel, which must ask for every step on record and
# end on the same screen.
. "$(dirname "$0")/lib.sh"

TRACE=$E2E_TMP/panel.jsonl
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }

# The user's session, the same both times; $1 names its screenshot.
session() {
    "$E2E_BIN/VX5h_260_ControlPanel" >"$E2E_TMP/panel.log" 2>&1 &
    E2E_PANEL_PID=$!
    E2E_PANEL_START_MS=$(e2e_now)
    e2e_wait_for 15 '[ -n "$(e2e_window_of $E2E_PANEL_PID)" ]' || e2e_fail "no window appeared"
    E2E_WINDOW=$(e2e_window_of "$E2E_PANEL_PID")
    e2e_wait_connected
    page_click $(( 106 + 32 )) $(( 243 + 8 )) # Light All
    sleep 0.5
    e2e_ctl fault checksum >/dev/null # a replayed board ignores it: the fault is on record
    page_click $(( 218 + 32 )) $(( 243 + 8 )) # Unlight All
    e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "the broken reply did not end the link"
    sleep 0.5
    import -window "$E2E_WINDOW" "$E2E_TMP/$1.png" 2>/dev/null
    e2e_shot "$1"
    e2e_click_close
    e2e_wait_for 10 '! kill -0 $E2E_PANEL_PID' || e2e_fail "the panel did not close"
    E2E_PANEL_PID=
}

e2e_start_xvfb
"$E2E_BIN/vx5h-board-sim" --daemon || e2e_fail "the simulator did not start"
VX5H_TRACE=$TRACE session recorded
e2e_ctl quit >/dev/null
grep -q '"ev":"configure"' "$TRACE" || e2e_fail "the transcript lacks the configuration"
grep -q '"cause":"bad_checksum"' "$TRACE" || e2e_fail "the transcript lacks the broken reply"
e2e_log "recorded $(wc -l <"$TRACE") lines"

"$E2E_BIN/vx5h-board-sim" --replay "$TRACE" --socket="$VX5H_SIM_SOCKET" 2>"$E2E_TMP/replay.log" &
REPLAY_PID=$!
E2E_EXTRA_PIDS=$REPLAY_PID
e2e_wait_for 5 'e2e_ctl help' || e2e_fail "the replay did not start"
session replayed
status=$(e2e_ctl replay) || e2e_fail "replay incomplete: $status $(cat "$E2E_TMP/replay.log")"
e2e_log "$status"
e2e_ctl quit >/dev/null
wait "$REPLAY_PID" || e2e_fail "the replaying simulator failed"
different=$(compare -metric AE "$E2E_TMP/recorded.png" "$E2E_TMP/replayed.png" null: 2>&1)
[ "${different%% *}" = 0 ] || e2e_fail "the screens differ in $different pixels"
e2e_pass
