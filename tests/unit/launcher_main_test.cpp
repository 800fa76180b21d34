// The entry on the fake platform: the whole start-up sequence, the message
// loop, the exit status, and every way start-up can fail.
#include "window/launcher_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace {

using test_support::AddButton;
using test_support::Append;
using test_support::ButtonPropertyReads;
using test_support::ReadLine;
using test_support::RefusingStorage;

const std::string kStartupBox =
    "MessageBox null \"Startup failed;  installation media may be corrupted.\" \"Internal "
    "Error\" 0";
const std::string kFontBox =
    "MessageBox null \"Failed to load font.  Operating system may be corrupt; installation "
    "cannot proceed.\" \"INTERNAL ERROR\" 0";

Message WindowMessageFor(std::uint32_t message, std::intptr_t lParam = 0) {
  Message m;
  m.window = FakeHandle<WindowHandle>(1);
  m.message = message;
  m.lParam = lParam;
  return m;
}

// What construction reads and makes with no settings file and no buttons.
std::vector<std::string> DefaultConstruction() {
  std::vector<std::string> lines = {
      "RegisterWindowClass MyMavrelWindowClass style=3 icon=107",
      "GetFullPathName Mavrel.INI 1024",
      ReadLine("Main", "Width"),
      ReadLine("Main", "Height"),
      ReadLine("Main", "Title"),
      ReadLine("Main", "Background"),
      "OpenFileForReading ",
      ReadLine("Main", "Button.0"),
  };
  Append(lines, ButtonPropertyReads("Main"));
  Append(lines, {
                    "AdjustWindowRect 0,0,500,300 style=13238272",
                    "GetSystemMetrics 0",
                    "GetSystemMetrics 1",
                    "CreateWindow MyMavrelWindowClass \"Dravik Mavrel Screen\" style=13238272 "
                    "259,219 506x329 parent=null",
                    "SetWindowUserData window1",
                });
  return lines;
}

TEST(LauncherMainTest, NoSettingsRunsUntilClosedAndEndsWithZero) {
  FakePlatform fake;
  fake.queue.push_back(WindowMessageFor(kWmClose));
  int status = LauncherMain(fake, nullptr);

  std::vector<std::string> expected = DefaultConstruction();
  Append(expected, {
                       "ShowWindow window1 5",
                       "DestroyWindow window1",
                       "PostQuitMessage 0",
                       "GetMessage quit 0",
                   });
  EXPECT_EQ(expected, fake.calls());
  EXPECT_EQ(0, status);
}

TEST(LauncherMainTest, ExitStatusIsTheQuitMessagesParameter) {
  FakePlatform fake;
  fake.beforeMessage = [&fake](std::size_t) { fake.PostQuitMessage(7); };
  fake.queue.push_back(WindowMessageFor(0x0113));  // any message the window passes on
  EXPECT_EQ(7, LauncherMain(fake, nullptr));
  // The loop ended with the window still there: teardown destroyed it.
  EXPECT_EQ(1u, fake.CallsStartingWith("DestroyWindow window1").size());
  EXPECT_EQ(1u, fake.CallsStartingWith("DefWindowProc window1 275").size());
}

TEST(LauncherMainTest, ClassRegistrationFailureShowsMessageAndReadsNothing) {
  FakePlatform fake;
  fake.failRegisterClass = true;
  EXPECT_EQ(1, LauncherMain(fake, nullptr));
  std::vector<std::string> expected = {
      "RegisterWindowClass MyMavrelWindowClass style=3 icon=107",
      kStartupBox,
  };
  EXPECT_EQ(expected, fake.calls());
}

TEST(LauncherMainTest, WindowCreationFailureEndsWithStatusOneInsteadOfWaiting) {
  FakePlatform fake;
  fake.failCreateWindow = true;
  AddButton(fake, 0, "First", "One", 10, 10, 100);
  int status = LauncherMain(fake, nullptr);
  EXPECT_EQ(1, status);

  std::vector<std::string> calls = fake.calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(kStartupBox, calls.back());
  EXPECT_TRUE(fake.CallsStartingWith("SetWindowUserData").empty());
  EXPECT_TRUE(fake.CallsStartingWith("ShowWindow").empty());
  EXPECT_TRUE(fake.CallsStartingWith("CreateFont").empty());
  EXPECT_TRUE(fake.CallsStartingWith("DestroyWindow").empty());
  EXPECT_TRUE(fake.CallsStartingWith("GetMessage").empty());
}

TEST(LauncherMainTest, SecondButtonsDescriptionFontFailureDeletesThreeFonts) {
  FakePlatform fake;
  AddButton(fake, 0, "First", "One", 10, 10, 100);
  AddButton(fake, 1, "Second", "Two", 10, 40, 100);
  AddButton(fake, 2, "Third", "Three", 10, 70, 100);
  fake.failFontAt = 3;  // the second button's description font
  EXPECT_EQ(1, LauncherMain(fake, nullptr));

  EXPECT_EQ(std::vector<std::string>{kFontBox}, fake.CallsStartingWith("MessageBox"));
  EXPECT_TRUE(fake.CallsStartingWith("GetPrivateProfileString [Third]").empty())
      << "no later button is constructed";
  EXPECT_TRUE(fake.CallsStartingWith("ShowWindow").empty());

  // Teardown: the window, then the list from its head (the second button,
  // whose button font is font3), then the first button's two fonts.
  std::vector<std::string> calls = fake.calls();
  auto box = std::find(calls.begin(), calls.end(), kFontBox);
  ASSERT_NE(calls.end(), box);
  std::vector<std::string> after(box + 1, calls.end());
  std::vector<std::string> expected = {
      "DestroyWindow window1", "PostQuitMessage 0", "DeleteFont font3",
      "DeleteFont font1",      "DeleteFont font2",
  };
  EXPECT_EQ(expected, after);
  EXPECT_EQ(0, fake.liveFonts());
}

TEST(LauncherMainTest, FirstButtonFontFailureShowsOnlyTheFontMessage) {
  FakePlatform fake;
  AddButton(fake, 0, "First", "One", 10, 10, 100);
  fake.failFontAt = 0;
  EXPECT_EQ(1, LauncherMain(fake, nullptr));
  EXPECT_EQ(std::vector<std::string>{kFontBox}, fake.CallsStartingWith("MessageBox"));
  EXPECT_EQ(std::vector<std::string>{"CreateFont 20 Ariel -> null"},
            fake.CallsStartingWith("CreateFont"));
  EXPECT_TRUE(fake.CallsStartingWith("DeleteFont").empty());
  EXPECT_TRUE(fake.CallsStartingWith("ShowWindow").empty());
}

TEST(LauncherMainTest, ButtonStorageRefusedEndsStartUpInOrder) {
  FakePlatform fake;
  AddButton(fake, 0, "First", "One", 10, 10, 100);
  AddButton(fake, 1, "Second", "Two", 10, 40, 100);
  RefusingStorage storage;
  storage.refuseButtonAt = 1;
  EXPECT_EQ(1, LauncherMain(fake, nullptr, storage));

  std::vector<std::string> calls = fake.calls();
  auto box = std::find(calls.begin(), calls.end(), kStartupBox);
  ASSERT_NE(calls.end(), box);
  // Nothing of the second button was read; the first one's fonts go at
  // teardown.
  EXPECT_TRUE(fake.CallsStartingWith("GetPrivateProfileString [Second]").empty());
  std::vector<std::string> after(box + 1, calls.end());
  std::vector<std::string> expected = {"DestroyWindow window1", "PostQuitMessage 0",
                                       "DeleteFont font1", "DeleteFont font2"};
  EXPECT_EQ(expected, after);
  EXPECT_TRUE(fake.CallsStartingWith("ShowWindow").empty());
}

TEST(LauncherMainTest, ExitButtonQuitsAfterTheReleaseIsHandled) {
  FakePlatform fake;
  AddButton(fake, 0, "Close", "Close", 10, 10, 100);
  fake.queue.push_back(WindowMessageFor(kWmLeftButtonDown, PackPointerPosition(12, 12)));
  fake.queue.push_back(WindowMessageFor(kWmLeftButtonUp, PackPointerPosition(12, 12)));
  fake.queue.push_back(WindowMessageFor(kWmMouseMove, PackPointerPosition(200, 200)));
  EXPECT_EQ(0, LauncherMain(fake, nullptr));

  std::vector<std::string> calls = fake.calls();
  auto quit = std::find(calls.begin(), calls.end(), "PostQuitMessage 0");
  ASSERT_NE(calls.end(), quit);
  // The rest of the release still runs: reset, tracking again, capture released.
  std::vector<std::string> after(quit + 1, calls.end());
  std::vector<std::string> expected = {
      "InvalidateRect window1 10,10,50,30",
      "InvalidateRect window1 0,0,0,0",
      "InvalidateRect window1 10,10,50,30",
      "InvalidateRect window1 0,0,0,0",
      "ReleaseCapture",
      // The queued move is still handed out (the fake's queue runs first)
      // and takes the hot button off.
      "InvalidateRect window1 10,10,50,30",
      "InvalidateRect window1 0,0,0,0",
      "GetMessage quit 0",
      "DestroyWindow window1",
      "PostQuitMessage 0",
      "DeleteFont font1",
      "DeleteFont font2",
  };
  EXPECT_EQ(expected, after);
  EXPECT_EQ(0, fake.liveFonts());
}

TEST(LauncherMainTest, ClosingWithButtonsReleasesEveryFont) {
  FakePlatform fake;
  for (int i = 0; i < 5; ++i) {
    AddButton(fake, i, "B" + std::to_string(i), "Button", 10, 30 * i, 100);
  }
  fake.queue.push_back(WindowMessageFor(kWmClose));
  EXPECT_EQ(0, LauncherMain(fake, nullptr));
  EXPECT_EQ(10u, fake.CallsStartingWith("CreateFont 20 Ariel -> font").size());
  EXPECT_EQ(10u, fake.CallsStartingWith("DeleteFont").size());
  EXPECT_EQ(0, fake.liveFonts());
  EXPECT_EQ(1u, fake.CallsStartingWith("DestroyWindow").size());
}

TEST(LauncherMainTest, HostileSizesAndHeightsStillStartAndClose) {
  FakePlatform fake;
  fake.SetSetting("Main", "Width", "0x7FFFFFFF");
  fake.SetSetting("Main", "Height", "-2147483648");
  fake.SetSetting("Main", "BUTTON_FONT_HEIGHT", "-2147483648");
  fake.SetSetting("Main", "BUTTON_LOC.X", "2147483647");
  fake.SetSetting("Main", "BUTTON_LOC.WIDTH", "-2147483648");
  AddButton(fake, 0, "First", "One two three", 2147483647, -2147483647, -5);
  fake.queue.push_back(WindowMessageFor(kWmMouseMove, PackPointerPosition(65535, 65535)));
  fake.queue.push_back(WindowMessageFor(kWmPaint));
  fake.queue.push_back(WindowMessageFor(kWmClose));
  EXPECT_EQ(0, LauncherMain(fake, nullptr));
  EXPECT_EQ(1u, fake.CallsStartingWith("ShowWindow window1 5").size());
  EXPECT_EQ(0, fake.liveFonts());
}

}  // namespace
}  // namespace mavrel
