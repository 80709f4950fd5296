#!/usr/bin/env bash
# The panel from the keyboard alone, in a real X window, keys sent with xdotool: connect,
# the LED page, GLED3 lit alone, a memory word written, a range dumped to a file through
# the file dialog, and the SD card read.
. "$(dirname "$0")/lib.sh"

key() { xdotool key --delay 40 "$@"; }
# Presses Tab n times (Shift+Tab for a negative n).
tabs() {
    local n=$1 k=Tab
    [ "$n" -lt 0 ] && { n=$(( -n )); k=shift+Tab; }
    for _ in $(seq "$n"); do key "$k"; done
}
page_matching() { # x y w h colour-regex: screen pixels of a page rectangle in that colour
    e2e_window_pos
    import -window root -crop "${3}x${4}+$(( E2E_WX + 204 + $1 ))+$(( E2E_WY + 288 + $2 ))" -depth 8 txt:- \
        2>/dev/null | grep -cE "$5"
}
BRIGHT='#[C-F][0-9A-F][C-F][0-9A-F][C-F][0-9A-F]'

e2e_start_panel configured
e2e_wait_connected
xdotool windowfocus --sync "$E2E_WINDOW"

# Connect: Alt+C disconnects, Alt+C connects again; the LED page opens.
key alt+c
e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "Alt+C did not disconnect"
key alt+c
e2e_wait_connected "$(e2e_now)" 10
# To the seven-segment page and back to the LED page.
key ctrl+Tab
key ctrl+shift+Tab

# GLED3 alone: Tab lands on GLED8 (the top row reads GLED8 .. GLED0), two Shift+Tabs
# reach Unlight All past Disconnect; then seven Tabs come round to GLED3.
tabs 1
tabs -2
key space
e2e_wait_for 5 'e2e_state_has "\"leds\":0,"' || e2e_fail "Unlight All not pressed"
tabs 7
key space
e2e_wait_for 5 'e2e_state_has "\"leds\":8,"' || e2e_fail "GLED3 not lit"
e2e_shot gled3

# Memory: BEEF to word 3 of SSRAM-0, Enter in wDATA writes it.
key ctrl+Tab ctrl+Tab ctrl+Tab
tabs 2 # the list, then the address (its text selected)
xdotool type --delay 20 "00000003"
tabs 1
xdotool type --delay 20 "BEEF"
key Return
e2e_wait_for 5 '[ "$(e2e_ctl mem read ssram0 6 2 | tr -d " \n")" = "efbe" ]' || e2e_fail "word not written"

# Dump words 0 to 15: from wDATA past rDATA, Write, Read and the sequential write row to
# the read address and length; Enter there runs Load Memory Content to a File.
tabs 8
xdotool type --delay 20 "00000000"
tabs 1
xdotool type --delay 20 "10"
key Return
e2e_wait_for 10 '[ -n "$(xdotool search --onlyvisible --name "Load Memory Content to a File" 2>/dev/null)" ]' ||
    e2e_fail "no file dialog"
sleep 0.3
xdotool type --delay 10 "$E2E_TMP/dump.bin"
key Return
e2e_wait_for 10 '[ "$(stat -c %s "$E2E_TMP/dump.bin" 2>/dev/null)" = 32 ]' || e2e_fail "no 32-byte dump"
[ "$(od -An -tx1 -j6 -N2 "$E2E_TMP/dump.bin" | tr -d ' \n')" = "efbe" ] || e2e_fail "the dump lacks the word"
xdotool windowfocus --sync "$E2E_WINDOW"

# SD card: two pages on; its one stop is Read.
key ctrl+Tab ctrl+Tab
tabs 1
key space
e2e_wait_for 5 '[ "$(page_matching 32 24 280 97 "$BRIGHT")" -gt 200 ]' || e2e_fail "no CID text"
e2e_shot sdcard
e2e_pass
