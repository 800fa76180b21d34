// The desktop launcher as a user meets it, under a private Xvfb: a medium
// folder with a settings file and a picture, the launcher started there,
// the pointer moved and clicked with XTest, the screen read back, and the
// programs it starts reporting what they were given.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/desktop_medium.h"
#include "support/bmp_builder.h"
#include "support/launcher_run.h"
#include "support/temp_medium.h"
#include "support/x_harness.h"
#ifdef MAVREL_INSPECT_PATH
#include "author/png_file.h"
#endif

namespace mavrel::xharness {
namespace {

namespace fs = std::filesystem;

// A search path like this process's on which `tool` is not found: each
// folder that has it is replaced by a folder in `scratch` of links to
// everything else in it (one for each folder, however it is named).
std::string PathWithout(const std::string& tool, const fs::path& scratch) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  std::map<fs::path, fs::path> copies;
  std::string folder, result;
  while (std::getline(folders, folder, ':')) {
    std::error_code error;
    if (!folder.empty() && fs::exists(fs::path(folder) / tool, error)) {
      fs::path& copy = copies[fs::canonical(folder, error)];
      if (copy.empty()) {
        copy = scratch / ("path-" + std::to_string(copies.size()));
        fs::create_directories(copy);
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
          if (entry.path().filename() == tool) continue;
          fs::create_symlink(entry.path(), copy / entry.path().filename(), error);
        }
      }
      folder = copy.string();
    }
    result += (result.empty() ? "" : ":") + folder;
  }
  return result;
}

class DesktopLauncher : public ::testing::Test {
 protected:
  // Which font path the X server gets: empty for its default.
  virtual std::string FontPath() const { return ""; }

  void SetUp() override {
    if (FontPath() == kCoreFontPath) {
      ASSERT_TRUE(fs::exists(fs::path(kCoreFontPath) / "fonts.dir"))
          << kCoreFontPath << " holds no core fonts (scripts/setup.sh installs xfonts-base)";
    }
    x_.SetFontPath(FontPath());
    ASSERT_TRUE(x_.Start(kScreenWidth, kScreenHeight, kDeadlineMs)) << x_.error();
    folder_ = std::make_unique<test_support::TempMedium>("e2e");
    medium_ = folder_->path();
    Write("pic.bmp", SplitPicture());
  }

  void TearDown() override {
    run_.reset();
    // A sanitized launcher (the tsan preset) writes its reports there.
    if (folder_ && fs::exists(medium_ / "launcher.log")) {
      EXPECT_FALSE(test_support::HasSanitizerReport(ReadAll(medium_ / "launcher.log")));
    }
    if (HasFailure() && folder_) {
      folder_->Keep();
      x_.SaveScreen((medium_ / "screen.ppm").string());
      std::printf("medium kept for a look: %s\nlauncher output:\n%s\n", medium_.c_str(),
                  ReadAll(medium_ / "launcher.log").c_str());
    }
  }

  void Write(const std::string& name, const std::string& content) { folder_->Write(name, content); }

  // The launcher's search path: this process's, unless a test says.
  virtual std::string SearchPath() const {
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/bin:/bin";
  }

  // A search path with a stand-in for zenity first (SDL hands its boxes to
  // zenity where it finds one), which notes in zenity.log that it was
  // called and answers as if its dialog had been shown and dismissed; or,
  // without `zenity`, one on which no zenity is found at all.
  std::string PathWithZenity(bool zenity) {
    if (!zenity) return PathWithout("zenity", medium_ / "no-zenity");
    Write("zenity-bin/zenity",
          "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + ZenityLog().string() + "'\nexit 0\n");
    fs::permissions(medium_ / "zenity-bin/zenity", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    return (medium_ / "zenity-bin").string() + ":" + (path ? path : "/usr/bin:/bin");
  }
  fs::path ZenityLog() const { return medium_ / "zenity.log"; }

  // Starts the launcher in the medium and waits for its window.
  void Launch(const std::map<std::string, std::string>& env = {}, bool expectWindow = true) {
    test_support::LaunchOptions options;
    options.arguments = {"--an-ignored-option"};
    options.env.assign(env.begin(), env.end());
    if (env.count("PATH") == 0) options.env.push_back({"PATH", SearchPath()});
    options.unsetEnv = {"WAYLAND_DISPLAY"};  // our Xvfb, whatever the session offers
    options.logPath = (medium_ / "launcher.log").string();
    // Started the way nohup starts a program: the launcher inherits these and
    // must not hand them on.
    options.ignoredSignals = {SIGHUP, SIGPIPE};
    options.blockedSignals = {SIGUSR1};
    run_ = std::make_unique<test_support::LauncherRun>(x_, MAVREL_LAUNCHER_PATH, medium_.string(),
                                                       options);
    ASSERT_GT(pid(), 0);
    if (!expectWindow) return;
    window_ = x_.WaitForWindow("E2E Launcher", kDeadlineMs);
    ASSERT_NE(0u, window_) << "no launcher window";
    ASSERT_TRUE(x_.Geometry(window_, client_));
    // The first paint has happened once the picture shows.
    ASSERT_TRUE(x_.WaitForPixel(client_.x + 5, client_.y + 5, kPictureLeft, kDeadlineMs, 2))
        << std::hex << x_.Pixel(client_.x + 5, client_.y + 5);
  }

  pid_t pid() const { return run_ ? run_->pid() : -1; }

  ScreenRect OnScreen(const ScreenRect& r) const {
    return {client_.x + r.x, client_.y + r.y, r.width, r.height};
  }
  int Count(const ScreenRect& clientArea, Rgb colour) {
    return x_.CountPixels(OnScreen(clientArea), colour, 0);
  }
  bool WaitForColour(const ScreenRect& clientArea, Rgb colour, bool present = true,
                     int deadlineMs = kDeadlineMs) {
    return WaitFor([&] { return (Count(clientArea, colour) >= 20) == present; }, deadlineMs);
  }
  void MoveTo(int clientX, int clientY) {
    x_.MovePointer(client_.x + clientX, client_.y + clientY);
  }

  std::string ProbeCommand(const std::string& report) {
    return std::string(MAVREL_PROBE_PATH) + " " + report + " \"two words\" x\\\"y last";
  }

  bool WaitForFile(const fs::path& path, int deadlineMs = kDeadlineMs) {
    return WaitFor([&] { return fs::exists(path); }, deadlineMs);
  }

  int WaitForLauncherExit() {
    test_support::RunResult end = run_->WaitForEnd(kDeadlineMs);
    EXPECT_TRUE(end.exited) << "the launcher did not end";
    return end.status;
  }

  XSession x_;
  std::unique_ptr<test_support::TempMedium> folder_;
  fs::path medium_;
  std::unique_ptr<test_support::LauncherRun> run_;
  XWindowId window_ = 0;
  ScreenRect client_;
};

// Where a box is shown: an X server with core fonts (Debian's xfonts-base;
// SDL's own box needed them) or with only the two built into it (a plain
// Xvfb where xfonts-base is missing); zenity on the search path or none.
struct BoxSetting {
  bool coreFonts;
  bool zenity;
  const char* name;
};
void PrintTo(const BoxSetting& setting, std::ostream* out) { *out << setting.name; }

// The cases with a message box, run on each kind of server, with zenity and
// without: the box is always the launcher's own.
class DesktopErrorBox : public DesktopLauncher, public ::testing::WithParamInterface<BoxSetting> {
 protected:
  std::string FontPath() const override {
    return GetParam().coreFonts ? xharness::kCoreFontPath : xharness::kBuiltInFontsOnly;
  }
  void SetUp() override {
    DesktopLauncher::SetUp();
    if (!HasFatalFailure()) searchPath_ = PathWithZenity(GetParam().zenity);
  }
  std::string SearchPath() const override { return searchPath_; }
  void TearDown() override {
    EXPECT_FALSE(fs::exists(ZenityLog())) << "zenity was called: " << ReadAll(ZenityLog());
    DesktopLauncher::TearDown();
  }

  // Waits for the box titled `title` and checks that it is the launcher's
  // own, made over the launcher window's connection to the server.
  XWindowId WaitForBox(const std::string& title) {
    XWindowId box = x_.WaitForWindow(title, kDeadlineMs);
    if (box != 0) {
      EXPECT_TRUE(x_.SameClient(box, window_)) << "not the launcher's own box";
    }
    return box;
  }

  // Dismisses a box as a user does: a close request, else Return on it.
  bool Dismiss(XWindowId box, const std::string& title) {
    x_.RequestClose(box);
    if (x_.WaitForNoWindow(title, 2000)) return true;
    ScreenRect area;
    if (x_.Geometry(box, area)) x_.MovePointer(area.x + area.width / 2, area.y + area.height / 2);
    x_.TapKey(0xff0d);
    return x_.WaitForNoWindow(title, kDeadlineMs);
  }

  std::string searchPath_;
};

INSTANTIATE_TEST_SUITE_P(XServers, DesktopErrorBox,
                         ::testing::Values(BoxSetting{false, false, "BuiltInFonts"},
                                           BoxSetting{true, false, "CoreFonts"},
                                           BoxSetting{false, true, "BuiltInFontsAndZenity"},
                                           BoxSetting{true, true, "CoreFontsAndZenity"}),
                         [](const ::testing::TestParamInfo<BoxSetting>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(DesktopLauncher, WindowHasTheTitleSizeAndCentreAndShowsThePicture) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes\r\n"));
  Launch();
  EXPECT_EQ("E2E Launcher", x_.Title(window_));
  EXPECT_EQ(400, client_.width);
  EXPECT_EQ(300, client_.height);
  EXPECT_EQ((kScreenWidth - 400) / 2, client_.x);
  EXPECT_EQ((kScreenHeight - 300) / 2, client_.y);
  EXPECT_TRUE(x_.HasFixedSize(window_));
  EXPECT_TRUE(x_.HasIcon(window_));
  // The 40 x 30 picture fills the client area exactly: red left, blue right,
  // and nothing of it outside the window.
  EXPECT_EQ(kPictureLeft, x_.Pixel(client_.x, client_.y + 299));
  EXPECT_EQ(kPictureLeft, x_.Pixel(client_.x + 150, client_.y + 150));
  EXPECT_EQ(kPictureRight, x_.Pixel(client_.x + 250, client_.y + 20));
  EXPECT_EQ(kPictureRight, x_.Pixel(client_.x + 399, client_.y));
  EXPECT_EQ(0x000000u, x_.Pixel(client_.x - 1, client_.y + 150));
  EXPECT_EQ(0x000000u, x_.Pixel(client_.x + 400, client_.y + 150));
  // At rest the button is in its text colour and the description is hidden.
  EXPECT_GE(Count(kButtonArea, kText), 20);
  EXPECT_EQ(0, Count(kButtonArea, kHighlight));
  EXPECT_EQ(0, Count(kDescriptionArea, kDescription));
  x_.RequestClose(window_);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_F(DesktopLauncher, TitleInWindows1252IsShownAsSuch) {
  Write("Mavrel.INI", MainSection() + "Title=Caf\xE9 \x80 menu\r\n");
  std::string ini = ReadAll(medium_ / "Mavrel.INI");
  ini.replace(ini.find("Title=E2E Launcher\r\n"), 20, "");
  Write("Mavrel.INI", ini);
  Launch({}, false);
  XWindowId w = x_.WaitForWindow("Caf\xC3\xA9 \xE2\x82\xAC menu", kDeadlineMs);
  ASSERT_NE(0u, w) << testing::PrintToString(x_.MappedTitles());
  x_.RequestClose(w);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_F(DesktopLauncher, HoverLightsTheButtonAndShowsItsDescription) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes far\r\n"));
  Launch();
  MoveTo(kOnButtonX, kOnButtonY);
  EXPECT_TRUE(WaitForColour(kButtonArea, kHighlight));
  EXPECT_TRUE(WaitForColour(kDescriptionArea, kDescription));
  EXPECT_EQ(0, Count(kButtonArea, kText));
  // Out of the window with no press in progress: no move reaches the
  // launcher, so the button stays lit with its description.
  for (auto [x, y] : {std::pair{-30, kOnButtonY}, {kOnButtonX, -20}, {450, 350}}) {
    MoveTo(x, y);
    EXPECT_FALSE(WaitForColour(kButtonArea, kHighlight, false, 400)) << x << "," << y;
    EXPECT_GE(Count(kDescriptionArea, kDescription), 20) << x << "," << y;
    MoveTo(kOnButtonX, kOnButtonY);
  }
  // Off the button again: text colour, and the picture is back under the
  // description.
  MoveTo(300, 100);
  EXPECT_TRUE(WaitForColour(kButtonArea, kText));
  EXPECT_TRUE(WaitForColour(kDescriptionArea, kDescription, false));
  EXPECT_EQ(kPictureRight, x_.Pixel(client_.x + 300, client_.y + 220));
}

TEST_F(DesktopLauncher, ClickStartsTheProgramInItsFolderWithNothingOfOurs) {
  // DIRECTORY is written the Windows way: backslash, other letter case.
  fs::create_directories(medium_ / "Sub Folder" / "Inner");
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes\r\n"
                                  "DIRECTORY=sub folder\\\\INNER\r\n"
                                  "EXIT_COMMAND=STAY\r\n"
                                  "PROG_COMMAND=" +
                                  ProbeCommand("report.txt") + "\r\n"));
  Launch();
  MoveTo(kOnButtonX, kOnButtonY);
  x_.PressButton();
  EXPECT_TRUE(WaitForColour(kButtonArea, kSelect));
  EXPECT_TRUE(WaitForColour(kDescriptionArea, kDescription));
  x_.ReleaseButton();
  fs::path report = medium_ / "Sub Folder" / "Inner" / "report.txt";
  ASSERT_TRUE(WaitForFile(report));
  std::string text = ReadAll(report);
  EXPECT_EQ((std::vector<std::string>{"report.txt", "two words", "x\"y", "last"}),
            Lines(text, "arg "));
  EXPECT_EQ((std::vector<std::string>{(medium_ / "Sub Folder" / "Inner").string()}),
            Lines(text, "cwd "));
  // Only the standard three descriptors, no signal ignored or blocked.
  std::vector<std::string> fds = Lines(text, "fd ");
  ASSERT_EQ(3u, fds.size()) << text;
  EXPECT_EQ("0 ", fds[0].substr(0, 2));
  EXPECT_EQ("1 ", fds[1].substr(0, 2));
  EXPECT_EQ("2 ", fds[2].substr(0, 2));
  EXPECT_EQ((std::vector<std::string>{"0000000000000000"}), Lines(text, "sigign "));
  EXPECT_EQ((std::vector<std::string>{"0000000000000000"}), Lines(text, "sigblk "));
  // The launcher stays (EXIT_COMMAND=STAY), the button is lit again, and the
  // ended program is reaped: no zombie child is left.
  EXPECT_TRUE(WaitForColour(kButtonArea, kHighlight));
  EXPECT_TRUE(WaitFor([&] { return ChildrenOf(pid()).empty(); }, kDeadlineMs))
      << ChildrenOf(pid()).size() << " children, first a zombie: " << ChildrenOf(pid())[0].zombie;
  int status;
  EXPECT_FALSE(WaitForExit(pid(), 50, status));
}

TEST_F(DesktopLauncher, ExitCommandEndsTheLauncherWithStatusZeroAndTheProgramRunsOn) {
  Write(
      "Mavrel.INI",
      MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nPROG_COMMAND=" + ProbeCommand("report.txt") + "\r\n"));
  Launch({{"MAVREL_PROBE_LINGER_MS", "1500"}});
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  EXPECT_EQ(0, WaitForLauncherExit());
  // The program outlives the launcher that started it.
  ASSERT_TRUE(WaitForFile(medium_ / "report.txt"));
  std::vector<std::string> pid = Lines(ReadAll(medium_ / "report.txt"), "pid ");
  ASSERT_EQ(1u, pid.size());
  EXPECT_EQ(0, kill(std::stoi(pid[0]), 0));
}

TEST_F(DesktopLauncher, StayKeepsTheLauncherOpenAndAButtonWithoutCommandsCanClose) {
  Write("Mavrel.INI", MainSection("Button.1=Quit\r\n"
                                  "[Go]\r\nBUTTON_TEXT=Go\r\nEXIT_COMMAND=stay\r\n"
                                  "[Quit]\r\nBUTTON_TEXT=Quit\r\nBUTTON_LOC.Y=150\r\n"));
  Launch();
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  int status;
  EXPECT_FALSE(WaitForExit(pid(), 300, status));
  x_.Click(client_.x + kOnButtonX, client_.y + 170);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_P(DesktopErrorBox, FailedStartShowsTheErrorBoxAndTheLauncherStays) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\n"
                                  "PROG_COMMAND=no-such-program-anywhere --x\r\n"
                                  "ERROR_MSG=It did not start.\r\n"));
  Launch();
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  XWindowId box = WaitForBox("Error");
  ASSERT_NE(0u, box) << testing::PrintToString(x_.MappedTitles());
  // While the box is open the button shows as pressed.
  EXPECT_GE(Count(kButtonArea, kSelect), 20);
  // Clicks on the button while the box is up start nothing, now or later.
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  x_.Click(client_.x + kOnButtonX + 5, client_.y + kOnButtonY);
  // A part of the window uncovered while the box is up is painted again.
  ScreenRect corner{client_.x + 330, client_.y + 10, 60, 40};
  x_.CoverAndUncover(corner, 0xFF00FF);
  EXPECT_TRUE(
      WaitFor([&] { return x_.CountPixels(corner, kPictureRight) == 60 * 40; }, kDeadlineMs))
      << std::hex << x_.Pixel(corner.x, corner.y);
  ASSERT_TRUE(Dismiss(box, "Error"));
  EXPECT_FALSE(WaitFor([&] { return !x_.FindWindowsByTitle("Error").empty(); }, 1500))
      << "a click made while the box was open opened another";
  int status;
  EXPECT_FALSE(WaitForExit(pid(), 200, status));
  // Back to normal, and the window still closes with status 0.
  MoveTo(300, 100);
  EXPECT_TRUE(WaitForColour(kButtonArea, kText));
  x_.RequestClose(window_);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_P(DesktopErrorBox, InputRightAfterTheBoxGoesReachesTheLauncher) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\n"
                                  "PROG_COMMAND=no-such-program-anywhere --x\r\n"));
  Launch();
  // The moment the box has left the screen the launcher takes the pointer
  // again: a click made right then fails again and opens the next box, and
  // a close request made right then closes the window.
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    XWindowId box = WaitForBox("Error");
    ASSERT_NE(0u, box) << testing::PrintToString(x_.MappedTitles());
    ASSERT_TRUE(Dismiss(box, "Error"));
    if (round == 3) break;
    MoveTo(300, 100);
    x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  }
  x_.RequestClose(window_);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_F(DesktopLauncher, DragOffTheButtonAndReleaseOutsideStartsNothing) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes\r\n"
                                  "EXIT_COMMAND=STAY\r\nPROG_COMMAND=" +
                                  ProbeCommand("report.txt") + "\r\n"));
  Launch();
  MoveTo(kOnButtonX, kOnButtonY);
  x_.PressButton();
  EXPECT_TRUE(WaitForColour(kButtonArea, kSelect));
  // Left of the window: the press still follows the pointer (PressedOutside
  // is drawn in the highlight colour with the description).
  MoveTo(-10, kOnButtonY);
  EXPECT_TRUE(WaitForColour(kButtonArea, kHighlight));
  EXPECT_TRUE(WaitForColour(kDescriptionArea, kDescription));
  x_.ReleaseButton();
  EXPECT_TRUE(WaitForColour(kButtonArea, kText));
  EXPECT_FALSE(WaitForFile(medium_ / "report.txt", 500));
  // Drag off and back on: one start.
  MoveTo(kOnButtonX, kOnButtonY);
  x_.PressButton();
  MoveTo(300, 250);
  EXPECT_TRUE(WaitForColour(kButtonArea, kHighlight));
  MoveTo(kOnButtonX + 2, kOnButtonY);
  EXPECT_TRUE(WaitForColour(kButtonArea, kSelect));
  x_.ReleaseButton();
  EXPECT_TRUE(WaitForFile(medium_ / "report.txt"));
}

TEST_P(DesktopErrorBox, DocumentOpensWithTheDesktopApplicationInItsFolder) {
  fs::create_directories(medium_ / "Docs");
  Write("Docs/Read Me.TXT", "hello");
  Write("bin/xdg-open",
        "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$(pwd)\" > \"$MAVREL_OPEN_LOG.part\"\n"
        "mv \"$MAVREL_OPEN_LOG.part\" \"$MAVREL_OPEN_LOG\"\nexit \"${MAVREL_OPEN_STATUS:-0}\"\n");
  fs::permissions(medium_ / "bin/xdg-open", fs::perms::owner_all);
  Write("Mavrel.INI", MainSection("Button.1=Missing\r\n"
                                  "[Go]\r\nBUTTON_TEXT=Go\r\nDIRECTORY=docs\r\n"
                                  "DOC_COMMAND=read me.txt\r\nEXIT_COMMAND=STAY\r\n"
                                  "[Missing]\r\nBUTTON_TEXT=Gone\r\nBUTTON_LOC.Y=150\r\n"
                                  "DOC_COMMAND=nothing.txt\r\nERROR_MSG=Missing.\r\n"));
  fs::path log = medium_ / "open.log";
  Launch({{"PATH", (medium_ / "bin").string() + ":" + SearchPath()},
          {"MAVREL_OPEN_LOG", log.string()}});
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  ASSERT_TRUE(WaitForFile(log));
  EXPECT_EQ((medium_ / "Docs" / "Read Me.TXT").string() + "\n" + (medium_ / "Docs").string() + "\n",
            ReadAll(log));
  EXPECT_TRUE(x_.FindWindowsByTitle("Error").empty());
  // A document that is not there: the error box, nothing opened.
  fs::remove(log);
  x_.Click(client_.x + kOnButtonX, client_.y + 170);
  XWindowId box = WaitForBox("Error");
  ASSERT_NE(0u, box);
  EXPECT_FALSE(fs::exists(log));
  EXPECT_TRUE(Dismiss(box, "Error"));
}

TEST_P(DesktopErrorBox, DocumentWithoutAnApplicationShowsTheError) {
  Write("doc.txt", "x");
  Write("bin/xdg-open", "#!/bin/sh\nexit 3\n");
  fs::permissions(medium_ / "bin/xdg-open", fs::perms::owner_all);
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDOC_COMMAND=doc.txt\r\n"));
  Launch({{"PATH", (medium_ / "bin").string() + ":" + SearchPath()}});
  x_.Click(client_.x + kOnButtonX, client_.y + kOnButtonY);
  XWindowId box = WaitForBox("Error");
  ASSERT_NE(0u, box);
  EXPECT_TRUE(Dismiss(box, "Error"));
  int status;
  EXPECT_FALSE(WaitForExit(pid(), 100, status));
}

TEST_F(DesktopLauncher, FontHeightsBeyondTheLargestGiveTheLargestAndTheWindowShows) {
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes\r\n"
                                  "BUTTON_FONT_HEIGHT=-100000\r\n"
                                  "BUTTON_DESC_HEIGHT=2147483647\r\n"));
  Launch();
  EXPECT_TRUE(x_.FindWindowsByTitle("INTERNAL ERROR").empty());
  x_.RequestClose(window_);
  EXPECT_EQ(0, WaitForLauncherExit());
}

TEST_P(DesktopErrorBox, AFontThatCannotBeMadeEndsStartUpWithItsMessage) {
  // A font configuration with no fonts in it: no font can be made.
  Write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" +
                          (medium_ / "font-cache").string() + "</cachedir></fontconfig>\n");
  Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\n"));
  Launch({{"FONTCONFIG_FILE", (medium_ / "fonts.conf").string()}}, false);
  // The message shows in the launcher's own box on every server, drawn in
  // its bitmap font. (The launcher's window was made, and is never shown.)
  XWindowId box = x_.WaitForWindow("INTERNAL ERROR", kDeadlineMs);
  ASSERT_NE(0u, box) << "no box; log:\n" << ReadAll(medium_ / "launcher.log");
  std::vector<XWindowId> hidden = x_.FindWindowsByTitle("E2E Launcher", false);
  ASSERT_EQ(1u, hidden.size());
  EXPECT_TRUE(x_.SameClient(box, hidden[0])) << "not the launcher's own box";
  EXPECT_TRUE(Dismiss(box, "INTERNAL ERROR"));
  int status = WaitForLauncherExit();
  EXPECT_EQ(1, status);
  EXPECT_TRUE(x_.FindWindowsByTitle("E2E Launcher", false).empty());
}

// With no display the message goes to the error stream, zenity or not.
TEST_F(DesktopLauncher, WithoutAnyDisplayStartUpFailsWithStatusOne) {
  Write("Mavrel.INI", MainSection());
  for (bool zenity : {false, true}) {
    SCOPED_TRACE(zenity ? "zenity" : "no zenity");
    test_support::LaunchOptions options;
    options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
    options.env = {{"PATH", PathWithZenity(zenity)}};
    options.logPath = (medium_ / "launcher.log").string();
    run_ = std::make_unique<test_support::LauncherRun>(x_, MAVREL_LAUNCHER_PATH, medium_.string(),
                                                       options);
    ASSERT_GT(pid(), 0);
    EXPECT_EQ(1, WaitForLauncherExit());
    EXPECT_NE(std::string::npos, ReadAll(medium_ / "launcher.log").find("Internal Error"));
    EXPECT_FALSE(fs::exists(ZenityLog())) << "zenity was called: " << ReadAll(ZenityLog());
  }
}

#ifdef MAVREL_INSPECT_PATH
// mavrel-inspect render, run with no display at all, draws each state pixel
// for pixel as the launcher shows it on the screen after the pointer has
// brought it there (through the launcher's partial repaints).
TEST_F(DesktopLauncher, RenderDrawsEachStateAsTheLauncherShowsIt) {
  Write("Mavrel.INI", MainSection("Button.1=Stop\r\n"
                                  "[Go]\r\nBUTTON_TEXT=Go far\r\nDESC_TEXT=Goes far away\r\n"
                                  "EXIT_COMMAND=STAY\r\n"
                                  "[Stop]\r\nBUTTON_TEXT=Stop\r\nDESC_TEXT=Ends it\r\n"
                                  "BUTTON_LOC.Y=150\r\n"));
  auto render = [&](std::vector<std::string> state, const std::string& name) {
    ProcessOptions options;
    options.argv = {MAVREL_INSPECT_PATH, "render", medium_.string(), "-o",
                    (medium_ / (name + ".png")).string()};
    options.argv.insert(options.argv.end(), state.begin(), state.end());
    options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
    options.outputFile = (medium_ / (name + ".log")).string();
    int status = -1;
    pid_t pid = StartProcess(options);
    EXPECT_TRUE(pid > 0 && WaitForExit(pid, kDeadlineMs, status)) << name;
    EXPECT_EQ(0, status) << name << ": " << ReadAll(medium_ / (name + ".log"));
    RgbImage image;
    std::string error;
    EXPECT_TRUE(ReadPng((medium_ / (name + ".png")).string(), image, error)) << name << error;
    return image;
  };
  const RgbImage rest = render({}, "rest");
  const RgbImage goHot = render({"--hot", "Go"}, "go-hot");
  const RgbImage goPressed = render({"--pressed", "Go"}, "go-pressed");
  const RgbImage stopHot = render({"--hot", "Stop"}, "stop-hot");
  // Pixels of the client area that differ from the picture by more than a
  // step in any channel; -1 when the sizes differ.
  auto mismatches = [&](const RgbImage& expected) {
    std::vector<Rgb> shown = x_.Region(client_);
    if (expected.width != client_.width || expected.height != client_.height ||
        shown.size() != expected.pixels.size()) {
      return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      count += ColoursMatch(shown[i], expected.pixels[i], 2) ? 0 : 1;
    }
    return count;
  };
  auto shows = [&](const RgbImage& expected) {
    return WaitFor([&] { return mismatches(expected) == 0; }, kDeadlineMs);
  };
  Launch();
  EXPECT_TRUE(shows(rest)) << mismatches(rest) << " pixels differ at rest";
  MoveTo(kOnButtonX, kOnButtonY);
  EXPECT_TRUE(shows(goHot)) << mismatches(goHot) << " pixels differ with Go hot";
  x_.PressButton();
  EXPECT_TRUE(shows(goPressed)) << mismatches(goPressed) << " pixels differ with Go pressed";
  x_.ReleaseButton();
  EXPECT_TRUE(shows(goHot)) << mismatches(goHot) << " pixels differ with Go hot again";
  // From one button to the other: Go's description gives way to Stop's.
  MoveTo(kOnButtonX, 170);
  EXPECT_TRUE(shows(stopHot)) << mismatches(stopHot) << " pixels differ with Stop hot";
  // The states differ from each other, so the comparison can tell them apart.
  EXPECT_GT(mismatches(goHot), 100);
  EXPECT_GT(mismatches(rest), 100);
}
#endif

}  // namespace
}  // namespace mavrel::xharness
