// The environment SDL starts in. Some of what SDL sets up as it starts
// costs more than the rest of the launcher's start-up and gives it nothing,
// so it is turned away through the environment for that moment only; the
// user's own values are back before any program is started or any box
// shown, and before the launcher ends.
#pragma once

#include <string>
#include <vector>

namespace mavrel {

class StartupEnvironment {
 public:
  /// Sets the start-up values (before any other thread reads the
  /// environment).
  StartupEnvironment();
  /// Restores the user's values.
  ~StartupEnvironment() { Restore(); }
  StartupEnvironment(const StartupEnvironment&) = delete;
  StartupEnvironment& operator=(const StartupEnvironment&) = delete;

  /// Joins every helper thread (startup_work.h), which may be reading the
  /// environment, then puts the user's values back, the last one set
  /// first; does nothing the second time.
  void Restore();

 private:
  struct Saved {
    const char* name;
    bool had;
    std::string value;
  };
  void Set(const char* name, const std::string& value);
  std::vector<Saved> saved_;  // in the order set
};

}  // namespace mavrel
