#!/usr/bin/env bash
# Cross-builds Qt 6.4.2's base module (Debian's qt6-base source with Debian's patches) for Windows
# with Debian 12's mingw-w64 (posix thread model): shared, release, what a Widgets program and
# its tests need (Core, Gui, Widgets, Test; platform plugins windows, offscreen, minimal; the
# windowsvista style; gif/ico/jpeg image plugins). The host's Qt 6.4.2 (qt6-base-dev,
# qt6-base-dev-tools) supplies moc, rcc and uic, so its version must match.
#   usage: scripts/build-qt-windows.sh x86_64|i686 [KITS]      (as root on Debian 12)
# writes KITS/qt6-6.4.2-mingw-<arch>.tar.xz (KITS: ../shared/toolchains beside the project),
# where scripts/build-windows.sh looks for it.
# Measured for x86_64 on 2 shared cores: configure 99 s, build 45 min 51 s wall (1050 steps),
# prefix 79 MB, tar.xz 12.8 MB, build tree 0.86 GB.
set -euo pipefail
cd "$(dirname "$0")/.."
ARCH=${1:?x86_64 or i686}
KITS=$(mkdir -p "${2:-../shared/toolchains}" && cd "${2:-../shared/toolchains}" && pwd)
case "$ARCH" in x86_64) PROC=AMD64 ;; i686) PROC=x86 ;; *) echo "unknown arch $ARCH" >&2; exit 2 ;; esac
TRIPLE=$ARCH-w64-mingw32
NAME=qt6-6.4.2-mingw-$ARCH
PREFIX=/opt/$NAME
WORK=${WORK:-/tmp/$NAME-work}
SRC=$WORK/src/qtbase-everywhere-src-6.4.2

apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  qt6-base-dev qt6-base-dev-tools cmake ninja-build mingw-w64 "g++-mingw-w64-${ARCH/_/-}-posix" dpkg-dev xz-utils

mkdir -p "$WORK/src"
if [ ! -d "$SRC" ]; then
  # Debian's own source package (needs a deb-src line for bookworm main).
  (cd "$WORK/src" && apt-get source --download-only qt6-base=6.4.2+dfsg-10)
  tar -C "$WORK/src" -xJf "$WORK/src/qt6-base_6.4.2+dfsg.orig.tar.xz"
  tar -C "$SRC" -xJf "$WORK/src/qt6-base_6.4.2+dfsg-10.debian.tar.xz"
  (cd "$SRC" && for p in $(grep -v '^#' debian/patches/series | grep .); do patch -p1 --quiet <"debian/patches/$p"; done)
  # Qt 6.4.2 with direct2d off leaves the DirectWrite font database out of Gui, while the
  # windows plugin still creates it under directwrite3 alone: qwindows.dll fails to link.
  sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$SRC/src/plugins/platforms/windows/qwindowsintegration.cpp"
fi

cat >"$WORK/toolchain.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $PROC)
set(CMAKE_C_COMPILER $TRIPLE-gcc-posix)
set(CMAKE_CXX_COMPILER $TRIPLE-g++-posix)
set(CMAKE_RC_COMPILER $TRIPLE-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$TRIPLE)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC

# tabletevent off: Debian's dfsg source drops src/3rdparty/wintab, and mingw-w64 has no wintab.h.
rm -rf "$WORK/build"
cmake -G Ninja -S "$SRC" -B "$WORK/build" \
  -DCMAKE_TOOLCHAIN_FILE="$WORK/toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON \
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_glib=OFF -DFEATURE_pkg_config=OFF \
  -DFEATURE_direct2d=OFF -DFEATURE_tabletevent=OFF -DFEATURE_androiddeployqt=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
cmake --build "$WORK/build" --parallel "$(nproc)"
cmake --install "$WORK/build"
tar -C "$(dirname "$PREFIX")" -cJf "$KITS/$NAME.tar.xz" "$(basename "$PREFIX")"
ls -l "$KITS/$NAME.tar.xz"
