#include "support/launcher_run.h"

#include <unistd.h>

#include <cstdlib>

#include "support/temp_medium.h"

namespace mavrel::test_support {

LauncherRun::LauncherRun(xharness::XSession& x, const std::string& launcher,
                         const std::string& folder, const LaunchOptions& launch)
    : x_(x), logPath_(launch.logPath) {
  if (logPath_.empty()) {
    static int runs = 0;
    const char* tmp = std::getenv("TMPDIR");
    logPath_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/mavrel-run-" +
               std::to_string(::getpid()) + "-" + std::to_string(++runs) + ".log";
    ownLog_ = true;
  }
  xharness::ProcessOptions options;
  options.argv = {launcher};
  options.argv.insert(options.argv.end(), launch.arguments.begin(), launch.arguments.end());
  options.workingDirectory = folder;
  options.env["DISPLAY"] = x.displayName();
  for (const auto& [name, value] : launch.env) options.env[name] = value;
  options.unsetEnv = launch.unsetEnv;
  options.ignoredSignals = launch.ignoredSignals;
  options.blockedSignals = launch.blockedSignals;
  options.outputFile = logPath_;
  if (launch.adjust) launch.adjust(options);
  pid_ = xharness::StartProcess(options);
}

LauncherRun::~LauncherRun() {
  if (pid_ > 0 && !result_.exited) xharness::KillProcess(pid_);
  if (ownLog_) ::unlink(logPath_.c_str());
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

std::string LauncherRun::Log() const { return ReadWholeFile(logPath_); }

bool HasSanitizerReport(const std::string& log) {
  return log.find("ERROR: AddressSanitizer") != std::string::npos ||
         log.find("ERROR: LeakSanitizer") != std::string::npos ||
         log.find("runtime error:") != std::string::npos ||
         log.find("WARNING: ThreadSanitizer") != std::string::npos;
}

}  // namespace mavrel::test_support
