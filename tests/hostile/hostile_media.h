// Building hostile media in a temporary folder and running the desktop
// launcher on them under a private X server, with a deadline on every wait.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/launcher_run.h"
#include "support/temp_medium.h"
#include "support/x_harness.h"

namespace mavrel::hostile {

using Bytes = std::vector<std::uint8_t>;

using test_support::TempMedium;

// The hostile media's picture: 8 x 8 pixels of 24 bits, every pixel
// `colour` (red), as a picture editor saves it.
struct BmpLayout : test_support::BmpLayout {
  BmpLayout() {
    width = 8;
    height = 8;
    colour = 0xFF0000;
    pixelsPerMetre = 2835;
    imageSizeOfRows = true;
  }
};
using test_support::BmpField;
using test_support::BmpFields;
using test_support::MakeBmp;
using test_support::PutU32;

// The settings of a probe button: "PROBE" drawn in white at (20, 20) of the
// client area in a 30-pixel font, lit in pure green, so that a test can see
// that the window was painted and answers the pointer. It keeps the
// launcher open after a successful activation unless told otherwise.
constexpr std::uint32_t kProbeText = 0xFFFFFF;
constexpr std::uint32_t kProbeLit = 0x00FF00;
constexpr int kProbeX = 20;
constexpr int kProbeY = 20;
std::string ProbeSection(const std::string& name, const std::string& exitCommand = "STAY");

using test_support::LauncherRun;
using test_support::RunResult;

// Changes to how a launcher is started (its folder, signals, a wrapper).
using StartAdjustment = std::function<void(xharness::ProcessOptions&)>;

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

using test_support::HasSanitizerReport;

}  // namespace mavrel::hostile
