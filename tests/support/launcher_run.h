// One run of a launcher on a medium: started in the medium's folder under
// an X session's display, its output in a log, waited for with deadlines,
// and killed, if still going, when the object goes. The desktop launcher's
// end-to-end and hostile suites both run it this way.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/x_harness.h"

namespace mavrel::test_support {

// How a run of the launcher ended, or that it did not.
struct RunResult {
  bool exited = false;
  int status = -1;
};

struct LaunchOptions {
  std::vector<std::string> arguments;  // after the program's path
  // Added to the environment, after DISPLAY, which names the session's.
  std::vector<std::pair<std::string, std::string>> env;
  std::vector<std::string> unsetEnv;  // removed from it, DISPLAY too if named
  std::vector<int> ignoredSignals;    // as xharness::ProcessOptions
  std::vector<int> blockedSignals;
  // Where standard output and error go; empty: a file of the run's own in
  // $TMPDIR (or /tmp), removed when the run goes.
  std::string logPath;
  // A last change to how the program is started (its folder, signals, a
  // wrapper), made after everything above.
  std::function<void(xharness::ProcessOptions&)> adjust;
};

/// True when `log` holds what a sanitizer writes when it finds something
/// (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer,
/// ThreadSanitizer).
bool HasSanitizerReport(const std::string& log);

class LauncherRun {
 public:
  LauncherRun(xharness::XSession& x, const std::string& launcher, const std::string& folder,
              const LaunchOptions& options = {});
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
  bool ownLog_ = false;
  RunResult result_;
};

}  // namespace mavrel::test_support
