// What the desktop launcher settles with an X11 window manager (EWMH and
// the startup-notification protocol) that SDL does not:
// - the frame's size before the window maps (_NET_REQUEST_FRAME_EXTENTS),
//   so that the whole window, frame included, is centred as on Windows;
// - the client's position given with static gravity, which every window
//   manager keeps, whatever it does with the default gravity;
// - launch feedback: the launching desktop's DESKTOP_STARTUP_ID on the
//   window before it maps (_NET_STARTUP_ID), and the "remove" message once
//   it shows, which ends the busy pointer at once rather than at a time-out;
// - the X resources text (Xft.dpi) and whether the server is XWayland, for
//   the scale (desktop_scale.h).
// Every function does nothing (or gives the "none" answer) for a window
// that is not on X11.
#pragma once

#include <SDL.h>

#include <string>

namespace mavrel {

struct FrameExtents {
  bool known = false;  // the window manager told them
  bool asked = false;  // a window manager that offers to tell them was asked
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

/// True when `window` is an X11 window.
bool IsX11Window(SDL_Window* window);

/// The X resources text of the window's display (the root window's
/// RESOURCE_MANAGER as read at connection); null when none.
const char* X11Resources(SDL_Window* window);

/// True when the window's server is XWayland, whose compositor scales X11
/// windows itself: its outputs are named XWAYLAND, or a Wayland display is
/// named in the environment.
bool IsXWayland(SDL_Window* window);

/// Asks the window manager for the frame it will give the unmapped window
/// and waits for the answer at most `deadlineMs`. Unknown when no window
/// manager runs, it does not offer the request, or it does not answer.
FrameExtents AskFrameExtents(SDL_Window* window, int deadlineMs);

/// The frame the window manager has said it gives the window, as it is
/// now, without asking or waiting. Unknown while it has said nothing.
FrameExtents ReadFrameExtents(SDL_Window* window);

/// Places the window's client area at (x, y) of the screen, with static
/// gravity so that the window manager puts its frame around it there; the
/// window may be mapped already.
void PlaceClient(SDL_Window* window, int x, int y);

/// Places the client so that the window, `frame` included, is centred where
/// a client alone at (x, y) would be: moved by half the frame's difference.
void PlaceWithFrame(SDL_Window* window, int x, int y, const FrameExtents& frame);

/// Gives the unmapped window the launch's startup id (_NET_STARTUP_ID).
void SetStartupId(SDL_Window* window, const std::string& id);

/// Tells the desktop that the launch with `id` has shown its window.
void SendStartupComplete(SDL_Window* window, const std::string& id);

/// The startup-notification message that ends the launch `id`: "remove:"
/// with the id quoted as the protocol quotes values.
std::string StartupCompleteMessage(const std::string& id);

}  // namespace mavrel
