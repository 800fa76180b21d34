#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine (run as root).
# Quick when everything is there already.
#
#   setup.sh        everything the tests need: the desktop, Windows and
#                   portable builds, Wine, Xvfb, the sanitizers and fuzzers;
#                   on a machine that runs 32-bit x86 programs also the
#                   32-bit Wine (setup-wine32.sh)
#   setup.sh demo   only what building and opening the desktop launcher needs
#
# Whether 32-bit programs run is found out once, here, by running one
# (probe-i386.sh); the result goes to build/i386-probe (empty when they run,
# else the reason), which run-tests.sh hands to CMake.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
demo_packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libx11-dev
  fonts-dejavu-core
)
test_packages=(
  git googletest libgtest-dev libbenchmark-dev
  libxtst-dev libpng-dev
  fonts-liberation
  xvfb xfonts-base x11-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev
  valgrind
  python3 shellcheck ccache
  debootstrap xdotool weston
  libisofs-dev xorriso osslsigncode
  # The desktops the launcher is tested on, each run headless: openbox on
  # Xvfb, GNOME's mutter with XWayland and libdecor's decorations, sway with
  # grim for screenshots and Wayland's client library for the tests' own
  # virtual pointer.
  openbox mutter xwayland dbus-daemon libdecor-0-plugin-1-cairo
  sway grim libwayland-dev
)
case ${1:-} in
  demo) packages=("${demo_packages[@]}") ;;
  "") packages=("${demo_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: setup.sh [demo]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ "${1:-}" = demo ] && exit 0

if reason=$(bash "$here/probe-i386.sh" "$here/../build/i386-probe"); then
  bash "$here/setup-wine32.sh"
else
  echo "setup: $reason; no 32-bit Wine is installed and the i686 runs under Wine are skipped"
fi
