#include "platform/desktop/dib_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "picture/picture_validation.h"
#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/paint_region.h"
#include "platform/desktop/scaled_picture.h"
#include "support/bmp_builder.h"

namespace mavrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 40-byte information header, then `masks`, then the palette as
// 0xRRGGBB entries: a whole file's headers without the file header.
Bytes Info(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
           std::uint32_t imageSize, const std::vector<std::uint32_t>& palette,
           const std::vector<std::uint32_t>& masks = {}) {
  test_support::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = static_cast<std::uint16_t>(bits);
  // Masks follow a 40-byte header only with compression 3; the cases give
  // them only then.
  layout.compression = compression;
  for (std::size_t i = 0; i < masks.size() && i < 3; ++i) layout.masks[i] = masks[i];
  layout.imageSize = imageSize;
  layout.pixelsPerMetre = 2835;
  layout.colorsUsed = static_cast<std::uint32_t>(palette.size());
  layout.paletteEntries = static_cast<int>(palette.size());
  layout.palette = palette;
  layout.pixelBytes = 0;
  const Bytes file = test_support::MakeBmp(layout);
  return Bytes(file.begin() + kBitmapFileHeaderSize, file.end());
}

struct DecodeCase {
  const char* name;
  Bytes info;
  Bytes bits;
  int width, height;
  std::vector<std::uint32_t> pixels;  // top row first
};

std::vector<DecodeCase> Cases() {
  const std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0;
  std::vector<DecodeCase> cases;
  // 24 bits, bottom-up: the first stored row is the bottom one.
  cases.push_back({"24 bits bottom-up",
                   Info(2, 2, 24, 0, 0, {}),
                   {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, /*top*/ 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0},
                   2,
                   2,
                   {B, W, R, G}});
  cases.push_back({"24 bits top-down",
                   Info(2, -2, 24, 0, 0, {}),
                   {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0},
                   2,
                   2,
                   {R, G, B, W}});
  cases.push_back({"8 bits, index past the table is black",
                   Info(3, 1, 8, 0, 0, {R, G}),
                   {1, 0, 7, 0},
                   3,
                   1,
                   {G, R, K}});
  cases.push_back({"4 bits, high nibble first",
                   Info(3, 1, 4, 0, 0, {K, R, G, B}),
                   {0x12, 0x30, 0, 0},
                   3,
                   1,
                   {R, G, B}});
  cases.push_back({"1 bit, high bit first",
                   Info(9, 1, 1, 0, 0, {K, W}),
                   {0xA5, 0x80, 0, 0},
                   9,
                   1,
                   {W, K, W, K, K, W, K, W, W}});
  cases.push_back(
      {"16 bits 5-5-5", Info(2, 1, 16, 0, 0, {}), {0x00, 0x7C, 0x1F, 0x00}, 2, 1, {R, B}});
  cases.push_back({"16 bits with 5-6-5 masks",
                   Info(2, 1, 16, 3, 0, {}, {0xF800, 0x07E0, 0x001F}),
                   {0xE0, 0x07, 0x00, 0xF8},
                   2,
                   1,
                   {G, R}});
  cases.push_back({"32 bits, the fourth byte is not alpha",
                   Info(2, 1, 32, 0, 0, {}),
                   {0xFF, 0, 0, 0, 0, 0xFF, 0, 0x80},
                   2,
                   1,
                   {B, G}});
  cases.push_back({"32 bits with swapped masks",
                   Info(1, 1, 32, 3, 0, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}),
                   {0xFF, 0, 0, 0},
                   1,
                   1,
                   {R}});
  // RLE8: run of 2 red, literal green blue red, end of line; delta; end.
  Bytes rle8 = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 1, 2, 0, 1};
  cases.push_back({"RLE8 runs, literals, delta and skipped pixels",
                   Info(5, 2, 8, 1, static_cast<std::uint32_t>(rle8.size()), {K, R, G, B}),
                   rle8,
                   5,
                   2,
                   {K, G, K, K, K, R, R, G, B, R}});
  // RLE4: run of 3 pixels alternating 1 and 2, literal of 3 pixels 3, 1, 2.
  Bytes rle4 = {3, 0x12, 0, 3, 0x31, 0x20, 0, 1};
  cases.push_back({"RLE4 runs and literals",
                   Info(6, 1, 4, 2, static_cast<std::uint32_t>(rle4.size()), {K, R, G, B}),
                   rle4,
                   6,
                   1,
                   {R, G, R, B, R, G}});
  // A run that would pass the right edge is cut there.
  Bytes wide = {9, 1, 0, 1};
  cases.push_back({"RLE8 run cut at the edge",
                   Info(2, 1, 8, 1, static_cast<std::uint32_t>(wide.size()), {K, R}),
                   wide,
                   2,
                   1,
                   {R, R}});
  // The core header: 16-bit sizes, 3-byte palette entries.
  Bytes core = {12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 8, 0};
  for (int i = 0; i < 256; ++i) {
    core.push_back(i == 1 ? 0xFF : 0);
    core.push_back(0);
    core.push_back(i == 2 ? 0xFF : 0);
  }
  cases.push_back({"core header with 3-byte entries", core, {1, 2, 0, 0}, 2, 1, {B, R}});
  // What the drawing operation draws though the headers say more.
  cases.push_back({"24 bits, no padding after the last row",
                   Info(2, 2, 24, 0, 0, {}),
                   {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, /*top*/ 0xFF, 0, 0, 0xFF, 0xFF, 0xFF},
                   2,
                   2,
                   {B, W, R, G}});
  std::vector<std::uint32_t> table(256, W);
  table[0] = R;
  table[1] = G;
  table[255] = B;
  Bytes claims300 = Info(3, 1, 8, 0, 0, table);
  claims300[32] = 300 & 0xFF;  // the used-colour count
  claims300[33] = 300 >> 8;
  cases.push_back(
      {"8 bits claiming 300 colours: the first 256", claims300, {1, 0, 255, 0}, 3, 1, {G, R, B}});
  table.resize(16);
  table[15] = B;
  Bytes claims256 = Info(2, 1, 4, 0, 0, table);
  claims256[32] = 0;  // 256
  claims256[33] = 1;
  cases.push_back(
      {"4 bits claiming 256 colours: the first 16", claims256, {0x1F, 0, 0, 0}, 2, 1, {G, B}});
  return cases;
}

TEST(DibDecoder, DecodesEveryAcceptedFormat) {
  for (const DecodeCase& c : Cases()) {
    DibView view{c.info.data(), c.info.size(), c.bits.data(), c.bits.size()};
    PictureHeader header;
    ASSERT_EQ(PictureVerdict::kDrawable, ValidateDibView(view, header))
        << c.name << ": " << PictureVerdictName(ValidateDibView(view, header));
    DecodedPicture picture;
    ASSERT_TRUE(DecodeDib(view, picture)) << c.name;
    EXPECT_EQ(c.width, picture.width) << c.name;
    EXPECT_EQ(c.height, picture.height) << c.name;
    EXPECT_EQ(c.pixels, picture.pixels) << c.name;
  }
}

TEST(DibDecoder, RefusesWhatTheChecksRefuseAndHugePictures) {
  // Pixel bits one byte short of what the header describes (two rows of 8
  // bytes, the last one's 2 bytes of padding not needed).
  Bytes info = Info(2, 2, 24, 0, 0, {});
  Bytes bits(13);
  DecodedPicture picture;
  EXPECT_FALSE(DecodeDib(DibView{info.data(), info.size(), bits.data(), bits.size()}, picture));
  EXPECT_TRUE(picture.pixels.empty());
  // A valid RLE picture of 20000 x 20000 pixels in a few bytes.
  Bytes end = {0, 1};
  Bytes huge = Info(20000, 20000, 8, 1, 2, {0});
  EXPECT_FALSE(DecodeDib(DibView{huge.data(), huge.size(), end.data(), end.size()}, picture));
  EXPECT_EQ(0, picture.width);
}

TEST(DibDecoder, RleThatEndsEarlyOrJumpsAwayStaysInside) {
  // Deltas and literals that run past the picture or the data.
  std::vector<Bytes> streams = {
      {0, 2, 200, 200, 5, 1}, {0, 5, 1, 1}, {0, 3}, {4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 7, 1}, {0, 2},
  };
  for (const Bytes& data : streams) {
    Bytes info = Info(3, 2, 8, 1, static_cast<std::uint32_t>(data.size()), {0x111111, 0x222222});
    DecodedPicture picture;
    ASSERT_TRUE(DecodeDib(DibView{info.data(), info.size(), data.data(), data.size()}, picture));
    EXPECT_EQ(6u, picture.pixels.size());
  }
}

std::uint32_t PixelAt(const SDL_Surface* s, int x, int y) {
  return static_cast<const std::uint32_t*>(s->pixels)[y * (s->pitch / 4) + x] & 0xFFFFFF;
}

TEST(DesktopSurface, PictureIsDecodedOnceAndKeptStretchedToTheLastSize) {
  const DecodeCase topDown = Cases()[1];  // R G over B W, stored top-down
  DibView view{topDown.info.data(), topDown.info.size(), topDown.bits.data(), topDown.bits.size()};
  ScaledPicture picture;
  SDL_Surface* same = picture.At(view, 2, 2);
  ASSERT_NE(nullptr, same);
  EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}),
            (std::vector<std::uint32_t>{PixelAt(same, 0, 0), PixelAt(same, 1, 0),
                                        PixelAt(same, 0, 1), PixelAt(same, 1, 1)}));
  EXPECT_EQ(same, picture.At(view, 2, 2));
  // Stretched: the corners keep their colours, the right way up.
  SDL_Surface* big = picture.At(view, 400, 300);
  ASSERT_NE(nullptr, big);
  EXPECT_EQ(400, big->w);
  EXPECT_EQ(300, big->h);
  EXPECT_EQ(0xFF0000u, PixelAt(big, 0, 0));
  EXPECT_EQ(0x00FF00u, PixelAt(big, 399, 0));
  EXPECT_EQ(0x0000FFu, PixelAt(big, 0, 299));
  EXPECT_EQ(0xFFFFFFu, PixelAt(big, 399, 299));
  // Another picture is decoded anew; one that fails the checks gives none
  // (a last row cut into its pixels, not only its padding).
  Bytes shortBits(topDown.bits.begin(), topDown.bits.end() - 3);
  EXPECT_EQ(nullptr, picture.At(DibView{topDown.info.data(), topDown.info.size(), shortBits.data(),
                                        shortBits.size()},
                                400, 300));
  EXPECT_NE(nullptr, picture.At(view, 400, 300));
}

TEST(DesktopSurface, PictureMadeAheadIsTakenOnlyForItsViewAndSize) {
  const DecodeCase topDown = Cases()[1];
  Bytes info = topDown.info, bits = topDown.bits;
  DibView view{info.data(), info.size(), bits.data(), bits.size()};
  ScaledPicture direct;
  SDL_Surface* expected = direct.At(view, 300, 200);
  ASSERT_NE(nullptr, expected);

  ScaledPicture ahead;
  ahead.Prepare(view);
  ahead.StartAt(300, 200);
  // Made from a copy: the view's bytes may change meanwhile without harm.
  std::fill(bits.begin(), bits.end(), 0);
  ahead.Finish();
  SDL_Surface* taken = ahead.At(view, 300, 200);
  ASSERT_NE(nullptr, taken);
  const std::pair<int, int> points[] = {{0, 0},   {150, 100}, {299, 0},
                                        {0, 199}, {299, 199}, {77, 133}};
  for (auto [x, y] : points) {
    EXPECT_EQ(PixelAt(expected, x, y), PixelAt(taken, x, y)) << x << "," << y;
  }
  // Another size is stretched from what was decoded; another view is
  // decoded then and there.
  SDL_Surface* other = ahead.At(view, 30, 20);
  ASSERT_NE(nullptr, other);
  EXPECT_EQ(0xFF0000u, PixelAt(other, 0, 0));

  ScaledPicture elsewhere;
  elsewhere.Prepare(view);
  elsewhere.StartAt(30, 20);
  Bytes otherBits = topDown.bits;
  SDL_Surface* fresh =
      elsewhere.At(DibView{info.data(), info.size(), otherBits.data(), otherBits.size()}, 30, 20);
  ASSERT_NE(nullptr, fresh);
  EXPECT_EQ(0xFF0000u, PixelAt(fresh, 0, 0));

  // Nothing announced, or nothing to stretch to: nothing runs, At still works.
  ScaledPicture idle;
  idle.StartAt(300, 200);
  idle.Prepare(view);
  idle.StartAt(0, 200);
  idle.Finish();
  EXPECT_NE(nullptr, idle.At(view, 2, 2));
}

TEST(DesktopSurface, SuppliedPixelPagesKeepTheirValues) {
  for (int side : {1, 64, 700}) {
    SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_RGB888));
    ASSERT_NE(nullptr, surface);
    auto* pixels = static_cast<std::uint32_t*>(surface->pixels);
    const std::size_t count = static_cast<std::size_t>(surface->pitch / 4) * side;
    for (std::size_t i = 0; i < count; ++i) pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);
    HelperTask supplying = SupplyPixelPages(surface.get());
    supplying.Join();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < count; ++i)
      changed += pixels[i] != static_cast<std::uint32_t>(i * 2654435761u);
    EXPECT_EQ(0u, changed) << side;
  }
  EXPECT_FALSE(SupplyPixelPages(nullptr).started());
}

TEST(DesktopSurface, LargeAndSmallPixelSurfacesHoldTheirPixels) {
  for (int side : {1, 300, 1500}) {
    SurfacePtr surface = NewPixelSurface(side, side);
    ASSERT_NE(nullptr, surface) << side;
    EXPECT_EQ(side * 4, surface->pitch) << side;
    SDL_Rect last{side - 1, side - 1, 1, 1};
    EXPECT_EQ(0, SDL_FillRect(surface.get(), &last, 0x123456));
    EXPECT_EQ(0x123456u, PixelAt(surface.get(), side - 1, side - 1)) << side;
  }
}

TEST(DesktopSurface, RegionPiecesCoveredOrEmptyAddNothingAndManyBecomeTheirBounds) {
  struct Case {
    const char* name;
    std::vector<SDL_Rect> pieces;
    std::vector<SDL_Rect> region;
  } cases[] = {
      {"empty piece", {{5, 5, 0, 10}}, {}},
      {"two apart", {{0, 0, 10, 10}, {20, 0, 5, 5}}, {{0, 0, 10, 10}, {20, 0, 5, 5}}},
      {"covered piece", {{0, 0, 10, 10}, {2, 2, 3, 3}}, {{0, 0, 10, 10}}},
      {"overlapping piece kept",
       {{0, 0, 10, 10}, {5, 5, 10, 10}},
       {{0, 0, 10, 10}, {5, 5, 10, 10}}},
  };
  auto same = [](const std::vector<SDL_Rect>& a, const std::vector<SDL_Rect>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& x, auto& y) {
             return x.x == y.x && x.y == y.y && x.w == y.w && x.h == y.h;
           });
  };
  for (const Case& c : cases) {
    std::vector<SDL_Rect> region;
    for (const SDL_Rect& piece : c.pieces) AddToRegion(region, piece);
    EXPECT_TRUE(same(c.region, region)) << c.name;
  }
  std::vector<SDL_Rect> many;
  for (int i = 0; i < 65; ++i) AddToRegion(many, SDL_Rect{i * 10, 100 - i, 5, 5});
  EXPECT_TRUE(same({{0, 36, 645, 69}}, many));
  EXPECT_TRUE(same({Bounds(many)}, many));
  EXPECT_EQ(0, Bounds({}).w);
}

}  // namespace
}  // namespace mavrel
