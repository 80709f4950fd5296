#!/usr/bin/env bash
# The memory page in the real program: a word written and read back through the random
# access fields, a file written to memory and a range loaded to a HEX file, each through
# the real file dialog, checked through the simulator and the files.
. "$(dirname "$0")/lib.sh"

sim_bytes() { e2e_ctl mem read "$1" "$2" "$3" | tr -d ' \n'; }
# Answers the file dialog titled $1 with the path $2.
answer_dialog() {
    DIALOG_TITLE=$1
    e2e_wait_for 10 '[ -n "$(xdotool search --onlyvisible --name "$DIALOG_TITLE" 2>/dev/null)" ]' ||
        e2e_fail "no dialog '$1'"
    sleep 0.3
    xdotool type --delay 10 "$2"
    xdotool key Return
}

e2e_start_panel configured
e2e_wait_connected
e2e_click_tab "Memory"
sleep 0.3

# Random access on SSRAM-0: BEEF to word 12 is EF BE at byte 24h.
page_type 98 69 "12"
page_type 219 69 "BEEF"
page_click $(( 189 + 32 )) $(( 89 + 8 ))
e2e_wait_for 5 '[ "$(sim_bytes ssram0 0x24 2)" = "efbe" ]' || e2e_fail "word not written"
# Read it back: rDATA changes from its initial 0000.
before=$(page_crop_sum 306 60 62 19)
page_click $(( 306 + 32 )) $(( 89 + 8 ))
e2e_wait_for 5 '[ "$(page_crop_sum 306 60 62 19)" != "$before" ]' || e2e_fail "rDATA did not change"
e2e_shot random-access

# A HEX file written to word 40h, with "File Length" ticked through its label.
printf 'CAFE0102' >"$E2E_TMP/in.hex"
page_click $(( 295 + 25 )) $(( 135 + 6 ))
page_type 98 142 "40"
page_click $(( 187 + 88 )) $(( 162 + 8 ))
answer_dialog "Write a File to Memory" "$E2E_TMP/in.hex"
e2e_wait_for 10 '[ "$(sim_bytes ssram0 0x80 4)" = "cafe0102" ]' || e2e_fail "file not written to memory"

# Sixteen words from word 0 loaded to a HEX file.
page_type 98 213 "0"
page_type 220 213 "10"
page_click $(( 187 + 88 )) $(( 236 + 8 ))
answer_dialog "Load Memory Content to a File" "$E2E_TMP/dump.hex"
e2e_wait_for 10 '[ -s "$E2E_TMP/dump.hex" ]' || e2e_fail "no dump file"
expected=$(sim_bytes ssram0 0 32 | tr 'a-f' 'A-F')
[ "$(cat "$E2E_TMP/dump.hex")" = "$expected" ] || e2e_fail "dump differs: $(cat "$E2E_TMP/dump.hex") vs $expected"
sleep 0.3
e2e_shot memory-page

# The cable pulled during a slow write: Fail, its error box, and the panel disconnects.
head -c 300000 /dev/urandom >"$E2E_TMP/big.bin"
e2e_ctl link 102400 1.5 >/dev/null
page_type 98 142 "0"
page_click $(( 187 + 88 )) $(( 162 + 8 ))
answer_dialog "Write a File to Memory" "$E2E_TMP/big.bin"
sleep 1
e2e_ctl unplug >/dev/null
e2e_wait_for 15 '[ -n "$(xdotool search --onlyvisible --name "^Error$" 2>/dev/null)" ]' || e2e_fail "no error box"
e2e_shot cable-pulled
xdotool key Return
e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "still connected after the failed write"

e2e_pass
