#include "platform/desktop/paint_region.h"

#include <algorithm>
#include <cstdint>

namespace mavrel {

SDL_Rect Intersect(const SDL_Rect& a, const SDL_Rect& b) {
  int left = std::max(a.x, b.x);
  int top = std::max(a.y, b.y);
  int right = std::min(a.x + a.w, b.x + b.w);
  int bottom = std::min(a.y + a.h, b.y + b.h);
  if (right <= left || bottom <= top) return SDL_Rect{0, 0, 0, 0};
  return SDL_Rect{left, top, right - left, bottom - top};
}

SDL_Rect ToSdl(const PlatformRect& r) {
  auto clamp = [](std::int32_t v) { return std::clamp<std::int32_t>(v, -(1 << 24), 1 << 24); };
  int left = clamp(r.left), top = clamp(r.top), right = clamp(r.right), bottom = clamp(r.bottom);
  return SDL_Rect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

void AddToRegion(std::vector<SDL_Rect>& region, const SDL_Rect& piece) {
  if (IsEmpty(piece)) return;
  for (const SDL_Rect& existing : region) {
    SDL_Rect both = Intersect(existing, piece);
    if (both.x == piece.x && both.y == piece.y && both.w == piece.w && both.h == piece.h) return;
  }
  region.push_back(piece);
  // A region of very many pieces is no cheaper to repaint than its bounds.
  if (region.size() > 64) region.assign(1, Bounds(region));
}

SDL_Rect Bounds(const std::vector<SDL_Rect>& region) {
  SDL_Rect bounds{0, 0, 0, 0};
  for (const SDL_Rect& piece : region) {
    if (IsEmpty(bounds)) {
      bounds = piece;
    } else {
      SDL_UnionRect(&bounds, &piece, &bounds);
    }
  }
  return bounds;
}

}  // namespace mavrel
