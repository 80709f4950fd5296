#!/usr/bin/env bash
# The Windows setup program under wine, in a fresh prefix, as a user installs it:
#  1. the file itself: version and publisher in its properties, no administrator asked for;
#  2. an earlier version (this script with one more file) installed silently for the user,
#     with a file of the user's in the program folder;
#  3. the upgrade, silently, vx5h put on the PATH: the earlier version's file gone, the
#     user's kept, the folder holding exactly the zip's files; nothing of the machine's
#     touched (wine runs everything as an administrator, so this is what it can show of a
#     user without those rights); the Start-menu links pointing at the installed programs;
#  4. vx5h.exe's output captured through a pipe with no simulator running before: it comes
#     at once, though the simulated board it started keeps running;
#  5. the installed panel started through its Start-menu link, on board sim-2 of a lab of
#     three, connected, an LED lit (checked through the simulator's control); the setup
#     program stops while the panel runs;
#  6. the uninstall, with the lab still running: no file, link or registry entry of ours
#     left, the PATH as it was, the user's file kept;
#  7. for all users, into a folder named on the command line, and uninstalled again;
#  8. a PATH longer than the setup program's strings (1023 characters) left as it is by
#     the install and the uninstall, and one that grew that long after the install too;
#     the program folder put on the PATH by the user stays there after the uninstall;
#  9. a folder after /D= that cannot be used (quoted, forward slashes, relative, a drive's
#     root, a file, a drive that is not there, too long to uninstall): nothing installed,
#     exit code 267, the
#     reason in the log; one with blanks, typed without quotes, is used;
# 10. an upgrade while a simulator started from the folder serves a pipe of its own: it
#     cannot replace that simulator and the runtime libraries it holds, so it stops with
#     exit code 2 and says why, keeping no old file beside new ones; once the simulator
#     ends, the setup program installs whole.
# Environment: VX5H_SETUP (the setup program), VX5H_ZIP (the zip of the same folder),
# VX5H_NSIS_PROJECT (the script CPack made it from), VX5H_FOLDER (its Start-menu folder).
# Screenshots: <build>/screenshots/installer-win64-*.png (win32 for the 32-bit one).
. "$(dirname "$0")/../e2e/lib.sh"

: "${VX5H_SETUP:?names the setup program}" "${VX5H_ZIP:?names the zip}" "${VX5H_NSIS_PROJECT:?names the script CPack made}"
: "${VX5H_FOLDER:?names the Start-menu folder}"
E2E_NAME=installer-$(basename "$VX5H_ZIP" .zip | sed 's/.*-//')
BITS=${E2E_NAME#installer-win}
ENTRY=VX5h_260_ControlPanel-win$BITS
UNINSTALL_KEY="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$ENTRY"

# wine would otherwise make menu entries of this machine's own for the Start-menu links.
export WINEPREFIX=$E2E_TMP/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPATH QT_PLUGIN_PATH VX5H_SIM_SOCKET VX5H_CABLE
trap 'timeout 30 wineserver -k 2>/dev/null; e2e_cleanup' EXIT
. "$(dirname "$0")/wine-lib.sh"

# Every wine command has a budget.
w() { timeout -k 5 "${WINE_BUDGET:-60}" wine "$@" </dev/null; }
# A registry value's data ("" when there is none); $3 "64" or "32" names the machine's
# view of HKLM the setup program of that word size writes to.
reg_value() {
    w reg query "$1" /v "$2" ${3:+/reg:$3} 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); print; exit }'
}
reg_key_exists() { w reg query "$1" ${2:+/reg:$2} >/dev/null 2>&1; }
unix_path() { w winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# Runs setup program or uninstaller $1 silently with the options after it (/D= stays last).
# The uninstaller hands its work to a copy of itself and returns at once, so its end is
# waited for by what it leaves.
silent() {
    local start
    start=$(e2e_now)
    w "$1" /S "${@:2}" || e2e_fail "'$1 /S ${*:2}' failed ($?)"
    SILENT_MS=$(( $(e2e_now) - start ))
}
# The files of folder $1, one relative path a line, sorted.
files_of() { (cd "$1" && find . -type f | sed 's|^\./||' | sort); }
zip_files() { unzip -Z1 "$VX5H_ZIP" | grep -v '/$' | sed 's|^[^/]*/||' | sort; }
sim_ctl() { timeout -k 5 30 wine "$INSTDIR_UNIX/vx5h-board-sim.exe" ctl "$@" </dev/null 2>/dev/null; }

e2e_start_xvfb
make_prefix

# --- 1. The file ----------------------------------------------------------------------
properties=$(strings -el "$VX5H_SETUP")
for property in "CompanyName" "VX5h-260 Control Panel developers" "ProductVersion" "1.0.0"; do
    grep -qxF "$property" <<<"$properties" || e2e_fail "the setup program's properties lack '$property'"
done
strings -a "$VX5H_SETUP" | grep -q 'level="asInvoker"' || e2e_fail "the setup program asks for administrator rights"

# --- 2. An earlier version, as a user installs it -------------------------------------
# The same script made into version 0.9.0 with one file more.
staged=$(sed -n 's/^!define INST_DIR "\(.*\)"$/\1/p' "$VX5H_NSIS_PROJECT")
[ -d "$staged" ] || e2e_fail "no staged folder in $VX5H_NSIS_PROJECT"
cp -r "$staged" "$E2E_TMP/earlier" && echo "old" >"$E2E_TMP/earlier/stale-0.9.dll"
E2E_TMP=$E2E_TMP perl -pe 's/^!define VERSION ".*"/!define VERSION "0.9.0"/; s/^VIProductVersion .*/VIProductVersion "0.9.0.0"/;
    s/^!define INST_DIR .*/!define INST_DIR "$ENV{E2E_TMP}\/earlier"/; s/^SetCompressor .*/SetCompressor zlib/;
    s/^OutFile .*/OutFile "$ENV{E2E_TMP}\/earlier-setup.exe"/;
    print "  Delete \"\$INSTDIR\\\\stale-0.9.dll\"\n" if /^  Delete "\$INSTDIR\\\$\{UNINSTALLER\}"/' \
    "$VX5H_NSIS_PROJECT" >"$E2E_TMP/earlier.nsi"
E2E_TMP=$E2E_TMP timeout 120 makensis -V1 "$E2E_TMP/earlier.nsi" >/dev/null || e2e_fail "the earlier version was not made"

# A PATH of the user's own, which must come back as it was.
w reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\tools;%USERPROFILE%\bin' /f >/dev/null
path_before=$(reg_value 'HKCU\Environment' Path)
touch "$E2E_TMP/before-install"
silent "Z:${E2E_TMP//\//\\}\\earlier-setup.exe"
INSTDIR=$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)
[ -n "$INSTDIR" ] || e2e_fail "no entry in the user's installed programs"
INSTDIR_UNIX=$(unix_path "$INSTDIR")
case "$INSTDIR" in *'\AppData\Local\Programs\'"$VX5H_FOLDER") ;; *) e2e_fail "installed into $INSTDIR" ;; esac
[ "$(reg_value "HKCU\\$UNINSTALL_KEY" DisplayVersion)" = 0.9.0 ] || e2e_fail "the earlier version is not listed"
[ -f "$INSTDIR_UNIX/stale-0.9.dll" ] || e2e_fail "the earlier version's own file is not there"
echo "words of mine" >"$INSTDIR_UNIX/my-memory.hex"

# --- 3. The upgrade -------------------------------------------------------------------
silent "Z:${VX5H_SETUP//\//\\}" /AddToPath
e2e_log "silent install (an upgrade over 0.9.0) took $SILENT_MS ms"
[ "$(reg_value "HKCU\\$UNINSTALL_KEY" DisplayVersion)" = 1.0.0 ] || e2e_fail "the upgrade is not listed as 1.0.0"
[ "$(reg_value "HKCU\\$UNINSTALL_KEY" Publisher)" = "VX5h-260 Control Panel developers" ] || e2e_fail "no publisher"
diff <({ zip_files; printf '%s\n' Uninstall.exe my-memory.hex; } | sort) <(files_of "$INSTDIR_UNIX") ||
    e2e_fail "the program folder does not hold exactly the zip's files (and the user's)"
grep -qxF "words of mine" "$INSTDIR_UNIX/my-memory.hex" || e2e_fail "the user's file was changed"
# Nothing of the machine's: no file outside the user's profile, no entry in its registry.
outside=$(find "$WINEPREFIX/drive_c" -newer "$E2E_TMP/before-install" -type f -not -path "*/drive_c/users/*" \
    -not -path "*/windows/*" | head)
[ -z "$outside" ] || e2e_fail "a user's install wrote outside the user's profile: $outside"
for view in 64 32; do
    ! reg_key_exists "HKLM\\$UNINSTALL_KEY" "$view" || e2e_fail "a user's install made an entry for all users"
done
path_now=$(reg_value 'HKCU\Environment' Path)
[ "$path_now" = "$path_before;$INSTDIR" ] || e2e_fail "the PATH is '$path_now'"
version=$(cd "$E2E_TMP" && WINE_BUDGET=30 w cmd /c "vx5h --version" 2>/dev/null | tr -d '\r')
[ "$version" = "vx5h 1.0.0" ] || e2e_fail "vx5h is not on the PATH: '$version'"

# The Start-menu links, each to the installed program.
MENU=$(unix_path "$(w cmd /c echo %APPDATA% | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\$VX5H_FOLDER")
declare -A targets=(["VX5h-260 Control Panel"]=VX5h_260_ControlPanel.exe ["vx5h command prompt"]=vx5h-prompt.cmd
    ["Read me"]=README-Windows.txt ["Uninstall"]=Uninstall.exe)
[ "$(find "$MENU" -type f | wc -l)" = 4 ] || e2e_fail "the Start-menu folder holds: $(ls "$MENU")"
for link in "${!targets[@]}"; do
    [ -f "$MENU/$link.lnk" ] || e2e_fail "no Start-menu link '$link'"
    strings -a "$MENU/$link.lnk" | grep -qxF "$INSTDIR\\${targets[$link]}" ||
        e2e_fail "the link '$link' does not point at $INSTDIR\\${targets[$link]}"
done
w explorer "$(w winepath -w "$MENU" | tr -d '\r')" >/dev/null 2>&1 &
menu_pid=$!
title="^$(sed 's/[][()\.*+?^$|{}]/\\&/g' <<<"$VX5H_FOLDER")\$" # the folder's name as a pattern
e2e_wait_for 20 '[ -n "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ]' ||
    e2e_fail "no window of the Start-menu folder"
sleep 1
e2e_shot start-menu
xdotool search --onlyvisible --name "$title" windowclose 2>/dev/null || true
kill "$menu_pid" 2>/dev/null

# --- 4. vx5h.exe's output through a pipe, no simulator running before ----------------
# A simulator that held the pipe would keep the reader waiting until the board is switched
# off: the reader is given its budget, and what it got goes to a file.
declare -A captures=(['stdout']='wine "$0" info </dev/null | cat' ['both']='out=$(wine "$0" info 2>&1 </dev/null); echo "$out"')
for capture in both stdout; do
    sim_ctl state >/dev/null && e2e_fail "a simulator runs already"
    start=$(e2e_now)
    timeout -k 5 30 bash -c "${captures[$capture]}" "$INSTDIR_UNIX/vx5h.exe" >"$E2E_TMP/out" 2>/dev/null
    out=$(cat "$E2E_TMP/out")
    spent=$(( $(e2e_now) - start ))
    e2e_log "vx5h.exe info through a pipe ($capture) returned after $spent ms"
    grep -q "simulator  yes" <<<"$out" || e2e_fail "vx5h info said: $out"
    [ "$spent" -lt 20000 ] || e2e_fail "the output came only after $spent ms"
    sim_ctl state | grep -q '"configured":true' || e2e_fail "the simulated board did not stay"
    sim_ctl quit >/dev/null
    e2e_wait_for 10 '! sim_ctl state' || e2e_fail "the simulated board did not go"
done

# --- 5. The installed panel on board sim-2 of a lab -----------------------------------
w "$INSTDIR_UNIX/vx5h-board-sim.exe" --daemon --boards 3 >/dev/null 2>&1 || e2e_fail "no lab of three"
lab_has() { sim_ctl --board sim-2 state | grep -qF -- "$1"; }
export VX5H_CABLE=sim-2
start_panel start "$(w winepath -w "$MENU/VX5h-260 Control Panel.lnk" | tr -d '\r')"
unset VX5H_CABLE
e2e_wait_connected "$E2E_PANEL_START_MS" 60
e2e_log "the installed panel connected to sim-2 $E2E_CONNECTED_MS ms after its start"
led_steps lab_has
sleep 0.3
e2e_shot installed-panel
sim_ctl --board sim-3 state | grep -q '"configured":false' || e2e_fail "sim-3 was touched"
# While the panel runs its files cannot be replaced: the setup program stops, saying so.
w "Z:${VX5H_SETUP//\//\\}" /S
[ $? = 2 ] || e2e_fail "the setup program did not stop while the panel ran"
close_panel

# --- 6. The uninstall, the lab still running ------------------------------------------
silent "$INSTDIR\\Uninstall.exe"
e2e_wait_for 60 '! reg_key_exists "HKCU\\$UNINSTALL_KEY" && [ ! -e "$INSTDIR_UNIX/Uninstall.exe" ]' ||
    e2e_fail "the uninstaller did not finish"
sleep 1
[ "$(files_of "$INSTDIR_UNIX")" = my-memory.hex ] || e2e_fail "left in the program folder: $(files_of "$INSTDIR_UNIX")"
[ ! -e "$MENU" ] || e2e_fail "the Start-menu folder stayed"
[ "$(reg_value 'HKCU\Environment' Path)" = "$path_before" ] || e2e_fail "the PATH is not as it was"
! pgrep -f 'Programs.VX5h-260.*vx5h-board-sim' >/dev/null || e2e_fail "the simulated lab still runs"
for root in HKCU HKLM; do
    w reg export "$root" "Z:${E2E_TMP//\//\\}\\$root.reg" /y >/dev/null 2>&1
    ! iconv -f UTF-16LE -t UTF-8 "$E2E_TMP/$root.reg" | grep -i "vx5h" | grep -v '^"QT_LOGGING_RULES"' ||
        e2e_fail "$root keeps entries of ours"
done

# --- 7. For all users, into a folder named on the command line ------------------------
silent "Z:${VX5H_SETUP//\//\\}" /AllUsers '/D=C:\Lab\VX5h-260'
lab=$(unix_path 'C:\Lab\VX5h-260')
[ -f "$lab/VX5h_260_ControlPanel.exe" ] || e2e_fail "not installed into C:\\Lab\\VX5h-260"
[ "$(reg_value "HKLM\\$UNINSTALL_KEY" InstallLocation "$BITS")" = 'C:\Lab\VX5h-260' ] ||
    e2e_fail "no entry for all users"
reg_key_exists "HKCU\\$UNINSTALL_KEY" && e2e_fail "an install for all users made an entry of the user's"
common_menu=$(unix_path "$(w cmd /c echo %ProgramData% | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\$VX5H_FOLDER")
[ -f "$common_menu/VX5h-260 Control Panel.lnk" ] || e2e_fail "no Start-menu link for all users"
silent 'C:\Lab\VX5h-260\Uninstall.exe'
e2e_wait_for 60 '! reg_key_exists "HKLM\\$UNINSTALL_KEY" "$BITS" && [ ! -e "$lab" ]' ||
    e2e_fail "the install for all users was not removed"
[ ! -e "$common_menu" ] || e2e_fail "the Start-menu folder for all users stayed"
# --- 8. A PATH longer than the setup program reads whole ------------------------------
setup_log() { cat "$(unix_path "$(w cmd /c echo %TEMP% | tr -d '\r')")/$ENTRY-setup.log" 2>/dev/null; }
# Removes the user's installation in $1 and waits until it is gone.
uninstall_user() {
    silent "$1\\Uninstall.exe"
    local folder
    folder=$(unix_path "$1")
    e2e_wait_for 60 '! reg_key_exists "HKCU\\$UNINSTALL_KEY" && [ ! -e "$folder/Uninstall.exe" ]' ||
        e2e_fail "the uninstall of $1 did not finish"
}
long=$(for i in $(seq 1 60); do printf 'C:\\tools\\folder%02d;' "$i"; done)
long=${long%;}
w reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$long" /f >/dev/null
silent "Z:${VX5H_SETUP//\//\\}" /AddToPath
[ "$(reg_value 'HKCU\Environment' Path)" = "$long" ] || e2e_fail "the install changed a PATH of ${#long} characters"
setup_log | grep -q "The PATH is longer than the setup program can read or write whole" ||
    e2e_fail "the install did not say that it left the PATH: $(setup_log)"
uninstall_user "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)"
[ "$(reg_value 'HKCU\Environment' Path)" = "$long" ] || e2e_fail "the uninstall changed a PATH of ${#long} characters"
# Short when installed, grown long before the uninstall: the uninstall leaves it whole.
w reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\tools' /f >/dev/null
silent "Z:${VX5H_SETUP//\//\\}" /AddToPath
grown="$(reg_value 'HKCU\Environment' Path);$long"
w reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$grown" /f >/dev/null
uninstall_user "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)"
[ "$(reg_value 'HKCU\Environment' Path)" = "$grown" ] || e2e_fail "the uninstall changed a PATH grown long"
# The folder on the PATH already, put there by the user: it stays the user's.
own="C:\\tools;$INSTDIR"
w reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$own" /f >/dev/null
silent "Z:${VX5H_SETUP//\//\\}" /AddToPath
[ "$(reg_value 'HKCU\Environment' Path)" = "$own" ] || e2e_fail "the install changed a PATH that held its folder"
uninstall_user "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)"
[ "$(reg_value 'HKCU\Environment' Path)" = "$own" ] || e2e_fail "the uninstall took the user's own PATH entry"

# --- 9. A folder after /D= that cannot be used ----------------------------------------
echo "not a folder" >"$(unix_path 'C:\')/a-file"
declare -A unusable=(['/D="C:\Quoted\VX5h"']='it is in quotes' ['/D=C:/Lab/VX5h']='it holds a forward slash'
    ['/D=Lab\VX5h']='it is not a full path' ['/D=C:\']="it is a drive's root" ['/D=C:\a-file']='it is a file'
    ['/D=Q:\Lab\VX5h']='Q: is not there' ["/D=C:\\$(printf 'x%.0s' $(seq 210))"]='it is longer than 200 characters')
for folder in "${!unusable[@]}"; do
    w "Z:${VX5H_SETUP//\//\\}" /S "$folder"
    status=$?
    [ "$status" = $((267 % 256)) ] || e2e_fail "setup /S $folder ended with $status"
    ! reg_key_exists "HKCU\\$UNINSTALL_KEY" || e2e_fail "setup /S $folder installed into $(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)"
    setup_log | grep -qF "cannot be used: ${unusable[$folder]}." || e2e_fail "setup /S $folder said: $(setup_log)"
done
# Typed as a lab's script in a command prompt types it: blanks, no quotes (the setup
# program copied to a folder whose name has none, so that the line needs no quotes either).
cp "$VX5H_SETUP" "$E2E_TMP/setup.exe"
w cmd /c "Z:${E2E_TMP//\//\\}\\setup.exe /S /D=C:\Lab Room\VX5h-260" ||
    e2e_fail "setup /S /D=C:\Lab Room\VX5h-260 failed"
[ "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)" = 'C:\Lab Room\VX5h-260' ] ||
    e2e_fail "not installed into C:\Lab Room\VX5h-260"
uninstall_user 'C:\Lab Room\VX5h-260'

# --- 10. An upgrade while a program of the folder runs --------------------------------
silent "Z:${VX5H_SETUP//\//\\}"
INSTDIR_UNIX=$(unix_path "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)")
for file in vx5h-board-sim.exe libstdc++-6.dll; do printf OLD >>"$INSTDIR_UNIX/$file"; done
VX5H_SIM_SOCKET=another timeout -k 5 120 wine "$INSTDIR_UNIX/vx5h-board-sim.exe" </dev/null >/dev/null 2>&1 &
other_sim=$!
e2e_wait_for 20 'VX5H_SIM_SOCKET=another sim_ctl state' || e2e_fail "no simulator on a pipe of its own"
WINE_BUDGET=120 w "Z:${VX5H_SETUP//\//\\}" /S
status=$?
[ "$status" = 2 ] || e2e_fail "the upgrade with a simulator of the folder running ended with $status"
setup_log | grep -qF "could not be replaced, as a program started from that folder still runs" ||
    e2e_fail "the upgrade did not say why it stopped: $(setup_log)"
VX5H_SIM_SOCKET=another sim_ctl quit >/dev/null
wait "$other_sim"
silent "Z:${VX5H_SETUP//\//\\}"
for file in vx5h-board-sim.exe libstdc++-6.dll; do
    [ "$(tail -c 3 "$INSTDIR_UNIX/$file")" != OLD ] || e2e_fail "the old $file stayed"
done
uninstall_user "$(reg_value "HKCU\\$UNINSTALL_KEY" InstallLocation)"
e2e_pass
