#!/usr/bin/env bash
# Checks kit/autorun.sh from the outside with a stand-in launcher that
# records its current directory, its $0 and its arguments: started from
# another folder, on a normal folder, without an execute bit, on a noexec
# bind mount (root only; skipped with a message where mount is refused),
# with each place for the private copy, and after a signal. The private
# folder must always be gone afterwards. Usage: autorun_test.sh SOURCE_DIR
set -u
source_dir=$(cd "$1" && pwd)
script=$source_dir/kit/autorun.sh
work=$(mktemp -d /tmp/mavrel-autorun-test-XXXXXX)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source-path=SCRIPTDIR source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

# The syntax is plain POSIX sh.
for shell in sh dash; do
  command -v "$shell" >/dev/null || continue
  "$shell" -n "$script" || fail "$shell -n finds a syntax error"
done
if command -v shellcheck >/dev/null; then
  shellcheck -s sh "$script" || fail "shellcheck"
else
  echo "note: shellcheck not installed, not run"
fi

mkdir "$work/medium" "$work/elsewhere" "$work/runtime" "$work/tmpdir"
cp "$script" "$work/medium/autorun.sh"
printf '[Main]\nTitle=Stub medium\n' >"$work/medium/Mavrel.INI"
cat >"$work/medium/mavrel" <<'STUB'
#!/bin/sh
{
  echo "cwd=$(pwd -P)"
  echo "zero=$0"
  echo "args=$*"
  echo "mode=$(stat -c %a "$(dirname "$0")")"
  [ -f Mavrel.INI ] && echo "settings=here"
} >"$MAVREL_STUB_RECORD"
[ -n "${MAVREL_STUB_SLEEP:-}" ] && sleep "$MAVREL_STUB_SLEEP"
exit "${MAVREL_STUB_STATUS:-0}"
STUB
chmod 755 "$work/medium/mavrel"
record=$work/record
export MAVREL_STUB_RECORD=$record

field() { sed -n "s/^$1=//p" "$record"; }

# run NAME SHELL MEDIUM [ENV...]: runs MEDIUM/autorun.sh with two arguments
# from another folder under SHELL; sets $status.
run() {
  local name=$1 shell=$2 medium=$3
  shift 3
  rm -f "$record"
  (cd "$work/elsewhere" && env "$@" "$shell" "$medium/autorun.sh" one "two words" \
    >"$work/$name.out" 2>"$work/$name.err")
  status=$?
}

# expect NAME MEDIUM WHERE: the launcher ran with MEDIUM as its current
# directory, from WHERE ("medium", or the folder the private copy belongs in).
expect() {
  local name=$1 medium=$2 where=$3 zero
  if [ ! -f "$record" ]; then
    fail "$name: the launcher did not run (status $status): $(cat "$work/$name.err")"
    return
  fi
  [ "$(field cwd)" = "$(cd "$medium" && pwd -P)" ] || fail "$name: current directory $(field cwd)"
  [ "$(field args)" = "one two words" ] || fail "$name: arguments '$(field args)'"
  zero=$(field zero)
  if [ "$where" = medium ]; then
    [ "$zero" = "$(cd "$medium" && pwd -P)/mavrel" ] || fail "$name: started as $zero"
  else
    case $zero in
      "$where"/mavrel.*/mavrel) ;;
      *) fail "$name: started as $zero, not from a private folder in $where" ;;
    esac
    [ "$(field mode)" = 700 ] || fail "$name: private folder mode $(field mode)"
    [ ! -e "$(dirname "$zero")" ] || fail "$name: private folder $(dirname "$zero") left behind"
    [ -z "$(ls -A "$where")" ] || fail "$name: $where not empty afterwards: $(ls -A "$where")"
  fi
}

for shell in sh dash; do
  command -v "$shell" >/dev/null || continue
  # Executable in place: started where it is, its status passed on.
  run "$shell-direct" "$shell" "$work/medium" XDG_RUNTIME_DIR="$work/runtime"
  [ "$status" -eq 0 ] || fail "$shell-direct: status $status"
  expect "$shell-direct" "$work/medium" medium
  [ -z "$(ls -A "$work/runtime")" ] || fail "$shell-direct: copied although it could run in place"
  run "$shell-status" "$shell" "$work/medium" MAVREL_STUB_STATUS=1
  [ "$status" -eq 1 ] || fail "$shell-status: status $status, not the launcher's 1"

  # No execute bit: a private copy, under $XDG_RUNTIME_DIR, else $TMPDIR.
  chmod 644 "$work/medium/mavrel"
  run "$shell-no-x" "$shell" "$work/medium" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmpdir"
  [ "$status" -eq 0 ] || fail "$shell-no-x: status $status"
  expect "$shell-no-x" "$work/medium" "$work/runtime"
  run "$shell-tmpdir" "$shell" "$work/medium" -u XDG_RUNTIME_DIR TMPDIR="$work/tmpdir" \
    MAVREL_STUB_STATUS=1
  [ "$status" -eq 1 ] || fail "$shell-tmpdir: status $status, not the launcher's 1"
  expect "$shell-tmpdir" "$work/medium" "$work/tmpdir"
  run "$shell-missing-runtime" "$shell" "$work/medium" XDG_RUNTIME_DIR="$work/gone" \
    TMPDIR="$work/tmpdir"
  expect "$shell-missing-runtime" "$work/medium" "$work/tmpdir"

  # A signal while the launcher runs: the private folder still goes.
  rm -f "$record"
  (cd "$work/elsewhere" && exec env XDG_RUNTIME_DIR="$work/runtime" MAVREL_STUB_SLEEP=1 \
    "$shell" "$work/medium/autorun.sh" one "two words" 2>/dev/null) &
  pid=$!
  for _ in $(seq 50); do [ -f "$record" ] && break; sleep 0.1; done
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  [ "$status" -eq 143 ] || fail "$shell-signal: status $status, not 143"
  expect "$shell-signal" "$work/medium" "$work/runtime"
  chmod 755 "$work/medium/mavrel"

  # No launcher at all: a message and status 1.
  mv "$work/medium/mavrel" "$work/mavrel.away"
  run "$shell-missing" "$shell" "$work/medium"
  [ "$status" -eq 1 ] || fail "$shell-missing: status $status"
  grep -q 'the launcher "mavrel" is missing' "$work/$shell-missing.err" ||
    fail "$shell-missing: no message"
  mv "$work/mavrel.away" "$work/medium/mavrel"
done

# A medium folder whose name ends in a line feed: found as it is, run in
# place and from a private copy.
lf_medium="$work/lf-medium
"
mkdir "$lf_medium"
cp "$work/medium/autorun.sh" "$work/medium/Mavrel.INI" "$work/medium/mavrel" "$lf_medium"
for mode in 755 644; do
  chmod "$mode" "$lf_medium/mavrel"
  run "lf-$mode" sh "$lf_medium" XDG_RUNTIME_DIR="$work/runtime"
  [ "$status" -eq 0 ] || fail "lf-$mode: status $status: $(cat "$work/lf-$mode.err")"
  [ "$(field settings)" = here ] || fail "lf-$mode: not started in the medium's folder"
done

# A noexec mount of the medium, as removable media often are, and a noexec
# $XDG_RUNTIME_DIR: the copy goes to the next place that lets it run.
mkdir "$work/mnt" "$work/runtime-noexec"
if mount --bind "$work/medium" "$work/mnt" 2>"$work/mount.err" &&
  mounts+=("$work/mnt") &&
  mount -o remount,bind,noexec "$work/mnt" 2>>"$work/mount.err"; then
  run noexec sh "$work/mnt" XDG_RUNTIME_DIR="$work/runtime"
  [ "$status" -eq 0 ] || fail "noexec: status $status: $(cat "$work/noexec.err")"
  expect noexec "$work/mnt" "$work/runtime"
  if mount --bind "$work/runtime-noexec" "$work/runtime-noexec" &&
    mounts+=("$work/runtime-noexec") &&
    mount -o remount,bind,noexec "$work/runtime-noexec"; then
    run noexec-runtime dash "$work/mnt" XDG_RUNTIME_DIR="$work/runtime-noexec" \
      TMPDIR="$work/tmpdir"
    [ "$status" -eq 0 ] || fail "noexec-runtime: status $status"
    expect noexec-runtime "$work/mnt" "$work/tmpdir"
    [ -z "$(ls -A "$work/runtime-noexec")" ] || fail "noexec-runtime: copy left in the noexec folder"
  fi
else
  echo "SKIP: the noexec cases need mount (as root): $(cat "$work/mount.err")"
fi

finish "autorun.sh"
