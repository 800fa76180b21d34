#include "platform/desktop/scaled_picture.h"

#include <new>
#include <utility>

namespace mavrel {

ScaledPicture::~ScaledPicture() { Finish(); }

ScaledPicture::Source ScaledPicture::SourceOf(const DibView& picture) {
  return Source{picture.info, picture.infoSize, picture.bits, picture.bitsSize};
}

void ScaledPicture::Prepare(const DibView& picture) {
  Finish();
  announced_ = Source{};
  copy_.clear();
  if (!picture.info || !picture.bits || picture.infoSize + picture.bitsSize < picture.infoSize ||
      picture.infoSize + picture.bitsSize > kMaxPreparedBytes) {
    return;
  }
  // Without memory for the copy the picture is simply not made ahead: At
  // makes it when it is drawn.
  try {
    copy_.reserve(picture.infoSize + picture.bitsSize);
  } catch (const std::bad_alloc&) {
    return;
  }
  copy_.assign(picture.info, picture.info + picture.infoSize);
  copy_.insert(copy_.end(), picture.bits, picture.bits + picture.bitsSize);
  announced_ = SourceOf(picture);
}

void ScaledPicture::StartAt(int width, int height) {
  Finish();
  if (copy_.empty() || width <= 0 || height <= 0) return;
  pending_ = true;
  pendingMade_ = Stretched{};
  stretching_ = StartHelper([this, width, height] {
    DibView view;
    view.info = copy_.data();
    view.infoSize = announced_.infoSize;
    view.bits = copy_.data() + announced_.infoSize;
    view.bitsSize = announced_.bitsSize;
    pendingMade_.decodedOk = DecodeDib(view, pendingMade_.picture);
    if (pendingMade_.decodedOk) Stretch(pendingMade_, width, height);
  });
}

void ScaledPicture::Finish() {
  stretching_.Join();
  if (!pending_) return;
  pending_ = false;
  // Taken by the next At of the announced picture at this size.
  made_ = std::move(pendingMade_);
  pendingMade_ = Stretched{};
  source_ = announced_;
  decoded_ = true;
}

void ScaledPicture::Stretch(Stretched& made, int width, int height) {
  made.scaled.reset();
  SurfacePtr source(SDL_CreateRGBSurfaceWithFormatFrom(
      made.picture.pixels.data(), made.picture.width, made.picture.height, 32,
      made.picture.width * 4, SDL_PIXELFORMAT_RGB888));
  SurfacePtr scaled = NewPixelSurface(width, height);
  if (!source || !scaled) return;
  SDL_SetSurfaceBlendMode(source.get(), SDL_BLENDMODE_NONE);
  if (source->w == width && source->h == height) {
    SDL_BlitSurface(source.get(), nullptr, scaled.get(), nullptr);
  } else if (SDL_SoftStretchLinear(source.get(), nullptr, scaled.get(), nullptr) != 0) {
    SDL_BlitScaled(source.get(), nullptr, scaled.get(), nullptr);
  }
  SDL_SetSurfaceBlendMode(scaled.get(), SDL_BLENDMODE_NONE);
  made.scaled = std::move(scaled);
}

SDL_Surface* ScaledPicture::At(const DibView& picture, int width, int height) {
  Finish();
  Source wanted = SourceOf(picture);
  if (!decoded_ || !(source_ == wanted)) {
    source_ = wanted;
    made_ = Stretched{};
    decoded_ = true;
    made_.decodedOk = DecodeDib(picture, made_.picture);
  }
  if (!made_.decodedOk) return nullptr;
  if (made_.scaled && made_.scaled->w == width && made_.scaled->h == height) {
    return made_.scaled.get();
  }
  Stretch(made_, width, height);
  return made_.scaled.get();
}

}  // namespace mavrel
