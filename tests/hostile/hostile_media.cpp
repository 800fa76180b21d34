#include "hostile_media.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace mavrel::hostile {

std::string ProbeSection(const std::string& name, const std::string& exitCommand) {
  return "[" + name +
         "]\n"
         "BUTTON_TEXT=PROBE\n"
         "BUTTON_LOC.X=" +
         std::to_string(kProbeX) + "\nBUTTON_LOC.Y=" + std::to_string(kProbeY) +
         "\nBUTTON_LOC.WIDTH=300\n"
         "BUTTON_FONT_HEIGHT=30\n"
         "TEXT_COLOR=0xFFFFFF\n"
         "HIGHLIGHT_COLOR=0x00FF00\n"
         "SELECT_COLOR=0x00FF00\n"
         "EXIT_COMMAND=" +
         exitCommand + "\n";
}

xharness::ScreenRect ClientArea(xharness::XSession& x, xharness::XWindowId window) {
  xharness::ScreenRect area;
  x.Geometry(window, area);
  return area;
}

ProcessFootprint FootprintOf(pid_t pid) {
  ProcessFootprint footprint;
  std::string proc = "/proc/" + std::to_string(pid);
  if (DIR* fds = ::opendir((proc + "/fd").c_str())) {
    footprint.descriptors = 0;
    while (dirent* entry = ::readdir(fds)) {
      if (entry->d_name[0] != '.') ++footprint.descriptors;
    }
    ::closedir(fds);
  }
  std::ifstream status(proc + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) footprint.residentKb = std::atol(line.c_str() + 6);
  }
  if (DIR* tasks = ::opendir((proc + "/task").c_str())) {
    footprint.wakeUps = 0;
    while (dirent* entry = ::readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      // Time on the processor, time waiting for it, times run.
      std::ifstream schedstat(proc + "/task/" + entry->d_name + "/schedstat");
      long long running = 0, waiting = 0, runs = 0;
      if (schedstat >> running >> waiting >> runs) footprint.wakeUps += runs;
    }
    ::closedir(tasks);
  }
  for (const xharness::ChildProcess& child : xharness::ChildrenOf(pid)) {
    ++footprint.children;
    if (child.zombie) ++footprint.zombies;
  }
  return footprint;
}

}  // namespace mavrel::hostile
