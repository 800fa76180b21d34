// The rectangles of the desktop launcher's paints: platform rectangles and
// colours as SDL's, overlaps, and regions of rectangles collected from
// invalidations and repainted together.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/platform.h"

namespace mavrel {

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

}  // namespace mavrel
