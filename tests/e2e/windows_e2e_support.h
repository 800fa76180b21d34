// Running the Windows programs under wine64 for the end-to-end and
// differential tests: the wine prefix, starting programs in it, and the
// small file chores of making a test medium.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace mavrel {

// wine64, wineserver and the Windows build folder are all there.
bool WineAvailable();

// The x86_64 Windows build folder (Mavrel.exe, mavrel-test-helper.exe,
// tools/mavrel-inspect.exe).
std::filesystem::path WindowsBuildDir();

// Programs in this build's wine prefix, shown on one X display.
class Wine {
 public:
  explicit Wine(std::string display) : display_(std::move(display)) {}

  // Starts `args` (a Windows program and its arguments) under wine64 in
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
