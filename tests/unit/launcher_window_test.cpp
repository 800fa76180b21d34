// The launcher window on the fake: construction's reads in order, centring,
// the window procedure's message table, a whole paint pass and teardown.
#include "window/launcher_window.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "window/launcher_button.h"

namespace mavrel {
namespace {

using test_support::AddButton;
using test_support::Append;
using test_support::BmpLayout;
using test_support::ButtonPropertyReads;
using test_support::MakeBmp;
using test_support::ReadLine;

WindowHandle Window1() { return FakeHandle<WindowHandle>(1); }

class LauncherWindowTest : public ::testing::Test {
 protected:
  LauncherWindowTest() { test_support::RegisterProcedure(fake_); }
  FakePlatform fake_;
  SettingsFile settings_{fake_};
};

TEST_F(LauncherWindowTest, ConstructionReadsInOrderThenCreatesTheHiddenWindow) {
  fake_.SetSetting("Main", "Width", "640");
  fake_.SetSetting("Main", "Height", "480");
  fake_.SetSetting("Main", "Title", "Product Setup");
  fake_.SetSetting("Main", "Background", "setup.bmp");
  fake_.SetSetting("Main", "Button.0", "Install");
  fake_.SetSetting("Main", "Button.1", "Readme");
  fake_.SetSetting("Main", "Button.3", "Gap");
  fake_.files["setup.bmp"] = MakeBmp(BmpLayout{});
  LauncherWindow window(fake_, settings_, nullptr, nullptr);

  std::vector<std::string> expected = {
      "GetFullPathName Mavrel.INI 1024",
      ReadLine("Main", "Width"),
      ReadLine("Main", "Height"),
      ReadLine("Main", "Title"),
      ReadLine("Main", "Background"),
      "OpenFileForReading setup.bmp",
      "GetFileSize",
      "ReadFile " + std::to_string(fake_.files["setup.bmp"].size()),
      "CloseFile",
      ReadLine("Main", "Button.0"),
      ReadLine("Main", "Button.1"),
      ReadLine("Main", "Button.2"),
  };
  Append(expected, ButtonPropertyReads("Main"));
  Append(expected, {
                       "AdjustWindowRect 0,0,640,480 style=13238272",
                       "GetSystemMetrics 0",
                       "GetSystemMetrics 1",
                       "CreateWindow MyMavrelWindowClass \"Product Setup\" style=13238272 "
                       "189,129 646x509 parent=null",
                       "SetWindowUserData window1",
                   });
  EXPECT_EQ(expected, fake_.calls());
  EXPECT_EQ(Window1(), window.window());
  EXPECT_EQ(&window, fake_.GetWindowUserData(Window1()));
  EXPECT_EQ(2u, window.buttonSections().names().size());
  EXPECT_EQ(nullptr, window.buttons());
  EXPECT_EQ(nullptr, window.hotButton());
  EXPECT_EQ(0, window.pressed());
  EXPECT_TRUE(window.picture().drawable());
}

TEST_F(LauncherWindowTest, CentringRoundsTowardsMinusInfinity) {
  struct Row {
    int width, height, screenWidth, screenHeight;
    int x, y;
  } rows[] = {
      {500, 300, 1024, 768, 262, 234},
      {500, 300, 1025, 769, 262, 234},
      {1029, 300, 1024, 768, -3, 234},  // a difference of -5 gives -3
      {1024, 773, 1024, 768, 0, -3},
      {2000, 2000, 800, 600, -600, -700},
      {1, 1, 0, 0, -1, -1},
      // Sizes no screen has are passed on as they are, without overflow.
      {INT32_MAX, INT32_MIN, 1024, 768, -1073741312, 1073742208},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    fake.frameLeft = fake.frameTop = fake.frameRight = fake.frameBottom = 0;
    fake.screenWidth = row.screenWidth;
    fake.screenHeight = row.screenHeight;
    fake.SetSetting("Main", "Width", std::to_string(row.width));
    fake.SetSetting("Main", "Height", std::to_string(row.height));
    SettingsFile settings(fake);
    LauncherWindow window(fake, settings, nullptr, nullptr);
    std::vector<std::string> created = fake.CallsStartingWith("CreateWindow");
    ASSERT_EQ(1u, created.size());
    std::string where = " " + std::to_string(row.x) + "," + std::to_string(row.y) + " " +
                        std::to_string(row.width) + "x" + std::to_string(row.height) + " ";
    EXPECT_NE(std::string::npos, created[0].find(where)) << created[0] << " wanted" << where;
  }
}

TEST_F(LauncherWindowTest, DefaultsAndDecodedTitle) {
  fake_.SetSetting("Main", "Title", "Two\\nLines");
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  EXPECT_EQ(500, window.width());
  EXPECT_EQ(300, window.height());
  EXPECT_STREQ("Two\nLines", window.title().c_str());
  EXPECT_EQ(std::vector<std::string>{"CreateWindow MyMavrelWindowClass \"Two\nLines\" "
                                     "style=13238272 259,219 506x329 parent=null"},
            fake_.CallsStartingWith("CreateWindow"));
}

TEST_F(LauncherWindowTest, ParentIsPassedOn) {
  LauncherWindow window(fake_, settings_, nullptr, FakeHandle<WindowHandle>(77));
  std::vector<std::string> created = fake_.CallsStartingWith("CreateWindow");
  ASSERT_EQ(1u, created.size());
  EXPECT_NE(std::string::npos, created[0].find("parent=window77"));
}

TEST_F(LauncherWindowTest, FailedCreationLeavesTheSlotUnset) {
  fake_.failCreateWindow = true;
  std::optional<LauncherWindow> window(std::in_place, fake_, settings_, nullptr, nullptr);
  EXPECT_EQ(nullptr, window->window());
  EXPECT_TRUE(fake_.CallsStartingWith("SetWindowUserData").empty());
  fake_.ClearCalls();
  window.reset();
  EXPECT_TRUE(fake_.calls().empty()) << "no window to destroy, no fonts";
}

TEST_F(LauncherWindowTest, MessageTable) {
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  struct Row {
    std::uint32_t message;
    std::intptr_t result;
    std::vector<std::string> calls;
  } rows[] = {
      {kWmEraseBackground, 1, {}},
      {kWmMouseMove, 0, {}},
      {kWmLeftButtonDown, 0, {"SetCapture window1"}},
      {kWmLeftButtonUp, 0, {"ReleaseCapture"}},
      {0x0204, 0, {"DefWindowProc window1 516"}},  // right button: passed on
      {0x0100, 0, {"DefWindowProc window1 256"}},  // a key: passed on
      {0x0102, 0, {"DefWindowProc window1 258"}},
      {0x0203, 0, {"DefWindowProc window1 515"}},  // a double click never comes; passed on
      {kWmPaint,
       0,
       {"BeginPaint window1", "FillRect dc1 0,0,500,300 16777215", "EndPaint window1"}},
  };
  for (const Row& row : rows) {
    fake_.ClearCalls();
    EXPECT_EQ(row.result, fake_.Send(Window1(), row.message, 0, 0)) << row.message;
    EXPECT_EQ(row.calls, fake_.calls()) << row.message;
  }
  EXPECT_EQ(0, window.pressed());
}

TEST_F(LauncherWindowTest, MessagesWithoutAnObjectGoToTheDefaultExceptDestroy) {
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  WindowHandle stranger = FakeHandle<WindowHandle>(5);
  for (std::uint32_t message :
       {kWmPaint, kWmClose, kWmEraseBackground, kWmMouseMove, kWmLeftButtonDown, kWmLeftButtonUp}) {
    fake_.ClearCalls();
    fake_.Send(stranger, message, 0, 0);
    EXPECT_EQ(std::vector<std::string>{"DefWindowProc window5 " + std::to_string(message)},
              fake_.calls());
  }
  fake_.ClearCalls();
  EXPECT_EQ(0, fake_.Send(stranger, kWmDestroy, 0, 0));
  EXPECT_EQ(std::vector<std::string>{"PostQuitMessage 0"}, fake_.calls());
}

TEST_F(LauncherWindowTest, CloseDestroysOnceAndTeardownFindsNoWindow) {
  std::optional<LauncherWindow> window(std::in_place, fake_, settings_, nullptr, nullptr);
  fake_.ClearCalls();
  EXPECT_EQ(0, fake_.Send(Window1(), kWmClose));
  std::vector<std::string> expected = {"DestroyWindow window1", "PostQuitMessage 0"};
  EXPECT_EQ(expected, fake_.calls());
  EXPECT_EQ(nullptr, window->window());
  EXPECT_TRUE(fake_.quitPosted());
  EXPECT_EQ(0, fake_.quitStatus());
  fake_.ClearCalls();
  window.reset();
  EXPECT_TRUE(fake_.calls().empty());
}

TEST_F(LauncherWindowTest, PaintPassDrawsPictureThenButtonsInListOrderTextBeforeDescription) {
  fake_.SetSetting("Main", "Background", "pic.bmp");
  fake_.files["pic.bmp"] = MakeBmp(BmpLayout{});
  AddButton(fake_, 0, "A", "Aa", 10, 10, 100);
  AddButton(fake_, 1, "B", "Bb", 10, 40, 100);
  fake_.SetSetting("B", "DESC_TEXT", "About B");
  fake_.SetSetting("B", "DESC_LOC.Y", "200");
  fake_.SetSetting("B", "DESC_LOC.WIDTH", "300");
  fake_.SetSetting("Main", "HIGHLIGHT_COLOR", "0x0080FF");
  LauncherWindow window(fake_, settings_, nullptr, nullptr);
  ASSERT_TRUE(CreateButtonList(window));
  fake_.Send(Window1(), kWmMouseMove, 0, PackPointerPosition(12, 42));  // B lights up
  ASSERT_NE(nullptr, window.hotButton());
  fake_.ClearCalls();

  EXPECT_EQ(0, fake_.Send(Window1(), kWmPaint));
  // B (key 1) comes first in the list and is drawn first; A (key 0) last.
  std::vector<std::string> expected = {
      "BeginPaint window1",
      "StretchDIBits dc5 0,0 500x300 from 0,0 4x2 info=40 bits=24 usage=0 rop=13369376",
      "SetBackgroundMode dc5 1",
      "SetTextColor dc5 33023",
      "SelectFont dc5 font3",
      "DrawText dc5 \"Bb\" 10,40,26,60 2064",
      "SelectFont dc5 null",
      "SetBackgroundMode dc5 1",
      "SetTextColor dc5 0",
      "SelectFont dc5 font4",
      "DrawText dc5 \"About B\" 0,200,56,220 2064",
      "SelectFont dc5 null",
      "SetBackgroundMode dc5 1",
      "SetTextColor dc5 0",
      "SelectFont dc5 font1",
      "DrawText dc5 \"Aa\" 10,10,26,30 2064",
      "SelectFont dc5 null",
      "EndPaint window1",
  };
  EXPECT_EQ(expected, fake_.calls());
}

TEST_F(LauncherWindowTest, TeardownOrder) {
  fake_.SetSetting("Main", "Background", "pic.bmp");
  fake_.SetSetting("Main", "ERROR_MSG", "Main error");
  fake_.files["pic.bmp"] = MakeBmp(BmpLayout{});
  AddButton(fake_, 0, "A", "Aa", 10, 10, 100);
  AddButton(fake_, 1, "B", "Bb", 10, 40, 100);
  std::optional<LauncherWindow> window(std::in_place, fake_, settings_, nullptr, nullptr);
  ASSERT_TRUE(CreateButtonList(*window));
  fake_.ClearCalls();
  window.reset();
  std::vector<std::string> expected = {
      "DestroyWindow window1", "PostQuitMessage 0", "DeleteFont font3",
      "DeleteFont font4",      "DeleteFont font1",  "DeleteFont font2",
  };
  EXPECT_EQ(expected, fake_.calls());
  EXPECT_EQ(0, fake_.liveFonts());
}

// Teardown runs on a thread with a small stack: releasing the list through
// a chain of destructors would need far more than that.
void* TeardownOnSmallStack(void* window) {
  static_cast<std::optional<LauncherWindow>*>(window)->reset();
  return nullptr;
}

TEST_F(LauncherWindowTest, TeardownOfAVeryLongListIsIterative) {
  std::optional<LauncherWindow> window(std::in_place, fake_, settings_, nullptr, nullptr);
  constexpr int kButtons = 100000;
  for (int i = 0; i < kButtons; ++i) {
    auto button = std::make_unique<LauncherButton>(fake_);
    if (i == 0 || i == kButtons - 1) button->buttonFont = fake_.CreateFont(20, "Ariel");
    window->buttonList().LinkInFront(std::move(button));
  }
  fake_.ClearCalls();
  pthread_attr_t attributes;
  ASSERT_EQ(0, pthread_attr_init(&attributes));
  ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 64 * 1024));
  pthread_t thread;
  ASSERT_EQ(0, pthread_create(&thread, &attributes, &TeardownOnSmallStack, &window));
  ASSERT_EQ(0, pthread_join(thread, nullptr));
  pthread_attr_destroy(&attributes);
  std::vector<std::string> expected = {"DestroyWindow window1", "PostQuitMessage 0",
                                       "DeleteFont font2", "DeleteFont font1"};
  EXPECT_EQ(expected, fake_.calls());
  EXPECT_FALSE(window.has_value());
}

}  // namespace
}  // namespace mavrel
