#!/usr/bin/env bash
# Installs what the build, the tests and the panel need on Debian 12, when missing: as
# root directly, as another user through sudo.
set -euo pipefail
packages=(
  build-essential cmake                           # the build
  qt6-base-dev qt6-base-dev-tools libgl-dev       # Qt 6 Widgets (its CMake files want GL)
  qt6-qpa-plugins fonts-liberation                # windows on X and offscreen; Arial & co.
  nlohmann-json3-dev                              # the simulator's and vx5h's JSON
  libcli11-dev                                    # vx5h's arguments
  libgtest-dev                                    # the tests
  pybind11-dev python3-dev python3-pytest         # the Python module and its tests
  python3-labgrid                                 # its labgrid resource, drivers and strategy, tested
  xvfb xdotool imagemagick                        # end-to-end tests: X server, clicks, screenshots
  tigervnc-standalone-server tigervnc-tools xauth # headless mode: private X server over VNC
  iproute2 openssl                                # its test: listeners (ss), a VNC password (DES)
  clang libclang-rt-14-dev                        # the fuzz targets: libFuzzer and the sanitizers
  llvm                                            # llvm-undname: reads back the vendor's Windows names
)
# "install-deps.sh windows": what the Windows cross build and its tests under wine need
# instead (scripts/build-windows.sh, scripts/test-windows.sh): the host's Qt tools and
# header-only libraries, NSIS for the setup program, and for the program's own test a
# private X server, xdotool, screenshots and the metric-compatible fonts. 32-bit Windows programs need the 32-bit wine.
if [ "${1:-}" = windows ]; then
  packages=(cmake ninja-build g++ libgtest-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
    qt6-base-dev-tools libcli11-dev nlohmann-json3-dev nsis xvfb xdotool imagemagick fonts-liberation)
  # The 32-bit wine comes from the mirror's i386 lists, which are now and then out of step
  # with the 64-bit ones; without it the 32-bit tests are built but cannot run, and
  # scripts/test-windows.sh says so. Only a machine that runs 32-bit programs gets it:
  # elsewhere its install scripts fail, and Debian's `wine` would then start its 32-bit
  # loader for every program, the 64-bit ones too.
  . "$(dirname "$0")/host-i386.sh"
  if host_runs_i386; then
    optional=(wine32:i386)
  else
    no_i386=1
  fi
fi
as_root=()
if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null; then
  as_root=(sudo)
fi
# A 32-bit wine that an earlier run installed on a machine that cannot run it goes, with
# whatever i386 packages its failed install scripts left half-configured, so that `wine`
# works again and dpkg has nothing left unfinished.
if [ "${no_i386:-}" = 1 ]; then
  stale=$(i386_wine_packages)
  if [ -n "$stale" ]; then
    echo "install-deps: this machine cannot run 32-bit programs: removing the 32-bit wine ($(tr '\n' ' ' <<<"$stale"| sed 's/ $//'))"
    # shellcheck disable=SC2086
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $stale >/dev/null 2>&1 ||
      "${as_root[@]}" dpkg --purge --force-remove-reinstreq --force-depends $stale >/dev/null
  else
    echo "install-deps: this machine cannot run 32-bit programs: the 32-bit wine is left out"
  fi
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
optional_missing=()
for p in ${optional[@]+"${optional[@]}"}; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || optional_missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ ${#optional_missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]} ${optional_missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || {
    echo "install-deps: these packages are missing and installing them needs root or sudo: ${missing[*]} ${optional_missing[*]}" >&2
    exit 1
  }
  as_root=(sudo)
fi
if [[ " ${optional_missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails the update now and then ("File has unexpected
# size"): try again a little later, and go on with the lists we have if it keeps failing.
for attempt in 1 2 3; do
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq && break
  echo "install-deps: apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep 20
done
# env, because sudo would drop the variable from the environment.
if [ ${#missing[@]} -gt 0 ]; then
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The mirror's i386 lists now and then lag behind its amd64 ones: a library that both
# architectures must have in one version (liblzma5, zlib1g, ...) has a newer amd64
# security update, and apt refuses wine32:i386. Pinning each such library, on both
# architectures, to the version the i386 list has gets it installed (an amd64 library
# may go back to that version).
pinned_wine32() {
  local args=(wine32:i386) seen=" " out name pkg version installed added planned=0
  for _ in $(seq 1 40); do
    out=$(apt-get install -s --no-install-recommends "${args[@]}" 2>&1) && { planned=1; break; }
    added=0
    for name in $(grep -oE '[a-z0-9][a-z0-9.+-]*:i386' <<<"$out" | sort -u); do
      pkg=${name%:i386}
      [[ $seen == *" $pkg "* ]] && continue
      seen+="$pkg " added=1
      version=$(apt-cache policy "$name" | awk '/Candidate:/ {print $2}')
      installed=$(dpkg-query -W -f='${Version}' "$pkg:amd64" 2>/dev/null || true)
      if [ -n "$installed" ] && [ "$installed" != "$version" ] && [ "$version" != "(none)" ]; then
        args+=("$pkg:amd64=$version" "$pkg:i386=$version")
      else
        args+=("$name")
      fi
    done
    [ "$added" = 1 ] || return 1
  done
  [ "$planned" = 1 ] || return 1
  # Never at the price of what is installed: a plan that removes a package (a -dev
  # package tied to the pinned library's version, say) is not carried out.
  if grep -q '^Remv ' <<<"$out"; then
    echo "install-deps: wine32:i386 would remove $(awk '/^Remv / {print $2}' <<<"$out" | tr '\n' ' ')- left out" >&2
    return 1
  fi
  echo "install-deps: wine32:i386 with these pinned: ${args[*]:1}" >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --allow-downgrades \
    --no-install-recommends "${args[@]}"
}
if [ ${#optional_missing[@]} -gt 0 ]; then
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${optional_missing[@]}" ||
    { [[ " ${optional_missing[*]} " == *" wine32:i386 "* ]] && pinned_wine32; } ||
    echo "install-deps: WARNING: could not install ${optional_missing[*]}; going on without it" >&2
fi
