// The environment SDL starts in. Some of what SDL sets up as it starts
// costs more than the rest of the launcher's start-up and gives it nothing,
// so it is turned away through the environment for that moment only; the
// user's own values are back before any program is started.
// SDL's video is started once in that environment, with the hints the
// launcher needs.
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

  /// Puts the user's values back, the last one set first; does nothing
  /// the second time.
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

/// Sets how window surfaces are made for the video driver `driver` (SDL's
/// name for it): read when a window's surface is first made, so it may come
/// after SDL_Init.
void SetFramebufferHint(const std::string& driver);

// SDL's video subsystem, quit with this object.
class VideoSession {
 public:
  /// `inMemory`: SDL's offscreen driver, whose windows are drawn into
  /// memory and shown to nobody (for tools that draw a medium without a
  /// display); otherwise a driver that shows windows to a user.
  explicit VideoSession(bool inMemory = false) : inMemory_(inMemory) {}
  ~VideoSession();
  VideoSession(const VideoSession&) = delete;
  VideoSession& operator=(const VideoSession&) = delete;

  /// Starts the video the first time, in the start-up environment, which
  /// is restored right after. True while it runs with the driver asked
  /// for; false for good once starting has failed.
  bool Start(StartupEnvironment& environment);
  bool started() const { return started_; }

 private:
  bool inMemory_ = false;
  bool started_ = false;
  bool failed_ = false;
};

}  // namespace mavrel
