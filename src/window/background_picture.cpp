#include "window/background_picture.h"

#include <cstring>

namespace mavrel {

BackgroundPicture::BackgroundPicture(Platform& platform, const char* path, LauncherStorage& storage)
    : windows_(platform) {
  Load(platform, path, storage);
  if (bytes_ != nullptr) verdict_ = ValidatePictureFile(bytes_.get(), size_, header_, view_);
  // Pixel data beyond what the drawing operation takes can never be drawn:
  // its bytes (gigabytes, when the file really holds them) are not kept.
  if (verdict_ == PictureVerdict::kPixelsTooLarge) {
    bytes_.reset();
    size_ = 0;
  }
  if (drawable()) windows_.PreparePicture(view_);
}

void BackgroundPicture::Load(FileSystem& files, const char* path, LauncherStorage& storage) {
  // "SMALLWHITE" names no file: nothing is opened, whatever exists under
  // that name. Only the exact word counts.
  if (std::strcmp(path, kSmallWhite) == 0) {
    smallWhite_ = true;
    return;
  }
  FileHandle file = files.OpenFileForReading(path);
  if (file == InvalidFileHandle()) return;
  std::uint32_t size = files.GetFileSize(file);
  if (size == 0xFFFFFFFFu) {
    files.CloseFile(file);
    return;
  }
  bytes_ = storage.NewBytes(size);
  if (bytes_ == nullptr) {
    files.CloseFile(file);
    return;
  }
  size_ = size;
  // One read of the whole size, judged by its own result alone.
  if (!files.ReadFile(file, bytes_.get(), size)) {
    Destroy();
    files.CloseFile(file);
    return;
  }
  // A file that cannot be closed after a good read is not trusted.
  if (!files.CloseFile(file)) Destroy();
}

void BackgroundPicture::PaintPicture(DrawingContext context, std::int32_t left, std::int32_t top,
                                     std::int32_t right, std::int32_t bottom) {
  // The window has no background brush and erases nothing, so without a
  // picture to draw we paint the area white ourselves rather than leave
  // whatever the screen held there.
  if (!drawable()) {
    windows_.FillRect(context, PlatformRect{left, top, right, bottom}, kEmptyBackgroundColor);
    return;
  }
  auto width =
      static_cast<int>(static_cast<std::uint32_t>(right) - static_cast<std::uint32_t>(left));
  auto height =
      static_cast<int>(static_cast<std::uint32_t>(bottom) - static_cast<std::uint32_t>(top));
  // The source height is the row count: the header's own sign already says
  // in which order the rows are stored, and a negative source height makes
  // the drawing operation draw nothing at all.
  windows_.StretchDIBits(context, left, top, width, height, 0, 0, header_.width,
                         static_cast<std::int32_t>(header_.rows), view_, kDibRgbColors,
                         kSourceCopy);
}

void BackgroundPicture::Destroy() {
  bytes_.reset();
  size_ = 0;
  verdict_ = PictureVerdict::kTooShort;
  header_ = PictureHeader{};
  view_ = DibView{};
}

}  // namespace mavrel
