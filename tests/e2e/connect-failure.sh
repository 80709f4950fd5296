#!/usr/bin/env bash
# A program folder without the FPGA image: the automatic connect on a fresh board ends in
# the message box naming the image, then the disconnected look; nothing retries.
. "$(dirname "$0")/lib.sh"

e2e_program_folder QELVANO_JTAG.DLL QELVANO_DOWNLOAD.DLL vx5h-board-sim
e2e_start_panel

# The error box is a second window of the program.
e2e_wait_for 20 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -ge 2 ]' ||
    e2e_fail "no message box"
box=$(xdotool search --onlyvisible --pid "$E2E_PANEL_PID" | grep -vx "$E2E_WINDOW" | head -n1)
e2e_shot message-box
xdotool key --window "$box" Return
e2e_wait_for 10 '[ "$(xdotool search --onlyvisible --pid $E2E_PANEL_PID | wc -l)" -eq 1 ]' ||
    e2e_fail "the message box stayed"
e2e_wait_for 10 'e2e_status_is Disconnected' || e2e_fail "no Disconnected status"
e2e_state_has '"configured":false' || e2e_fail "the FPGA was configured without an image"
e2e_state_has '"jtag_client":false' || e2e_fail "the link stayed open"
# The information line reports the failure in red.
[ "$(e2e_pixels 245 562 329 16 'r > 160 && g < 60 && b < 60')" -gt 20 ] || e2e_fail "no red information line"
e2e_shot failed-look
e2e_pass
