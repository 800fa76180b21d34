# shellcheck shell=bash
# Shared by the whole-process benchmarks in bench/ (sourced, not run).
# Figures only: nothing here passes or fails on a timing.
#
# bench_tools DIR        builds paint_probe (and xfloor, when FLOOR_SOURCE names
#                        its source) into DIR
# bench_xvfb W H [-fp P] starts a private Xvfb (-displayfd) and exports DISPLAY;
#                        it is stopped when the script exits
# bench_stats            reads numbers, one a line; prints "median q1 q3 n min"
#                        (quartiles interpolated between the sorted values)
# bench_probe_line NAME ROUND LINE
#                        a CSV row "NAME,ROUND,map,paint,user,sys,cpu" from a line of
#                        paint_probe (or of the shared maptime, which gives no
#                        CPU times: those fields stay empty); fails when LINE
#                        shows no painted window
# bench_load             the load averages, from /proc/loadavg

bench_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

bench_tools() {
  local dir=$1
  mkdir -p "$dir"
  if [ ! -x "$dir/paint_probe" ] || [ "$bench_here/paint_probe.c" -nt "$dir/paint_probe" ]; then
    cc -O2 -Wall "$bench_here/paint_probe.c" -lX11 -o "$dir/paint_probe"
  fi
  if [ -n "${FLOOR_SOURCE:-}" ] && [ ! -x "$dir/xfloor" ]; then
    cc -O2 "$FLOOR_SOURCE" -lX11 -o "$dir/xfloor"
  fi
}

bench_xvfb_pid=
bench_stop_xvfb() {
  if [ -n "$bench_xvfb_pid" ]; then
    kill "$bench_xvfb_pid" 2>/dev/null
    wait "$bench_xvfb_pid" 2>/dev/null
    bench_xvfb_pid=
  fi
}

bench_xvfb() {
  local width=$1 height=$2
  shift 2
  local fifo
  fifo=$(mktemp -u /tmp/bench-xvfb-XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp "$@" 3>"$fifo" \
    >/dev/null 2>&1 &
  bench_xvfb_pid=$!
  local number
  read -r -t 20 number <"$fifo"
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
  trap bench_stop_xvfb EXIT
}

bench_stats() {
  sort -g | awk '
    { v[n++] = $1 }
    function q(p,   h, lo) {
      h = (n - 1) * p; lo = int(h)
      return lo + 1 < n ? v[lo] + (h - lo) * (v[lo + 1] - v[lo]) : v[lo]
    }
    END { if (n == 0) print "- - - 0 -"; else printf "%.1f %.1f %.1f %d %.1f\n", q(0.5), q(0.25), q(0.75), n, v[0] }'
}

bench_probe_line() {
  local name=$1 round=$2 line=$3
  # shellcheck disable=SC2086
  set -- $line
  [ "${1:-}" = map_ms ] && [ "${3:-}" = paint_ms ] && [ "$4" != "-1.0" ] || return 1
  echo "$name,$round,$2,$4,${6:-},${8:-},${10:-}"
}

# The values of field K (1-based) of the runs named NAME in the CSV FILE
# that bench_probe_line writes, one a line.
bench_column() {
  awk -F, -v c="$2" -v k="$3" 'NR > 1 && $1 == c && $k != "" { print $k }' "$1"
}

bench_load() { cut -d' ' -f1-3 /proc/loadavg; }
