#!/usr/bin/env bash
# Hostile media: everything that checks how the launcher copes with bytes
# that anyone may have put on a medium. Run by scripts/run-tests.sh after the
# normal build; exits non-zero on the first failure or finding.
#  1. The unit and desktop backend suites built with AddressSanitizer and
#     UndefinedBehaviorSanitizer (build-asan), which also gives the sanitized
#     launcher used by the leak checks.
#  2. Every fuzz target built with clang, libFuzzer, ASan and UBSan
#     (build-fuzz), each run for a bounded time from its committed seeds; a
#     crash, sanitizer report, timeout or running out of memory fails the run.
#  3. The hostile-media suite (build-hostile) against the desktop launcher
#     under a private Xvfb, the leak checks of the sanitized launcher, and
#     the hostile media once more on the sanitized launcher.
#
# Environment: MAVREL_FUZZ_SECONDS (per target, default 60),
# MAVREL_LAUNCHER (default build/desktop's launcher, built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
fuzz_seconds=${MAVREL_FUZZ_SECONDS:-60}
fuzz_targets=(ini_reader setting_values picture command_line text_layout launcher_settings)

step() { echo; echo "=== $* ==="; }
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }

export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/tests/hostile/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# ---- 1. Sanitized unit suite ------------------------------------------------
step "Unit and backend tests under ASan + UBSan (build-asan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAVREL_SANITIZE=address,undefined -DMAVREL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j "$jobs" --target mavrel_unit_tests mavrel_desktop_tests mavrel
build-asan/tests/mavrel_unit_tests --gtest_brief=1
build-asan/tests/mavrel_desktop_tests --gtest_brief=1
echo "sanitized suites passed ($(elapsed))"

# ---- 2. Fuzzing ---------------------------------------------------------------
step "Fuzz targets, ${fuzz_seconds} s each (build-fuzz)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAVREL_BUILD_FUZZERS=ON -DMAVREL_SANITIZE=address,undefined -DMAVREL_BUILD_TESTS=OFF \
  -DMAVREL_BUILD_BENCHMARKS=OFF -DMAVREL_BUILD_DESKTOP=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target mavrel_fuzzers
rm -rf build-fuzz/runs
mkdir -p build-fuzz/runs
run_fuzzer() {
  local target=$1 dir=build-fuzz/runs/$1
  mkdir -p "$dir/corpus" "$dir/findings"
  cp tests/fuzz/corpus/"$target"/* "$dir/corpus/"
  # Leaks inside a run are findings too; the sanitizers stop at the first.
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" \
    build-fuzz/tests/fuzz/"${target}_fuzzer" "$dir/corpus" \
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
  log=build-fuzz/runs/$target/log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  files=$(ls build-fuzz/runs/"$target"/corpus | wc -l)
  printf '%-20s %10s %10s %8s %s\n' "$target" "$fuzz_seconds" "${runs:-?}" "${rate:-?}" "$files"
  if [ -n "$(ls -A build-fuzz/runs/"$target"/findings)" ]; then
    failed+=("$target")
  fi
done
if [ "${#failed[@]}" -gt 0 ]; then
  for target in $(printf '%s\n' "${failed[@]}" | sort -u); do
    echo "--- finding in $target:"
    grep -E -A30 'ERROR|check failed|runtime error|deadly signal|timeout|out-of-memory' \
      build-fuzz/runs/"$target"/log | head -60
    ls build-fuzz/runs/"$target"/findings
  done
  exit 1
fi
echo "fuzzing found nothing ($(elapsed))"

# ---- 3. Hostile media and leak checks ------------------------------------------
step "Hostile media and leak checks (build-hostile)"
launcher=${MAVREL_LAUNCHER:-$root/build/desktop/src/platform/desktop/mavrel}
if [ ! -x "$launcher" ]; then
  cmake -S . -B build-hostile/launcher -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMAVREL_BUILD_TESTS=OFF -DMAVREL_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build build-hostile/launcher -j "$jobs" --target mavrel
  launcher=$root/build-hostile/launcher/src/platform/desktop/mavrel
fi
cmake -S tests/hostile -B build-hostile -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-hostile -j "$jobs" --target mavrel_hostile_tests
asan_launcher=$root/build-asan/src/platform/desktop/mavrel
# The launcher as built, then the leak checks, which set the sanitized
# launcher's options themselves.
env -u ASAN_OPTIONS -u LSAN_OPTIONS -u UBSAN_OPTIONS \
  MAVREL_LAUNCHER="$launcher" MAVREL_LAUNCHER_ASAN="$asan_launcher" \
  build-hostile/mavrel_hostile_tests --gtest_brief=1
echo "hostile media passed on the launcher as built ($(elapsed))"
# Every hostile medium again on the sanitized launcher, so that a read out of
# bounds or undefined behaviour that the launcher as built survives is
# caught as well. Leaks were checked above; a thousand activations measure
# memory, which the sanitizer's quarantine would blur.
ASAN_OPTIONS="detect_leaks=0:exitcode=86" UBSAN_OPTIONS="print_stacktrace=1:exitcode=87" \
  MAVREL_LAUNCHER="$asan_launcher" \
  build-hostile/mavrel_hostile_tests --gtest_brief=1 \
  --gtest_filter='Hostile.*:-Hostile.ThousandStayActivations'
echo "hostile media passed on the sanitized launcher ($(elapsed))"
