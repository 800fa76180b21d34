#!/usr/bin/env bash
# Start to first painted frame of several programs side by side, under one
# private Xvfb, interleaved (one run of each per round, in a rotating order),
# each run started in the medium's folder and timed by paint_probe (fork to
# the first non-black pixel of the first mapped window; CPU time of the
# program up to then from wait4). Medians and quartiles, and the ratio of each
# median to the first program's (the floor). Then, once per program: the
# shared libraries the dynamic loader maps before main (LD_DEBUG=libs) and the
# shared objects mapped at the first paint (/proc/PID/maps). Figures only.
#
# Usage: bench/startup_ratio.sh [-r RUNS] [-m MEDIUM] [-o CSV] [-f FONTPATH]
#            [-p PROBE] [-s WxH] NAME=COMMAND...
#   NAME=COMMAND  a program to time; COMMAND is split at spaces; the first one
#                 is the floor the ratios are taken against
#   -r RUNS       runs of each program (21)
#   -m MEDIUM     folder every run starts in (examples/demo)
#   -o CSV        also keep every run as CSV
#   -f FONTPATH   the Xvfb's core font path (-fp); its default when not given
#   -p PROBE      another detector with paint_probe's output, such as the
#                 shared maptime (which gives no CPU times)
#   -s WxH        the Xvfb's screen size (1024x768); a larger one for scaled
#                 windows
# Example, from the checkout:
#   cc -O2 ../shared/tools/xfloor.c -lX11 -o build/xfloor
#   bench/startup_ratio.sh xfloor=build/xfloor \
#       portable=build/portable/bin/mavrel \
#       desktop=build/desktop/src/platform/desktop/mavrel "xmessage=xmessage hello"
set -euo pipefail
. "$(dirname "$0")/common.sh"

runs=21 medium="$bench_here/../examples/demo" csv='' fontpath='' probe='' screen=1024x768
while getopts "r:m:o:f:p:s:" option; do
  case $option in
    r) runs=$OPTARG ;;
    m) medium=$OPTARG ;;
    o) csv=$OPTARG ;;
    f) fontpath=$OPTARG ;;
    p) probe=$(realpath "$OPTARG") ;;
    s) screen=$OPTARG ;;
    *) sed -n '2,27p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { sed -n '2,27p' "$0" >&2; exit 2; }
medium=$(realpath "$medium")
names=() commands=()
for pair in "$@"; do
  name=${pair%%=*} command=${pair#*=}
  first=${command%% *}
  # A command given as a path is made absolute, since runs start in MEDIUM.
  if [[ $first == */* ]]; then command="$(realpath "$first")${command#"$first"}"; fi
  names+=("$name") commands+=("$command")
done

work=$(mktemp -d /tmp/mavrel-ratio-XXXXXX)
bench_tools "$work/tools"
if [ -n "$fontpath" ]; then
  bench_xvfb "${screen%x*}" "${screen#*x}" -fp "$fontpath"
else
  bench_xvfb "${screen%x*}" "${screen#*x}"
fi
trap 'bench_stop_xvfb; rm -rf "$work"' EXIT
timer=${probe:-$work/tools/paint_probe}

echo "# Xvfb $DISPLAY, $screen, core font path: ${fontpath:-the Xvfb default}"
echo "# core fonts: $(xlsfonts 2>/dev/null | wc -l) names; first: $(xlsfonts 2>/dev/null | head -n 3 | tr '\n' ' ')"

load_before=$(bench_load)
echo "name,round,map_ms,paint_ms,user_ms,sys_ms,cpu_ms" >"$work/runs.csv"
n=${#names[@]}
for ((round = 0; round < runs; round++)); do
  for ((k = 0; k < n; k++)); do
    i=$(((k + round) % n))
    # shellcheck disable=SC2086
    line=$(cd "$medium" && "$timer" ${commands[$i]} 2>/dev/null) || true
    bench_probe_line "${names[$i]}" "$round" "$line" >>"$work/runs.csv" ||
      echo "${names[$i]} round $round: no painted window" >&2
    sleep 0.1
  done
done
load_after=$(bench_load)

echo "# start to first paint in $medium; $runs rounds interleaved"
echo "# load average before: $load_before   after: $load_after"
printf "%-10s %4s | %9s %7s %7s %7s | %6s | %8s %7s %7s | %7s %7s | %6s\n" program runs "paint med" \
  q1 q3 min ratio "cpu med" q1 q3 user sys "cpu x"
floor='' cpu_floor=''
for ((k = 0; k < n; k++)); do
  name=${names[$k]}
  read -r pm p1 p3 pn pmin < <(bench_column "$work/runs.csv" "$name" 4 | bench_stats)
  read -r cm c1 c3 _ < <(bench_column "$work/runs.csv" "$name" 7 | bench_stats)
  read -r um _ < <(bench_column "$work/runs.csv" "$name" 5 | bench_stats)
  read -r sm _ < <(bench_column "$work/runs.csv" "$name" 6 | bench_stats)
  [ -n "$floor" ] || floor=$pm cpu_floor=$cm
  ratio=$(awk -v a="$pm" -v f="$floor" 'BEGIN { if (f > 0) printf "%.2f", a / f; else print "-" }')
  cpu_ratio=$(awk -v a="$cm" -v f="$cpu_floor" 'BEGIN { if (f > 0) printf "%.1f", a / f; else print "-" }')
  printf "%-10s %4s | %9s %7s %7s %7s | %6s | %8s %7s %7s | %7s %7s | %6s\n" "$name" "$pn" "$pm" \
    "$p1" "$p3" "$pmin" "$ratio" "$cm" "$c1" "$c3" "$um" "$sm" "$cpu_ratio"
done
echo "# times in ms; ratio = median paint / the first program's median paint;"
echo "# cpu = user + system up to the first paint (user, sys: their own medians);"
echo "# cpu x = median cpu / the first program's median cpu"
[ -z "$csv" ] || cp "$work/runs.csv" "$csv"

echo "# libraries: loaded before main (LD_DEBUG=libs, ld.so's own searches), and"
echo "# shared objects mapped at the first paint (/proc/PID/maps, .so files)"
for ((k = 0; k < n; k++)); do
  rm -f "$work"/ld.* "$work/maps"
  # shellcheck disable=SC2086
  (cd "$medium" && PAINT_PROBE_MAPS="$work/maps" "$work/tools/paint_probe" env LD_DEBUG=libs \
    LD_DEBUG_OUTPUT="$work/ld" ${commands[$k]} >/dev/null 2>&1) || true
  before=$(cat "$work"/ld.* 2>/dev/null |
    awk '/transferring control:/ { exit }
      match($0, /find library=[^ ]*/) { print substr($0, RSTART + 13, RLENGTH - 13) }' | sort -u | wc -l)
  at_paint=$(awk '$6 ~ /\.so/ { print $6 }' "$work/maps" 2>/dev/null | sort -u | wc -l)
  printf "%-10s before main: %3s   mapped at first paint: %3s\n" "${names[$k]}" "$before" "$at_paint"
  if [ -n "${BENCH_LIST_LIBS:-}" ]; then
    awk '$6 ~ /\.so/ { print "    " $6 }' "$work/maps" 2>/dev/null | sort -u
  fi
done
