#include "platform/desktop/x11_window_manager.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace mavrel {
namespace {

struct XWindow {
  Display* display = nullptr;
  Window window = 0;
  explicit operator bool() const { return display != nullptr && window != 0; }
};

XWindow Of(SDL_Window* window) {
  if (!window) return {};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  return XWindow{info.info.x11.display, info.info.x11.window};
}

// The CARDINAL (or other 32-bit) list of a property; empty when unset.
std::vector<long> LongsOf(Display* display, Window window, Atom property, Atom type,
                          long maxLongs) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, property, 0, maxLongs, False, type, &actualType, &format,
                         &count, &after, &data) == Success &&
      data != nullptr && format == 32) {
    const long* longs = reinterpret_cast<const long*>(data);
    values.assign(longs, longs + count);
  }
  if (data) XFree(data);
  return values;
}

// The window's _NET_FRAME_EXTENTS: left, right, top and bottom.
FrameExtents FrameExtentsOf(Display* display, Window window, Atom property) {
  FrameExtents extents;
  std::vector<long> values = LongsOf(display, window, property, XA_CARDINAL, 4);
  if (values.size() == 4) {
    auto side = [](long v) { return static_cast<int>(std::clamp(v, 0l, 4096l)); };
    extents.known = extents.asked = true;
    extents.left = side(values[0]);
    extents.right = side(values[1]);
    extents.top = side(values[2]);
    extents.bottom = side(values[3]);
  }
  return extents;
}

}  // namespace

bool IsX11Window(SDL_Window* window) { return static_cast<bool>(Of(window)); }

const char* X11Resources(SDL_Window* window) {
  XWindow x = Of(window);
  return x ? XResourceManagerString(x.display) : nullptr;
}

bool IsXWayland(SDL_Window* window) {
  if (!IsX11Window(window)) return false;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && wayland[0] != '\0') return true;
  // SDL names each display after its RandR output (or the monitor's own
  // name, which XWayland's outputs do not have).
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    const char* name = SDL_GetDisplayName(i);
    if (name != nullptr && std::strncmp(name, "XWAYLAND", 8) == 0) return true;
  }
  return false;
}

FrameExtents AskFrameExtents(SDL_Window* window, int deadlineMs) {
  FrameExtents extents;
  XWindow x = Of(window);
  if (!x) return extents;
  const char* names[] = {"_NET_SUPPORTED", "_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS"};
  Atom atoms[3];
  if (!XInternAtoms(x.display, const_cast<char**>(names), 3, False, atoms)) return extents;
  Window root = DefaultRootWindow(x.display);
  // Only a window manager that says it answers is asked: with none (a bare
  // X server) the launcher would wait for nothing.
  std::vector<long> supported = LongsOf(x.display, root, atoms[0], XA_ATOM, 4096);
  if (std::find(supported.begin(), supported.end(), static_cast<long>(atoms[1])) ==
      supported.end()) {
    return extents;
  }
  XEvent request;
  std::memset(&request, 0, sizeof request);
  request.xclient.type = ClientMessage;
  request.xclient.window = x.window;
  request.xclient.message_type = atoms[1];
  request.xclient.format = 32;
  XSendEvent(x.display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(x.display);
  extents.asked = true;
  // The answer is a property on the window: it is read, not waited for as
  // an event, so that none of SDL's events is taken from its queue.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  while (true) {
    FrameExtents answer = FrameExtentsOf(x.display, x.window, atoms[2]);
    if (answer.known) return answer;
    if (std::chrono::steady_clock::now() >= end) return extents;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

FrameExtents ReadFrameExtents(SDL_Window* window) {
  XWindow x = Of(window);
  if (!x) return {};
  return FrameExtentsOf(x.display, x.window, XInternAtom(x.display, "_NET_FRAME_EXTENTS", False));
}

void PlaceClient(SDL_Window* window, int left, int top) {
  XWindow x = Of(window);
  if (!x) return;
  XSizeHints* hints = XAllocSizeHints();
  if (!hints) return;
  long supplied = 0;
  XGetWMNormalHints(x.display, x.window, hints, &supplied);
  hints->flags |= PWinGravity | USPosition;
  hints->win_gravity = StaticGravity;
  hints->x = left;
  hints->y = top;
  XSetWMNormalHints(x.display, x.window, hints);
  XFree(hints);
  XMoveWindow(x.display, x.window, left, top);
  XFlush(x.display);
}

void PlaceWithFrame(SDL_Window* window, int x, int y, const FrameExtents& frame) {
  PlaceClient(window, x + (frame.left - frame.right) / 2, y + (frame.top - frame.bottom) / 2);
}

void SetStartupId(SDL_Window* window, const std::string& id) {
  XWindow x = Of(window);
  if (!x || id.empty()) return;
  Atom property = XInternAtom(x.display, "_NET_STARTUP_ID", False);
  Atom utf8 = XInternAtom(x.display, "UTF8_STRING", False);
  XChangeProperty(x.display, x.window, property, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(id.data()), static_cast<int>(id.size()));
  XFlush(x.display);
}

std::string StartupCompleteMessage(const std::string& id) {
  // A value is quoted, with '"' and '\' escaped by a backslash.
  std::string message = "remove: ID=\"";
  for (char c : id) {
    if (c == '"' || c == '\\') message += '\\';
    message += c;
  }
  message += '"';
  return message;
}

void SendStartupComplete(SDL_Window* window, const std::string& id) {
  XWindow x = Of(window);
  if (!x || id.empty()) return;
  // The message, its terminating nul included, goes to the root window in
  // pieces of 20 bytes: the first of type _NET_STARTUP_INFO_BEGIN, the rest
  // _NET_STARTUP_INFO.
  std::string message = StartupCompleteMessage(id);
  message.push_back('\0');
  Atom begin = XInternAtom(x.display, "_NET_STARTUP_INFO_BEGIN", False);
  Atom more = XInternAtom(x.display, "_NET_STARTUP_INFO", False);
  Window root = DefaultRootWindow(x.display);
  for (std::size_t at = 0; at < message.size(); at += 20) {
    XEvent piece;
    std::memset(&piece, 0, sizeof piece);
    piece.xclient.type = ClientMessage;
    piece.xclient.window = x.window;
    piece.xclient.message_type = at == 0 ? begin : more;
    piece.xclient.format = 8;
    std::memcpy(piece.xclient.data.b, message.data() + at,
                std::min<std::size_t>(20, message.size() - at));
    XSendEvent(x.display, root, False, PropertyChangeMask, &piece);
  }
  XFlush(x.display);
}

}  // namespace mavrel
