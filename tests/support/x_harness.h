// Drives programs under an X server for end-to-end tests: starts a private
// Xvfb (or uses the display in $DISPLAY), finds top-level windows by title,
// moves and clicks the pointer with XTest, reads pixels back from the screen
// and starts and reaps the programs under test. Nothing in it knows which
// program is being tested, so the desktop launcher and the Windows launcher
// under wine64 share it.
//
// Every wait has a deadline in milliseconds; nothing here blocks for ever.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mavrel::xharness {

using XWindowId = unsigned long;  // an X window id (Xlib's Window)

// Calls `condition` every `pollMs` until it gives true or `deadlineMs` has
// passed. Gives the last answer of `condition`.
bool WaitFor(const std::function<bool()>& condition, int deadlineMs, int pollMs = 10);

// Milliseconds on a monotonic clock.
double NowMs();

// A window's area in root (screen) coordinates.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

// A program started by StartProcess.
struct ProcessOptions {
  std::vector<std::string> argv;           // argv[0] is the path of the program
  std::string workingDirectory;            // empty: the caller's
  std::map<std::string, std::string> env;  // added to (or replacing) the caller's environment
  std::vector<std::string> unsetEnv;       // removed from the environment
  std::string outputFile;                  // empty: inherit; else stdout and stderr go here
  std::string errorFile;                   // not empty: stderr goes here instead
  std::string inputFile;                   // not empty: stdin comes from here
  std::vector<int> ignoredSignals;         // set to SIG_IGN in the program (as nohup does)
  std::vector<int> blockedSignals;         // blocked in the program's signal mask
  std::vector<int> defaultSignals;         // back to SIG_DFL, whatever this process ignores
  // Resource limits (RLIMIT_...) of the program, each soft and hard, as
  // prlimit sets them.
  std::vector<std::pair<int, long>> limits;
  // Started by root: the program runs as an ordinary user, as limits bind
  // everyone else (RLIMIT_NPROC does not hold for root): one that no
  // account has (kOrdinaryUser), so that RLIMIT_NPROC counts the program's
  // own threads only. Its working directory must be open to that user.
  bool asOrdinaryUser = false;
};

// The user and group id of ProcessOptions::asOrdinaryUser.
constexpr unsigned kOrdinaryUser = 61234;

// Starts a program; gives its pid, or -1 when it could not be started.
pid_t StartProcess(const ProcessOptions& options);

// Waits for a started program to end. True when it ended before the
// deadline; then `status` is its exit status, or 128 + the signal that ended
// it. A program still running at the deadline is left running.
bool WaitForExit(pid_t pid, int deadlineMs, int& status);

// Ends a started program (SIGKILL) and reaps it; harmless when it is gone.
void KillProcess(pid_t pid);

// Starts a process that opens and closes connections to the X server of
// `displayName` as fast as it can, until it is ended with KillProcess; gives
// its pid, or -1. A busy server turns some connections away meanwhile.
pid_t StartConnectionStorm(const std::string& displayName);

// True when `pid` names a zombie (ended, not yet reaped) or a live process
// whose parent is `parentPid`. Reads /proc; false when it cannot tell.
bool IsChildOf(pid_t pid, pid_t parentPid);

// The pids of every process whose parent is `parentPid`, and for each
// whether it is a zombie.
struct ChildProcess {
  pid_t pid = 0;
  bool zombie = false;
  std::string name;
};
std::vector<ChildProcess> ChildrenOf(pid_t parentPid);

// Font paths for XSession::SetFontPath: the X core fonts of Debian's
// xfonts-base (scripts/setup.sh installs them), and only the two fonts built
// into the server (a server where xfonts-base is missing).
constexpr const char* kCoreFontPath = "/usr/share/fonts/X11/misc";
constexpr const char* kBuiltInFontsOnly = "built-ins";

class XSession {
 public:
  XSession() = default;
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  /// Starts a private Xvfb of the given screen size on a free display and
  /// connects to it. With `useExistingDisplay` and a non-empty $DISPLAY,
  /// connects there instead. False (with `error()` saying why) when no
  /// server was reachable before the deadline.
  bool Start(int screenWidth, int screenHeight, int deadlineMs, bool useExistingDisplay = false);

  /// The core font path of the Xvfb that Start starts (Xvfb -fp), for
  /// programs that draw with the X server's own fonts. Empty (the
  /// default): Xvfb's own default path.
  void SetFontPath(const std::string& path) { fontPath_ = path; }

  /// An Xvfb that Start starts resets whenever its last client goes (as
  /// one started for a single program does: xvfb-run), and turns
  /// connections away for that moment. Start then leaves no connection
  /// open; Connect and Disconnect make and drop the session's own.
  void SetResetWhenIdle(bool reset) { resetWhenIdle_ = reset; }
  bool Connect(int deadlineMs);
  void Disconnect();

  /// The display name to hand to programs (":93").
  const std::string& displayName() const { return displayName_; }
  const std::string& error() const { return error_; }
  int screenWidth() const;
  int screenHeight() const;

  /// Top-level windows (children of the root, and their children when a
  /// window manager has reparented them) whose title (_NET_WM_NAME, else
  /// WM_NAME) equals `title`. Only windows that are mapped count when
  /// `mappedOnly`.
  std::vector<XWindowId> FindWindowsByTitle(const std::string& title, bool mappedOnly = true);
  /// Waits until a window titled `title` exists and is mapped; 0 on timeout.
  XWindowId WaitForWindow(const std::string& title, int deadlineMs);
  /// Waits until no mapped window titled `title` exists.
  bool WaitForNoWindow(const std::string& title, int deadlineMs);
  /// Every window made on the root (XQueryTree), mapped or not.
  std::vector<XWindowId> TopLevelWindows();
  /// The titles of all mapped windows (for messages of failed tests).
  std::vector<std::string> MappedTitles();

  /// The window's title: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
  std::string Title(XWindowId window);
  /// The window's area in screen coordinates. False when it is gone.
  bool Geometry(XWindowId window, ScreenRect& rect);
  /// Size hints: true when min and max size are both set and equal (a
  /// window that cannot be resized).
  bool HasFixedSize(XWindowId window);
  /// True when both windows were made over the same connection to the
  /// server (an X resource id carries its client's base).
  bool SameClient(XWindowId a, XWindowId b);
  /// The _NET_WM_PID of the window, or 0.
  long WindowPid(XWindowId window);
  bool HasIcon(XWindowId window);

  /// Waits until a window manager has said it runs (EWMH's
  /// _NET_SUPPORTING_WM_CHECK on the root window).
  bool WaitForWindowManager(int deadlineMs);
  /// The frame a window manager put round `window`: its client area grown
  /// by _NET_FRAME_EXTENTS. False when it has none.
  bool FrameGeometry(XWindowId window, ScreenRect& frame);
  /// The window the window manager says is active (_NET_ACTIVE_WINDOW), or 0.
  XWindowId ActiveWindow();
  /// A property's text (UTF8_STRING or STRING), empty when unset.
  std::string TextProperty(XWindowId window, const std::string& name);
  /// Sets the server's X resources (the root window's RESOURCE_MANAGER),
  /// which clients read as they connect.
  void SetResources(const std::string& resources);
  /// Opens and maps a window of the session's own, managed like any
  /// application's, titled `title`; waits until it is mapped.
  XWindowId OpenWindow(const ScreenRect& rect, const std::string& title);
  /// Asks the window manager to make `window` the active one, as a pager
  /// or task bar does (_NET_ACTIVE_WINDOW).
  void Activate(XWindowId window);
  void CloseWindow(XWindowId window);
  /// From now on, collects the startup-notification messages sent to the
  /// root window; StartupMessages gives those complete so far.
  void WatchStartupMessages();
  std::vector<std::string> StartupMessages();

  /// Pointer moves, presses and releases through XTest, in screen
  /// coordinates; each is flushed to the server before returning.
  void MovePointer(int x, int y);
  void PressButton(int button = 1);
  void ReleaseButton(int button = 1);
  void Click(int x, int y, int button = 1);
  /// Presses and releases the key of an X keysym (XK_Return = 0xff0d).
  void TapKey(unsigned long keysym);
  /// Asks a window to close as a window manager does (WM_DELETE_WINDOW).
  void RequestClose(XWindowId window);

  /// Maps a window of `colour` over `rect` until the screen shows it, then
  /// takes it away again: what lay below is uncovered and must repaint.
  void CoverAndUncover(const ScreenRect& rect, Rgb colour);

  /// Reads one pixel of the screen; 0xFFFFFFFF when outside it.
  Rgb Pixel(int x, int y);
  /// Reads a region of the screen row by row; empty when it is not wholly
  /// on the screen.
  std::vector<Rgb> Region(const ScreenRect& rect);
  /// Waits until the pixel at (x, y) has `colour` (within `tolerance` per
  /// channel).
  bool WaitForPixel(int x, int y, Rgb colour, int deadlineMs, int tolerance = 0);
  /// Counts the pixels of a region within `tolerance` of `colour`.
  int CountPixels(const ScreenRect& rect, Rgb colour, int tolerance = 0);

  /// Writes the screen (or a region of it) as a binary PPM picture, for
  /// looking at what a failed test saw. False when it cannot be written.
  bool SaveScreen(const std::string& path, const ScreenRect* region = nullptr);

  /// Makes the server finish every request sent so far.
  void Sync();

  void* display() const { return display_; }  // the Xlib Display*

 private:
  void* display_ = nullptr;
  pid_t serverPid_ = -1;
  std::string fontPath_;
  bool resetWhenIdle_ = false;
  std::string displayName_;
  std::string error_;
  std::map<XWindowId, std::string> startupPieces_;  // messages by sender, being put together
  std::vector<std::string> startupMessages_;
};

// True when two colours differ by at most `tolerance` in every channel.
bool ColoursMatch(Rgb a, Rgb b, int tolerance);

// Turns a Windows COLORREF (0x00BBGGRR) into 0xRRGGBB.
inline Rgb FromColorRef(std::uint32_t colorRef) {
  return ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
}

}  // namespace mavrel::xharness
