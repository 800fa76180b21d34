// The launcher's background picture, decoded once and kept stretched to the
// last size asked for, made ahead on a helper thread when announced.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/dib_decoder.h"
#include "platform/platform.h"

namespace mavrel {

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
