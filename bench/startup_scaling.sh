#!/usr/bin/env bash
# Start to first painted frame of the desktop launcher against the number of
# buttons, on the generated grid media of mavrel_desktop_timing (8 buttons a
# row on a white 1000x700 window). The sizes run interleaved, one of each per
# round in a rotating order, under a private Xvfb; each run is timed by
# paint_probe (fork to the first non-black pixel of the first mapped window)
# and the launcher's CPU time to then is taken from wait4. Figures only.
#
# Usage: bench/startup_scaling.sh [-r RUNS] [-o CSV] [-H HOVER_ROUNDS]
#            LAUNCHER TIMING_TOOL [COUNT...]
#   LAUNCHER     the desktop mavrel binary
#   TIMING_TOOL  mavrel_desktop_timing (writes the media; with -H also gives
#                hover and close figures for the largest COUNT, that many times)
#   COUNT        buttons per medium; 10 100 1000 10000 when none are given
#   -r RUNS      runs of each size (11)
#   -o CSV       also keep every run as CSV
# Example:
#   bench/startup_scaling.sh -r 11 -H 3 build/desktop/src/platform/desktop/mavrel \
#       build/desktop/bench/mavrel_desktop_timing
set -euo pipefail
. "$(dirname "$0")/common.sh"

runs=11 csv='' hover=0
while getopts "r:o:H:" option; do
  case $option in
    r) runs=$OPTARG ;;
    o) csv=$OPTARG ;;
    H) hover=$OPTARG ;;
    *) sed -n '2,20p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 2 ] || { sed -n '2,20p' "$0" >&2; exit 2; }
launcher=$(realpath "$1") timing=$(realpath "$2")
shift 2
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10 100 1000 10000)

work=$(mktemp -d /tmp/mavrel-scaling-XXXXXX)
trap 'bench_stop_xvfb; rm -rf "$work"' EXIT
bench_tools "$work/tools"
for count in "${counts[@]}"; do
  mkdir -p "$work/m$count"
  "$timing" --write-medium "$count" "$work/m$count"
done
bench_xvfb 1024 768
trap 'bench_stop_xvfb; rm -rf "$work"' EXIT

load_before=$(bench_load)
echo "count,round,map_ms,paint_ms,user_ms,sys_ms,cpu_ms" >"$work/runs.csv"
n=${#counts[@]}
for ((round = 0; round < runs; round++)); do
  for ((k = 0; k < n; k++)); do
    count=${counts[$(((k + round) % n))]}
    line=$(cd "$work/m$count" && "$work/tools/paint_probe" "$launcher" 2>/dev/null) || true
    # "map_ms M paint_ms P user_ms U sys_ms S cpu_ms C"
    bench_probe_line "$count" "$round" "$line" >>"$work/runs.csv" ||
      echo "count $count round $round: no painted window" >&2
    sleep 0.2
  done
done
load_after=$(bench_load)

echo "# start to first paint, desktop launcher, grid media; $runs rounds interleaved"
echo "# load average before: $load_before   after: $load_after"
printf "%8s %5s | %9s %7s %7s %7s | %8s %7s %7s\n" buttons runs "paint med" q1 q3 min "cpu med" q1 q3
declare -A median cpu
for count in "${counts[@]}"; do
  read -r pm p1 p3 pn pmin < <(bench_column "$work/runs.csv" "$count" 4 | bench_stats)
  read -r cm c1 c3 _ < <(bench_column "$work/runs.csv" "$count" 7 | bench_stats)
  median[$count]=$pm cpu[$count]=$cm
  printf "%8s %5s | %9s %7s %7s %7s | %8s %7s %7s\n" "$count" "$pn" "$pm" "$p1" "$p3" "$pmin" \
    "$cm" "$c1" "$c3"
done
echo "# times in ms; cpu = user + system of the launcher up to its first paint"
for ((k = 1; k < n; k++)); do
  a=${counts[$((k - 1))]} b=${counts[$k]}
  awk -v a="${median[$a]}" -v b="${median[$b]}" -v ca="${cpu[$a]}" -v cb="${cpu[$b]}" \
    -v na="$a" -v nb="$b" 'BEGIN { if (a > 0 && ca > 0)
      printf "# %s / %s buttons: median paint %.2f, median cpu %.2f\n", nb, na, b / a, cb / ca }'
done
[ -z "$csv" ] || cp "$work/runs.csv" "$csv"

if [ "$hover" -gt 0 ]; then
  largest=${counts[$((n - 1))]}
  echo "# hover and close, $largest buttons, mavrel_desktop_timing --buttons, $hover times"
  echo "# load average before: $(bench_load)"
  echo "# buttons, start to first frame ms, hover ms (median of 5), close to exit ms"
  for ((i = 0; i < hover; i++)); do
    "$timing" --buttons "$launcher" "$largest" | tail -n 1
  done
  echo "# load average after: $(bench_load)"
fi
