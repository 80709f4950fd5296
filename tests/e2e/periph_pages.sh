#!/usr/bin/env bash
# The peripheral pages in the real program: G-sensor readings, SD card Read, LCD Set and
# the HSMC loopback test, clicked at their window coordinates, checked through the
# simulator and the screen, with a screenshot of each page.
. "$(dirname "$0")/lib.sh"

# Page coordinates -> window coordinates (the page area starts at (204, 288)).
page_click() { e2e_click $(( 204 + $1 )) $(( 288 + $2 )); }
# Pixels of the page rectangle x y w h whose colour matches the regular expression $5
# (text is anti-aliased: few of its pixels have the exact colour).
page_matching() {
    e2e_window_pos
    import -window root -crop "${3}x${4}+$(( E2E_WX + 204 + $1 ))+$(( E2E_WY + 288 + $2 ))" -depth 8 txt:- 2>/dev/null |
        grep -ciE "$5"
}
BRIGHT='#[C-F][0-9A-F][C-F][0-9A-F][C-F][0-9A-F]'
LIME='#[0-3][0-9A-F][C-F][0-9A-F][0-3][0-9A-F]'
GREEN='#[0-3][0-9A-F][6-9A][0-9A-F][0-3][0-9A-F]'
RED='#[C-F][0-9A-F][0-3][0-9A-F][0-3][0-9A-F]'


e2e_start_panel configured
e2e_wait_connected

# G-sensor: 1 g on X and Z shows X=1000.0mg in lime, with the levels moving.
e2e_ctl set gsensor 16384 0 16384 >/dev/null
e2e_click_tab "G-Sensor"
e2e_wait_for 5 '[ "$(page_matching 14 99 110 22 "$LIME")" -gt 40 ]' || e2e_fail "no acceleration text"
e2e_wait_for 5 'e2e_state_has "\"gsensor_ready\":true"' || e2e_fail "sensor not set up"
e2e_shot gsensor

# SD card: Read fills the CID text (white).
e2e_click_tab "SD Card"
sleep 0.3
page_click $(( 288 + 32 )) $(( 226 + 8 ))
e2e_wait_for 5 '[ "$(page_matching 32 24 280 97 "$BRIGHT")" -gt 200 ]' || e2e_fail "no CID text"
e2e_shot sdcard

# LCD: a typed first line reaches the board's display.
e2e_click_tab "LCD"
sleep 0.3
page_click 190 128
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "E2E line"
page_click $(( 161 + 32 )) $(( 197 + 8 ))
e2e_wait_for 5 'e2e_state_has "\"lcd\":[\"E2E line\",\"Control Panel\"]"' || e2e_fail "LCD not set"
e2e_shot lcd

# HSMC: with the adapter fitted the result reads PASS in green.
e2e_ctl hsmc adapter >/dev/null
e2e_click_tab "HSMC"
sleep 0.3
page_click $(( 292 + 32 )) $(( 234 + 8 ))
e2e_wait_for 5 '[ "$(page_matching 304 256 40 18 "$GREEN")" -gt 10 ]' || e2e_fail "no PASS"
e2e_shot hsmc

# ... and with failing pairs it reads NG and reports the pins in a box of its own.
e2e_ctl hsmc fail 0x1 0x10 >/dev/null
page_click $(( 292 + 32 )) $(( 234 + 8 ))
e2e_wait_for 10 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -ge 2 ]' ||
    e2e_fail "no report box"
box=$(xdotool search --onlyvisible --pid "$E2E_PANEL_PID" | grep -vx "$E2E_WINDOW" | head -n1)
e2e_shot hsmc-report
xdotool key --window "$box" Return
e2e_wait_for 10 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -eq 1 ]' ||
    e2e_fail "the report box stayed"
e2e_wait_for 5 '[ "$(page_matching 304 256 40 18 "$RED")" -gt 10 ]' || e2e_fail "no NG"
e2e_shot hsmc-ng

e2e_pass
