/* paint_probe: start a command and print the milliseconds until its first
   top-level window is mapped and shows painted content (any non-black pixel,
   looked at every millisecond), then kill it at once and print the CPU time
   it used up to then (user + system, from wait4).

   The detector is the one of the shared maptime tool, unchanged: the same
   MapNotify watch on the root, the same pixel test, the same 1 ms poll and
   20 s limit. What differs is what happens after the first paint:
   - the command is killed with SIGKILL straight away, so its CPU time is that
     of its start-up and not of its teardown;
   - with PAINT_PROBE_MAPS=FILE, /proc/PID/maps at the moment of the first
     paint is copied to FILE (the libraries the program holds mapped).

   Output, one line: map_ms M paint_ms P user_ms U sys_ms S cpu_ms C
   Exit status 0 when a painted window was seen, 1 otherwise, 2 on bad use.
   Build: cc -O2 paint_probe.c -lX11 -o paint_probe */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static int xerr = 0;
static int onerr(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  xerr = 1;
  return 0;
}

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int painted(Display* d, Window w) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) return 0;
  XImage* im = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!im) return 0;
  int hit = 0;
  for (int y = 0; y < a.height && !hit; y += 2)
    for (int x = 0; x < a.width; x += 2)
      if (XGetPixel(im, x, y) & 0xFFFFFF) {
        hit = 1;
        break;
      }
  XDestroyImage(im);
  return hit;
}

/* Copies /proc/PID/maps to `target`; a failure only loses the copy. */
static void copy_maps(pid_t p, const char* target) {
  char name[64];
  snprintf(name, sizeof name, "/proc/%d/maps", (int)p);
  FILE* in = fopen(name, "r");
  FILE* out = fopen(target, "w");
  if (in && out) {
    char buffer[8192];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) fwrite(buffer, 1, n, out);
  }
  if (in) fclose(in);
  if (out) fclose(out);
}

static double ms(struct timeval t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; }

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: paint_probe CMD...\n");
    return 2;
  }
  const char* maps = getenv("PAINT_PROBE_MAPS");
  Display* d = XOpenDisplay(0);
  if (!d) {
    fprintf(stderr, "no display\n");
    return 2;
  }
  Window root = DefaultRootWindow(d);
  XSetErrorHandler(onerr);
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, False);
  double t0 = now();
  pid_t p = fork();
  if (!p) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  Window w = 0;
  double tmap = -1, tpaint = -1, limit = t0 + 20000;
  int exited = 0, st = 0;
  struct rusage ru = {0};
  while (now() < limit) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && !w && !e.xmap.override_redirect) {
        w = e.xmap.window;
        tmap = now() - t0;
      }
    }
    if (w) {
      xerr = 0;
      int ok = painted(d, w);
      XSync(d, False);
      if (xerr) {
        w = 0;
        tmap = -1;
      } else if (ok) {
        tpaint = now() - t0;
        break;
      }
    }
    if (wait4(p, &st, WNOHANG, &ru) == p) {
      fprintf(stderr, "exited early\n");
      exited = 1;
      break;
    }
    usleep(1000);
  }
  if (!exited) {
    if (maps && tpaint >= 0) copy_maps(p, maps);
    kill(p, SIGKILL);
    wait4(p, &st, 0, &ru);
  }
  printf("map_ms %.1f paint_ms %.1f user_ms %.1f sys_ms %.1f cpu_ms %.1f\n", tmap, tpaint,
         ms(ru.ru_utime), ms(ru.ru_stime), ms(ru.ru_utime) + ms(ru.ru_stime));
  return tpaint < 0;
}
