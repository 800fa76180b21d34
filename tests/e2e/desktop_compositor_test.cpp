// The desktop launcher under the window managers and compositors people
// use, each started headless by its suite, once: openbox on Xvfb, GNOME's
// mutter with XWayland and native Wayland, and sway (tiling, as an
// unprivileged user, since it refuses root) on native Wayland; and the
// tests' own least window manager, which tells the frame late. What is
// checked is what a user sees: where the window and its frame are, its
// size at each scale, the focus, the decorations, what the compositor's
// screenshot shows, and that clicks start the button's program.
//
// Each suite is one ctest test (tests/e2e/desktop.cmake), so that each
// compositor starts once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "author/png_file.h"
#include "e2e/desktop_medium.h"
#include "support/launcher_run.h"
#include "support/temp_medium.h"
#include "support/x_harness.h"

// Last: Xlib's macros (None, Status, Bool) would meet the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace mavrel::xharness {
namespace {

namespace fs = std::filesystem;

// A medium whose button starts the probe and stays.
class ProbeMedium {
 public:
  ProbeMedium() : folder_("desktops") {
    folder_.Write("pic.bmp", SplitPicture());
    folder_.Write("Mavrel.INI", MainSection("[Go]\r\nBUTTON_TEXT=Go\r\nDESC_TEXT=Goes\r\n"
                                            "EXIT_COMMAND=STAY\r\nPROG_COMMAND=" +
                                            std::string(MAVREL_PROBE_PATH) + " report.txt\r\n"));
  }
  fs::path path() const { return folder_.path(); }
  fs::path report() const { return path() / "report.txt"; }
  bool WaitForReport() const {
    return WaitFor([&] { return fs::exists(report()); }, kDeadlineMs);
  }
  // The probe's environment, one NAME=value a line.
  std::vector<std::string> ProgramEnvironment() const { return Lines(ReadAll(report()), "env "); }
  void Keep() { folder_.Keep(); }

 private:
  test_support::TempMedium folder_;
};

bool HasEntry(const std::vector<std::string>& environment, const std::string& name) {
  for (const std::string& entry : environment) {
    if (entry.rfind(name + "=", 0) == 0) return true;
  }
  return false;
}

// Draws the medium with mavrel-inspect render --scale `scale` and counts
// the pixels of the client area that differ from it by more than a step;
// `shown` gives a pixel of the client area on the screen. -1 when the
// render fails. Both pictures are kept in the medium when any differs.
int PixelsUnlikeRender(ProbeMedium& medium, double scale,
                       const std::function<Rgb(int, int)>& shown) {
  const fs::path drawn = medium.path() / "render.png";
  ProcessOptions render;
  render.argv = {MAVREL_INSPECT_PATH, "render",  medium.path().string(), "-o",
                 drawn.string(),      "--scale", std::to_string(scale)};
  render.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
  render.outputFile = (medium.path() / "render.log").string();
  int status = -1;
  pid_t pid = StartProcess(render);
  RgbImage expected;
  std::string error;
  if (pid <= 0 || !WaitForExit(pid, kDeadlineMs, status) || status != 0 ||
      !ReadPng(drawn.string(), expected, error)) {
    ADD_FAILURE() << "render --scale " << scale << ": " << ReadAll(medium.path() / "render.log")
                  << error;
    return -1;
  }
  EXPECT_EQ(static_cast<int>(400 * scale), expected.width);
  EXPECT_EQ(static_cast<int>(300 * scale), expected.height);
  RgbImage seen{expected.width, expected.height, {}};
  int differ = 0;
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      seen.pixels.push_back(shown(x, y));
      differ +=
          ColoursMatch(seen.pixels.back(), expected.pixels[y * expected.width + x], 2) ? 0 : 1;
    }
  }
  if (differ != 0) {
    medium.Keep();
    WritePng((medium.path() / "shown.png").string(), seen, error);
    std::printf("render.png and shown.png kept for a look: %s\n", medium.path().c_str());
  }
  return differ;
}

// Ends a process group started with setsid (a compositor and everything it
// started), politely first.
void EndGroup(pid_t leader) {
  if (leader <= 0) return;
  kill(-leader, SIGTERM);
  int status;
  if (!WaitForExit(leader, 3000, status)) {
    kill(-leader, SIGKILL);
    KillProcess(leader);
  }
}

// The launcher on an X server with a window manager: the other window is
// given the focus first (by a click, or as a task bar gives it),
// then the launcher starts; its whole window, frame included, must be
// centred within 2 pixels, and it must have taken the focus.
void ExpectCentredAndFocused(XSession& x, bool clickOther) {
  XWindowId other = x.OpenWindow(ScreenRect{10, 10, 200, 150}, "Another Window");
  ASSERT_NE(0u, other);
  auto focusOther = [&] {
    ScreenRect placed;
    if (clickOther && x.Geometry(other, placed)) {
      x.Click(placed.x + placed.width / 2, placed.y + placed.height / 2);
    } else {
      x.Activate(other);
    }
  };
  focusOther();
  // A request that reaches a busy window manager before it has taken the
  // window on is lost (mutter at its first start): asked again meanwhile.
  double asked = NowMs();
  EXPECT_TRUE(WaitFor(
      [&] {
        if (x.ActiveWindow() == other) return true;
        if (NowMs() - asked > 500) {
          focusOther();
          asked = NowMs();
        }
        return false;
      },
      kDeadlineMs))
      << "the other window never had the focus: " << std::hex << x.ActiveWindow() << " not "
      << other;
  ProbeMedium medium;
  test_support::LaunchOptions options;
  options.unsetEnv = {"WAYLAND_DISPLAY"};
  test_support::LauncherRun run(x, MAVREL_LAUNCHER_PATH, medium.path().string(), options);
  XWindowId window = run.WaitForWindow("E2E Launcher", kDeadlineMs);
  ASSERT_NE(0u, window) << run.Log();
  ScreenRect client, frame;
  ASSERT_TRUE(x.Geometry(window, client));
  EXPECT_EQ(400, client.width);
  EXPECT_EQ(300, client.height);
  EXPECT_TRUE(x.HasFixedSize(window));
  ASSERT_TRUE(WaitFor([&] { return x.FrameGeometry(window, frame); }, kDeadlineMs))
      << "no frame round the window";
  // The window manager may settle the frame a moment after the map.
  auto centred = [&] {
    return x.FrameGeometry(window, frame) &&
           std::abs(frame.x - (x.screenWidth() - frame.width) / 2) <= 2 &&
           std::abs(frame.y - (x.screenHeight() - frame.height) / 2) <= 2;
  };
  EXPECT_TRUE(WaitFor(centred, 2000))
      << "frame " << frame.width << "x" << frame.height << " at " << frame.x << "," << frame.y
      << " on " << x.screenWidth() << "x" << x.screenHeight() << "; client at " << client.x << ","
      << client.y;
  std::printf("client %dx%d at %d,%d; frame %dx%d at %d,%d\n", client.width, client.height,
              client.x, client.y, frame.width, frame.height, frame.x, frame.y);
  EXPECT_TRUE(WaitFor([&] { return x.ActiveWindow() == window; }, kDeadlineMs))
      << "the launcher did not take the focus";
  x.RequestClose(window);
  EXPECT_TRUE(run.WaitForEnd(kDeadlineMs).exited);
  x.CloseWindow(other);
}

// ---- openbox on Xvfb ----------------------------------------------------------------

class Openbox : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    x_ = new XSession;
    if (!x_->Start(kScreenWidth, kScreenHeight, kDeadlineMs)) {
      problem_ = x_->error();
      return;
    }
    ProcessOptions wm;
    wm.argv = {"openbox", "--sm-disable"};
    wm.env = {{"DISPLAY", x_->displayName()}};
    wm.unsetEnv = {"WAYLAND_DISPLAY"};
    wm.outputFile = "/dev/null";
    wm_ = StartProcess(wm);
    if (wm_ <= 0 || !x_->WaitForWindowManager(kDeadlineMs)) problem_ = "openbox did not start";
  }
  static void TearDownTestSuite() {
    if (wm_ > 0) {
      kill(wm_, SIGTERM);
      int status;
      if (!WaitForExit(wm_, 2000, status)) KillProcess(wm_);
    }
    delete x_;
    x_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(problem_.empty()) << problem_;
    x_->SetResources("");
  }

  // Starts the launcher on a probe medium and waits for its window.
  XWindowId Launch(ProbeMedium& medium, const std::map<std::string, std::string>& env = {}) {
    test_support::LaunchOptions options;
    options.env.assign(env.begin(), env.end());
    // Whatever the test's own environment holds, only what the case gives.
    for (const char* name : {"WAYLAND_DISPLAY", "MAVREL_SCALE", "GDK_SCALE", "DESKTOP_STARTUP_ID",
                             "XDG_ACTIVATION_TOKEN"}) {
      if (env.count(name) == 0) options.unsetEnv.push_back(name);
    }
    run_ = std::make_unique<test_support::LauncherRun>(*x_, MAVREL_LAUNCHER_PATH,
                                                       medium.path().string(), options);
    XWindowId window = run_->WaitForWindow("E2E Launcher", kDeadlineMs);
    EXPECT_NE(0u, window) << run_->Log();
    return window;
  }

  static XSession* x_;
  static pid_t wm_;
  static std::string problem_;
  std::unique_ptr<test_support::LauncherRun> run_;
};

XSession* Openbox::x_ = nullptr;
pid_t Openbox::wm_ = -1;
std::string Openbox::problem_;

TEST_F(Openbox, TheFrameIsCentredAndTheWindowTakesTheFocusFromTheWindowJustClicked) {
  ExpectCentredAndFocused(*x_, true);
}

TEST_F(Openbox, ScaledAt150And200PercentAndAClickOnTheScaledButtonStartsItsProgram) {
  struct Case {
    const char* resources;
    std::map<std::string, std::string> env;
    double scale;
  };
  const Case cases[] = {
      {"Xft.dpi:\t144\n", {}, 1.5},
      {"Xft.antialias:\t1\nXft.dpi:\t192\n", {}, 2.0},
      {"", {{"GDK_SCALE", "2"}}, 2.0},
      {"Xft.dpi:\t192\n", {{"MAVREL_SCALE", "1"}}, 1.0},  // the author's own look
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resources);
    x_->SetResources(c.resources);
    x_->MovePointer(0, 0);  // off where the window comes, so no button is lit
    ProbeMedium medium;
    XWindowId window = Launch(medium, c.env);
    ASSERT_NE(0u, window);
    ScreenRect client, frame;
    ASSERT_TRUE(x_->Geometry(window, client));
    EXPECT_EQ(static_cast<int>(400 * c.scale), client.width);
    EXPECT_EQ(static_cast<int>(300 * c.scale), client.height);
    EXPECT_TRUE(WaitFor(
        [&] {
          return x_->FrameGeometry(window, frame) &&
                 std::abs(frame.x - (kScreenWidth - frame.width) / 2) <= 2 &&
                 std::abs(frame.y - (kScreenHeight - frame.height) / 2) <= 2;
        },
        2000));
    std::printf("scale %.2f: client %dx%d at %d,%d; frame at %d,%d\n", c.scale, client.width,
                client.height, client.x, client.y, frame.x, frame.y);
    // The picture fills the scaled client: left and right halves at its
    // corners.
    auto at = [&](int clientX, int clientY) {
      return x_->Pixel(client.x + static_cast<int>(clientX * c.scale),
                       client.y + static_cast<int>(clientY * c.scale));
    };
    EXPECT_TRUE(WaitFor([&] { return at(2, 298) == kPictureLeft; }, kDeadlineMs))
        << std::hex << at(2, 298);
    // What mavrel-inspect draws at the scale, pixel for pixel.
    std::vector<Rgb> shown = x_->Region(client);
    ASSERT_EQ(static_cast<std::size_t>(client.width) * client.height, shown.size());
    EXPECT_EQ(0, PixelsUnlikeRender(medium, c.scale, [&](int px, int py) {
                return shown[static_cast<std::size_t>(py) * client.width + px];
              }));
    EXPECT_EQ(kPictureRight, at(397, 2));
    EXPECT_EQ(kPictureRight, x_->Pixel(client.x + client.width - 1, client.y + client.height - 1));
    // The pointer on the button's scaled place lights it, and a click there
    // starts its program.
    x_->MovePointer(client.x + static_cast<int>(kOnButtonX * c.scale),
                    client.y + static_cast<int>(kOnButtonY * c.scale));
    ScreenRect button{client.x + static_cast<int>(kButtonArea.x * c.scale),
                      client.y + static_cast<int>(kButtonArea.y * c.scale),
                      static_cast<int>(kButtonArea.width * c.scale),
                      static_cast<int>(kButtonArea.height * c.scale)};
    EXPECT_TRUE(WaitFor([&] { return x_->CountPixels(button, kHighlight) >= 20; }, kDeadlineMs));
    x_->PressButton();
    x_->ReleaseButton();
    EXPECT_TRUE(medium.WaitForReport()) << run_->Log();
    x_->RequestClose(window);
    EXPECT_TRUE(run_->WaitForEnd(kDeadlineMs).exited);
  }
}

TEST_F(Openbox, TheStartupIdIsOnTheWindowTheLaunchEndsAndNoStartedProgramGetsEitherVariable) {
  x_->WatchStartupMessages();
  ProbeMedium medium;
  XWindowId window = Launch(
      medium, {{"DESKTOP_STARTUP_ID", "mavrel-e2e \"42\""}, {"XDG_ACTIVATION_TOKEN", "token-42"}});
  ASSERT_NE(0u, window);
  // What xprop shows as _NET_STARTUP_ID, set before the window mapped.
  EXPECT_EQ("mavrel-e2e \"42\"", x_->TextProperty(window, "_NET_STARTUP_ID"));
  const std::string remove = "remove: ID=\"mavrel-e2e \\\"42\\\"\"";
  std::vector<std::string> messages;
  EXPECT_TRUE(WaitFor(
      [&] {
        messages = x_->StartupMessages();
        return std::find(messages.begin(), messages.end(), remove) != messages.end();
      },
      kDeadlineMs))
      << testing::PrintToString(messages);
  ScreenRect client;
  ASSERT_TRUE(x_->Geometry(window, client));
  x_->Click(client.x + kOnButtonX, client.y + kOnButtonY);
  ASSERT_TRUE(medium.WaitForReport()) << run_->Log();
  std::vector<std::string> environment = medium.ProgramEnvironment();
  EXPECT_TRUE(HasEntry(environment, "DISPLAY")) << "the probe reports no environment";
  EXPECT_FALSE(HasEntry(environment, "DESKTOP_STARTUP_ID"));
  EXPECT_FALSE(HasEntry(environment, "XDG_ACTIVATION_TOKEN"));
  x_->RequestClose(window);
  EXPECT_TRUE(run_->WaitForEnd(kDeadlineMs).exited);
}

// ---- a window manager that tells the frame only as it maps -------------------------

// The least of a window manager, on a connection and thread of its own: it
// offers _NET_REQUEST_FRAME_EXTENTS but leaves the request unanswered (as a
// busy one does while the launcher waits for the answer), maps what asks
// to be mapped, saying only then that its frame has kTop pixels above
// (nothing is drawn or reparented), and carries out every configure
// request.
class LateFramer {
 public:
  static constexpr int kTop = 40;
  LateFramer() = default;
  LateFramer(const LateFramer&) = delete;
  LateFramer& operator=(const LateFramer&) = delete;
  ~LateFramer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (display_) XCloseDisplay(display_);
  }
  bool Start(const std::string& displayName) {
    display_ = XOpenDisplay(displayName.c_str());
    if (!display_) return false;
    Window root = DefaultRootWindow(display_);
    XSelectInput(display_, root, SubstructureRedirectMask | SubstructureNotifyMask);
    long offered = static_cast<long>(XInternAtom(display_, "_NET_REQUEST_FRAME_EXTENTS", False));
    XChangeProperty(display_, root, XInternAtom(display_, "_NET_SUPPORTED", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&offered), 1);
    XSync(display_, False);
    thread_ = std::thread([this] { Run(); });
    return true;
  }

 private:
  void Run() {
    Atom extents = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
    while (!stop_) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapRequest) {
          long frame[4] = {0, 0, kTop, 0};
          XChangeProperty(display_, event.xmaprequest.window, extents, XA_CARDINAL, 32,
                          PropModeReplace, reinterpret_cast<unsigned char*>(frame), 4);
          XMapWindow(display_, event.xmaprequest.window);
        } else if (event.type == ConfigureRequest) {
          const XConfigureRequestEvent& asked = event.xconfigurerequest;
          XWindowChanges changes{};
          changes.x = asked.x;
          changes.y = asked.y;
          changes.width = asked.width;
          changes.height = asked.height;
          XConfigureWindow(display_, asked.window,
                           asked.value_mask & (CWX | CWY | CWWidth | CWHeight), &changes);
        }
      }
      XFlush(display_);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  Display* display_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(LateFrame, TheFrameIsCentredOnceTheWindowManagerTellsIt) {
  XSession x;
  ASSERT_TRUE(x.Start(kScreenWidth, kScreenHeight, kDeadlineMs)) << x.error();
  LateFramer wm;
  ASSERT_TRUE(wm.Start(x.displayName()));
  ProbeMedium medium;
  test_support::LaunchOptions options;
  options.unsetEnv = {"WAYLAND_DISPLAY", "MAVREL_SCALE", "GDK_SCALE"};
  test_support::LauncherRun run(x, MAVREL_LAUNCHER_PATH, medium.path().string(), options);
  XWindowId window = run.WaitForWindow("E2E Launcher", kDeadlineMs);
  ASSERT_NE(0u, window) << run.Log();
  // The window and the frame above it centred: the client lies half the
  // frame lower than a client centred alone would.
  const int left = (x.screenWidth() - 400) / 2;
  const int top = (x.screenHeight() - 300 - LateFramer::kTop) / 2 + LateFramer::kTop;
  ScreenRect client;
  EXPECT_TRUE(WaitFor(
      [&] { return x.Geometry(window, client) && client.x == left && client.y == top; }, 2000))
      << "client at " << client.x << "," << client.y << ", not " << left << "," << top;
  x.RequestClose(window);
  EXPECT_TRUE(run.WaitForEnd(kDeadlineMs).exited);
}

// ---- GNOME's mutter, headless, with XWayland ----------------------------------------

class Mutter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    runtime_ = new test_support::TempMedium("mutter-run");
    chmod(runtime_->path().c_str(), 0700);
    const std::string envFile = runtime_->PathOf("session.env");
    ProcessOptions session;
    session.argv = {"setsid",
                    "dbus-run-session",
                    "--",
                    "mutter",
                    "--headless",
                    "--virtual-monitor",
                    std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight),
                    "--wayland",
                    "--",
                    "sh",
                    "-c",
                    "env > \"$0.part\" && mv \"$0.part\" \"$0\" && exec sleep 100000",
                    envFile};
    session.env = {{"XDG_RUNTIME_DIR", runtime_->path()}};
    session.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS"};
    session.outputFile = runtime_->PathOf("mutter.log");
    mutter_ = StartProcess(session);
    if (mutter_ <= 0 || !WaitFor([&] { return fs::exists(envFile); }, 30000)) {
      problem_ = "mutter did not start: " + runtime_->Read("mutter.log");
      return;
    }
    for (const std::string& entry : Lines(runtime_->Read("session.env"), "")) {
      std::size_t equals = entry.find('=');
      if (equals != std::string::npos) session_[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    // The harness reaches XWayland as any X client of the session does.
    setenv("DISPLAY", session_["DISPLAY"].c_str(), 1);
    setenv("XAUTHORITY", session_["XAUTHORITY"].c_str(), 1);
    x_ = new XSession;
    if (!x_->Start(0, 0, kDeadlineMs, true) || !x_->WaitForWindowManager(kDeadlineMs)) {
      problem_ = "no XWayland: " + x_->error();
    }
  }
  static void TearDownTestSuite() {
    delete x_;
    x_ = nullptr;
    EndGroup(mutter_);
    delete runtime_;
    runtime_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(problem_.empty()) << problem_; }

  static test_support::TempMedium* runtime_;
  static pid_t mutter_;
  static std::map<std::string, std::string> session_;
  static XSession* x_;
  static std::string problem_;
};

test_support::TempMedium* Mutter::runtime_ = nullptr;
pid_t Mutter::mutter_ = -1;
std::map<std::string, std::string> Mutter::session_;
XSession* Mutter::x_ = nullptr;
std::string Mutter::problem_;

TEST_F(Mutter, OnXWaylandTheFrameIsCentredAndTheWindowTakesTheFocus) {
  // XWayland's pointer reaches no compositor window through XTest: the
  // other window is activated as the task bar does it.
  ExpectCentredAndFocused(*x_, false);
}

TEST_F(Mutter, OnXWaylandTheWindowIsNotScaledTwice) {
  // A scaled GNOME screen gives X11 programs a 192 dpi that the compositor
  // also applies to their windows: the launcher stays at its own size. An
  // author's MAVREL_SCALE still counts (and shows that the scale is read).
  struct Case {
    const char* authorScale;  // null: unset
    int width, height;
  };
  const Case cases[] = {{nullptr, 400, 300}, {"2", 800, 600}};
  x_->SetResources("Xft.dpi:\t192\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.authorScale ? c.authorScale : "no MAVREL_SCALE");
    ProbeMedium medium;
    test_support::LaunchOptions options;
    options.unsetEnv = {"WAYLAND_DISPLAY", "GDK_SCALE"};
    if (c.authorScale) {
      options.env = {{"MAVREL_SCALE", c.authorScale}};
    } else {
      options.unsetEnv.push_back("MAVREL_SCALE");
    }
    test_support::LauncherRun run(*x_, MAVREL_LAUNCHER_PATH, medium.path().string(), options);
    XWindowId window = run.WaitForWindow("E2E Launcher", kDeadlineMs);
    ASSERT_NE(0u, window) << run.Log();
    ScreenRect client;
    ASSERT_TRUE(x_->Geometry(window, client));
    EXPECT_EQ(c.width, client.width);
    EXPECT_EQ(c.height, client.height);
    x_->RequestClose(window);
    EXPECT_TRUE(run.WaitForEnd(kDeadlineMs).exited);
  }
  x_->SetResources("");
}

TEST_F(Mutter, OnNativeWaylandTheWindowIsDecoratedThroughLibdecor) {
  std::vector<std::string> launchers = {MAVREL_LAUNCHER_PATH};
#ifdef MAVREL_PORTABLE_LAUNCHER_PATH
  launchers.push_back(MAVREL_PORTABLE_LAUNCHER_PATH);  // its SDL is static
#endif
  for (const std::string& launcher : launchers) {
    SCOPED_TRACE(launcher);
    ProbeMedium medium;
    ProcessOptions options;
    options.argv = {launcher};
    options.workingDirectory = medium.path().string();
    options.env = {{"XDG_RUNTIME_DIR", runtime_->path()},
                   {"WAYLAND_DISPLAY", session_["WAYLAND_DISPLAY"]}};
    options.unsetEnv = {"DISPLAY"};
    options.outputFile = (medium.path() / "launcher.log").string();
    pid_t pid = StartProcess(options);
    ASSERT_GT(pid, 0);
    // mutter draws no decorations of its own for Wayland windows: the
    // window has its title bar and close button from libdecor and its
    // plugin, which the launcher loads once its window is made.
    std::string maps;
    bool decorated = WaitFor(
        [&] {
          maps = test_support::ReadWholeFile("/proc/" + std::to_string(pid) + "/maps");
          return maps.find("/libdecor-0.so") != std::string::npos &&
                 maps.find("/libdecor/plugins-1/") != std::string::npos;
        },
        kDeadlineMs);
    EXPECT_TRUE(decorated) << ReadAll(medium.path() / "launcher.log");
    int status;
    EXPECT_FALSE(WaitForExit(pid, 300, status)) << ReadAll(medium.path() / "launcher.log");
    kill(pid, SIGTERM);
    if (!WaitForExit(pid, kDeadlineMs, status)) KillProcess(pid);
  }
}

// ---- sway, headless, as an unprivileged user -----------------------------------------

// A node of swaymsg's tree: the launcher's window.
struct SwayWindow {
  bool found = false;
  bool floating = false;
  ScreenRect client;      // on the layout, in logical pixels
  bool bordered = false;  // the client sits inside its border, as configured
};

class Sway : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1600, kHeight = 1000;
  static constexpr Rgb kSwayBackground = 0x3F3F3F;  // where no window is
  static constexpr int kBorder = 2;

  static void SetUpTestSuite() {
    runtime_ = new test_support::TempMedium("sway-run");
    runtime_->Write("config", "output HEADLESS-1 resolution " + std::to_string(kWidth) + "x" +
                                  std::to_string(kHeight) +
                                  " position 0 0\n"
                                  "default_border pixel " +
                                  std::to_string(kBorder) + "\ndefault_floating_border pixel " +
                                  std::to_string(kBorder) + "\n");
    chmod(runtime_->path().c_str(), 0700);
    ProcessOptions compositor;
    compositor.argv = {"setsid", "sway", "-c", runtime_->PathOf("config")};
    if (geteuid() == 0) {
      // sway refuses to run as root: it runs as nobody, in a folder of its
      // own, which the tests (root) reach all the same.
      if (chown(runtime_->path().c_str(), 65534, 65534) != 0) problem_ = "cannot hand over";
      compositor.argv.insert(compositor.argv.begin(),
                             {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    compositor.env = {{"XDG_RUNTIME_DIR", runtime_->path()},
                      {"HOME", runtime_->path()},
                      {"WLR_BACKENDS", "headless"},
                      {"WLR_RENDERER", "pixman"},
                      {"WLR_LIBINPUT_NO_DEVICES", "1"}};
    compositor.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK"};
    compositor.outputFile = runtime_->PathOf("sway.log");
    sway_ = StartProcess(compositor);
    std::string socket;
    bool up =
        sway_ > 0 && WaitFor(
                         [&] {
                           for (const auto& entry : fs::directory_iterator(runtime_->path())) {
                             std::string name = entry.path().filename().string();
                             if (name.rfind("sway-ipc.", 0) == 0) socket = entry.path();
                           }
                           return !socket.empty() && fs::exists(runtime_->PathOf("wayland-1"));
                         },
                         kDeadlineMs);
    if (!up) {
      problem_ = "sway did not start: " + runtime_->Read("sway.log");
      return;
    }
    env_ = {{"XDG_RUNTIME_DIR", runtime_->path()},
            {"WAYLAND_DISPLAY", "wayland-1"},
            {"SWAYSOCK", socket}};
  }
  static void TearDownTestSuite() {
    EndGroup(sway_);
    delete runtime_;
    runtime_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(problem_.empty()) << problem_; }
  void TearDown() override {
    if (launcher_ > 0) {
      kill(launcher_, SIGTERM);
      int status;
      if (!WaitForExit(launcher_, kDeadlineMs, status)) KillProcess(launcher_);
    }
    Command({"swaymsg", "output HEADLESS-1 scale 1"});
  }

  // Runs a tool of the session to its end; its output.
  static std::string Command(const std::vector<std::string>& argv, int* statusOut = nullptr) {
    test_support::TempMedium scratch("sway-cmd");
    ProcessOptions options;
    options.argv = argv;
    options.env.insert(env_.begin(), env_.end());
    options.unsetEnv = {"DISPLAY"};
    options.outputFile = scratch.PathOf("out");
    pid_t pid = StartProcess(options);
    int status = -1;
    if (pid <= 0 || !WaitForExit(pid, kDeadlineMs, status)) KillProcess(pid);
    if (statusOut) *statusOut = status;
    return scratch.Read("out");
  }

  void Launch(ProbeMedium& medium) {
    ProcessOptions options;
    options.argv = {MAVREL_LAUNCHER_PATH};
    options.workingDirectory = medium.path().string();
    options.env.insert(env_.begin(), env_.end());
    options.unsetEnv = {"DISPLAY", "MAVREL_SCALE"};
    options.outputFile = (medium.path() / "launcher.log").string();
    launcher_ = StartProcess(options);
    ASSERT_GT(launcher_, 0);
  }

  // The launcher's window in sway's tree.
  static SwayWindow FindWindow() {
    std::string tree = Command({"swaymsg", "-r", "-t", "get_tree"});
    // Without its spaces (a title's included), the JSON reads the same way
    // however it is laid out.
    tree.erase(std::remove_if(tree.begin(), tree.end(),
                              [](unsigned char c) { return std::isspace(c) != 0; }),
               tree.end());
    SwayWindow window;
    std::size_t at = tree.find("\"app_id\":\"mavrel\"");
    if (at == std::string::npos) return window;
    // The node's keys come before its app_id: the last of each kind before
    // it are the node's own.
    auto before = [&](const std::string& key) { return tree.rfind("\"" + key + "\":", at); };
    auto rect = [&](std::size_t from) {
      std::smatch m;
      std::string part = tree.substr(from, 120);
      static const std::regex kRect(R"(\{"x":(-?\d+),"y":(-?\d+),"width":(\d+),"height":(\d+)\})");
      ScreenRect r;
      if (std::regex_search(part, m, kRect)) {
        r = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
      }
      return r;
    };
    std::size_t type = before("type");
    std::size_t outer = before("rect");
    std::size_t inner = before("window_rect");
    if (type == std::string::npos || outer == std::string::npos || inner == std::string::npos) {
      return window;
    }
    window.found = true;
    const std::string floating = "\"type\":\"floating_con\"";
    window.floating = tree.compare(type, floating.size(), floating) == 0;
    ScreenRect container = rect(outer), client = rect(inner);
    window.client = {container.x + client.x, container.y + client.y, client.width, client.height};
    // sway tells a new window's place before it has put the border round it.
    window.bordered = client.x == kBorder && client.y == kBorder;
    return window;
  }

  SwayWindow WaitForWindow() {
    SwayWindow window;
    WaitFor(
        [&] {
          window = FindWindow();
          return window.found && window.bordered;
        },
        kDeadlineMs, 50);
    return window;
  }

  // A screenshot of the whole layout, at the output's scale.
  RgbImage Screenshot(const std::string& name) {
    std::string path = runtime_->PathOf(name);
    int status = -1;
    std::string output = Command({"grim", path}, &status);
    RgbImage image;
    std::string error;
    EXPECT_TRUE(status == 0 && ReadPng(path, image, error)) << output << error;
    return image;
  }

  static Rgb PixelOf(const RgbImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0xFFFFFFFF;
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
  }

  static test_support::TempMedium* runtime_;
  static pid_t sway_;
  static std::map<std::string, std::string> env_;
  static std::string problem_;
  pid_t launcher_ = -1;
};

test_support::TempMedium* Sway::runtime_ = nullptr;
pid_t Sway::sway_ = -1;
std::map<std::string, std::string> Sway::env_;
std::string Sway::problem_;

TEST_F(Sway, TheWindowFloatsAtItsSizeWithThePictureDrawn) {
  ProbeMedium medium;
  Launch(medium);
  SwayWindow window = WaitForWindow();
  ASSERT_TRUE(window.found) << ReadAll(medium.path() / "launcher.log");
  EXPECT_TRUE(window.floating) << "tiled, not floating";
  EXPECT_EQ(400, window.client.width);
  EXPECT_EQ(300, window.client.height);
  std::printf("sway: %s %dx%d at %d,%d\n", window.floating ? "floating" : "tiled",
              window.client.width, window.client.height, window.client.x, window.client.y);
  RgbImage shot;
  EXPECT_TRUE(WaitFor(
      [&] {
        shot = Screenshot("floating.png");
        return PixelOf(shot, window.client.x + 5, window.client.y + 295) == kPictureLeft;
      },
      kDeadlineMs));
  EXPECT_EQ(kPictureRight, PixelOf(shot, window.client.x + 395, window.client.y + 5));
}

TEST_F(Sway, AtScale2TheLogicalSizeStaysAndThePictureIsDrawnOnEveryPixel) {
  Command({"swaymsg", "output HEADLESS-1 scale 2"});
  ProbeMedium medium;
  Launch(medium);
  SwayWindow window = WaitForWindow();
  ASSERT_TRUE(window.found) << ReadAll(medium.path() / "launcher.log");
  EXPECT_TRUE(window.floating);
  EXPECT_EQ(400, window.client.width);
  EXPECT_EQ(300, window.client.height);
  RgbImage shot;
  // The screenshot has the output's pixels: twice the logical layout.
  const ScreenRect c{window.client.x * 2, window.client.y * 2, 800, 600};
  EXPECT_TRUE(WaitFor(
      [&] {
        shot = Screenshot("scale2.png");
        return PixelOf(shot, c.x + 4, c.y + 595) == kPictureLeft;
      },
      kDeadlineMs))
      << std::hex << PixelOf(shot, c.x + 4, c.y + 595);
  EXPECT_EQ(kPictureRight, PixelOf(shot, c.x + 795, c.y + 4));
  EXPECT_EQ(kPictureRight, PixelOf(shot, c.x + 799, c.y + 599));
  EXPECT_EQ(kWidth, shot.width);
  // The button's text is drawn too (the text colour on the picture).
  int text = 0;
  for (int y = c.y + 80; y < c.y + 180; ++y) {
    for (int x = c.x + 40; x < c.x + 340; ++x) text += PixelOf(shot, x, y) == kText ? 1 : 0;
  }
  EXPECT_GT(text, 40);
  // Drawn at the output's pixels, not stretched by the compositor: the
  // window shows what mavrel-inspect draws at 200%, pixel for pixel.
  EXPECT_EQ(0, PixelsUnlikeRender(medium, 2.0,
                                  [&](int x, int y) { return PixelOf(shot, c.x + x, c.y + y); }));
}

TEST_F(Sway, ClicksThroughAVirtualPointerStartTheButtonsProgram) {
  ProbeMedium medium;
  Launch(medium);
  SwayWindow window = WaitForWindow();
  ASSERT_TRUE(window.found);
  int x = window.client.x + kOnButtonX, y = window.client.y + kOnButtonY;
  int status = -1;
  std::string said =
      Command({MAVREL_VIRTUAL_POINTER_PATH, std::to_string(kWidth), std::to_string(kHeight), "move",
               std::to_string(x - 5), std::to_string(y), "wait", "100", "move", std::to_string(x),
               std::to_string(y), "wait", "100", "press", "wait", "50", "release"},
              &status);
  EXPECT_EQ(0, status) << said;
  EXPECT_TRUE(medium.WaitForReport()) << ReadAll(medium.path() / "launcher.log");
}

TEST_F(Sway, ATiledWindowShowsTheClientCentredFramedByItsOwnEdges) {
  ProbeMedium medium;
  Launch(medium);
  ASSERT_TRUE(WaitForWindow().found);
  // Tiled anyway, by the user's command: the compositor imposes its size.
  Command({"swaymsg", "[app_id=mavrel] floating disable"});
  SwayWindow window;
  ASSERT_TRUE(WaitFor(
      [&] {
        window = FindWindow();
        return window.found && window.bordered && !window.floating && window.client.width > 400;
      },
      kDeadlineMs));
  std::printf("sway, tiled: %dx%d at %d,%d\n", window.client.width, window.client.height,
              window.client.x, window.client.y);
  const int left = window.client.x + (window.client.width - 400) / 2;
  const int top = window.client.y + (window.client.height - 300) / 2;
  RgbImage shot;
  EXPECT_TRUE(WaitFor(
      [&] {
        shot = Screenshot("tiled.png");
        // Until the launcher has drawn at the new size, sway shows its
        // old picture in the middle of the tile, on the background.
        return PixelOf(shot, left + 5, top + 150) == kPictureLeft &&
               PixelOf(shot, left + 395, top + 150) == kPictureRight &&
               PixelOf(shot, window.client.x + 3, top + 150) != kSwayBackground;
      },
      kDeadlineMs));
  // Round the client, its own edges: red to the left and above its left
  // half, blue to the right; no black, no stale pixels.
  EXPECT_EQ(kPictureLeft, PixelOf(shot, window.client.x + 3, top + 150));
  EXPECT_EQ(kPictureLeft, PixelOf(shot, left + 50, window.client.y + 3));
  EXPECT_EQ(kPictureRight, PixelOf(shot, window.client.x + window.client.width - 3, top + 150));
  EXPECT_EQ(kPictureRight, PixelOf(shot, left + 350, window.client.y + window.client.height - 3));
  // Pointer positions come back to the client: a click on the button's
  // place in the middle of the tile starts its program.
  int x = left + kOnButtonX, y = top + kOnButtonY;
  Command({MAVREL_VIRTUAL_POINTER_PATH, std::to_string(kWidth), std::to_string(kHeight), "move",
           std::to_string(x), std::to_string(y), "wait", "100", "press", "wait", "50", "release"});
  EXPECT_TRUE(medium.WaitForReport()) << ReadAll(medium.path() / "launcher.log");
}

// SDL hands its boxes on Wayland to zenity; where there is none, the
// launcher's own box shows the message.
TEST_F(Sway, AStartUpFailureWithNoFontShowsTheLaunchersOwnBoxWithoutZenity) {
  ProbeMedium medium;
  test_support::TempMedium nothing("no-zenity");
  std::ofstream(medium.path() / "fonts.conf")
      << "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" << (medium.path() / "cache").string()
      << "</cachedir></fontconfig>\n";
  ProcessOptions options;
  options.argv = {MAVREL_LAUNCHER_PATH};
  options.workingDirectory = medium.path().string();
  options.env.insert(env_.begin(), env_.end());
  options.env["FONTCONFIG_FILE"] = (medium.path() / "fonts.conf").string();
  options.env["PATH"] = nothing.path();  // no zenity, nor anything else
  options.unsetEnv = {"DISPLAY"};
  options.outputFile = (medium.path() / "launcher.log").string();
  launcher_ = StartProcess(options);
  ASSERT_GT(launcher_, 0);
  auto boxShown = [&] {
    return Command({"swaymsg", "-r", "-t", "get_tree"}).find("INTERNAL ERROR") != std::string::npos;
  };
  EXPECT_TRUE(WaitFor(boxShown, kDeadlineMs, 100)) << ReadAll(medium.path() / "launcher.log");
  Command({"swaymsg", "[title=\"INTERNAL ERROR\"] kill"});
  int status = -1;
  EXPECT_TRUE(WaitForExit(launcher_, kDeadlineMs, status));
  EXPECT_EQ(1, status);
  launcher_ = -1;
}

}  // namespace
}  // namespace mavrel::xharness
