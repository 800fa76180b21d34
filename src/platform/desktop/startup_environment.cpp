#include "platform/desktop/startup_environment.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace mavrel {

StartupEnvironment::StartupEnvironment() {
  // SDL connects to the session bus as it starts. Where there is none, the
  // bus library would try to start one (a fork and a dozen execs of
  // dbus-launch), the largest single cost of our start; the address is
  // kept from it for that moment only, so that started programs still find
  // whatever bus there is.
  busAddressSet_ = std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr;
  if (busAddressSet_) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  // SDL also opens an X input method, and Xlib's built-in one reads and
  // compiles the locale's whole compose table (thousands of lines, two
  // thirds of SDL's start). The launcher takes no typed text, so it gets an
  // empty table.
  const char* composeFile = std::getenv("XCOMPOSEFILE");
  userComposeFile_ = composeFile ? composeFile : "";
  hadComposeFile_ = composeFile != nullptr;
  composeFileSet_ = true;
  setenv("XCOMPOSEFILE", "/dev/null", 1);
}

void StartupEnvironment::Restore() {
  if (busAddressSet_) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  busAddressSet_ = false;
  if (composeFileSet_) {
    if (hadComposeFile_) {
      setenv("XCOMPOSEFILE", userComposeFile_.c_str(), 1);
    } else {
      unsetenv("XCOMPOSEFILE");
    }
  }
  composeFileSet_ = false;
}

void SetFramebufferHint(const std::string& driver) {
  // On X11, a plain shared-memory surface behind the window: an accelerated
  // one sets up an OpenGL renderer first, which costs more than everything
  // else at start-up and gains nothing for a still picture. Wayland's driver
  // has no surface of its own: it shows only what a renderer draws, and with
  // the hint at 0 its windows stay blank, so there the hint is SDL's (or the
  // user's) own.
  if (driver == "x11") SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

VideoSession::~VideoSession() {
  if (started_) SDL_Quit();
}

bool VideoSession::Start(StartupEnvironment& environment) {
  if (started_) return true;
  if (failed_) return false;
  // The launcher leaves the screen saver alone and SIGINT/SIGTERM to their
  // defaults; a started program gets default dispositions anyway.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The first click on the window is a click, as on Windows.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Over whatever the user's environment asks for.
  if (inMemory_) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  int started = SDL_Init(SDL_INIT_VIDEO);
  environment.Restore();
  if (started != 0) {
    failed_ = true;
    return false;
  }
  // Only a driver that shows windows to a user will do: with no display SDL
  // falls back to drivers that draw into memory, and a launcher nobody can
  // see would wait for ever.
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string name = driver ? driver : "";
  if (inMemory_ != (name == "offscreen") || name == "dummy" || name == "evdev" || name.empty()) {
    SDL_Quit();
    failed_ = true;
    return false;
  }
  SetFramebufferHint(name);
  started_ = true;
  return true;
}

}  // namespace mavrel
