// The desktop backend driven in memory: windows of SDL's offscreen video
// driver found by their titles, and SDL events pushed as a display would
// send them, so that event handling is tested without an X server.
#pragma once

#include <SDL.h>

#include <string>

namespace mavrel::offscreen {

// One event for a window: a pointer move (`detail`: the buttons held, as
// SDL_BUTTON_LMASK), a press or release (`detail`: the button), a window
// event (`detail`: which, as SDL_WINDOWEVENT_CLOSE), a key press (`detail`:
// the key) or a quit request.
struct Input {
  Uint32 type;
  int x = 0;
  int y = 0;
  Uint32 detail = 0;
};

inline Input Move(int x, int y, Uint32 held = 0) { return {SDL_MOUSEMOTION, x, y, held}; }
inline Input Press(int x, int y, Uint32 button = SDL_BUTTON_LEFT) {
  return {SDL_MOUSEBUTTONDOWN, x, y, button};
}
inline Input Release(int x, int y, Uint32 button = SDL_BUTTON_LEFT) {
  return {SDL_MOUSEBUTTONUP, x, y, button};
}
inline Input Window(SDL_WindowEventID what) { return {SDL_WINDOWEVENT, 0, 0, what}; }
inline Input Key(SDL_Keycode key) { return {SDL_KEYDOWN, 0, 0, static_cast<Uint32>(key)}; }
inline Input Quit() { return {SDL_QUIT}; }

inline SDL_Event MakeEvent(const Input& input, Uint32 windowId) {
  SDL_Event event{};
  event.type = input.type;
  switch (input.type) {
    case SDL_MOUSEMOTION:
      event.motion.windowID = windowId;
      event.motion.x = input.x;
      event.motion.y = input.y;
      event.motion.state = input.detail;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      event.button.windowID = windowId;
      event.button.button = static_cast<Uint8>(input.detail);
      event.button.state = input.type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.button.clicks = 1;
      event.button.x = input.x;
      event.button.y = input.y;
      break;
    case SDL_WINDOWEVENT:
      event.window.windowID = windowId;
      event.window.event = static_cast<Uint8>(input.detail);
      break;
    case SDL_KEYDOWN:
      event.key.windowID = windowId;
      event.key.state = SDL_PRESSED;
      event.key.keysym.sym = static_cast<SDL_Keycode>(input.detail);
      break;
    default:
      break;
  }
  return event;
}

inline void Push(const Input& input, Uint32 windowId) {
  SDL_Event event = MakeEvent(input, windowId);
  SDL_PushEvent(&event);
}

/// Has windows drawn into plain surfaces of the offscreen driver's own, as
/// on X11 (set before the first window surface is made; undone with
/// SDL_ResetHint). By default SDL puts an OpenGL renderer (Mesa's llvmpipe)
/// behind them, which only slows the tests down, and which deadlocks under
/// AddressSanitizer's slow unwinding: LLVM allocates while it holds the
/// unwinder's lock.
inline void UsePlainSurfaces() { SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0"); }

/// The first window other than `except` titled `title` (null: with any
/// title); null when there is none.
inline SDL_Window* WindowTitled(const char* title, SDL_Window* except = nullptr) {
  // SDL numbers the windows it makes from 1 on.
  for (Uint32 id = 1; id < 4096; ++id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (window && window != except && (!title || std::string(title) == SDL_GetWindowTitle(window)))
      return window;
  }
  return nullptr;
}

/// A pixel of a 32-bit surface as 0xRRGGBB.
inline Uint32 PixelOf(SDL_Surface* surface, int x, int y) {
  Uint32 raw = static_cast<const Uint32*>(surface->pixels)[y * (surface->pitch / 4) + x];
  Uint8 r, g, b;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return (Uint32{r} << 16) | (Uint32{g} << 8) | b;
}

}  // namespace mavrel::offscreen
