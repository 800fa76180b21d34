// Buttons on the fake: the list and its order, fonts, measuring, painting
// by state, invalidation, hit-testing and destroying.
#include "window/launcher_button.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace {

using test_support::AddButton;
using test_support::Append;
using test_support::ButtonPropertyReads;

SettingRect Rect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  SettingRect r;
  r.x = x;
  r.y = y;
  r.width = width;
  r.height = height;
  return r;
}

TEST(HitTestTest, Table) {
  struct Row {
    SettingRect rect;
    std::int32_t x, y;
    bool on;
  } rows[] = {
      {Rect(10, 5, 50, 20), 10, 5, true},
      {Rect(10, 5, 50, 20), 59, 24, true},
      {Rect(10, 5, 50, 20), 9, 5, false},
      {Rect(10, 5, 50, 20), 60, 5, false},
      {Rect(10, 5, 50, 20), 10, 4, false},
      {Rect(10, 5, 50, 20), 10, 25, false},
      {Rect(10, 5, 0, 20), 10, 5, false},
      {Rect(10, 5, -5, 20), 8, 5, false},
      {Rect(10, 5, 50, 0), 10, 5, false},
      {Rect(10, 5, 50, -1), 10, 5, false},
      {Rect(-10, -10, 20, 20), 0, 0, true},
      {Rect(-10, -10, 20, 20), 10, 0, false},
      {Rect(0, 0, 100, 100), 65535, 0, false},
      {Rect(0, 0, 70000, 70000), 65535, 65535, true},
      // The far edge is summed without overflow.
      {Rect(INT32_MAX - 5, 0, 100, 10), INT32_MAX, 0, true},
      {Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), -2, -2, true},
      {Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), -1, -2, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.on, HitTest(row.rect, row.x, row.y))
        << row.rect.x << "," << row.rect.y << " " << row.rect.width << "x" << row.rect.height
        << " at " << row.x << "," << row.y;
  }
}

TEST(MeasureTextTest, TranscriptOnADesktopContext) {
  FakePlatform fake;
  FontHandle font = fake.CreateFont(20, kButtonFontFace);
  fake.ClearCalls();
  SettingRect rect = Rect(40, 100, 300, 999);
  MeasureText(fake, rect, font, "Install the product");
  std::vector<std::string> expected = {
      "GetDC desktop -> dc1",
      "SelectFont dc1 font1",
      "DrawText dc1 \"Install the product\" 0,0,300,999 3088",
      "SelectFont dc1 null",
      "ReleaseDC desktop dc1",
  };
  EXPECT_EQ(expected, fake.calls());
  EXPECT_EQ(40, rect.x);
  EXPECT_EQ(100, rect.y);
  EXPECT_EQ(152, rect.width);
  EXPECT_EQ(20, rect.height);
}

TEST(MeasureTextTest, ExtentTable) {
  struct Row {
    const char* text;
    std::int32_t width;
    int fontHeight;
    std::int32_t measuredWidth, measuredHeight;
  } rows[] = {
      {"Install the product", 300, 20, 152, 20},
      {"Install the product", 0, 20, 56, 60},    // every word on a line of its own
      {"Install the product", 100, 24, 96, 48},  // the space that fits stays on the line
      {"Line one\nLine two", 300, 20, 64, 40},
      {"Supercalifragilistic", 50, 20, 160, 20},  // a word wider than WIDTH
      {"A&B", 300, 20, 24, 20},
      {"", 300, 20, 0, 0},
      {"Tall", 300, -30, 32, 30},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    FontHandle font = fake.CreateFont(row.fontHeight, kButtonFontFace);
    SettingRect rect = Rect(7, 9, row.width, 12345);
    MeasureText(fake, rect, font, row.text);
    EXPECT_EQ(row.measuredWidth, rect.width) << row.text << " at " << row.width;
    EXPECT_EQ(row.measuredHeight, rect.height) << row.text << " at " << row.width;
    EXPECT_EQ(7, rect.x);
    EXPECT_EQ(9, rect.y);
  }
}

std::unique_ptr<LauncherButton> ColouredButton(FakePlatform& fake, ButtonState state) {
  auto made = std::make_unique<LauncherButton>(fake);
  LauncherButton& button = *made;
  button.buttonText = SettingText("Install");
  button.descText = SettingText("Copies it");
  button.buttonLoc = Rect(40, 100, 56, 20);
  button.descLoc = Rect(40, 400, 72, 20);
  button.textColor.value = 0x10;
  button.highlightColor.value = 0x20;
  button.selectColor.value = 0x30;
  button.descColor.value = 0x40;
  button.buttonFont = FakeHandle<FontHandle>(1);
  button.descFont = FakeHandle<FontHandle>(2);
  button.state = state;
  return made;
}

TEST(PaintButtonTest, ColourAndDescriptionByState) {
  struct Row {
    ButtonState state;
    ColorRef color;
    bool description;
  } rows[] = {
      {ButtonState::Normal, 0x10, false},
      {ButtonState::Hot, 0x20, true},
      {ButtonState::Pressed, 0x30, true},
      {ButtonState::PressedOutside, 0x20, true},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    std::unique_ptr<LauncherButton> coloured = ColouredButton(fake, row.state);
    LauncherButton& button = *coloured;
    DrawingContext dc = FakeHandle<DrawingContext>(5);
    PaintButton(fake, button, dc);
    std::vector<std::string> expected = {
        "SetBackgroundMode dc5 1", "SetTextColor dc5 " + std::to_string(row.color),
        "SelectFont dc5 font1",    "DrawText dc5 \"Install\" 40,100,96,120 2064",
        "SelectFont dc5 null",
    };
    if (row.description) {
      Append(expected, {
                           "SetBackgroundMode dc5 1",
                           "SetTextColor dc5 64",
                           "SelectFont dc5 font2",
                           "DrawText dc5 \"Copies it\" 40,400,112,420 2064",
                           "SelectFont dc5 null",
                       });
    }
    EXPECT_EQ(expected, fake.calls()) << static_cast<int>(row.state);
    EXPECT_EQ(row.color, ButtonTextColor(button));
  }
}

TEST(InvalidateButtonTest, BothRectanglesWithoutErasing) {
  FakePlatform fake;
  std::unique_ptr<LauncherButton> coloured = ColouredButton(fake, ButtonState::Normal);
  LauncherButton& button = *coloured;
  InvalidateButton(fake, button, FakeHandle<WindowHandle>(1));
  std::vector<std::string> expected = {"InvalidateRect window1 40,100,96,120",
                                       "InvalidateRect window1 40,400,112,420"};
  EXPECT_EQ(expected, fake.calls());
}

TEST(ToPlatformRectTest, SumsWrapLikeThePlatformsOwn) {
  PlatformRect r = ToPlatformRect(Rect(INT32_MAX, -5, 1, 10));
  EXPECT_EQ(INT32_MIN, r.right);
  EXPECT_EQ(5, r.bottom);
}

class ButtonListTest : public ::testing::Test {
 protected:
  FakePlatform fake_;
  SettingsFile settings_{fake_};
};

TEST_F(ButtonListTest, ListRunsFromTheHighestKeyDownAndEachButtonIsBuiltInTurn) {
  AddButton(fake_, 0, "First", "One", 10, 10, 100);
  AddButton(fake_, 1, "Second", "Two", 10, 40, 100);
  AddButton(fake_, 2, "Third", "Three", 10, 70, 100);
  fake_.SetSetting("Second", "BUTTON_FONT_HEIGHT", "30");
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  fake_.ClearCalls();
  ASSERT_TRUE(CreateButtonList(window));

  std::vector<std::string> expected;
  int font = 0;
  int dc = 0;
  for (auto [section, text, height] :
       {std::tuple{"First", "One", 20}, std::tuple{"Second", "Two", 30},
        std::tuple{"Third", "Three", 20}}) {
    Append(expected, ButtonPropertyReads(section));
    std::string buttonFont = "font" + std::to_string(++font);
    std::string descFont = "font" + std::to_string(++font);
    std::string dc1 = "dc" + std::to_string(++dc);
    std::string dc2 = "dc" + std::to_string(++dc);
    Append(expected, {
                         "CreateFont " + std::to_string(height) + " Ariel -> " + buttonFont,
                         "CreateFont 20 Ariel -> " + descFont,
                         "GetDC desktop -> " + dc1,
                         "SelectFont " + dc1 + " " + buttonFont,
                         "DrawText " + dc1 + " \"" + text + "\" 0,0,100,0 3088",
                         "SelectFont " + dc1 + " null",
                         "ReleaseDC desktop " + dc1,
                         "GetDC desktop -> " + dc2,
                         "SelectFont " + dc2 + " " + descFont,
                         "DrawText " + dc2 + " \"\" 0,0,0,0 3088",
                         "SelectFont " + dc2 + " null",
                         "ReleaseDC desktop " + dc2,
                     });
  }
  EXPECT_EQ(expected, fake_.calls());

  std::vector<std::string> order;
  for (LauncherButton* b = window.buttons(); b != nullptr; b = b->next.get()) {
    order.push_back(b->buttonText.c_str());
    EXPECT_EQ(ButtonState::Normal, b->state);
  }
  EXPECT_EQ((std::vector<std::string>{"Three", "Two", "One"}), order);
  EXPECT_EQ(30, window.buttons()->next->buttonLoc.height);  // measured in the 30 font
  EXPECT_EQ(24, window.buttons()->next->buttonLoc.width);
}

TEST_F(ButtonListTest, NoSectionsGiveAnEmptyListAndTrue) {
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  fake_.ClearCalls();
  EXPECT_TRUE(CreateButtonList(window));
  EXPECT_EQ(nullptr, window.buttons());
  EXPECT_TRUE(fake_.calls().empty());
}

TEST_F(ButtonListTest, TheSameSectionTwiceGivesTwoButtonsWithTheirOwnFonts) {
  AddButton(fake_, 0, "Same", "Twin", 10, 10, 100);
  fake_.SetSetting("Main", "Button.1", "Same");
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  ASSERT_TRUE(CreateButtonList(window));
  LauncherButton* a = window.buttons();
  ASSERT_NE(nullptr, a);
  LauncherButton* b = a->next.get();
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(nullptr, b->next);
  EXPECT_STREQ("Twin", a->buttonText.c_str());
  EXPECT_STREQ("Twin", b->buttonText.c_str());
  EXPECT_NE(a->buttonFont, b->buttonFont);
  EXPECT_NE(a->descFont, b->descFont);
  EXPECT_EQ(4, fake_.liveFonts());
}

TEST_F(ButtonListTest, DescriptionFontFailureKeepsTheButtonFontAndStopsTheList) {
  AddButton(fake_, 0, "First", "One", 10, 10, 100);
  AddButton(fake_, 1, "Second", "Two", 10, 40, 100);
  fake_.SetSetting("First", "BUTTON_LOC.HEIGHT", "77");
  fake_.failFontAt = 1;
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  fake_.ClearCalls();
  EXPECT_FALSE(CreateButtonList(window));
  std::vector<std::string> tail = {
      "CreateFont 20 Ariel -> font1",
      "CreateFont 20 Ariel -> null",
      "MessageBox null \"" + std::string(kFontFailureText) + "\" \"INTERNAL ERROR\" 0",
  };
  std::vector<std::string> calls = fake_.calls();
  ASSERT_GE(calls.size(), tail.size());
  EXPECT_EQ(tail, std::vector<std::string>(calls.end() - 3, calls.end()));
  LauncherButton* only = window.buttons();
  ASSERT_NE(nullptr, only);
  EXPECT_EQ(nullptr, only->next);
  EXPECT_NE(nullptr, only->buttonFont);
  EXPECT_EQ(nullptr, only->descFont);
  EXPECT_EQ(77, only->buttonLoc.height) << "a failed button stays unmeasured";
  EXPECT_EQ(100, only->buttonLoc.width);
}

TEST(CreateButtonFontsTest, FontHeightsArePassedUnchanged) {
  for (auto [buttonHeight, descHeight] :
       {std::pair{20, 20}, std::pair{-12, 0}, std::pair{INT32_MIN, INT32_MAX}}) {
    FakePlatform fake;
    LauncherButton button(fake);
    button.buttonFontHeight.value = buttonHeight;
    button.descFontHeight.value = descHeight;
    ASSERT_TRUE(CreateButtonFonts(fake, button));
    std::vector<std::string> expected = {
        "CreateFont " + std::to_string(buttonHeight) + " Ariel -> font1",
        "CreateFont " + std::to_string(descHeight) + " Ariel -> font2",
    };
    EXPECT_EQ(expected, fake.CallsStartingWith("CreateFont"));
  }
}

TEST(DestroyButtonTest, DeletesTheFontsItHasThenReleasesTheTexts) {
  struct Row {
    bool buttonFont, descFont;
    std::vector<std::string> calls;
  } rows[] = {
      {true, true, {"DeleteFont font1", "DeleteFont font2"}},
      {true, false, {"DeleteFont font1"}},
      {false, false, {}},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    {
      LauncherButton button(fake);
      button.buttonText = SettingText("Install");
      button.errorMsg = SettingText("Broken");
      if (row.buttonFont) button.buttonFont = fake.CreateFont(20, kButtonFontFace);
      if (row.descFont) button.descFont = fake.CreateFont(20, kButtonFontFace);
      fake.ClearCalls();
    }
    EXPECT_EQ(row.calls, fake.calls());
    EXPECT_EQ(0, fake.liveFonts());
  }
}

TEST(LauncherButtonTest, ANewButtonIsNormalUnlinkedAndWithoutFonts) {
  FakePlatform fake;
  LauncherButton button(fake);
  EXPECT_EQ(ButtonState::Normal, button.state);
  EXPECT_EQ(nullptr, button.buttonFont);
  EXPECT_EQ(nullptr, button.descFont);
  EXPECT_EQ(nullptr, button.next);
}

}  // namespace
}  // namespace mavrel
