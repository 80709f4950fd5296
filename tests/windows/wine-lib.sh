# Shared helpers of the tests that run the Windows program under wine on a private X
# server (sourced after tests/e2e/lib.sh): a fresh wine prefix, the program's windows
# found by process or caption, starting and closing it, message boxes, the LED page.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null; }
e2e_window_of() { windows_of "$1" | head -n1; }
# The main window of process $1: the one of the board picture's size.
main_window_of() {
    local window WIDTH HEIGHT X Y SCREEN WINDOW
    for window in $(windows_of "$1"); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "$WIDTH" = 620 ] && [ "$HEIGHT" = 600 ] && { echo "$window"; return 0; }
    done
    return 1
}
log_has() { grep -qF -- "$1" "$E2E_TMP/panel.log"; }
# wine starts a program of the other word size than its loader's as a process of its
# own, so the program is found by its window: the process of the first visible window
# under the program's caption that is not process $1.
CAPTION="Qelvano - VX5h-260 Control Panel V1.0.0"
program_other_than() {
    local window pid
    for window in $(xdotool search --onlyvisible --name "^$CAPTION\$" 2>/dev/null); do
        pid=$(xdotool getwindowpid "$window" 2>/dev/null) || continue
        [ "$pid" != "${1:-}" ] && { echo "$pid"; return 0; }
    done
    return 1
}

reg_add() { timeout -k 5 60 wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f </dev/null >/dev/null 2>&1; }

# A fresh prefix on this display. Arial (the program's font) is Liberation Sans, the
# metric-compatible face, as on a Windows machine it would be Arial itself.
make_prefix() {
    local start face
    start=$(e2e_now)
    timeout -k 5 180 wineboot --init >/dev/null 2>&1 || e2e_fail "wineboot did not make the prefix"
    for face in "Arial:Liberation Sans" "Times New Roman:Liberation Serif" "MS Sans Serif:Liberation Sans"; do
        reg_add 'HKCU\Software\Wine\Fonts\Replacements' "${face%%:*}" "${face#*:}"
    done
    # Qt's messages on standard error: the connect steps and what the error boxes said.
    # (wine passes no QT_* variable of the host on to Windows programs.) Qt's own font
    # rasterizer: wine's GDI drops glyphs of the replacement face ("IR RX" as "R RX").
    reg_add 'HKCU\Environment' QT_FORCE_STDERR_LOGGING 1
    reg_add 'HKCU\Environment' QT_LOGGING_RULES "vx5h.connect=true"
    reg_add 'HKCU\Environment' QT_QPA_PLATFORM "windows:fontengine=freetype"
    # No window manager runs here: wine draws the frames of dialogs itself, instead of
    # waiting two seconds for a window manager to let each one go.
    reg_add 'HKCU\Software\Wine\X11 Driver' Managed N
    timeout 30 wineserver --kill
    timeout 60 wineserver --wait
    # One server and the system processes it starts for all starts of the program:
    # otherwise each start would bring them up anew.
    timeout 30 wineserver --persistent </dev/null >/dev/null 2>&1
    timeout -k 5 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || e2e_fail "wine does not start a program"
    e2e_log "wine prefix ready after $(( $(e2e_now) - start )) ms"
}

# Starts the program of $E2E_PANEL_DIR (or with the wine command given: "start" and a
# link, say) and waits for its window.
start_panel() {
    E2E_PANEL_START_MS=$(e2e_now)
    [ $# -gt 0 ] || set -- "$E2E_PANEL_DIR/VX5h_260_ControlPanel.exe"
    timeout -k 5 280 wine "$@" >"$E2E_TMP/panel.log" 2>&1 &
    e2e_wait_for 30 'program_other_than' || e2e_fail "no window appeared"
    E2E_PANEL_PID=$(program_other_than)
    e2e_wait_for 10 'main_window_of $E2E_PANEL_PID' || e2e_fail "no main window"
    E2E_WINDOW=$(main_window_of "$E2E_PANEL_PID")
    E2E_WINDOW_SHOWN_MS=$(( $(e2e_now) - E2E_PANEL_START_MS ))
    e2e_log "window shown after $E2E_WINDOW_SHOWN_MS ms"
}

close_panel() {
    e2e_click_close
    e2e_wait_for 15 '! kill -0 $E2E_PANEL_PID' || e2e_fail "Close did not end the program"
    E2E_PANEL_PID=
}

box_shown() { [ "$(windows_of "$E2E_PANEL_PID" | wc -l)" -ge 2 ]; }
# Presses the OK button of message box $1 (bottom right) with the mouse: a key sent to
# a window wine has not given the focus goes to the one it has.
press_ok() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $(( X + WIDTH - 52 )) $(( Y + HEIGHT - 24 )) click 1
}

# LED (the active page after the connect): Unlight All, then GLED0 alone lit; $1 is the
# command that tells whether the board's state holds a text.
led_steps() {
    page_click $(( 218 + 32 )) $(( 243 + 8 ))
    e2e_wait_for 5 "$1 '\"leds\":0,'" || e2e_fail "Unlight All did not reach the board"
    page_click $(( 332 + 12 )) $(( 40 + 18 ))
    e2e_wait_for 5 "$1 '\"leds\":1,'" || e2e_fail "the LED click did not reach the board"
}
