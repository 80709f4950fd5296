#!/usr/bin/env bash
# Cross-builds the program for 64-bit and 32-bit Windows with its zips and setup programs
# (scripts/build-windows.sh) and runs the Windows tests under wine: the core's against
# their fake libraries (on 32-bit Windows once more with fakes of the other calling
# convention), the artwork's, our libraries, the simulated lab and doctor's checks, and
# the program itself, started from its zip and installed by its setup program, each in a
# wine prefix of its own on a private X server (tests/windows). The other tests share a
# Windows prefix of this run's own that is thrown away at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/host-i386.sh
arches=(x86_64 i686)
scripts/build-windows.sh "${arches[@]}"

# No .NET or Gecko installers, and no menu entries of the host made for Start-menu links.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/vx5h-wine.XXXXXX")"
export WINEPREFIX
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  timeout 30 wineserver -k 2> /dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# Every wine command has a budget: a wine that hangs (a prefix that never completes, a
# loader that cannot start) ends the run with a message instead of holding CI.
within() {
  local seconds=$1
  shift
  timeout -k 10 "$seconds" "$@" || {
    local status=$?
    [ "$status" = 124 ] && echo "test-windows: '$*' took longer than $seconds s" >&2
    return "$status"
  }
}

# Make the prefix and wait until it is complete. Then keep one server, and the system
# processes it starts with the first program, for all tests: otherwise each test would
# start them anew, and ctest would wait for them to end while they hold its output pipe.
within 180 wineboot --init > /dev/null 2>&1
within 120 wineserver --wait
within 30 wineserver --persistent < /dev/null > /dev/null 2>&1
within 120 wine cmd /c exit < /dev/null > /dev/null 2>&1 ||
  { echo "test-windows: the 64-bit wine does not start a program ($(wine --version 2>&1))" >&2; exit 1; }

for arch in "${arches[@]}"; do
  if [ "$arch" = i686 ]; then
    if ! host_runs_i386; then
      echo "i686: built, NOT run: this machine cannot run 32-bit programs"
      continue
    fi
    if ! dpkg-query -W -f='${Status}' wine32:i386 2> /dev/null | grep -q "install ok installed"; then
      echo "i686: built, NOT run: the 32-bit wine (wine32:i386) could not be installed" >&2
      continue
    fi
  fi
  echo "== Windows $arch, under wine"
  # Load each test program once, one at a time, before ctest starts them in parallel: two
  # programs loaded for the first time at the same moment can make wine answer "could not
  # be started". For the same reason a test that fails is run once more; a real fault fails
  # twice (and the Linux run has no such retry).
  find "build-mingw-$arch" -name '*_tests.exe' -print0 |
    while IFS= read -r -d '' exe; do within 120 wine "$exe" --gtest_list_tests < /dev/null > /dev/null 2>&1 || true; done
  ctest --preset "mingw-$arch" -j"$(nproc)" --repeat until-pass:2
done
