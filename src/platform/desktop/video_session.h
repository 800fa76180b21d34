// SDL's video, started once with the hints the launcher needs (in the
// environment of startup_environment.h, which the caller has set), and
// quit with the session.
#pragma once

#include <string>

namespace mavrel {

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

  /// Starts the video the first time. True while it runs with the driver
  /// asked for; false for good once starting has failed.
  bool Start();
  bool started() const { return started_; }

 private:
  bool inMemory_ = false;
  bool started_ = false;
  bool failed_ = false;
};

}  // namespace mavrel
