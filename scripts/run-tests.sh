#!/usr/bin/env bash
# Sets up the machine, builds every program (desktop, Windows x86_64 and
# i686) and runs every test suite. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash scripts/setup.sh

started=$(date +%s)
step() { echo; echo "=== $* (at $(($(date +%s) - started)) s) ==="; }

# Every build goes through ccache, whose cache sits with the others outside
# the checkout: a fresh clone compiles only what has changed. Paths below
# the checkout are hashed relative to it, so clones in other folders share
# the objects.
if command -v ccache >/dev/null; then
  export CCACHE_DIR=${MAVREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mavrel}/ccache
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-4G}
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  ccache --zero-stats >/dev/null
fi

# Windows programs, cross-compiled. Both run under Wine in the end-to-end and
# differential tests: x86_64 under wine64, i686 under the 32-bit Wine where
# this machine runs 32-bit programs.
for arch in x86_64 i686; do
  step "Windows $arch build"
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" -j "$jobs"
done

# The portable Linux launcher (build root, libraries and roots cached outside
# the checkout), its binary check, the medium kit from it and the i686 build,
# and its runs in bare Debian roots and under weston. The desktop tests make
# the kit from the same programs.
step "Portable Linux launcher and the medium kit"
MAVREL_KIT_WINDOWS_DIR=$root/build/mingw-i686 bash scripts/portable/run.sh "$root/build/portable"

step "Desktop build"
# setup.sh found out whether this machine runs 32-bit programs; where it does
# not, the i686 runs under Wine report themselves skipped, with the reason.
cmake --preset desktop -DMAVREL_PORTABLE_BIN_DIR="$root/build/portable/bin" \
  -DMAVREL_I386_SKIP_REASON="$(cat build/i386-probe)" >/dev/null
cmake --build --preset desktop -j "$jobs"

step "Tests: unit, backend, end-to-end, Windows"
ctest --preset desktop -j "$jobs"

# The desktop launcher's end-to-end cases again with start-up on one thread
# (src/platform/desktop/startup_work.h): the launcher must behave the same.
step "End-to-end tests of the desktop launcher, single-threaded start-up"
MAVREL_STARTUP_THREADS=0 ctest --preset desktop -j "$jobs" -L '^e2e$' \
  -R '^(DesktopLauncher|XServers/DesktopErrorBox)[.]'

step "Sanitizers, fuzzing and hostile media"
bash scripts/run-hostile-tests.sh

step "Done"
command -v ccache >/dev/null && ccache --show-stats | grep -E '^(Cacheable|  Hits|  Misses|Hits|Misses)' || true
