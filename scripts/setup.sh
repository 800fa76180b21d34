#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine (run as root).
# Quick when everything is there already.
set -euo pipefail
packages=(
  cmake g++ make pkg-config git
  googletest libgtest-dev libbenchmark-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libx11-dev libxtst-dev libpng-dev
  fonts-dejavu-core fonts-liberation
  xvfb xfonts-base x11-utils imagemagick
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev
  valgrind
  python3 shellcheck
)
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
bash "$(dirname "$0")/setup-wine32.sh"
