#include "platform/desktop/desktop_surface.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace mavrel {
namespace {

#if defined(__SANITIZE_ADDRESS__)
#define MAVREL_PLAIN_PIXELS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define MAVREL_PLAIN_PIXELS 1
#endif
#endif

// The large surfaces (the stretched picture; from half a megabyte on) get
// their pixels as transparent huge pages where the system offers them.
// Fresh memory otherwise costs a page fault per 4 KiB as it is first
// written, about 3 ms per megabyte on a virtual machine: for a window of
// 640 x 400, 3 ms of the launcher's own start-up. The price is resident
// memory rounded up to 2 MiB per surface. Sanitized builds keep SDL's
// allocation, which the sanitizers can watch.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void SurfaceDeleter::operator()(SDL_Surface* surface) const {
  if (!surface) return;
  // Only NewPixelSurface sets the user data of a surface: the pages it mapped.
  void* mapped = surface->userdata;
  std::size_t bytes =
      static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(surface->h);
  SDL_FreeSurface(surface);
  if (mapped) munmap(mapped, MappedSize(bytes));
}

SurfacePtr NewPixelSurface(int width, int height) {
#ifndef MAVREL_PLAIN_PIXELS
  std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (bytes >= kHugePage / 4) {
    std::size_t mapped = MappedSize(bytes);
    std::size_t span = mapped + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw != MAP_FAILED) {
      auto start = reinterpret_cast<std::uintptr_t>(raw);
      std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
      if (aligned > start) munmap(raw, aligned - start);
      if (start + span > aligned + mapped) {
        munmap(reinterpret_cast<void*>(aligned + mapped), start + span - (aligned + mapped));
      }
      void* pixels = reinterpret_cast<void*>(aligned);
      madvise(pixels, mapped, MADV_HUGEPAGE);
      SurfacePtr surface(SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, width * 4,
                                                            SDL_PIXELFORMAT_RGB888));
      if (surface) {
        surface->userdata = pixels;
        return surface;
      }
      munmap(pixels, mapped);
    }
  }
#endif
  return SurfacePtr(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888));
}

HelperTask SupplyPixelPages(SDL_Surface* surface) {
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
  if (!surface || !surface->pixels || surface->h <= 0 || surface->pitch <= 0) return {};
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  auto start = reinterpret_cast<std::uintptr_t>(surface->pixels);
  std::uintptr_t end =
      start + static_cast<std::uintptr_t>(surface->pitch) * static_cast<std::uintptr_t>(surface->h);
  // Only whole pages of the pixels: the pages at either end may hold other data.
  std::uintptr_t first = (start + page - 1) / page * page;
  std::uintptr_t last = end / page * page;
  if (last <= first) return {};
  return StartHelper([first, last] {
    // Fails harmlessly where the system does not know the advice.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
  });
}

// A blue tile with a white arrow pointing up and right, "start something".
SurfacePtr MakeIcon() {
  constexpr int kSize = 32;
  SurfacePtr icon(SDL_CreateRGBSurfaceWithFormat(0, kSize, kSize, 32, SDL_PIXELFORMAT_ARGB8888));
  if (!icon) return nullptr;
  auto* pixels = static_cast<Uint32*>(icon->pixels);
  int pitch = icon->pitch / 4;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      bool corner = (x < 3 || x > kSize - 4) && (y < 3 || y > kSize - 4);
      Uint32 colour = corner ? 0x00000000u : 0xFF1F5FBFu - static_cast<Uint32>(y << 1);
      bool shaft =
          std::abs((x - 8) - (kSize - 16 - (y - 8))) <= 2 && x >= 8 && x <= 22 && y >= 9 && y <= 24;
      bool headTop = y >= 7 && y <= 10 && x >= 14 && x <= 25;
      bool headSide = x >= 22 && x <= 25 && y >= 7 && y <= 18;
      if (!corner && (shaft || headTop || headSide)) colour = 0xFFFFFFFFu;
      pixels[y * pitch + x] = colour;
    }
  }
  return icon;
}

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
