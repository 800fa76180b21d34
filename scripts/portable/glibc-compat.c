/* Functions that the build root's C library (2.31) offers and the oldest
 * one the portable launcher runs on (2.17) lacks, which the C++ runtime's
 * headers call when they were built against the newer one. Linked into the
 * portable programs (libmavrel-glibc-compat.a) so that the calls bind here
 * and not to a version the older C library does not define. */
#define _GNU_SOURCE
#include <errno.h>
#include <pthread.h>
#include <time.h>

/* std::condition_variable's waits on the steady clock: the same wait
 * expressed against the realtime clock pthread_cond_timedwait uses. */
int pthread_cond_clockwait(pthread_cond_t* cond, pthread_mutex_t* mutex, clockid_t clock,
                           const struct timespec* abstime) {
  if (clock != CLOCK_REALTIME) {
    struct timespec now_clock, now_real, target;
    clock_gettime(clock, &now_clock);
    clock_gettime(CLOCK_REALTIME, &now_real);
    long long ns = (long long)(abstime->tv_sec - now_clock.tv_sec) * 1000000000LL +
                   (abstime->tv_nsec - now_clock.tv_nsec);
    if (ns < 0) ns = 0;
    ns += now_real.tv_nsec;
    target.tv_sec = now_real.tv_sec + (time_t)(ns / 1000000000LL);
    target.tv_nsec = (long)(ns % 1000000000LL);
    return pthread_cond_timedwait(cond, mutex, &target);
  }
  return pthread_cond_timedwait(cond, mutex, abstime);
}
