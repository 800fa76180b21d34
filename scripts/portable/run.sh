#!/usr/bin/env bash
# run.sh [BUILD_DIR]: the portable Linux launcher from start to end: build
# root, sources, static libraries (all cached, see common.sh), the launcher
# itself, its binary check, the medium kit (when the i686 Windows build is
# there), and the smoke run in the bullseye and bookworm test roots and
# under weston (with the kit: also its image, each tree of it started in
# the bullseye root). Prints how long each step took.
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
# The medium kit from this launcher and the i686 Windows build, when that is
# there (MAVREL_KIT_WINDOWS_DIR, else build/mingw-i686): the smoke run also
# starts the kit folder's own mavrel.
windows=${MAVREL_KIT_WINDOWS_DIR:-$repo_root/build/mingw-i686}
if [ -f "$windows/Mavrel.exe" ]; then
  step "medium kit" bash "$repo_root/scripts/make-kit.sh" --windows "$windows" \
    --linux "$build/bin" --out "$build/dist"
  export SMOKE_KIT
  SMOKE_KIT=$(ls -d "$build"/dist/mavrel-kit-*/ | head -n 1)
else
  log "no $windows/Mavrel.exe: the medium kit is not made"
fi
wait "$roots" || { log "test roots failed"; exit 1; }
step "smoke run" "$portable_dir/smoke-roots.sh" "$build/bin/mavrel"
