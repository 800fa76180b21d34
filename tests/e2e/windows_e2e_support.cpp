#include "windows_e2e_support.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "support/temp_medium.h"
#include "support/x_harness.h"

namespace mavrel {

namespace fs = std::filesystem;

namespace {

// Standard output to `output`, standard error discarded, nothing to read,
// `env` added to this process's environment.
pid_t SpawnCapturing(const std::vector<std::string>& argv, const fs::path& directory,
                     const std::map<std::string, std::string>& env, const fs::path& output) {
  xharness::ProcessOptions options;
  options.argv = argv;
  options.workingDirectory = directory.string();
  options.env = env;
  options.outputFile = output.string();
  options.errorFile = "/dev/null";
  options.inputFile = "/dev/null";
  return xharness::StartProcess(options);
}

bool WaitOrKill(pid_t pid, int deadlineMs, int& status) {
  if (pid <= 0) return false;
  if (xharness::WaitForExit(pid, deadlineMs, status)) return true;
  xharness::KillProcess(pid);
  return false;
}

}  // namespace

const WindowsArch& CurrentArch() {
  static const WindowsArch arch = [] {
    const char* chosen = std::getenv("MAVREL_WINDOWS_ARCH");
    const std::string name = chosen != nullptr && *chosen != '\0' ? chosen : "x86_64";
    const WindowsArch known[] = {
        {"x86_64", MAVREL_WINE_x86_64, MAVREL_WINESERVER_x86_64, MAVREL_WINDOWS_DIR_x86_64,
         MAVREL_WINE_TEST_DIR "/wine-x86_64/prefix", MAVREL_WINE_TEST_DIR "/windows-media-x86_64"},
        {"i686", MAVREL_WINE_i686, MAVREL_WINESERVER_i686, MAVREL_WINDOWS_DIR_i686,
         MAVREL_WINE_TEST_DIR "/wine-i686/prefix", MAVREL_WINE_TEST_DIR "/windows-media-i686"},
    };
    for (const WindowsArch& a : known) {
      if (a.name == name) return a;
    }
    return WindowsArch{};
  }();
  return arch;
}

std::string WineUnavailableReason() {
  const WindowsArch& arch = CurrentArch();
  if (arch.name.empty()) return "MAVREL_WINDOWS_ARCH names no Windows build";
  std::string missing;
  if (arch.wine.empty() || !fs::exists(arch.wine)) missing += " Wine (" + arch.wine + ")";
  if (arch.wineserver.empty() || !fs::exists(arch.wineserver)) {
    missing += " wineserver (" + arch.wineserver + ")";
  }
  if (arch.buildDir.empty() || !fs::exists(fs::path(arch.buildDir) / "Mavrel.exe")) {
    missing += " Mavrel.exe in the build folder (" + arch.buildDir + ")";
  }
  return missing.empty() ? "" : "the " + arch.name + " build lacks" + missing;
}

bool WineAvailable() { return WineUnavailableReason().empty(); }

fs::path WindowsBuildDir() { return fs::path(CurrentArch().buildDir); }

std::map<std::string, std::string> Wine::Environment() const {
  return {
      {"WINEPREFIX", CurrentArch().prefix},
      {"WINEDEBUG", "-all"},
      // No offers to install Mono or Gecko: nobody is there to answer them.
      {"WINEDLLOVERRIDES", "mscoree,mshtml="},
      {"DISPLAY", display_},
  };
}

pid_t Wine::Start(const std::vector<std::string>& args, const fs::path& directory,
                  const fs::path& log) const {
  xharness::ProcessOptions options;
  options.argv.push_back(CurrentArch().wine);
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.workingDirectory = directory.string();
  options.env = Environment();
  options.unsetEnv = {"WAYLAND_DISPLAY"};
  options.outputFile = log.string();
  return xharness::StartProcess(options);
}

bool Wine::Run(const std::vector<std::string>& args, const fs::path& directory, int deadlineMs,
               int& status) const {
  const pid_t pid = Start(args, directory, directory / "wine-run.log");
  if (pid <= 0) return false;
  if (xharness::WaitForExit(pid, deadlineMs, status)) return true;
  xharness::KillProcess(pid);
  return false;
}

bool Wine::RunCapturingOutput(const std::vector<std::string>& args, const fs::path& directory,
                              const fs::path& output, int deadlineMs, int& status) const {
  std::vector<std::string> argv = {CurrentArch().wine};
  argv.insert(argv.end(), args.begin(), args.end());
  return WaitOrKill(SpawnCapturing(argv, directory, Environment(), output), deadlineMs, status);
}

bool RunNativeCapturingOutput(const std::vector<std::string>& argv, const fs::path& output,
                              int deadlineMs, int& status) {
  return WaitOrKill(SpawnCapturing(argv, {}, {}, output), deadlineMs, status);
}

void Wine::StopServer() const {
  xharness::ProcessOptions options;
  options.argv = {CurrentArch().wineserver, "-k"};
  options.env = Environment();
  options.outputFile = "/dev/null";
  const pid_t pid = xharness::StartProcess(options);
  int status = 0;
  if (pid > 0 && !xharness::WaitForExit(pid, 15000, status)) xharness::KillProcess(pid);
  // -k only signals; wait until the server has really gone.
  options.argv = {CurrentArch().wineserver, "-w"};
  const pid_t waiter = xharness::StartProcess(options);
  if (waiter > 0 && !xharness::WaitForExit(waiter, 15000, status)) xharness::KillProcess(waiter);
}

bool Wine::MakePrefix(std::string& log) const {
  const fs::path prefix(CurrentArch().prefix);
  if (fs::exists(prefix / "system.reg") && fs::exists(prefix / "drive_c" / "windows")) {
    return true;
  }
  fs::create_directories(prefix.parent_path());
  const fs::path logFile = prefix.parent_path() / "wineboot.log";
  xharness::ProcessOptions options;
  options.argv = {CurrentArch().wine, "wineboot", "--init"};
  options.env = Environment();
  options.outputFile = logFile.string();
  const pid_t pid = xharness::StartProcess(options);
  int status = -1;
  bool ended = pid > 0 && xharness::WaitForExit(pid, 240000, status);
  if (!ended && pid > 0) xharness::KillProcess(pid);
  StopServer();
  log = ReadText(logFile);
  return ended && status == 0 && fs::exists(prefix / "system.reg");
}

fs::path FreshFolder(const std::string& name) {
  test_support::TempMedium folder(CurrentArch().workDir, name);
  folder.Keep();  // for a look after the run; the next run empties it
  return folder.path();
}

void CopyWindowsProgram(const std::string& name, const fs::path& to) {
  fs::copy_file(WindowsBuildDir() / name, to / name, fs::copy_options::overwrite_existing);
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> ReadKeyValues(const fs::path& path) {
  std::map<std::string, std::string> values;
  std::istringstream in(ReadText(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

std::map<std::string, std::vector<long>> ReadMetrics(const fs::path& path) {
  std::map<std::string, std::vector<long>> metrics;
  for (const auto& [key, value] : ReadKeyValues(path)) {
    std::istringstream numbers(value);
    long n = 0;
    while (numbers >> n) metrics[key].push_back(n);
  }
  return metrics;
}

std::string WindowsPath(const fs::path& path) {
  std::string text = "Z:" + fs::absolute(path).lexically_normal().string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  while (text.size() > 3 && text.back() == '\\') text.pop_back();
  return text;
}

}  // namespace mavrel
