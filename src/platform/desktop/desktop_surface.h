// The drawing surfaces of the desktop launcher and the rectangles drawn on
// them:
// - SDL surfaces owned by a holder that frees them (SurfacePtr);
// - large pixel surfaces (the back buffer, the stretched picture) on
//   transparent huge pages where the system offers them (NewPixelSurface);
// - the picture decoded once and kept stretched to the last size asked for
//   (ScaledPicture);
// - the program's icon.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/desktop/dib_decoder.h"
#include "platform/platform.h"

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

/// The program's icon, 32 x 32 ARGB; null when it cannot be made.
SurfacePtr MakeIcon();

/// The overlap of two rectangles; empty (all zero) when they do not meet.
SDL_Rect Intersect(const SDL_Rect& a, const SDL_Rect& b);
inline bool IsEmpty(const SDL_Rect& r) { return r.w <= 0 || r.h <= 0; }
/// A platform rectangle as an SDL one, with its edges kept in range so that
/// width and height cannot overflow.
SDL_Rect ToSdl(const PlatformRect& r);
/// Adds `piece` to a region of rectangles unless it is empty or one of
/// them covers it; a region of very many pieces becomes its bounds.
void AddToRegion(std::vector<SDL_Rect>& region, const SDL_Rect& piece);
/// The smallest rectangle holding every piece; empty for no pieces.
SDL_Rect Bounds(const std::vector<SDL_Rect>& region);
inline SDL_Color ToSdlColor(ColorRef c) {
  return SDL_Color{static_cast<Uint8>(c & 0xFF), static_cast<Uint8>((c >> 8) & 0xFF),
                   static_cast<Uint8>((c >> 16) & 0xFF), 255};
}

// The launcher's one picture, decoded when it is first drawn and kept
// stretched to the last destination size (it draws the same picture at
// the same size on every paint).
class ScaledPicture {
 public:
  /// `picture` stretched with a linear filter to `width` x `height`, the
  /// right way up whichever way it is stored; null when it cannot be
  /// decoded or the surface cannot be had. Valid until the next call.
  SDL_Surface* At(const DibView& picture, int width, int height);

 private:
  const std::uint8_t* info_ = nullptr;
  std::size_t infoSize_ = 0;
  const std::uint8_t* bits_ = nullptr;
  std::size_t bitsSize_ = 0;
  bool decoded_ = false;
  bool decodedOk_ = false;
  DecodedPicture picture_;
  SurfacePtr scaled_;
};

}  // namespace mavrel
