#!/usr/bin/env bash
# Start-up on a board whose FPGA already holds the image: the automatic connect succeeds
# at once, without configuring. Logs the start-up times.
. "$(dirname "$0")/lib.sh"

e2e_start_panel configured
e2e_wait_connected
e2e_log "window shown $E2E_WINDOW_SHOWN_MS ms, Connected $E2E_CONNECTED_MS ms after the start (configured board)"
e2e_state_has '"jtag_client":true' || e2e_fail "no open link"
e2e_shot connected
e2e_pass
