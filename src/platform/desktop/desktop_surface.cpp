#include "platform/desktop/desktop_surface.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

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

}  // namespace mavrel
