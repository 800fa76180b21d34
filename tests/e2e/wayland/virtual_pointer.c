/* The tests' own pointer on a wlroots compositor (sway), which has no
 * input device when it runs headless: moves and clicks are sent through
 * the virtual pointer protocol, as a real mouse's would arrive.
 *
 *   mavrel_virtual_pointer WIDTH HEIGHT ACTION...
 *     move X Y     the pointer to (X, Y) of the WIDTH x HEIGHT layout
 *     press        the left button down
 *     release      and up
 *     wait MS      a pause
 * Exits 0 when every action was sent and the compositor has read them. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void Global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
  }
}

static void GlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}

static const struct wl_registry_listener kRegistry = {Global, GlobalRemove};

static uint32_t NowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s WIDTH HEIGHT [move X Y | press | release | wait MS]...\n", argv[0]);
    return 2;
  }
  uint32_t width = (uint32_t)atoi(argv[1]), height = (uint32_t)atoi(argv[2]);
  struct wl_display* display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "virtual pointer: no Wayland display\n");
    return 1;
  }
  struct wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, NULL);
  wl_display_roundtrip(display);
  if (!manager) {
    fprintf(stderr, "virtual pointer: the compositor offers no virtual pointer\n");
    return 1;
  }
  struct zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  for (int i = 3; i < argc; ++i) {
    if (strcmp(argv[i], "move") == 0 && i + 2 < argc) {
      uint32_t x = (uint32_t)atoi(argv[i + 1]), y = (uint32_t)atoi(argv[i + 2]);
      i += 2;
      zwlr_virtual_pointer_v1_motion_absolute(pointer, NowMs(), x, y, width, height);
    } else if (strcmp(argv[i], "press") == 0 || strcmp(argv[i], "release") == 0) {
      zwlr_virtual_pointer_v1_button(pointer, NowMs(), BTN_LEFT,
                                     strcmp(argv[i], "press") == 0
                                         ? WL_POINTER_BUTTON_STATE_PRESSED
                                         : WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (strcmp(argv[i], "wait") == 0 && i + 1 < argc) {
      struct timespec pause = {0, atoi(argv[++i]) * 1000000L};
      nanosleep(&pause, NULL);
      continue;
    } else {
      fprintf(stderr, "virtual pointer: unknown action %s\n", argv[i]);
      return 2;
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
