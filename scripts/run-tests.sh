#!/usr/bin/env bash
# Sets up the machine, builds every program (desktop, Windows x86_64 and
# i686) and runs every test suite. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash scripts/setup.sh

step() { echo; echo "=== $* ==="; }

# Windows programs, cross-compiled. The x86_64 build runs under wine64 in the
# end-to-end and differential tests; the i686 build is compiled and inspected.
win_args=()
for arch in x86_64 i686; do
  tc=cmake/toolchain-mingw-$arch.cmake
  if [ -f "$tc" ]; then
    step "Windows $arch build"
    cmake -S . -B "build/mingw-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/$tc" \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "build/mingw-$arch" -j "$jobs"
    win_args+=("-DMAVREL_WINDOWS_${arch}_DIR=$root/build/mingw-$arch")
  fi
done

# The portable Linux launcher (build root, libraries and roots cached outside
# the checkout), its binary check, the medium kit from it and the i686 build,
# and its runs in bare Debian roots and under weston. The desktop tests make
# the kit from the same programs.
step "Portable Linux launcher and the medium kit"
MAVREL_KIT_WINDOWS_DIR=$root/build/mingw-i686 bash scripts/portable/run.sh "$root/build/portable"
win_args+=("-DMAVREL_PORTABLE_BIN_DIR=$root/build/portable/bin")

step "Desktop build"
cmake -S . -B build/desktop -DCMAKE_BUILD_TYPE=RelWithDebInfo "${win_args[@]}" >/dev/null
cmake --build build/desktop -j "$jobs"

step "Tests: unit, backend, end-to-end"
ctest --test-dir build/desktop --output-on-failure -j "$jobs" --timeout 600

if [ -f scripts/run-hostile-tests.sh ]; then
  step "Sanitizers, fuzzing and hostile media"
  bash scripts/run-hostile-tests.sh
fi
