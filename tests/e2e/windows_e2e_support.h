// Running the Windows programs under Wine for the end-to-end and
// differential tests: the wine prefix, starting programs in it, and the
// small file chores of making a test medium. One test program serves both
// Windows builds: MAVREL_WINDOWS_ARCH in the environment names the one
// under test ("x86_64" under wine64, the default, or "i686" under 32-bit
// Wine), and each build has its own wine prefix and work folder.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace mavrel {

// The Windows build under test and what runs it.
struct WindowsArch {
  std::string name;        // "x86_64" or "i686"
  std::string wine;        // the Wine loader for this build's programs
  std::string wineserver;  // and its server
  std::string buildDir;    // Mavrel.exe, mavrel-test-helper.exe, tools/mavrel-inspect.exe
  std::string prefix;      // this build's own wine prefix
  std::string workDir;     // this build's test media
};
// The build that MAVREL_WINDOWS_ARCH names; an empty name when it names
// none that this test program knows.
const WindowsArch& CurrentArch();

// The build's Wine, wineserver and build folder are all there.
bool WineAvailable();
// What is missing, for the failure message.
std::string WineUnavailableReason();

// The Windows build folder under test.
std::filesystem::path WindowsBuildDir();

// Programs in this build's wine prefix, shown on one X display.
class Wine {
 public:
  explicit Wine(std::string display) : display_(std::move(display)) {}

  // Starts `args` (a Windows program and its arguments) under Wine in
  // `directory`, output to `log`. The pid, or -1.
  pid_t Start(const std::vector<std::string>& args, const std::filesystem::path& directory,
              const std::filesystem::path& log) const;
  // Starts and waits; false when it did not end before the deadline (it is
  // killed then).
  bool Run(const std::vector<std::string>& args, const std::filesystem::path& directory,
           int deadlineMs, int& status) const;
  // Runs `args` in `directory` with its standard output (alone) going to
  // `output`, and waits. False when it could not start or did not end
  // before the deadline (it is killed then).
  bool RunCapturingOutput(const std::vector<std::string>& args,
                          const std::filesystem::path& directory,
                          const std::filesystem::path& output, int deadlineMs, int& status) const;
  // Ends every program of the prefix and its wineserver, and waits for that.
  void StopServer() const;
  // Makes the prefix if it is not there yet. False when that failed.
  bool MakePrefix(std::string& log) const;

 private:
  std::map<std::string, std::string> Environment() const;
  std::string display_;
};

// Runs a program of this machine the same way.
bool RunNativeCapturingOutput(const std::vector<std::string>& argv,
                              const std::filesystem::path& output, int deadlineMs, int& status);

// An empty folder for one test, under this build's test work folder.
std::filesystem::path FreshFolder(const std::string& name);
// Copies a program of the Windows build folder into `to`.
void CopyWindowsProgram(const std::string& name, const std::filesystem::path& to);

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::string ReadText(const std::filesystem::path& path);

// "name=value" lines; the value runs to the end of the line.
std::map<std::string, std::string> ReadKeyValues(const std::filesystem::path& path);
// "name=n n n" lines of numbers.
std::map<std::string, std::vector<long>> ReadMetrics(const std::filesystem::path& path);

// How a program under Wine sees a POSIX path: Z: and backslashes.
std::string WindowsPath(const std::filesystem::path& path);

}  // namespace mavrel
