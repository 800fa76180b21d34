// The drawing surfaces of the desktop launcher and the rectangles drawn on
// them:
// - SDL surfaces owned by a holder that frees them (SurfacePtr);
// - large pixel surfaces (the stretched picture) on
//   transparent huge pages where the system offers them (NewPixelSurface);
// - the picture decoded once and kept stretched to the last size asked for,
//   made ahead on a helper thread when announced (ScaledPicture);
// - the program's icon.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/desktop/dib_decoder.h"
#include "platform/desktop/startup_work.h"
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

/// Starts having the system supply every page of `surface`'s pixels, on a
/// helper thread (startup_work.h) and in one call, where the system can
/// (Linux 5.14 on): a fresh window surface otherwise takes a page fault for
/// every 4 KiB as the first paint writes it. The pixels keep their values.
/// The surface must stay, and nothing else may write its pixels, until the
/// task is joined. An empty task when there is nothing to supply.
HelperTask SupplyPixelPages(SDL_Surface* surface);

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

// The launcher's one picture, decoded and stretched once and kept at the
// last destination size (it draws the same picture at the same size on
// every paint). Announced ahead (Prepare, then StartAt with the size), the
// work is done on a helper thread (startup_work.h) while the window is being
// made, from a copy of the picture's bytes.
class ScaledPicture {
 public:
  ScaledPicture() = default;
  /// Waits for the helper thread.
  ~ScaledPicture();
  ScaledPicture(const ScaledPicture&) = delete;
  ScaledPicture& operator=(const ScaledPicture&) = delete;

  /// Keeps a copy of `picture` for StartAt; pictures of more than
  /// kMaxPreparedBytes are left to At.
  void Prepare(const DibView& picture);
  /// Starts decoding and stretching the prepared picture to `width` x
  /// `height` on a helper thread; nothing without a prepared picture.
  void StartAt(int width, int height);
  /// Waits for the helper thread, if one runs, and keeps what it made.
  void Finish();

  /// `picture` stretched with a linear filter to `width` x `height`, the
  /// right way up whichever way it is stored; null when it cannot be
  /// decoded or the surface cannot be had. What the helper thread made is
  /// taken when it is of this picture (the same view) at this size. Valid
  /// until the next call.
  SDL_Surface* At(const DibView& picture, int width, int height);

  static constexpr std::size_t kMaxPreparedBytes = 64u << 20;

 private:
  struct Source {
    const std::uint8_t* info = nullptr;
    std::size_t infoSize = 0;
    const std::uint8_t* bits = nullptr;
    std::size_t bitsSize = 0;
    bool operator==(const Source& other) const {
      return info == other.info && infoSize == other.infoSize && bits == other.bits &&
             bitsSize == other.bitsSize;
    }
  };
  struct Stretched {
    bool decodedOk = false;
    DecodedPicture picture;
    SurfacePtr scaled;
  };
  static Source SourceOf(const DibView& picture);
  static void Stretch(Stretched& made, int width, int height);

  // What the helper thread works on and for.
  Source announced_;
  std::vector<std::uint8_t> copy_;  // the announced info, then its bits
  Stretched pendingMade_;           // written by the helper until it is joined
  bool pending_ = false;            // pendingMade_ is for StartAt's size
  HelperTask stretching_;

  Source source_;
  bool decoded_ = false;
  Stretched made_;
};

}  // namespace mavrel
