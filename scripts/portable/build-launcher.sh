#!/usr/bin/env bash
# build-launcher.sh [BUILD_DIR]: builds the portable Linux launcher
# (`mavrel`) and `mavrel-inspect` from this checkout inside the bullseye
# build root, against the static libraries of build-libs.sh, and checks
# both with check-binary.sh. BUILD_DIR defaults to build/portable; the
# programs are BUILD_DIR/bin/mavrel and BUILD_DIR/bin/mavrel-inspect
# (stripped), both checked.
source "$(dirname "$0")/common.sh"
build=${1:-$repo_root/build/portable}
mkdir -p "$build"
build=$(cd "$build" && pwd)
prefix=$("$portable_dir/build-libs.sh")
root=$("$portable_dir/make-root.sh" build "$build_suite")
share_root build "$build_suite"

start=$SECONDS
BINDS="$repo_root:/mavrel/src $build:/mavrel/build $prefix:/static" IN_ROOT_ENV="JOBS=${JOBS:-2}" \
  in_root "$root" sh -euc '
    cmake -S /mavrel/src -B /mavrel/build/tree -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=/mavrel/src/cmake/toolchain-portable-linux.cmake \
      -DMAVREL_PORTABLE_PREFIX=/static \
      -DMAVREL_BUILD_TESTS=OFF -DMAVREL_BUILD_BENCHMARKS=OFF >/mavrel/build/configure.log 2>&1
    cmake --build /mavrel/build/tree --target mavrel mavrel-inspect -j"$JOBS" >/mavrel/build/build.log 2>&1
    mkdir -p /mavrel/build/bin
    strip -o /mavrel/build/bin/mavrel /mavrel/build/tree/src/platform/desktop/mavrel
    strip -o /mavrel/build/bin/mavrel-inspect /mavrel/build/tree/tools/mavrel-inspect
  ' || { tail -n 30 "$build/build.log" "$build/configure.log" >&2 2>/dev/null; exit 1; }
log "launcher built in $((SECONDS - start)) s: $build/bin/mavrel"
# The kit ships both: mavrel-inspect (with its static libisofs) must run
# wherever the launcher does.
"$portable_dir/check-binary.sh" "$build/bin/mavrel" "$build/bin/mavrel-inspect"
