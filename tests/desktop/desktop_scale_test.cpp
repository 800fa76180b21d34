// The desktop's scale as the launcher reads it, and the client area on
// the window's pixels: scaled, centred in a larger window, pointer
// positions brought back, and the margin round a smaller client.
#include "platform/desktop/desktop_scale.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/desktop/desktop_surface.h"

namespace mavrel {
namespace {

TEST(DesktopScale, ScaleTexts) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"1", 1.0},       {"2", 2.0},   {"1.5", 1.5},  {"1.25", 1.25}, {"150%", 1.5},
      {"125 %", 0},     {" 2 ", 2.0}, {"1.3", 1.25}, {"1.4", 1.5},   {"0.5", 1.0},
      {"9", kMaxScale}, {"0", 0},     {"-2", 0},     {"", 0},        {"x", 0},
      {"2x", 0},        {"inf", 0},   {"nan", 0},    {"1e400", 0},   {nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ParseScale(c.text)) << (c.text ? c.text : "(null)");
  }
}

TEST(DesktopScale, XftDpiFromTheResources) {
  struct Case {
    const char* resources;
    double expected;
  };
  const Case cases[] = {
      {"Xft.dpi:\t192\n", 2.0},
      {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5},
      {"Xft.dpi: 120", 1.25},
      {"  Xft.dpi :\t96\n", 1.0},
      {"Xft.dpi:\t96\nXft.dpi:\t192\n", 2.0},  // the last one counts
      {"Xft.dpi:\t72\n", 1.0},                 // never below 1
      {"Xft.dpi:\t193.5\n", 2.0},
      {"Xft.dpix:\t192\n", 0},
      {"*.dpi:\t192\n", 0},
      {"Xft.dpi:\tbig\n", 0},
      {"Xft.dpi:\t-192\n", 0},
      {"Xft.dpi:\n", 0},
      {"Xft.dpi", 0},
      {"", 0},
      {nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ScaleFromResources(c.resources))
        << (c.resources ? c.resources : "(null)");
  }
}

TEST(DesktopScale, TheAuthorsScaleThenTheCompositorThenXftDpiThenGdkScale) {
  struct Case {
    ScaleSources sources;
    double expected;
  };
  const char* dpi192 = "Xft.dpi:\t192\n";
  const Case cases[] = {
      {{nullptr, nullptr, nullptr, false}, 1.0},
      {{nullptr, dpi192, nullptr, false}, 2.0},
      {{nullptr, dpi192, "3", false}, 2.0},
      {{nullptr, "Xft.rgba:\trgb\n", "2", false}, 2.0},
      {{nullptr, nullptr, "1.5", false}, 1.0},  // GDK_SCALE is whole
      {{nullptr, nullptr, "0", false}, 1.0},
      {{nullptr, nullptr, "8", false}, kMaxScale},
      {{nullptr, dpi192, "2", true}, 1.0},  // XWayland: the compositor scales
      {{"1", dpi192, "2", false}, 1.0},
      {{"1.5", nullptr, nullptr, true}, 1.5},
      {{"nonsense", dpi192, nullptr, false}, 2.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ChooseScale(c.sources))
        << (c.sources.authorScale ? c.sources.authorScale : "-") << " "
        << (c.sources.resources ? c.sources.resources : "-") << " "
        << (c.sources.gdkScale ? c.sources.gdkScale : "-") << " " << c.sources.compositorScales;
  }
}

TEST(ClientView, RectanglesCoverEveryPixelTheyTouch) {
  struct Case {
    double scale;
    SDL_Rect client;
    SDL_Rect pixels;
  };
  const Case cases[] = {
      {1.0, {3, 4, 10, 20}, {3, 4, 10, 20}},      {2.0, {3, 4, 10, 20}, {6, 8, 20, 40}},
      {1.5, {1, 1, 1, 1}, {1, 1, 2, 2}},          {1.5, {2, 2, 2, 2}, {3, 3, 3, 3}},
      {1.25, {0, 0, 640, 400}, {0, 0, 800, 500}}, {1.25, {3, 0, 1, 1}, {3, 0, 2, 2}},
      {2.0, {-5, -5, 3, 3}, {-10, -10, 6, 6}},    {2.0, {0, 0, 0, 5}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    ClientView view(640, 400, c.scale);
    SDL_Rect got = view.ToPixels(c.client);
    EXPECT_TRUE(SDL_RectEquals(&c.pixels, &got))
        << c.scale << ": " << got.x << "," << got.y << " " << got.w << "x" << got.h;
  }
}

TEST(ClientView, PointerPositionsComeBackAsClientPixels) {
  struct Case {
    double scale;
    int windowWidth, windowHeight;  // 0: the scaled client's own size
    int pixelX, pixelY;
    int clientX, clientY;
  };
  const Case cases[] = {
      {1.0, 0, 0, 17, 23, 17, 23},
      {2.0, 0, 0, 17, 23, 8, 11},
      {2.0, 0, 0, 1279, 799, 639, 399},
      {1.5, 0, 0, 959, 599, 639, 399},
      {1.25, 0, 0, 5, 5, 4, 4},
      {2.0, 0, 0, -1, -3, -1, -2},
      {2.0, 0, 0, 1280, 800, 640, 400},    // just outside
      {1.0, 1276, 773, 318, 186, 0, 0},    // centred in an imposed size
      {1.0, 1276, 773, 317, 185, -1, -1},  // left of and above it
      {2.0, 1400, 900, 60, 50, 0, 0},
      {1.0, 300, 200, 5, 5, 5, 5},  // a window smaller than the client: at its corner
  };
  for (const Case& c : cases) {
    ClientView view(640, 400, c.scale);
    if (c.windowWidth) view.PlaceIn(c.windowWidth, c.windowHeight);
    EXPECT_EQ(c.clientX, view.ClientX(c.pixelX)) << c.scale << " " << c.pixelX;
    EXPECT_EQ(c.clientY, view.ClientY(c.pixelY)) << c.scale << " " << c.pixelY;
    // A client pixel's own place comes back as itself.
    if (c.clientX >= 0 && c.clientY >= 0) {
      EXPECT_EQ(c.clientX, view.ClientX(view.PixelX(c.clientX)));
      EXPECT_EQ(c.clientY, view.ClientY(view.PixelY(c.clientY)));
    }
  }
}

TEST(ClientView, ExtendEdgesFramesTheClientWithItsOwnEdges) {
  // A 3 x 2 client of distinct colours in the middle of a 7 x 6 window of
  // stale pixels.
  SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, 7, 6, 32, SDL_PIXELFORMAT_RGB888));
  ASSERT_TRUE(surface);
  SDL_FillRect(surface.get(), nullptr, 0xABCDEF);
  auto at = [&](int x, int y) -> Uint32& {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch)[x];
  };
  const SDL_Rect client{2, 2, 3, 2};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) at(2 + x, 2 + y) = static_cast<Uint32>(0x100 * (y + 1) + x + 1);
  }
  ExtendEdges(surface.get(), client);
  const std::vector<std::vector<Uint32>> expected = {
      {0x101, 0x101, 0x101, 0x102, 0x103, 0x103, 0x103},
      {0x101, 0x101, 0x101, 0x102, 0x103, 0x103, 0x103},
      {0x101, 0x101, 0x101, 0x102, 0x103, 0x103, 0x103},
      {0x201, 0x201, 0x201, 0x202, 0x203, 0x203, 0x203},
      {0x201, 0x201, 0x201, 0x202, 0x203, 0x203, 0x203},
      {0x201, 0x201, 0x201, 0x202, 0x203, 0x203, 0x203},
  };
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) EXPECT_EQ(expected[y][x], at(x, y)) << x << "," << y;
  }
  // A client wholly off the surface leaves nothing stale: all black.
  ExtendEdges(surface.get(), SDL_Rect{20, 20, 3, 3});
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) EXPECT_EQ(0u, at(x, y)) << x << "," << y;
  }
}

}  // namespace
}  // namespace mavrel
