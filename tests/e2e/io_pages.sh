#!/usr/bin/env bash
# The board I/O and channel pages in the real program: LED clicks and the group buttons,
# a seven-segment step, keys and switches set on the board, RS232 both ways, a VGA
# choice and IR codes, clicked at their window coordinates, checked through the
# simulator and the screen, with a screenshot of each page.
. "$(dirname "$0")/lib.sh"

# Page coordinates -> window coordinates (the page area starts at (204, 288)).
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }
page_pixels() { e2e_pixels $(( 204 + $1 )) $(( 288 + $2 )) "$3" "$4" "$5"; }

e2e_start_panel configured
e2e_wait_connected

# LED (active after the connect): GLED0 off, Light All, Unlight All, then RLED17 alone.
page_click $(( 332 + 12 )) $(( 40 + 18 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":134217726,"' || e2e_fail "GLED0 click did not send 0x07FFFFFE"
page_click $(( 106 + 32 )) $(( 243 + 8 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":134217727,"' || e2e_fail "Light All did not send 0x07FFFFFF"
page_click $(( 218 + 32 )) $(( 243 + 8 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":0,"' || e2e_fail "Unlight All did not send 0"
page_click $(( 28 + 12 )) $(( 180 + 18 ))
e2e_wait_for 5 'e2e_state_has "\"leds\":67108864,"' || e2e_fail "RLED17 did not send 0x04000000"
e2e_shot led

# 7-SEG: the first step up of HEX0 sends 0x88888889.
e2e_click_tab "7-SEG"
sleep 0.3
page_click $(( 274 + 10 )) $(( 230 + 9 ))
e2e_wait_for 5 'e2e_state_has "\"seg7\":2290649225,"' || e2e_fail "HEX0 step did not send 0x88888889"
# ... and its down arrow, 22 pixels to the left, steps it back.
page_click $(( 252 + 10 )) $(( 230 + 9 ))
e2e_wait_for 5 'e2e_state_has "\"seg7\":2290649224,"' || e2e_fail "HEX0 step down did not send 0x88888888"
e2e_shot seg7

# Switches: KEY0 pressed shows the pressed key's cyan ring; SW17 up on the board.
e2e_ctl set keys 1 >/dev/null
e2e_ctl set switches 0x20000 >/dev/null
e2e_click_tab "Switches"
e2e_wait_for 5 '[ "$(page_pixels 223 18 44 44 "b > 200 && g > 180 && r < 90")" -gt 20 ]' ||
    e2e_fail "KEY0 not drawn pressed"
[ "$(page_pixels 175 18 44 44 'b > 200 && g > 180 && r < 90')" -eq 0 ] || e2e_fail "KEY1 drawn pressed"
e2e_shot switches

# RS232: received text appears in the dark receive box; typed text goes out with its NUL.
e2e_click_tab "RS232"
e2e_wait_for 5 'e2e_state_has "\"rs232_enabled\":true"' || e2e_fail "RS232 reception not switched on"
e2e_ctl rs232 "Hello panel" >/dev/null
e2e_wait_for 5 '[ "$(page_pixels 36 74 300 20 "r > 200 && g > 200 && b > 200")" -gt 20 ]' ||
    e2e_fail "no received text"
page_click 190 200
xdotool type --delay 20 "E2E"
page_click $(( 289 + 32 )) $(( 242 + 8 ))
e2e_wait_for 5 "e2e_state_has '\"rs232_sent\":\"E2E\\u0000\"'" || e2e_fail "typed text not sent"
e2e_shot rs232

# Video: activation sends "Color Scale"; choosing the last entry sends 1 and 9.
e2e_click_tab "Video"
e2e_wait_for 5 'e2e_state_has "\"vga\":{\"mode\":2,\"pattern\":0}"' || e2e_fail "activation did not send"
page_click $(( 88 + 60 )) $(( 50 + 10 ))
sleep 0.3
xdotool key End Return
e2e_wait_for 5 'e2e_state_has "\"vga\":{\"mode\":1,\"pattern\":9}"' || e2e_fail "Composite-In not sent"
e2e_shot vga

# IR RX: codes are listed in white; leaving the page switches reception off.
e2e_click_tab "IR RX"
e2e_wait_for 5 'e2e_state_has "\"ir_enabled\":true"' || e2e_fail "IR reception not switched on"
e2e_ctl ir 0x01 0x05 0x40 >/dev/null
e2e_wait_for 5 '[ "$(page_pixels 97 96 20 60 "r > 200 && g > 200 && b > 200")" -gt 20 ]' ||
    e2e_fail "no scan codes listed"
e2e_ctl ir 0x09 >/dev/null
e2e_shot ir
e2e_click_tab "LED"
e2e_wait_for 5 'e2e_state_has "\"ir_enabled\":false"' || e2e_fail "IR reception left on"

e2e_pass
