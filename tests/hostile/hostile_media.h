// Building hostile media in a temporary folder and running the desktop
// launcher on them under a private X server, with a deadline on every wait.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "x_harness.h"

namespace mavrel::hostile {

using Bytes = std::vector<std::uint8_t>;

// A folder under $TMPDIR (or /tmp), removed with everything in it when the
// object goes.
class TempMedium {
 public:
  TempMedium();
  ~TempMedium();
  TempMedium(const TempMedium&) = delete;
  TempMedium& operator=(const TempMedium&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
  void Write(const std::string& name, const std::string& text) const;
  void Write(const std::string& name, const Bytes& bytes) const;
  void WriteSettings(const std::string& text) const { Write("Mavrel.INI", text); }
  void MakeFolder(const std::string& name) const;
  void MakeFifo(const std::string& name) const;
  void Symlink(const std::string& target, const std::string& name) const;
  void SetMode(const std::string& name, unsigned mode) const;

 private:
  std::string path_;
};

// A BMP file put together field by field. Left at their defaults the fields
// give a valid `width` x `height` picture of 24 bits, every pixel `colour`
// (0xRRGGBB).
struct BmpLayout {
  std::int32_t width = 8;
  std::int32_t height = 8;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;  // stored as is; computed when 0 for BI_RGB
  std::uint32_t colorsUsed = 0;
  std::uint32_t colour = 0xFF0000;
  int paletteEntries = -1;        // -1: as many as the header calls for
  std::int64_t pixelOffset = -1;  // -1: right after the colour table
  Bytes pixels;                   // empty: filled with `colour` (or index 0)
};
Bytes MakeBmp(const BmpLayout& layout);

// File offsets of the fields of a 40-byte-header BMP, in file order.
struct BmpField {
  const char* name;
  std::size_t offset;
};
const std::vector<BmpField>& BmpFields();

// The settings of a probe button: "PROBE" drawn in white at (20, 20) of the
// client area in a 30-pixel font, lit in pure green, so that a test can see
// that the window was painted and answers the pointer. It keeps the
// launcher open after a successful activation unless told otherwise.
constexpr std::uint32_t kProbeText = 0xFFFFFF;
constexpr std::uint32_t kProbeLit = 0x00FF00;
constexpr int kProbeX = 20;
constexpr int kProbeY = 20;
std::string ProbeSection(const std::string& name, const std::string& exitCommand = "STAY");

// How a run of the launcher ended, or that it did not.
struct RunResult {
  bool exited = false;
  int status = -1;
};

// Changes to how a launcher is started (its folder, signals, a wrapper).
using StartAdjustment = std::function<void(xharness::ProcessOptions&)>;

// One run of the launcher in a medium's folder, under the session's display.
// Its output goes to a log file in the build's temporary folder; the run is
// killed, if still going, when the object goes.
class LauncherRun {
 public:
  LauncherRun(xharness::XSession& x, const std::string& launcher, const TempMedium& medium,
              const std::vector<std::pair<std::string, std::string>>& env = {},
              const StartAdjustment& adjust = {});
  ~LauncherRun();
  LauncherRun(const LauncherRun&) = delete;
  LauncherRun& operator=(const LauncherRun&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }

  /// Waits for the launcher's window titled `title`; 0 when none appeared
  /// before the deadline or the launcher ended first.
  xharness::XWindowId WaitForWindow(const std::string& title, int deadlineMs);
  /// Waits for a message box captioned `caption`, checks nothing else, and
  /// dismisses it. False when none appeared before the deadline.
  bool DismissBox(const std::string& caption, int deadlineMs);
  /// Asks the window to close and waits for the launcher to end.
  RunResult Close(xharness::XWindowId window, int deadlineMs);
  /// Waits for the launcher to end on its own.
  RunResult WaitForEnd(int deadlineMs);
  /// True while the launcher runs.
  bool Running();
  /// Everything the launcher wrote so far.
  std::string Log() const;

 private:
  xharness::XSession& x_;
  pid_t pid_ = -1;
  std::string logPath_;
  RunResult result_;
};

// The client area of a window on the screen (no window manager: the window
// is its client area).
xharness::ScreenRect ClientArea(xharness::XSession& x, xharness::XWindowId window);

// Descriptors, resident memory (kB) and live children of a process, and how
// many times its threads have been put on a processor (every wake-up).
struct ProcessFootprint {
  int descriptors = -1;
  long residentKb = -1;
  int children = 0;
  int zombies = 0;
  long long wakeUps = -1;
};
ProcessFootprint FootprintOf(pid_t pid);

// Text the sanitizers write when they find something.
bool HasSanitizerReport(const std::string& log);

}  // namespace mavrel::hostile
