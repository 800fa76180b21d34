// Figures for the desktop launcher under a private Xvfb, printed, never
// judged (a shared machine's timings make poor pass/fail tests):
// - start to first painted frame: from fork to the picture's colour on the
//   screen, the launcher on a given medium side by side with xmessage;
// - pointer move to repainted frame on a medium of 200 buttons;
// - the launcher's peak memory (VmHWM) on the given medium;
// - with --buttons, for generated media of that many buttons each: start to
//   first painted frame, pointer move to lit button, and close request to
//   exit;
// - with --write-medium, no timing: the generated medium of that many
//   buttons written to a folder, for the whole-process figures of bench/.
//
// Usage: mavrel_desktop_timing <launcher> <medium folder> <screen x> <screen y>
//        <colour RRGGBB at that point> [runs]
//        mavrel_desktop_timing --buttons <launcher> <count>...
//        mavrel_desktop_timing --write-medium <count> <folder>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_medium.h"
#include "support/x_harness.h"

using namespace mavrel::xharness;
namespace fs = std::filesystem;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// "min / lower quartile / upper quartile / max" of the figures.
std::string Spread(std::vector<double> v) {
  if (v.empty()) return "no runs";
  std::sort(v.begin(), v.end());
  char text[96];
  std::snprintf(text, sizeof text, "min %.1f, quartiles %.1f-%.1f, max %.1f", v.front(),
                v[v.size() / 4], v[(v.size() * 3) / 4], v.back());
  return text;
}

// Milliseconds from starting `options` until the pixel shows `colour`; -1
// when it never does. The program is left running in `pid`.
double TimeToColour(XSession& x, const ProcessOptions& options, int px, int py, Rgb colour,
                    pid_t& pid) {
  double start = NowMs();
  pid = StartProcess(options);
  if (pid <= 0) return -1;
  bool shown = WaitFor([&] { return x.Pixel(px, py) == colour; }, 10000, 1);
  return shown ? NowMs() - start : -1;
}

void Close(XSession& x, pid_t pid, const std::string& title) {
  for (XWindowId w : x.FindWindowsByTitle(title)) x.RequestClose(w);
  int status;
  if (!WaitForExit(pid, 3000, status)) KillProcess(pid);
  x.WaitForNoWindow(title, 2000);
}

long PeakKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

std::string GridMedium(int buttons) {
  std::string ini =
      "[Main]\nWidth=1000\nHeight=700\nTitle=Grid\nBackground=SMALLWHITE\n"
      "BUTTON_FONT_HEIGHT=14\nBUTTON_DESC_HEIGHT=14\nTEXT_COLOR=0x000000\n"
      "HIGHLIGHT_COLOR=0x0000FF\nSELECT_COLOR=0x00FF00\nDESC_COLOR=0x808080\n"
      "DESC_LOC.X=10\nDESC_LOC.Y=660\nDESC_LOC.WIDTH=900\nEXIT_COMMAND=STAY\n";
  for (int i = 0; i < buttons; ++i)
    ini += "Button." + std::to_string(i) + "=B" + std::to_string(i) + "\n";
  for (int i = 0; i < buttons; ++i) {
    ini += "[B" + std::to_string(i) + "]\nBUTTON_TEXT=Button number " + std::to_string(i) +
           "\nDESC_TEXT=Description of button " + std::to_string(i) +
           "\nBUTTON_LOC.X=" + std::to_string(10 + (i % 8) * 124) +
           "\nBUTTON_LOC.Y=" + std::to_string(10 + (i / 8) * 25) + "\nBUTTON_LOC.WIDTH=120\n";
  }
  return ini;
}

// Start, hover and close of generated media of `counts` buttons (the grid
// above: 8 a row, most of them below the window's bottom edge).
int ScalingFigures(const std::string& launcher, const std::vector<int>& counts) {
  XSession x;
  if (!x.Start(1024, 768, 10000)) {
    std::fprintf(stderr, "%s\n", x.error().c_str());
    return 1;
  }
  std::printf("buttons, start to first frame ms, hover ms (median of 5), close to exit ms\n");
  for (int count : counts) {
    char folder[] = "/tmp/mavrel-timing-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    std::ofstream(std::string(folder) + "/Mavrel.INI") << GridMedium(count);
    ProcessOptions g;
    g.argv = {launcher};
    g.workingDirectory = folder;
    g.env["DISPLAY"] = x.displayName();
    g.outputFile = "/dev/null";
    constexpr int kDeadlineMs = 300000;
    double start = NowMs();
    pid_t pid = StartProcess(g);
    XWindowId w = x.WaitForWindow("Grid", kDeadlineMs);
    ScreenRect client;
    if (!w || !x.Geometry(w, client)) {
      std::fprintf(stderr, "no grid window for %d buttons\n", count);
      KillProcess(pid);
      return 1;
    }
    WaitFor([&] { return x.Pixel(client.x + 2, client.y + 2) == 0xFFFFFF; }, kDeadlineMs, 2);
    double paintMs = NowMs() - start;
    std::vector<double> hoverMs;
    for (int i = 0; i < 5; ++i) {
      int button = (i * 37) % std::min(count, 200);
      int bx = client.x + 10 + (button % 8) * 124, by = client.y + 10 + (button / 8) * 25;
      ScreenRect area{bx, by, 110, 16};
      double moved = NowMs();
      x.MovePointer(bx + 5, by + 6);
      // HIGHLIGHT_COLOR 0x0000FF is red on the screen.
      if (WaitFor([&] { return x.CountPixels(area, 0xFF0000) > 5; }, kDeadlineMs, 1)) {
        hoverMs.push_back(NowMs() - moved);
      }
    }
    double closing = NowMs();
    x.RequestClose(w);
    int status = -1;
    bool ended = WaitForExit(pid, kDeadlineMs, status);
    double closeMs = NowMs() - closing;
    if (!ended) KillProcess(pid);
    std::printf("%d, %.0f, %.1f, %.0f%s\n", count, paintMs, Median(hoverMs), closeMs,
                ended ? "" : " (did not end)");
    std::fflush(stdout);
    fs::remove_all(folder);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--write-medium") {
    int count = std::atoi(argv[2]);
    if (count < 0) return 2;
    std::ofstream out(fs::path(argv[3]) / "Mavrel.INI", std::ios::binary);
    out << GridMedium(count);
    return out.good() ? 0 : 1;
  }
  if (argc >= 4 && std::string(argv[1]) == "--buttons") {
    std::vector<int> counts;
    for (int i = 3; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    return ScalingFigures(fs::absolute(argv[2]).string(), counts);
  }
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s launcher medium x y RRGGBB [runs]\n", argv[0]);
    return 2;
  }
  std::string launcher = fs::absolute(argv[1]).string();
  std::string medium = fs::absolute(argv[2]).string();
  int px = std::atoi(argv[3]), py = std::atoi(argv[4]);
  Rgb colour = static_cast<Rgb>(std::strtoul(argv[5], nullptr, 16));
  int runs = argc > 6 ? std::atoi(argv[6]) : 15;

  XSession x;
  if (!x.Start(1024, 768, 10000)) {
    std::fprintf(stderr, "%s\n", x.error().c_str());
    return 1;
  }
  std::vector<double> launcherMs, xmessageMs;
  long peak = -1;
  for (int run = 0; run < runs; ++run) {
    ProcessOptions l;
    l.argv = {launcher};
    l.workingDirectory = medium;
    l.env["DISPLAY"] = x.displayName();
    l.outputFile = "/dev/null";
    pid_t pid;
    double ms = TimeToColour(x, l, px, py, colour, pid);
    if (ms >= 0) launcherMs.push_back(ms);
    usleep(100000);
    peak = std::max(peak, PeakKilobytes(pid));
    kill(pid, SIGTERM);
    int status;
    if (!WaitForExit(pid, 3000, status)) KillProcess(pid);
    usleep(50000);

    ProcessOptions m;
    m.argv = {"xmessage", "-title", "Timing", "-geometry", "200x100+0+0", "-bg", "#00ff00", "x"};
    m.env["DISPLAY"] = x.displayName();
    m.outputFile = "/dev/null";
    ms = TimeToColour(x, m, 100, 20, 0x00FF00, pid);
    if (ms >= 0) xmessageMs.push_back(ms);
    Close(x, pid, "Timing");
    usleep(50000);
  }
  std::printf(
      "start to first frame, median of %d: launcher %.1f ms, xmessage %.1f ms, ratio %.2f\n", runs,
      Median(launcherMs), Median(xmessageMs),
      Median(xmessageMs) > 0 ? Median(launcherMs) / Median(xmessageMs) : 0);
  std::printf("  launcher %zu runs: %s\n", launcherMs.size(), Spread(launcherMs).c_str());
  std::printf("  xmessage %zu runs: %s\n", xmessageMs.size(), Spread(xmessageMs).c_str());
  std::printf("launcher peak memory (VmHWM) on the medium: %ld kB\n", peak);

  // Pointer move to repainted frame, 200 buttons on a white window.
  mavrel::test_support::TempMedium grid("timing");
  grid.WriteSettings(GridMedium(200));
  ProcessOptions g;
  g.argv = {launcher};
  g.workingDirectory = grid.path();
  g.env["DISPLAY"] = x.displayName();
  g.outputFile = "/dev/null";
  pid_t pid = StartProcess(g);
  XWindowId w = x.WaitForWindow("Grid", 10000);
  ScreenRect client;
  if (!w || !x.Geometry(w, client)) {
    std::fprintf(stderr, "no grid window\n");
    KillProcess(pid);
    return 1;
  }
  WaitFor([&] { return x.Pixel(client.x + 2, client.y + 2) == 0xFFFFFF; }, 10000, 5);
  usleep(300000);
  std::vector<double> moveMs;
  for (int i = 0; i < 60; ++i) {
    int button = (i * 37) % 200;
    int bx = client.x + 10 + (button % 8) * 124, by = client.y + 10 + (button / 8) * 25;
    ScreenRect area{bx, by, 110, 16};
    double start = NowMs();
    x.MovePointer(bx + 5, by + 6);
    // HIGHLIGHT_COLOR 0x0000FF is red on the screen.
    bool lit = WaitFor([&] { return x.CountPixels(area, 0xFF0000) > 5; }, 3000, 0);
    if (lit) moveMs.push_back(NowMs() - start);
  }
  std::printf("pointer move to repainted frame, 200 buttons, median of %zu: %.2f ms (max %.2f)\n",
              moveMs.size(), Median(moveMs),
              moveMs.empty() ? 0 : *std::max_element(moveMs.begin(), moveMs.end()));
  std::printf("launcher peak memory with 200 buttons: %ld kB\n", PeakKilobytes(pid));
  kill(pid, SIGTERM);
  int status;
  if (!WaitForExit(pid, 3000, status)) KillProcess(pid);
  return 0;
}
