// The pixel surfaces of the desktop launcher:
// - SDL surfaces and windows owned by holders that free them (SurfacePtr,
//   WindowPtr);
// - large pixel surfaces (the stretched picture) on transparent huge pages
//   where the system offers them (NewPixelSurface), and a window surface's
//   pages supplied ahead of the first paint (SupplyPixelPages);
// - the program's icon.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>

#include "platform/desktop/startup_work.h"

namespace mavrel {

// Frees an SDL surface, and the huge pages under it when NewPixelSurface
// mapped them.
struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const;
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

struct WindowDeleter {
  void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
using WindowPtr = std::unique_ptr<SDL_Window, WindowDeleter>;

/// A 32-bit RGB888 surface. From half a megabyte on its pixels are mapped
/// on transparent huge pages (except in sanitized builds). Null when it
/// cannot be had.
SurfacePtr NewPixelSurface(int width, int height);

/// Starts having the system supply every page of `surface`'s pixels, on a
/// helper thread (startup_work.h) and in one call, where the system can
/// (Linux 5.14 on): a fresh window surface otherwise takes a page fault for
/// every 4 KiB as the first paint writes it. The pixels keep their values.
/// The surface must stay, and nothing else may write its pixels, until the
/// task is joined. An empty task when there is nothing to supply.
HelperTask SupplyPixelPages(SDL_Surface* surface);

/// The program's icon, 32 x 32 ARGB; null when it cannot be made.
SurfacePtr MakeIcon();

}  // namespace mavrel
