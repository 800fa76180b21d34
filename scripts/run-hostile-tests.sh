#!/usr/bin/env bash
# Hostile media: everything that checks how the launcher copes with bytes
# that anyone may have put on a medium. Run by scripts/run-tests.sh after the
# desktop build; exits non-zero on the first failure or finding. Builds and
# tests go through the presets of CMakePresets.json.
#  1. The unit and backend suites built with AddressSanitizer and
#     UndefinedBehaviorSanitizer (preset asan), which also gives the
#     sanitized launcher.
#  2. Every fuzz target built with clang, libFuzzer, ASan and UBSan (preset
#     fuzz), each run for a bounded time from its committed seeds; a crash,
#     sanitizer report, timeout or running out of memory fails the run.
#  3. The hostile-media suite (ctest label hostile) under private Xvfb
#     servers: on the desktop launcher as built (test preset hostile), then
#     every hostile medium again and the leak checks on the sanitized
#     launcher (test preset asan-hostile).
#  4. The desktop launcher built with ThreadSanitizer (preset tsan), driven
#     through its end-to-end start-up, hover, click and box cases; any
#     report in its output fails the case (suppressions, each for a library
#     and with its reason, in tests/e2e/tsan.supp).
#
# Environment: MAVREL_FUZZ_SECONDS (per target, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
fuzz_seconds=${MAVREL_FUZZ_SECONDS:-60}
fuzz_targets=(ini_reader setting_values picture command_line text_layout launcher_settings medium_check)

step() { echo; echo "=== $* ==="; }
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }

# ---- 1. Sanitized unit suite ------------------------------------------------
step "Unit and backend tests under ASan + UBSan (preset asan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
echo "sanitized suites passed ($(elapsed))"

# ---- 2. Fuzzing ---------------------------------------------------------------
step "Fuzz targets, ${fuzz_seconds} s each (preset fuzz)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
rm -rf build/fuzz/runs
mkdir -p build/fuzz/runs
run_fuzzer() {
  # Full paths: a target may work in a folder of its own.
  local target=$1 dir=$root/build/fuzz/runs/$1
  mkdir -p "$dir/corpus" "$dir/findings"
  cp tests/fuzz/corpus/"$target"/* "$dir/corpus/"
  # Leaks inside a run are findings too; the sanitizers stop at the first.
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" LSAN_OPTIONS="suppressions=$root/tests/hostile/lsan.supp" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$root"/build/fuzz/tests/fuzz/"${target}_fuzzer" "$dir/corpus" \
    -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/" >"$dir/log" 2>&1
}
failed=()
for ((i = 0; i < ${#fuzz_targets[@]}; i += jobs)); do
  pids=()
  for target in "${fuzz_targets[@]:i:jobs}"; do
    run_fuzzer "$target" &
    pids+=("$!:$target")
  done
  for entry in "${pids[@]}"; do
    wait "${entry%%:*}" || failed+=("${entry#*:}")
  done
done
printf '%-20s %10s %10s %8s %s\n' target seconds runs exec/s corpus
for target in "${fuzz_targets[@]}"; do
  log=build/fuzz/runs/$target/log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  files=$(ls build/fuzz/runs/"$target"/corpus | wc -l)
  printf '%-20s %10s %10s %8s %s\n' "$target" "$fuzz_seconds" "${runs:-?}" "${rate:-?}" "$files"
  if [ -n "$(ls -A build/fuzz/runs/"$target"/findings)" ]; then
    failed+=("$target")
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  for target in $(printf '%s\n' "${failed[@]}" | sort -u); do
    echo "--- finding in $target:"
    grep -E -A30 'ERROR|check failed|runtime error|deadly signal|timeout|out-of-memory' \
      build/fuzz/runs/"$target"/log | head -60
    ls build/fuzz/runs/"$target"/findings
  done
  exit 1
fi
echo "fuzzing found nothing ($(elapsed))"

# ---- 3. Hostile media and leak checks ------------------------------------------
step "Hostile media on the launcher as built (test preset hostile)"
cmake --preset desktop >/dev/null
cmake --build --preset desktop -j "$jobs" --target mavrel mavrel_hostile_tests
ctest --preset hostile
echo "hostile media passed on the launcher as built ($(elapsed))"
step "Hostile media and leak checks on the sanitized launcher (test preset asan-hostile)"
ctest --preset asan-hostile
echo "hostile media and leak checks passed on the sanitized launcher ($(elapsed))"

# ---- 4. ThreadSanitizer ---------------------------------------------------------------
step "Start-up, hover, clicks and boxes of the launcher under ThreadSanitizer (preset tsan)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"
echo "no ThreadSanitizer report from the launcher ($(elapsed))"
