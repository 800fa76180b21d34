#!/usr/bin/env bash
# Sets up the machine, builds the desktop programs and opens the bundled demo
# medium. Without a display it shows the demo's settings as the launcher
# reads them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh
cmake -S . -B build/desktop -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/desktop -j "$(nproc)" --target mavrel-inspect
cd examples/demo
exec "$root/build/desktop/tools/mavrel-inspect"
