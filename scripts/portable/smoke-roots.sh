#!/usr/bin/env bash
# smoke-roots.sh [BINARY]: runs the portable launcher (default
# build/portable/bin/mavrel) on a copy of examples/demo inside the bullseye
# and bookworm test roots (make-root.sh test: only libx11-6 libxext6
# libfontconfig1 libfreetype6 fonts-dejavu-core beside minbase), against a
# private Xvfb whose socket is bind-mounted in, and fails unless the demo's
# window appears in each with its picture (many colours in it) and the
# launcher is still running a second later.
# Leaves a screenshot of each in build/portable/smoke-SUITE.png.
source "$(dirname "$0")/common.sh"
binary=${1:-$repo_root/build/portable/bin/mavrel}
[ -x "$binary" ] || { echo "smoke-roots: no launcher at $binary" >&2; exit 2; }
suites=${SMOKE_SUITES:-bullseye bookworm}
out=$repo_root/build/portable
mkdir -p "$out"
need_host_tools Xvfb=xvfb xwininfo=x11-utils import=imagemagick

work=$(mktemp -d)
xvfb_pid=
launcher_pid_file=$work/medium/.launcher.pid
cleanup() {
  if [ -f "$launcher_pid_file" ]; then kill "$(cat "$launcher_pid_file")" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

exec {displayfd}>"$work/display"
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
display=:$(head -n 1 "$work/display")
[ "$display" != : ] || { echo "smoke-roots: Xvfb did not start" >&2; exit 1; }

failed=0
for suite in $suites; do
  root=$("$portable_dir/make-root.sh" test "$suite")
  share_root test "$suite"
  rm -rf "$work/medium" && cp -r "$repo_root/examples/demo" "$work/medium"
  cp "$binary" "$work/medium/mavrel"
  rm -f "$launcher_pid_file"
  BINDS="/tmp/.X11-unix:/tmp/.X11-unix $work/medium:/medium" IN_ROOT_ENV="DISPLAY=$display" \
    in_root "$root" sh -c 'cd /medium && { ./mavrel & echo $! >.launcher.pid; wait $!; echo "status $?" >.launcher.status; }' \
    >"$work/launcher-$suite.log" 2>&1 &
  run_pid=$!
  shown=
  for _ in $(seq 100); do
    if xwininfo -display "$display" -root -tree 2>/dev/null | grep -q '"Mavrel Demo"'; then shown=yes; break; fi
    [ -f "$work/medium/.launcher.status" ] && break
    sleep 0.1
  done
  sleep 1
  if [ -n "$shown" ] && [ ! -f "$work/medium/.launcher.status" ]; then
    read -r x y width height < <(xwininfo -display "$display" -name "Mavrel Demo" |
      awk '/Absolute upper-left X:/ {x=$NF} /Absolute upper-left Y:/ {y=$NF}
           /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
    # The picture is a gradient: a window that shows it has many colours;
    # one left blank or filled has one or two.
    colours=0
    if import -display "$display" -window root "$out/smoke-$suite.png" 2>/dev/null; then
      colours=$(convert "$out/smoke-$suite.png" -crop "${width}x${height}+$x+$y" +repage -format %k info:)
    fi
    if [ "$colours" -ge 100 ]; then
      echo "smoke-roots: $suite: the demo window appears, ${width}x${height} at $x,$y, $colours colours"
    else
      echo "smoke-roots: $suite: the demo window (${width}x${height}) shows $colours colours, not the picture" >&2
      failed=1
    fi
  else
    echo "smoke-roots: $suite: no demo window; $(cat "$work/medium/.launcher.status" 2>/dev/null)" >&2
    sed 's/^/  /' "$work/launcher-$suite.log" >&2
    failed=1
  fi
  [ -f "$launcher_pid_file" ] && kill "$(cat "$launcher_pid_file")" 2>/dev/null || true
  wait "$run_pid" 2>/dev/null || true
done
exit $failed
