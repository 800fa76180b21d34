#include "platform/desktop/startup_environment.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

namespace mavrel {
namespace {

// How long start-up keeps trying an X server that turns connections away,
// and the longest pause between two tries.
constexpr std::chrono::milliseconds kRefusedRetryTime(2000);
constexpr std::chrono::milliseconds kLongestRetryPause(200);

// An X server that is busy (Xvfb under many quick connections) turns some
// away for a moment: the connection is reset, or the setup read finds
// nothing yet (EAGAIN). A display with no server behind it, or none named,
// is refused for good (ECONNREFUSED, ENOENT) and is not tried again.
enum class XServerAnswer { kNoServer, kBusy, kAnswers };

XServerAnswer AskXServer() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || display[0] == '\0') return XServerAnswer::kNoServer;
  errno = 0;
  Display* connection = XOpenDisplay(nullptr);
  if (connection != nullptr) {
    XCloseDisplay(connection);
    return XServerAnswer::kAnswers;
  }
  return (errno == EAGAIN || errno == ECONNRESET) ? XServerAnswer::kBusy : XServerAnswer::kNoServer;
}

// Starts SDL's video; true only with the driver asked for: `inMemory`, the
// offscreen one, else one that shows windows to a user. With no display SDL
// falls back to drivers that draw into memory, and a launcher nobody can
// see would wait for ever.
bool StartSdlVideo(bool inMemory) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string name = driver ? driver : "";
  if (inMemory != (name == "offscreen") || name == "dummy" || name == "evdev" || name.empty()) {
    SDL_Quit();
    return false;
  }
  return true;
}

}  // namespace

StartupEnvironment::StartupEnvironment() {
  // SDL connects to the session bus as it starts. Where there is none, the
  // bus library would try to start one (a fork and a dozen execs of
  // dbus-launch), the largest single cost of our start; the address is
  // kept from it for that moment only, so that started programs still find
  // whatever bus there is.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
    Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  }
  // SDL also opens an X input method, and Xlib's built-in one reads and
  // compiles the locale's whole compose table (thousands of lines, two
  // thirds of SDL's start). The launcher takes no typed text, so it gets an
  // empty table, and opens it in the plain C locale: Xlib then needs only
  // the locale tables it reads anyway (for the window's title), not a second
  // set for the user's locale.
  Set("XCOMPOSEFILE", "/dev/null");
  // fontconfig takes the languages its matches prefer from the same
  // variables, on the font helper thread: it is given the user's own
  // through its own variable, so that its choice of face does not change.
  if (std::getenv("FC_LANG") == nullptr) {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && value[0] != '\0') {
        Set("FC_LANG", value);
        break;
      }
    }
  }
  Set("LC_ALL", "C");
}

void StartupEnvironment::Set(const char* name, const std::string& value) {
  const char* user = std::getenv(name);
  saved_.push_back(Saved{name, user != nullptr, user ? user : ""});
  setenv(name, value.c_str(), 1);
}

void StartupEnvironment::Restore() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->had) {
      setenv(it->name, it->value.c_str(), 1);
    } else {
      unsetenv(it->name);
    }
  }
  saved_.clear();
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
  // Xlib reads and compiles its locale tables (some hundred kilobytes of
  // text) the first time anything asks about the locale, which SDL does
  // halfway through its start: a helper thread has that done meanwhile.
  // Threads are initialised first, so that Xlib takes turns between the two.
  std::future<void> localeTables;
  if (!inMemory_ && XInitThreads()) {
    localeTables = std::async(std::launch::async, [] { XSupportsLocale(); });
  }
  bool started = StartSdlVideo(inMemory_);
  if (localeTables.valid()) localeTables.wait();
  // SDL gives no reason when it cannot connect, so the X server is asked
  // directly: while it only turns connections away for a moment, try again
  // with growing pauses, for a short while. The server answering us while
  // SDL still fails is SDL's own failure after a few more tries.
  // (SDL's own clock starts again with each SDL_Quit.)
  const auto begin = std::chrono::steady_clock::now();
  std::chrono::milliseconds pause(5);
  int triesWithAnswer = 0;
  while (!started && !inMemory_ && std::chrono::steady_clock::now() - begin < kRefusedRetryTime) {
    XServerAnswer answer = AskXServer();
    if (answer == XServerAnswer::kNoServer) break;
    if (answer == XServerAnswer::kAnswers && ++triesWithAnswer > 3) break;
    if (answer == XServerAnswer::kBusy) {
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, kLongestRetryPause);
    }
    started = StartSdlVideo(inMemory_);
  }
  environment.Restore();
  if (!started) {
    failed_ = true;
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  SetFramebufferHint(driver ? driver : "");
  started_ = true;
  return true;
}

}  // namespace mavrel
