#!/usr/bin/env bash
# `cmake --install` into a staging folder gives a usable program: the program folder with
# everything side by side, the launcher on the PATH, the menu entry and its icon, the udev
# rule below the prefix; the installed launcher starts the program (offscreen), which
# starts the installed simulator, configures it with the installed image and connects.
set -u
build=${VX5H_BUILD_DIR:?VX5H_BUILD_DIR names the build folder}
stage=$(mktemp -d /tmp/vx5h-stage-XXXXXX)
panel=
fail() { echo "FAIL: $*"; [ -f "$stage/panel.log" ] && sed 's/^/[panel] /' "$stage/panel.log" | tail -n 20; exit 1; }
cleanup() {
    [ -n "$panel" ] && kill "$panel" 2>/dev/null && wait "$panel" 2>/dev/null
    VX5H_SIM_SOCKET=$stage/board.sock "$stage/usr/lib/vx5h-control-panel/vx5h-board-sim" ctl quit >/dev/null 2>&1
    rm -rf "$stage"
}
trap cleanup EXIT

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage/install.log" 2>&1 || fail "install: $(tail -n 5 "$stage/install.log")"
folder=$stage/usr/lib/vx5h-control-panel
for f in VX5h_260_ControlPanel QELVANO_JTAG.DLL QELVANO_DOWNLOAD.DLL VX5h_260_ControlPanel.sof vx5h-board-sim; do
    [ -f "$folder/$f" ] || fail "no $f in the program folder"
done
[ -x "$stage/usr/bin/vx5h-control-panel" ] || fail "no launcher on the PATH"
[ -f "$stage/usr/share/applications/vx5h-control-panel.desktop" ] || fail "no menu entry"
[ -f "$stage/usr/share/icons/hicolor/scalable/apps/vx5h-control-panel.svg" ] || fail "no icon"
rule=$stage/usr/lib/udev/rules.d/70-vx5h-usb-blaster.rules
[ -f "$rule" ] || fail "no udev rule"
[ ! -e "$stage/etc" ] || fail "the install wrote below /etc: $(cd "$stage" && find etc)"
grep -q 'TAG+="uaccess"' "$rule" || fail "the rule gives the seat's user no access"
! grep -q '0666' "$rule" || fail "the rule opens the cable to everyone"
for product in 6001 6002 6003 6010 6810; do
    grep -q "ATTR{idProduct}==\"$product\"" "$rule" || fail "the rule lacks product $product"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$stage/usr/share/applications/vx5h-control-panel.desktop" || fail "invalid menu entry"
fi

# Any other prefix, without DESTDIR: everything lands below it, nothing on the live
# system (these tests run as root, who could write to /etc), and the install says how to
# put the rule where udev reads it.
live=/etc/udev/rules.d/70-vx5h-usb-blaster.rules
[ -e "$live" ] && had_live=1 || had_live=
cmake --install "$build" --prefix "$stage/opt" >"$stage/install-opt.log" 2>&1 || fail "install: $(tail -n 5 "$stage/install-opt.log")"
if [ -z "$had_live" ] && [ -e "$live" ]; then
    rm -f "$live"
    fail "cmake --install --prefix $stage/opt wrote $live"
fi
[ -f "$stage/opt/lib/udev/rules.d/70-vx5h-usb-blaster.rules" ] || fail "no udev rule below the prefix"
grep -q "ln -s $stage/opt/lib/udev/rules.d/70-vx5h-usb-blaster.rules /etc/udev/rules.d/" "$stage/install-opt.log" ||
    fail "the install did not say how to use the rule: $(tail -n 3 "$stage/install-opt.log")"

mkdir -m 700 "$stage/run"
export VX5H_SIM_SOCKET=$stage/board.sock XDG_RUNTIME_DIR=$stage/run VX5H_SIM_IDLE_EXIT=60 QT_QPA_PLATFORM=offscreen
unset VX5H_CABLE QUARTUS_ROOTDIR

# The Python module, where Debian's python3 looks for it: it finds the installed program
# folder (it starts the installed simulator), and pytest finds its plugin.
if [ -d "$build/python/vx5h" ]; then
    site=$stage/usr/lib/python3/dist-packages
    [ -f "$site/vx5h/_folder.py" ] || fail "no Python module in $site"
    info=$(cd / && PYTHONPATH=$site /usr/bin/python3 -c 'import vx5h; b = vx5h.Board(); print(b.info().link); b.close()' 2>&1) ||
        fail "the installed Python module: $info"
    [[ $info == *simulator* ]] || fail "the installed Python module reached no board: $info"
    (cd / && PYTHONPATH=$site /usr/bin/python3 -m pytest -p no:cacheprovider --help) | grep -q -- --vx5h-cable ||
        fail "pytest does not find the installed plugin"
    # labgrid's drivers of the board, in their own folder of the package.
    if /usr/bin/python3 -c 'import labgrid' 2>/dev/null; then
        lab=$(cd / && PYTHONPATH=$site /usr/bin/python3 -c 'import vx5h.labgrid as l; print(l.VX5hStrategy.__name__)' 2>&1) ||
            fail "the installed labgrid drivers: $lab"
    fi
fi

# The installed program, through its launcher, on a simulator of its own.
(cd / && exec "$stage/usr/bin/vx5h-control-panel") >"$stage/panel.log" 2>&1 &
panel=$!
for _ in $(seq 1 200); do
    grep -qF "connected to USB-Blaster [VX5h-260 simulator]" "$stage/panel.log" && break
    kill -0 "$panel" 2>/dev/null || fail "the installed program ended"
    sleep 0.1
done
grep -qF "connected to USB-Blaster [VX5h-260 simulator]" "$stage/panel.log" || fail "the installed program did not connect"
state=$("$folder/vx5h-board-sim" ctl state)
[[ $state == *'"configured":true'* ]] || fail "the installed image did not configure the board"
echo "PASS"
