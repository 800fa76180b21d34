#!/usr/bin/env bash
# Sets up the machine, builds every program (desktop, Windows x86_64 and
# i686) and runs every test suite. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/setup.sh

step() { echo; echo "=== $* ==="; }

# Windows programs, cross-compiled. The x86_64 build runs under wine64 in the
# end-to-end and differential tests; the i686 build is compiled and inspected.
for arch in x86_64 i686; do
  step "Windows $arch build"
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" -j "$jobs"
done

step "Desktop build"
cmake --preset desktop >/dev/null
cmake --build --preset desktop -j "$jobs"

step "Tests: unit, backend, end-to-end, Windows"
ctest --preset desktop -j "$jobs"

step "Sanitizers, fuzzing and hostile media"
bash scripts/run-hostile-tests.sh
