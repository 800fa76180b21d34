#include "hostile_media.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace mavrel::hostile {
namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  ::remove(path);
  return 0;
}

void PutU16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

TempMedium::TempMedium() {
  std::string pattern = TempRoot() + "/mavrel-hostile-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

TempMedium::~TempMedium() {
  ::chmod(path_.c_str(), 0700);
  ::nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void TempMedium::Write(const std::string& name, const std::string& text) const {
  std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + name);
}

void TempMedium::Write(const std::string& name, const Bytes& bytes) const {
  Write(name, std::string(bytes.begin(), bytes.end()));
}

void TempMedium::MakeFolder(const std::string& name) const {
  if (::mkdir(PathOf(name).c_str(), 0755) != 0) throw std::runtime_error("mkdir " + name);
}

void TempMedium::MakeFifo(const std::string& name) const {
  if (::mkfifo(PathOf(name).c_str(), 0644) != 0) throw std::runtime_error("mkfifo " + name);
}

void TempMedium::Symlink(const std::string& target, const std::string& name) const {
  if (::symlink(target.c_str(), PathOf(name).c_str()) != 0) {
    throw std::runtime_error("symlink " + name);
  }
}

void TempMedium::SetMode(const std::string& name, unsigned mode) const {
  if (::chmod(PathOf(name).c_str(), mode) != 0) throw std::runtime_error("chmod " + name);
}

Bytes MakeBmp(const BmpLayout& s) {
  Bytes b(14 + 40, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 14, 40);
  PutU32(b, 18, static_cast<std::uint32_t>(s.width));
  PutU32(b, 22, static_cast<std::uint32_t>(s.height));
  PutU16(b, 26, 1);
  PutU16(b, 28, s.bitCount);
  PutU32(b, 30, s.compression);
  std::int64_t rows = s.height < 0 ? -static_cast<std::int64_t>(s.height) : s.height;
  std::int64_t stride = (static_cast<std::int64_t>(s.width) * s.bitCount + 31) / 32 * 4;
  std::uint32_t imageSize = s.imageSize;
  if (imageSize == 0 && s.compression == 0) imageSize = static_cast<std::uint32_t>(stride * rows);
  PutU32(b, 34, imageSize);
  PutU32(b, 38, 2835);
  PutU32(b, 42, 2835);
  PutU32(b, 46, s.colorsUsed);
  int entries = s.paletteEntries;
  if (entries < 0) {
    entries =
        s.bitCount > 8 ? 0 : (s.colorsUsed != 0 ? static_cast<int>(s.colorsUsed) : 1 << s.bitCount);
  }
  for (int i = 0; i < entries; ++i) {
    // Entry 0 has the picture's colour, the others are dark grey.
    std::uint32_t c = i == 0 ? s.colour : 0x202020;
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
    b.push_back(static_cast<std::uint8_t>(c >> 16));
    b.push_back(0);
  }
  std::uint32_t offset = s.pixelOffset >= 0 ? static_cast<std::uint32_t>(s.pixelOffset)
                                            : static_cast<std::uint32_t>(b.size());
  PutU32(b, 10, offset);
  if (!s.pixels.empty()) {
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  } else if (s.bitCount == 24 && stride * rows <= (64 << 20)) {
    for (std::int64_t row = 0; row < rows; ++row) {
      for (std::int64_t x = 0; x < s.width; ++x) {
        b.push_back(static_cast<std::uint8_t>(s.colour));
        b.push_back(static_cast<std::uint8_t>(s.colour >> 8));
        b.push_back(static_cast<std::uint8_t>(s.colour >> 16));
      }
      for (std::int64_t pad = s.width * 3; pad < stride; ++pad) b.push_back(0);
    }
  } else if (s.bitCount <= 8 && stride * rows <= (64 << 20)) {
    b.insert(b.end(), static_cast<std::size_t>(stride * rows), 0);  // every pixel entry 0
  }
  PutU32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

const std::vector<BmpField>& BmpFields() {
  static const std::vector<BmpField> fields = {
      {"signature", 0},     {"file size", 2},     {"reserved", 6},
      {"pixel offset", 10}, {"header size", 14},  {"width", 18},
      {"height", 22},       {"planes", 26},       {"bit count", 28},
      {"compression", 30},  {"image size", 34},   {"x resolution", 38},
      {"y resolution", 42}, {"colours used", 46}, {"important colours", 50},
      {"pixel bits", 54},
  };
  return fields;
}

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

LauncherRun::LauncherRun(xharness::XSession& x, const std::string& launcher,
                         const TempMedium& medium,
                         const std::vector<std::pair<std::string, std::string>>& env,
                         const StartAdjustment& adjust)
    : x_(x) {
  static int runs = 0;
  logPath_ = TempRoot() + "/mavrel-hostile-" + std::to_string(::getpid()) + "-" +
             std::to_string(++runs) + ".log";
  xharness::ProcessOptions options;
  options.argv = {launcher};
  options.workingDirectory = medium.path();
  options.env["DISPLAY"] = x.displayName();
  for (const auto& [name, value] : env) options.env[name] = value;
  options.outputFile = logPath_;
  if (adjust) adjust(options);
  pid_ = xharness::StartProcess(options);
}

LauncherRun::~LauncherRun() {
  if (pid_ > 0 && !result_.exited) xharness::KillProcess(pid_);
  ::unlink(logPath_.c_str());
}

bool LauncherRun::Running() {
  if (pid_ <= 0 || result_.exited) return false;
  int status = 0;
  if (xharness::WaitForExit(pid_, 0, status)) {
    result_ = {true, status};
    return false;
  }
  return true;
}

xharness::XWindowId LauncherRun::WaitForWindow(const std::string& title, int deadlineMs) {
  xharness::XWindowId found = 0;
  xharness::WaitFor(
      [&] {
        std::vector<xharness::XWindowId> windows = x_.FindWindowsByTitle(title);
        if (!windows.empty()) found = windows.front();
        return found != 0 || !Running();
      },
      deadlineMs, 20);
  return found;
}

bool LauncherRun::DismissBox(const std::string& caption, int deadlineMs) {
  xharness::XWindowId box = WaitForWindow(caption, deadlineMs);
  if (box == 0) return false;
  // The box closes on a close request as on its OK button; should it not,
  // Return with the pointer on it presses OK.
  x_.RequestClose(box);
  if (x_.WaitForNoWindow(caption, 2000)) return true;
  xharness::ScreenRect area;
  if (x_.Geometry(box, area)) x_.MovePointer(area.x + area.width / 2, area.y + area.height / 2);
  x_.TapKey(0xff0d);
  return x_.WaitForNoWindow(caption, 3000);
}

RunResult LauncherRun::WaitForEnd(int deadlineMs) {
  if (!result_.exited && pid_ > 0) {
    int status = 0;
    if (xharness::WaitForExit(pid_, deadlineMs, status)) result_ = {true, status};
  }
  return result_;
}

RunResult LauncherRun::Close(xharness::XWindowId window, int deadlineMs) {
  if (Running()) x_.RequestClose(window);
  return WaitForEnd(deadlineMs);
}

std::string LauncherRun::Log() const {
  std::ifstream in(logPath_, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

bool HasSanitizerReport(const std::string& log) {
  return log.find("ERROR: AddressSanitizer") != std::string::npos ||
         log.find("ERROR: LeakSanitizer") != std::string::npos ||
         log.find("runtime error:") != std::string::npos;
}

}  // namespace mavrel::hostile
