// The launcher's own message box: its bitmap font at each scale, and the
// box itself in memory (SDL's offscreen driver), at 100% and 200%, as it is
// dismissed and as it holds its owner's events.
#include "platform/desktop/message_box.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "offscreen_events.h"

namespace mavrel {
namespace {

using offscreen::Input;

// The message box's bitmap font: one 6-pixel cell per character; what it
// lacks, and bytes that are not UTF-8, show as "?".
TEST(BoxBitmapFont, WidthsAndGlyphs) {
  struct Row {
    const char* text;
    int cells;
    const char* sameAs;  // drawn exactly like this text
  };
  const Row rows[] = {
      {"", 0, ""},
      {"OK", 2, "OK"},
      {"Caf\xC3\xA9", 4, "Caf\xC3\xA9"},
      {"\xE6\x97\xA5", 1, "?"},  // beyond U+00FF
      {"\xE9", 1, "?"},          // no UTF-8
      {"a\tb", 3, "a?b"},        // a control character
      {"\xC3", 1, "?"},          // cut short
  };
  auto draw = [](const char* text, std::vector<Uint32>& pixels) {
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, 64, kBitmapFontHeight + 2, 32, SDL_PIXELFORMAT_RGB888);
    SDL_FillRect(s, nullptr, 0xFFFFFF);
    DrawBitmapText(s, text, 1, 1, 0x000000);
    pixels.assign(static_cast<Uint32*>(s->pixels), static_cast<Uint32*>(s->pixels) + s->w * s->h);
    int black = static_cast<int>(std::count(pixels.begin(), pixels.end(), 0u));
    SDL_FreeSurface(s);
    return black;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.cells * kBitmapFontWidth, BitmapTextWidth(row.text));
    std::vector<Uint32> drawn, expected;
    int black = draw(row.text, drawn);
    draw(row.sameAs, expected);
    EXPECT_EQ(expected, drawn);
    EXPECT_EQ(row.cells == 0, black == 0);
  }
  // Glyphs differ and stay in their cells; drawing past the edge is clipped.
  std::vector<Uint32> a, b;
  draw("A", a);
  draw("B", b);
  EXPECT_NE(a, b);
  SDL_Surface* small = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_RGB888);
  DrawBitmapText(small, "WWW", -3, -5, 0x000000);
  DrawBitmapText(small, "WWW", 100, 100, 0x000000);
  SDL_FreeSurface(small);
}

TEST(BoxBitmapFont, AtAScaleEachPixelIsABlockOfTheScaleRounded) {
  const std::pair<double, int> blocks[] = {
      {1, 1},    {1.25, 1}, {1.49, 1}, {1.5, 2},
      {1.75, 2}, {2, 2},    {3, 3},    {4, 4},
      {0, 1},    {-2, 1},   {100, 1},  {std::numeric_limits<double>::quiet_NaN(), 1}};
  for (auto [scale, block] : blocks) EXPECT_EQ(block, BitmapPixelSize(scale)) << scale;
  for (double scale : {1.0, 1.5, 2.0, 3.0}) {
    SCOPED_TRACE(scale);
    const int block = BitmapPixelSize(scale);
    const std::string text = "Ok? \xC3\xA9";
    EXPECT_EQ(BitmapTextWidth(text) * block, BitmapTextWidth(text, scale));
    const int w = BitmapTextWidth(text) + 2, h = kBitmapFontHeight + 2;
    SDL_Surface* one = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
    SDL_Surface* big =
        SDL_CreateRGBSurfaceWithFormat(0, w * block, h * block, 32, SDL_PIXELFORMAT_RGB888);
    ASSERT_TRUE(one && big);
    SDL_FillRect(one, nullptr, 0xFFFFFF);
    SDL_FillRect(big, nullptr, 0xFFFFFF);
    DrawBitmapText(one, text, 1, 1, 0x000000);
    DrawBitmapText(big, text, block, block, 0x000000, scale);
    // Every pixel of the big drawing is the pixel of the 100% one it lies in.
    int wrong = 0;
    for (int y = 0; y < big->h; ++y) {
      for (int x = 0; x < big->w; ++x) {
        wrong += offscreen::PixelOf(big, x, y) != offscreen::PixelOf(one, x / block, y / block);
      }
    }
    EXPECT_EQ(0, wrong);
    SDL_FreeSurface(one);
    SDL_FreeSurface(big);
  }
}

// What the box showed, read while it was up.
struct BoxShot {
  std::string title;
  int width = 0;
  int height = 0;
  std::vector<Uint32> pixels;  // 0xRRGGBB, row by row
  Uint32 At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

constexpr Uint32 kBoxBackground = 0xF0F0F0;
constexpr Uint32 kButtonBorder = 0x0078D7;
constexpr Uint32 kButtonFace = 0xE1E1E1;

// The box on SDL's offscreen driver, modal to a window of the test's own.
// The box is found once the owner is told to repaint (an exposure the test
// queues first), and driven by the events `whileUp` gives for it then.
class OwnBox : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    offscreen::UsePlainSurfaces();
    ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
    owner_ = SDL_CreateWindow("Owner", 100, 100, 640, 400, 0);
    ASSERT_NE(nullptr, owner_);
    ownerId_ = SDL_GetWindowID(owner_);
    marker_ = SDL_RegisterEvents(1);
  }
  void TearDown() override {
    SDL_DestroyWindow(owner_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  }

  // Shows the box with the owner's `before` events queued behind the
  // exposure; while it is up, pushes `forBox` for it and then `after` for
  // the owner. Gives the events left queued once it has gone, and what it
  // showed in `shot`.
  std::vector<SDL_Event> Show(double scale, const std::string& text,
                              const std::vector<Input>& before, const std::vector<Input>& forBox,
                              const std::vector<Input>& after, BoxShot& shot) {
    offscreen::Push(offscreen::Window(SDL_WINDOWEVENT_EXPOSED), ownerId_);
    for (const Input& input : before) offscreen::Push(input, ownerId_);
    exposures_.clear();
    auto exposed = [&](std::uint32_t windowId) {
      exposures_.push_back(windowId);
      if (exposures_.size() > 1) return;
      // The one window besides the owner, whatever its title.
      SDL_Window* box = offscreen::WindowTitled(nullptr, owner_);
      ASSERT_NE(nullptr, box);
      SDL_Surface* surface = SDL_GetWindowSurface(box);
      ASSERT_NE(nullptr, surface);
      shot.title = SDL_GetWindowTitle(box);
      shot.width = surface->w;
      shot.height = surface->h;
      for (int y = 0; y < surface->h; ++y) {
        for (int x = 0; x < surface->w; ++x)
          shot.pixels.push_back(offscreen::PixelOf(surface, x, y));
      }
      for (const Input& input : forBox) offscreen::Push(input, SDL_GetWindowID(box));
      for (const Input& input : after) offscreen::Push(input, ownerId_);
      SDL_Event mark{};
      mark.type = marker_;
      SDL_PushEvent(&mark);
    };
    EXPECT_TRUE(ShowModalMessageBox(owner_, "Error", text, exposed, scale));
    std::vector<SDL_Event> left;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
      // What SDL itself sends as windows come and go is not the test's.
      if (event.type == SDL_WINDOWEVENT && event.window.event != SDL_WINDOWEVENT_CLOSE &&
          event.window.event != SDL_WINDOWEVENT_EXPOSED)
        continue;
      left.push_back(event);
    }
    return left;
  }

  SDL_Window* owner_ = nullptr;
  Uint32 ownerId_ = 0;
  Uint32 marker_ = 0;
  std::vector<std::uint32_t> exposures_;
};

// At 200% the box is twice its size at 100%: its width (the smallest, for a
// short text), its spacing, its button and the button's border, and its
// text drawn at twice the height.
TEST_F(OwnBox, IsDrawnAtTheLaunchersScale) {
  BoxShot shots[2];
  const double scales[2] = {1, 2};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(scales[i]);
    Show(scales[i], "It did not start.", {}, {offscreen::Window(SDL_WINDOWEVENT_CLOSE)}, {},
         shots[i]);
    const BoxShot& shot = shots[i];
    ASSERT_FALSE(shot.pixels.empty());
    EXPECT_EQ("Error", shot.title);
    const int s = static_cast<int>(scales[i]);
    EXPECT_EQ(220 * s, shot.width);
    const SDL_Rect button{(shot.width - 88 * s) / 2, shot.height - 16 * s - 28 * s, 88 * s, 28 * s};
    EXPECT_EQ(kBoxBackground, shot.At(0, 0));
    EXPECT_EQ(kBoxBackground, shot.At(button.x - 1, button.y - 1));
    EXPECT_EQ(kButtonBorder, shot.At(button.x, button.y));
    EXPECT_EQ(kButtonBorder, shot.At(button.x + s - 1, button.y + s - 1));
    EXPECT_EQ(kButtonFace, shot.At(button.x + s, button.y + s));
    EXPECT_EQ(kButtonBorder, shot.At(button.x + button.w - 1, button.y + button.h - 1));
    EXPECT_EQ(kBoxBackground, shot.At(button.x + button.w, button.y + button.h));
    EXPECT_EQ(kBoxBackground, shot.At(shot.width - 1, shot.height - 1));
  }
  // One line of text: twice the padding and button, the line's height
  // rounded at each size.
  EXPECT_NEAR(2 * shots[0].height, shots[1].height, 3);
  // The text's ink, above the button: about four times as much.
  auto ink = [](const BoxShot& shot, int s) {
    int dark = 0;
    for (int y = 0; y < shot.height - 16 * s - 28 * s; ++y) {
      for (int x = 0; x < shot.width; ++x) dark += (shot.At(x, y) & 0xFF) < 0x80;
    }
    return dark;
  };
  const int inkAt1 = ink(shots[0], 1), inkAt2 = ink(shots[1], 2);
  EXPECT_GT(inkAt1, 50);
  EXPECT_GT(inkAt2, 3 * inkAt1);
  EXPECT_LT(inkAt2, 5 * inkAt1);
}

// The box goes on OK (a press and a release on it), Return, Enter, Escape,
// Space or a close request, and on nothing else; the event after the one
// that dismissed it stays queued.
TEST_F(OwnBox, IsDismissedByOkTheKeysOrClosingItOnly) {
  BoxShot first;
  Show(1, "x", {}, {offscreen::Window(SDL_WINDOWEVENT_CLOSE)}, {}, first);
  ASSERT_FALSE(first.pixels.empty());
  const int okX = first.width / 2, okY = first.height - 16 - 14;
  const std::vector<Input> ignored = {offscreen::Key(SDLK_a),
                                      offscreen::Press(2, 2),
                                      offscreen::Release(2, 2),
                                      offscreen::Press(okX, okY),
                                      offscreen::Release(2, 2),
                                      offscreen::Press(okX, okY, SDL_BUTTON_RIGHT),
                                      offscreen::Release(okX, okY, SDL_BUTTON_RIGHT),
                                      offscreen::Window(SDL_WINDOWEVENT_EXPOSED),
                                      offscreen::Move(okX, okY)};
  struct Case {
    const char* name;
    std::vector<Input> dismiss;
  } cases[] = {
      {"OK", {offscreen::Press(okX, okY), offscreen::Release(okX + 1, okY)}},
      {"Return", {offscreen::Key(SDLK_RETURN)}},
      {"Enter", {offscreen::Key(SDLK_KP_ENTER)}},
      {"Escape", {offscreen::Key(SDLK_ESCAPE)}},
      {"Space", {offscreen::Key(SDLK_SPACE)}},
      {"closed", {offscreen::Window(SDL_WINDOWEVENT_CLOSE)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Input> forBox = ignored;
    forBox.insert(forBox.end(), c.dismiss.begin(), c.dismiss.end());
    BoxShot shot;
    std::vector<SDL_Event> left = Show(1, "x", {}, forBox, {}, shot);
    ASSERT_FALSE(left.empty());
    ASSERT_EQ(1u, left.size()) << "left: " << left.size() << ", the first of type "
                               << left.front().type;
    EXPECT_EQ(marker_, left[0].type);
  }
}

// While the box is up its owner takes no pointer or key input, repaints
// on exposure, and gets the rest (a close request, a quit) after the box,
// before what came after it.
TEST_F(OwnBox, HoldsItsOwnersEvents) {
  BoxShot shot;
  std::vector<SDL_Event> left =
      Show(1, "x",
           {offscreen::Move(5, 5), offscreen::Press(5, 5), offscreen::Release(5, 5),
            offscreen::Key(SDLK_RETURN), offscreen::Window(SDL_WINDOWEVENT_CLOSE),
            offscreen::Window(SDL_WINDOWEVENT_EXPOSED), offscreen::Quit()},
           {offscreen::Window(SDL_WINDOWEVENT_CLOSE)}, {offscreen::Press(6, 6)}, shot);
  EXPECT_EQ((std::vector<std::uint32_t>{ownerId_, ownerId_}), exposures_);
  std::vector<std::string> kinds;
  for (const SDL_Event& event : left) {
    if (event.type == SDL_WINDOWEVENT && event.window.windowID == ownerId_ &&
        event.window.event == SDL_WINDOWEVENT_CLOSE) {
      kinds.push_back("owner closed");
    } else if (event.type == SDL_QUIT) {
      kinds.push_back("quit");
    } else if (event.type == SDL_MOUSEBUTTONDOWN && event.button.x == 6) {
      kinds.push_back("press after");
    } else if (event.type == marker_) {
      kinds.push_back("marker");
    } else {
      kinds.push_back("type " + std::to_string(event.type));
    }
  }
  EXPECT_EQ((std::vector<std::string>{"owner closed", "quit", "press after", "marker"}), kinds);
}

}  // namespace
}  // namespace mavrel
