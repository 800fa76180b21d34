#!/usr/bin/env bash
# run.sh [BUILD_DIR]: the portable Linux launcher from start to end: build
# root, sources, static libraries (all cached, see common.sh), the launcher
# itself, its binary check, and the smoke run in the bullseye and bookworm
# test roots. Prints how long each step took.
source "$(dirname "$0")/common.sh"
build=${1:-$repo_root/build/portable}
step() {
  local name=$1 start=$SECONDS
  shift
  "$@" || { log "$name failed after $((SECONDS - start)) s"; return 1; }
  log "$name: $((SECONDS - start)) s"
}
# The test roots are made while the libraries build: one waits mostly on
# downloads and the disk, the other on the processors.
(for suite in bullseye bookworm; do
  step "test root $suite" "$portable_dir/make-root.sh" test "$suite" >/dev/null
done) &
roots=$!
step "build root" "$portable_dir/make-root.sh" build "$build_suite" >/dev/null
step "sources" "$portable_dir/fetch-sources.sh" >/dev/null
step "static libraries" "$portable_dir/build-libs.sh" >/dev/null
step "launcher and check" "$portable_dir/build-launcher.sh" "$build"
step "glibc compatibility test" bash "$repo_root/tests/portable/glibc_compat_test.sh" "$repo_root"
wait "$roots" || { log "test roots failed"; exit 1; }
step "smoke run" "$portable_dir/smoke-roots.sh" "$build/bin/mavrel"
