#!/usr/bin/env bash
# The panel on a 200% screen (QT_SCALE_FACTOR=2) in a real X window: twice the pixels
# each way, drawn for that scale (the screenshot is kept), and a click at an LED's window
# position reaches the board.
. "$(dirname "$0")/lib.sh"

E2E_SCALE=2
E2E_SCREEN_W=1600
E2E_SCREEN_H=1300
export QT_SCALE_FACTOR=2
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }

e2e_start_panel configured
e2e_window_pos
[ "$E2E_WW" = 1240 ] && [ "$E2E_WH" = 1200 ] || e2e_fail "window is ${E2E_WW}x${E2E_WH}, not 1240x1200"
e2e_wait_connected
e2e_shot led-page-2x

# GLED0, the right-most LED of the top row (24 x 36 at page (332, 40)): all LEDs start
# lit, so the click sends every one but it.
page_click $(( 332 + 12 )) $(( 40 + 18 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":134217726,"' || e2e_fail "the click at GLED0 did not reach the board"
# Every page as the user sees it at 200%, with something to show: a switch up, a tilted
# board, an IR key and an RS232 line.
e2e_ctl set switches 0x201 >/dev/null
e2e_ctl set gsensor 5000 -3000 15000 >/dev/null
for tab in "7-SEG" "Switches" "Memory" "G-Sensor" "SD Card" "LCD" "IR RX" "RS232" "Video" "HSMC"; do
    e2e_click_tab "$tab"
    case "$tab" in
    "IR RX") sleep 0.3; e2e_ctl ir 0x12 >/dev/null ;;
    RS232) sleep 0.3; e2e_ctl rs232 "Hello at 200%" >/dev/null ;;
    esac
    sleep 0.4
    e2e_shot "page-$(echo "$tab" | tr 'A-Z ' 'a-z-')-2x"
done
e2e_pass
