#!/usr/bin/env bash
# Cross-builds the control panel and vx5h for Windows with mingw-w64 against the Windows
# Qt kit, and makes the zip and the setup program of each program folder:
#   scripts/build-windows.sh [x86_64] [i686]          (both when none is named)
# gives build-mingw-x86_64/VX5h_260_ControlPanel-<version>-win64.zip and
# ...-win64-setup.exe, build-mingw-i686/VX5h_260_ControlPanel-<version>-win32.zip and
# ...-win32-setup.exe. The kits
# (qt6-6.4.2-mingw-<arch>.tar.xz) are taken from ../shared/toolchains, or from the folder
# VX5H_WINDOWS_QT names, and unpacked into build-qt/.
set -euo pipefail
cd "$(dirname "$0")/.."
kits=${VX5H_WINDOWS_QT:-../shared/toolchains}
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)

no_kit() {
    cat >&2 <<EOF
build-windows: no Windows Qt for $1: $kits/qt6-6.4.2-mingw-$1.tar.xz is missing.
The Windows program needs Qt 6.4.2's base module (Core, Gui, Widgets, Test and the
"windows" platform plugin) built for $1-w64-mingw32 with Debian's mingw-w64 (posix
threads): the host's Qt version, whose moc, rcc and uic the build uses. To get it:
  - copy qt6-6.4.2-mingw-$1.tar.xz from a machine that has it (CI keeps the kits in
    ../shared/toolchains beside the project) and name its folder in VX5H_WINDOWS_QT; or
  - build it from Debian's own source package (about 45 minutes on 2 cores; needs a
    deb-src line for bookworm main, and root):
        scripts/build-qt-windows.sh $1 \$VX5H_WINDOWS_QT
EOF
    exit 1
}

# The kit is unpacked again whenever its archive is newer than the last unpacking.
unpack_kit() {
    local kit=qt6-6.4.2-mingw-$1 archive
    archive=$kits/$kit.tar.xz
    [ -f "$archive" ] || no_kit "$1"
    if [ ! -f "build-qt/$kit.unpacked" ] || [ "$archive" -nt "build-qt/$kit.unpacked" ]; then
        rm -rf "build-qt/$kit"
        mkdir -p build-qt
        tar -C build-qt -xJf "$archive"
        touch "build-qt/$kit.unpacked"
    fi
}

scripts/install-deps.sh windows
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
for arch in "${arches[@]}"; do
    unpack_kit "$arch"
    cmake --preset "mingw-$arch" "${launcher[@]}" >/dev/null
    cmake --build --preset "mingw-$arch" -j"$(nproc)"
    (cd "build-mingw-$arch" && cpack -G ZIP >/dev/null && cpack -G NSIS >/dev/null)
    ls "build-mingw-$arch"/VX5h_260_ControlPanel-*.zip "build-mingw-$arch"/VX5h_260_ControlPanel-*-setup.exe
done
