#!/usr/bin/env bash
# Builds a small C++ program that waits on a std::condition_variable with a
# steady-clock timeout inside the portable build root, the way the portable
# launcher is built (glibc-pins.h, the C++ runtime linked in, the static
# prefix's libmavrel-glibc-compat.a), and checks that it needs nothing newer
# than glibc 2.17 (check-binary.sh) and that the waits it makes through
# glibc-compat.c time out when they should and not before: a past deadline
# at once, 50 ms after at least 50 ms, and a notified wait early.
# Usage: glibc_compat_test.sh SOURCE_DIR (after scripts/portable/build-libs.sh)
set -u
source_dir=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
source "$source_dir/scripts/portable/common.sh"
set +e
prefix=$("$portable_dir/build-libs.sh") || { echo "glibc_compat_test: no static prefix"; exit 1; }
root=$("$portable_dir/make-root.sh" build "$build_suite")
share_root build "$build_suite"
work=$(mktemp -d /tmp/mavrel-glibc-compat-XXXXXX)
trap 'rm -rf "$work"' EXIT
cat >"$work/wait.cpp" <<'CPP'
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
int main() {
  using clock = std::chrono::steady_clock;
  std::mutex m;
  std::condition_variable cv;
  std::unique_lock<std::mutex> lock(m);
  auto t0 = clock::now();
  bool past = cv.wait_until(lock, t0 - std::chrono::seconds(1)) == std::cv_status::timeout;
  double pastMs = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
  t0 = clock::now();
  bool timed = cv.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout;
  double timedMs = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
  bool ready = false;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard<std::mutex> hold(m);
    ready = true;
    cv.notify_one();
  });
  t0 = clock::now();
  bool notified = cv.wait_for(lock, std::chrono::seconds(5), [&] { return ready; });
  double notifiedMs = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
  lock.unlock();
  other.join();
  std::printf("%d %.1f %d %.1f %d %.1f\n", past, pastMs, timed, timedMs, notified, notifiedMs);
}
CPP
BINDS="$source_dir:/mavrel/src $work:/work $prefix:/static" in_root "$root" sh -euc '
  g++ -std=c++17 -O2 -include /mavrel/src/scripts/portable/glibc-pins.h -pthread \
    -static-libstdc++ -static-libgcc /work/wait.cpp -o /work/wait /static/lib/libmavrel-glibc-compat.a' ||
  { echo "glibc_compat_test: does not build"; echo "0 passed, 1 failed"; exit 1; }
passed=0 failed=0
if "$portable_dir/check-binary.sh" "$work/wait" >"$work/check.out" 2>&1; then
  passed=$((passed + 1))
else
  echo "FAIL: the waiting program needs more than glibc 2.17:"; sed 's/^/  /' "$work/check.out"
  failed=$((failed + 1))
fi
nm "$work/wait" | grep -q ' T pthread_cond_clockwait$' && passed=$((passed + 1)) ||
  { echo "FAIL: the wait does not go through glibc-compat.c"; failed=$((failed + 1)); }
read -r past past_ms timed timed_ms notified notified_ms < <(BINDS="$work:/work" in_root "$root" /work/wait)
awk -v p="$past" -v pm="$past_ms" -v t="$timed" -v tm="$timed_ms" -v n="$notified" -v nm="$notified_ms" 'BEGIN {
  ok = (p == 1 && pm < 20 && t == 1 && tm >= 50 && tm < 1000 && n == 1 && nm < 1000)
  if (!ok) printf "FAIL: past %s in %s ms, 50 ms wait %s in %s ms, notified %s in %s ms\n", p, pm, t, tm, n, nm
  exit !ok }' && passed=$((passed + 1)) || failed=$((failed + 1))
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
