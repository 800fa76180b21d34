// The background picture: the whole BMP file named by [Main] "Background",
// read once at start-up and painted stretched over the client area at the
// start of every repaint. A picture problem is never reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/picture_validation.h"
#include "platform/platform.h"
#include "window/launcher_storage.h"

namespace mavrel {

// The background name that opens no file.
constexpr const char* kSmallWhite = "SMALLWHITE";

// What is painted where there is no drawable picture.
constexpr ColorRef kEmptyBackgroundColor = 0xFFFFFF;

class BackgroundPicture {
 public:
  /// Reads the file at `path` (relative to the current directory) whole:
  /// open, size, one read, close. Any failure, or a path of exactly
  /// "SMALLWHITE", leaves the picture empty; the file is never held open
  /// after construction. The picture is checked once, here.
  BackgroundPicture(Platform& platform, const char* path,
                    LauncherStorage& storage = DefaultStorage());
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  /// Paints the picture stretched to the rectangle (left, top) to (right,
  /// bottom). With nothing drawable the rectangle is filled with white
  /// instead, so that no stale screen contents show through.
  void PaintPicture(DrawingContext context, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom);

  /// Releases the bytes; the picture is empty afterwards.
  void Destroy();

  bool loaded() const { return bytes_ != nullptr; }
  std::size_t size() const { return size_; }
  const std::uint8_t* bytes() const { return bytes_.get(); }
  bool smallWhite() const { return smallWhite_; }
  bool drawable() const { return verdict_ == PictureVerdict::kDrawable; }
  PictureVerdict verdict() const { return verdict_; }
  const PictureHeader& header() const { return header_; }

 private:
  void Load(FileSystem& files, const char* path, LauncherStorage& storage);

  WindowSystem& windows_;
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  bool smallWhite_ = false;
  PictureVerdict verdict_ = PictureVerdict::kTooShort;
  PictureHeader header_;
  DibView view_;
};

}  // namespace mavrel
