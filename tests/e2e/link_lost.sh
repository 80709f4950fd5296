#!/usr/bin/env bash
# A lost link as the user sees it: after a page's own exchange failed, nothing stays live
# that needs the link (a second click gives no second error); the memory page's failed
# read is a lost link like any other; the page's red reason stays readable after
# "Disconnected"; and the gauge of the next connect covers the status text.
. "$(dirname "$0")/lib.sh"

FAILED=
check() { # what, condition
    if eval "$2" >/dev/null 2>&1; then e2e_log "ok: $1"; else e2e_log "NOT OK: $1"; FAILED="$FAILED; $1"; fi
}
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }
error_box() { [ -n "$(xdotool search --onlyvisible --name "^Error$" 2>/dev/null)" ]; }
# Red text in the information line.
info_red() { [ "$(e2e_pixels 245 562 329 16 'r > 160 && g < 60 && b < 60')" -gt 10 ]; }
reconnect() {
    e2e_status_is Disconnected && e2e_click_connect
    e2e_wait_connected "$(e2e_now)" 30
}

e2e_start_panel configured
e2e_wait_connected

# The LCD's Set with a corrupted reply: its error box, then "Disconnected".
e2e_click_tab "LCD"
sleep 0.3
e2e_ctl fault checksum 1 >/dev/null
page_click $(( 161 + 32 )) $(( 197 + 8 ))
e2e_wait_for 10 error_box || e2e_fail "no error box for the failed Set"
xdotool key Return
e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "not disconnected after the failed Set"
e2e_wait_for 5 '! error_box'
sleep 0.3
e2e_shot lcd-link-lost
# A second click on Set: nothing to press any more.
page_click $(( 161 + 32 )) $(( 197 + 8 ))
sleep 1.5
check "a second Set gives no second error" '! error_box'
error_box && xdotool key Return
sleep 0.3
reconnect

# A random read whose reply is lost: the panel disconnects, and the page's red reason
# stays in the information line.
e2e_click_tab "Memory"
sleep 0.3
e2e_ctl fault drop 1 >/dev/null
page_click $(( 306 + 32 )) $(( 89 + 8 ))
check "a failed memory read disconnects" 'e2e_wait_for 15 "e2e_status_is Disconnected"'
sleep 0.3
check "the reason stays readable in red" info_red
e2e_shot memory-link-lost

# The next connect configures a powered-off board: its gauge covers the status text.
if e2e_status_is Connected; then
    e2e_click_connect # the Disconnect the user needed where the panel missed the loss
    e2e_wait_for 5 'e2e_status_is Disconnected'
fi
e2e_ctl timing real >/dev/null # a real chip's configuration time, long enough to see the gauge
e2e_ctl power-cycle >/dev/null
e2e_ctl timing real >/dev/null # a real chip's configuration time: the gauge climbs for seconds
e2e_click_connect
e2e_wait_for 10 e2e_gauge_shown || e2e_fail "no gauge"
# Watched all through the connect: the status text must never show beside the gauge.
overlap=0
shot=
deadline=$(( $(e2e_now) + 40000 ))
while ! e2e_status_is Connected && [ "$overlap" -eq 0 ] && [ "$(e2e_now)" -lt "$deadline" ]; do
    e2e_gauge_shown || { sleep 0.2; continue; }
    overlap=$(e2e_pixels 30 540 92 22 'r > 160 && g < 60 && b < 60')
    if [ -z "$shot" ] && [ "$(e2e_pixels 30 536 94 26 'g > 200 && r < 60')" -gt 400 ]; then
        e2e_shot gauge # part of the way
        shot=1
    fi
    sleep 0.2
done
[ "$overlap" -gt 0 ] && e2e_shot gauge-over-status
check "no status text shows beside the gauge" '[ "$overlap" -eq 0 ]'
e2e_wait_connected "$(e2e_now)" 40

[ -z "$FAILED" ] || e2e_fail "${FAILED#; }"
e2e_pass
