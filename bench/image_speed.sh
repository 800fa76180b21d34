#!/usr/bin/env bash
# Writing a medium's image: mavrel-inspect image against xorriso -as mkisofs
# -R -J on the same folder, interleaved (one run of each per round, the
# order alternating), into the same output folder, each image removed after
# its run. Per program: wall and CPU time (user + system) in ms, medians,
# quartiles and minimums, and the image's size; the load average before and
# after. A warm-up run of each goes first, so both read the folder from the
# page cache, and every run starts after a sync, with nothing of another
# run's left to write back (untimed). Neither syncs its image: both end
# with part of it still in the page cache. Figures only.
#
# Usage: bench/image_speed.sh [-r RUNS] [-o OUT] INSPECT FOLDER|generate:MB...
#   INSPECT       the mavrel-inspect to time
#   FOLDER        a medium's folder (it must pass mavrel-inspect check)
#   generate:MB   a medium of about MB megabytes made (once) in OUT: four
#                 large files of random bytes and 400 small ones
#   -r RUNS       runs of each program per folder (11)
#   -o OUT        where the images (and generated media) go (/tmp/mavrel-image-bench)
# Example, from the checkout:
#   bench/image_speed.sh -r 11 build/desktop/tools/mavrel-inspect \
#       build/portable/dist/mavrel-kit-1.0.0 generate:1024
set -euo pipefail
. "$(dirname "$0")/common.sh"

runs=11 out=/tmp/mavrel-image-bench
while getopts "r:o:" option; do
  case $option in
    r) runs=$OPTARG ;;
    o) out=$OPTARG ;;
    *) sed -n '2,22p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 2 ] || { sed -n '2,22p' "$0" >&2; exit 2; }
inspect=$(realpath "$1")
shift
command -v xorriso >/dev/null || { echo "image_speed: xorriso is not installed" >&2; exit 2; }
mkdir -p "$out"

# generate MB: prints the folder of a generated medium of about MB megabytes.
generate() {
  local mb=$1 folder=$out/medium-$1mb
  if [ ! -f "$folder/.complete" ]; then
    rm -rf "$folder" && mkdir -p "$folder/data" "$folder/docs"
    printf '[Main]\nTitle=Generated\n' >"$folder/Mavrel.INI"
    local big=$((mb * 1024 * 1024 / 5)) small=$((mb * 1024 * 1024 / 5 / 400)) i
    for i in 1 2 3 4; do head -c "$big" /dev/urandom >"$folder/data/part-$i.bin"; done
    for i in $(seq 400); do head -c "$small" /dev/urandom >"$folder/docs/doc-$i.txt"; done
    touch "$folder/.complete"
  fi
  echo "$folder"
}

# timed NAME CSV COMMAND...: runs COMMAND, appends "NAME,wall_ms,cpu_ms,bytes".
timed() {
  local name=$1 csv=$2 times
  shift 2
  rm -f "$out/image.iso"
  times=$( { TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>"$out/run.err"; } 2>&1) ||
    { echo "image_speed: $name failed: $(tail -n 3 "$out/run.err")" >&2; exit 1; }
  read -r wall user system <<<"$times"
  echo "$name,$(awk -v w="$wall" -v u="$user" -v s="$system" \
    'BEGIN { printf "%.1f,%.1f", w * 1000, (u + s) * 1000 }'),$(stat -c %s "$out/image.iso")" >>"$csv"
  # The next run starts with nothing of this one left to write back.
  rm -f "$out/image.iso"
  sync
}

ours() { timed mavrel-inspect "$1" "$inspect" image "$2" -o "$out/image.iso"; }
theirs() { timed xorriso "$1" xorriso -as mkisofs -R -J -o "$out/image.iso" "$2"; }

for folder in "$@"; do
  [[ $folder == generate:* ]] && folder=$(generate "${folder#generate:}")
  folder=$(realpath "$folder")
  csv=$out/runs.csv
  echo "name,wall_ms,cpu_ms,bytes" >"$csv"
  ours "$out/warm-up.csv" "$folder"
  theirs "$out/warm-up.csv" "$folder"
  load_before=$(bench_load)
  for round in $(seq "$runs"); do
    if [ $((round % 2)) -eq 1 ]; then
      ours "$csv" "$folder" && theirs "$csv" "$folder"
    else
      theirs "$csv" "$folder" && ours "$csv" "$folder"
    fi
  done
  load_after=$(bench_load)
  echo "== $folder ($(du -sm "$folder" | cut -f1) MB in $(find "$folder" -type f | wc -l) files), $runs runs each"
  echo "   load average before: $load_before; after: $load_after ($(nproc) processors)"
  printf '   %-15s %27s %27s %12s\n' program "wall ms: median q1 q3 min" "cpu ms: median q1 q3 min" "image MB"
  for name in mavrel-inspect xorriso; do
    read -r wm wq1 wq3 _ wmin < <(bench_column "$csv" "$name" 2 | bench_stats)
    read -r cm cq1 cq3 _ cmin < <(bench_column "$csv" "$name" 3 | bench_stats)
    bytes=$(bench_column "$csv" "$name" 4 | head -n 1)
    printf '   %-15s %9s %5s %5s %5s %9s %5s %5s %5s %12s\n' "$name" "$wm" "$wq1" "$wq3" "$wmin" \
      "$cm" "$cq1" "$cq3" "$cmin" "$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')"
  done
done
