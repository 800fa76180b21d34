// Fonts and text measuring of the desktop platform. Measuring needs no
// display, so these run anywhere the fonts are installed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/font_resolver.h"
#include "platform/desktop/text_libraries.h"
#include "support/temp_medium.h"

namespace mavrel {
namespace {

TEST(FontSize, HeightsHaveTheWindowsMeaningAndAreClampedToTheLargest) {
  struct Case {
    std::int32_t height;
    bool isCellHeight;
    int pixels;
  } cases[] = {
      {0, true, kDefaultCellHeight},
      {1, true, 1},
      {26, true, 26},
      {-26, false, 26},
      {kMaxFontPixels, true, kMaxFontPixels},
      {-kMaxFontPixels, false, kMaxFontPixels},
      {kMaxFontPixels + 1, true, kMaxFontPixels},
      {-kMaxFontPixels - 1, false, kMaxFontPixels},
      {100000, true, kMaxFontPixels},
      {INT_MAX, true, kMaxFontPixels},
      {INT_MIN, false, kMaxFontPixels},
  };
  for (const Case& c : cases) {
    FontSizeRequest r = FontSizeForHeight(c.height);
    EXPECT_EQ(c.isCellHeight, r.isCellHeight) << c.height;
    EXPECT_EQ(c.pixels, r.pixels) << c.height;
  }
  // Arial's cell is 2288/2048 of its em: a 16-pixel cell is 14 pixels per em.
  EXPECT_EQ(14, PixelsPerEmForCell(16, 2288.0 / 2048));
  EXPECT_EQ(1, PixelsPerEmForCell(1, 1.2));
  EXPECT_EQ(40, PixelsPerEmForCell(40, 0.0));  // a broken ratio does not divide by zero
}

TEST(FontFaceChoice, AnArialCompatibleFaceStandsInForTheMisspelledName) {
  EXPECT_TRUE(IsArialCompatible("Liberation Sans"));
  EXPECT_TRUE(IsArialCompatible("arial"));
  EXPECT_FALSE(IsArialCompatible("DejaVu Sans"));
  FontFace liberation = ResolveFontFace("Liberation Sans");
  FontFace ariel = ResolveFontFace("Ariel");
  ASSERT_FALSE(ariel.file.empty());
  if (liberation.family == "Liberation Sans") {
    EXPECT_EQ("Liberation Sans", ariel.family) << ariel.file;
    // Arial itself, in any letter case, gets the same stand-in.
    EXPECT_EQ(ariel.file, ResolveFontFace("ARIAL").file);
  }
  // Any name gives some face.
  EXPECT_FALSE(ResolveFontFace("No Such Face, At All").file.empty());
}

class DesktopText : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = platform_.GetDC(platform_.GetDesktopWindow());
    ASSERT_NE(nullptr, context_);
  }
  void TearDown() override { platform_.ReleaseDC(platform_.GetDesktopWindow(), context_); }

  PlatformRect Measure(FontHandle font, const std::string& text, int width) {
    FontHandle old = platform_.SelectFont(context_, font);
    PlatformRect rect{10, 20, 10 + width, 20};
    platform_.DrawText(context_, text.c_str(), -1, rect,
                       kDrawWordBreak | kDrawNoPrefix | kDrawCalcRect);
    platform_.SelectFont(context_, old);
    return rect;
  }

  DesktopPlatform platform_;
  DrawingContext context_ = nullptr;
};

TEST_F(DesktopText, FontHeightsAndClamps) {
  FontHandle cell = platform_.CreateFont(40, "Ariel");
  FontHandle character = platform_.CreateFont(-40, "Ariel");
  FontHandle fallback = platform_.CreateFont(0, "Ariel");
  ASSERT_NE(nullptr, cell);
  ASSERT_NE(nullptr, character);
  ASSERT_NE(nullptr, fallback);
  EXPECT_EQ(40, platform_.FontLineHeight(cell));
  EXPECT_GT(platform_.FontLineHeight(character), 40);  // the cell is more than the em
  EXPECT_LT(platform_.FontLineHeight(character), 56);
  EXPECT_EQ(kDefaultCellHeight, platform_.FontLineHeight(fallback));
  // Beyond the largest height the renderer makes, the largest.
  FontHandle tallest = platform_.CreateFont(5000, "Ariel");
  ASSERT_NE(nullptr, tallest);
  EXPECT_EQ(kMaxFontPixels, platform_.FontLineHeight(tallest));
  EXPECT_EQ(kMaxFontPixels, Measure(tallest, "Go", 5000).bottom - 20);
  for (int height : {INT_MIN, -100000, -kMaxFontPixels - 1}) {
    FontHandle largest = platform_.CreateFont(height, "Ariel");
    ASSERT_NE(nullptr, largest) << height;
    EXPECT_GT(platform_.FontLineHeight(largest), kMaxFontPixels) << height;
    EXPECT_LT(platform_.FontLineHeight(largest), kMaxFontPixels * 14 / 10) << height;
    platform_.DeleteFont(largest);
  }
  platform_.DeleteFont(tallest);
  EXPECT_NE(nullptr, platform_.CreateFont(7, nullptr));
  // Deleting one of two fonts of the same size leaves the other usable.
  FontHandle twin = platform_.CreateFont(40, "Ariel");
  platform_.DeleteFont(cell);
  EXPECT_EQ(40, Measure(twin, "Go", 500).bottom - 20);
  platform_.DeleteFont(twin);
  platform_.DeleteFont(character);
  platform_.DeleteFont(fallback);
}

TEST_F(DesktopText, FontFilesAreReadOrMappedOnceAndRefusedWhenUnusable) {
  const std::string face = ResolveFontFace(kLauncherFaceName).file;
  ASSERT_FALSE(face.empty());
  ASSERT_EQ(0, text::TTF_Init());
  test_support::TempMedium folder("fontfiles");
  std::string bytes = test_support::ReadWholeFile(face);
  ASSERT_FALSE(bytes.empty());
  folder.Write("empty.ttf", std::string());
  folder.Write("cut.ttf", bytes.substr(0, 200));
  // Past the size read whole, the file is mapped; the bytes after the
  // face's tables are never looked at.
  folder.Write("big.ttf", bytes + std::string(FontFile::kMaxReadBytes, '\0'));
  EXPECT_EQ(nullptr, FontFile::Load(folder.PathOf("missing.ttf")));
  EXPECT_EQ(nullptr, FontFile::Load(folder.path()));
  EXPECT_EQ(nullptr, FontFile::Load(folder.PathOf("empty.ttf")));
  std::shared_ptr<const FontFile> cut = FontFile::Load(folder.PathOf("cut.ttf"));
  ASSERT_NE(nullptr, cut);
  EXPECT_EQ(nullptr, cut->Open(20, 0));
  for (const std::string& path : std::vector<std::string>{face, folder.PathOf("big.ttf")}) {
    std::shared_ptr<const FontFile> file = FontFile::Load(path);
    ASSERT_NE(nullptr, file) << path;
    TtfFontPtr small = file->Open(10, 0);
    TtfFontPtr large = file->Open(40, 0);
    ASSERT_NE(nullptr, small) << path;
    ASSERT_NE(nullptr, large) << path;
    EXPECT_LT(text::TTF_FontHeight(small.get()), text::TTF_FontHeight(large.get())) << path;
    EXPECT_EQ(nullptr, file->Open(10, 99)) << path;  // no such face in the file
  }
  text::TTF_Quit();
}

TEST_F(DesktopText, MeasuringFollowsTheLayoutRules) {
  FontHandle font = platform_.CreateFont(20, "Ariel");
  ASSERT_NE(nullptr, font);
  PlatformRect one = Measure(font, "Hello world", 1000);
  PlatformRect hello = Measure(font, "Hello", 1000);
  PlatformRect world = Measure(font, "world", 1000);
  EXPECT_EQ(10, one.left);
  EXPECT_EQ(20, one.top);
  EXPECT_EQ(40, one.bottom);  // one line
  EXPECT_GT(one.right - one.left, (hello.right - hello.left) + (world.right - world.left));
  // Width 0: a word per line, the width that of the wider word.
  PlatformRect narrow = Measure(font, "Hello world", 0);
  EXPECT_EQ(60, narrow.bottom);
  EXPECT_EQ(std::max(hello.right, world.right), narrow.right);
  // Line breaks, a trailing one adding nothing; the empty text is empty.
  EXPECT_EQ(20 + 4 * 20, Measure(font, "a\r\nb\n\nc\n", 1000).bottom);
  PlatformRect empty = Measure(font, "", 1000);
  EXPECT_EQ(10, empty.right);
  EXPECT_EQ(20, empty.bottom);
  // "&" is a character like any other.
  EXPECT_GT(Measure(font, "A&B", 1000).right, Measure(font, "AB", 1000).right);
  // Edges at the far ends of the range neither overflow nor wrap.
  {
    FontHandle old = platform_.SelectFont(context_, font);
    PlatformRect far{INT_MIN, INT_MAX - 5, INT_MAX, INT_MAX};
    platform_.DrawText(context_, "far away", -1, far, kDrawWordBreak | kDrawCalcRect);
    EXPECT_EQ(INT_MAX, far.bottom);
    EXPECT_GT(far.right, INT_MIN);
    PlatformRect right{INT_MAX - 3, 0, INT_MAX, 0};
    platform_.DrawText(context_, "wide text", -1, right, kDrawWordBreak | kDrawCalcRect);
    EXPECT_EQ(INT_MAX, right.right);
    EXPECT_EQ(40, right.bottom);
    platform_.SelectFont(context_, old);
  }
  // A proportional face.
  EXPECT_LT(Measure(font, "iiii", 1000).right, Measure(font, "WWWW", 1000).right);
  // The same word written in Windows-1252 and in UTF-8 measures the same.
  EXPECT_EQ(Measure(font, "caf\xC3\xA9", 1000).right, Measure(font, "caf\xE9", 1000).right);
  platform_.DeleteFont(font);
}

TEST_F(DesktopText, MeasuredRunsAreKeptApartByFontAndEncoding) {
  FontHandle small = platform_.CreateFont(20, "Ariel");
  FontHandle large = platform_.CreateFont(40, "Ariel");
  int smallWidth = Measure(small, "Hello world", 1000).right;
  EXPECT_GT(Measure(large, "Hello world", 1000).right, smallWidth);
  EXPECT_EQ(smallWidth, Measure(small, "Hello world", 1000).right);
  // The two bytes of a UTF-8 "e acute", measured first as one character,
  // are two characters in a text that is not UTF-8 as a whole.
  int oneCharacter = Measure(small, "\xC3\xA9", 1000).right;
  EXPECT_GT(Measure(small, "\xC3\xA9 \xFF", 0).right, oneCharacter);
  platform_.DeleteFont(small);
  platform_.DeleteFont(large);
}

// Seconds per font to select and then delete each of `count` fonts, the
// best of three rounds (the launcher selects each button's fonts on every
// paint and deletes them all at teardown).
double SecondsPerFont(DesktopPlatform& platform, DrawingContext context, int count) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    std::vector<FontHandle> fonts;
    for (int i = 0; i < count; ++i) fonts.push_back(platform.CreateFont(14, "Ariel"));
    auto start = std::chrono::steady_clock::now();
    for (FontHandle font : fonts) platform.SelectFont(context, font);
    for (FontHandle font : fonts) platform.DeleteFont(font);
    std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / count);
  }
  return best;
}

TEST_F(DesktopText, SelectingAndDeletingAFontDoesNotGrowWithTheNumberOfFonts) {
  ASSERT_NE(nullptr, platform_.CreateFont(14, "Ariel"));
  double few = SecondsPerFont(platform_, context_, 200);
  double many = SecondsPerFont(platform_, context_, 20000);
  // A search through every font makes the many a hundred times the few.
  EXPECT_LT(many, 10 * few + 2e-6) << "few " << few << " s, many " << many << " s";
}

TEST_F(DesktopText, DrawingWithoutASurfaceOrOnUnknownHandlesIsHarmless) {
  FontHandle font = platform_.CreateFont(20, "Ariel");
  PlatformRect rect{0, 0, 100, 100};
  platform_.SelectFont(context_, font);
  EXPECT_EQ(0, platform_.DrawText(nullptr, "x", -1, rect, kDrawWordBreak));
  EXPECT_EQ(nullptr, platform_.SelectFont(nullptr, font));
  platform_.FillRect(context_, rect, 0xFFFFFF);
  platform_.SetTextColor(reinterpret_cast<DrawingContext>(&rect), 0);
  DibView none;
  platform_.StretchDIBits(context_, 0, 0, 10, 10, 0, 0, 1, 1, none, 0, kSourceCopy);
  platform_.DeleteFont(reinterpret_cast<FontHandle>(&rect));
  platform_.DeleteFont(font);
  EXPECT_EQ(nullptr, platform_.CreateWindow("c", "t", 0, 0, 0, 10, 10, nullptr, nullptr));
}

}  // namespace
}  // namespace mavrel
