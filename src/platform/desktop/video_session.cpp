#include "platform/desktop/video_session.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/desktop/startup_work.h"

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

bool VideoSession::Start() {
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
  // (The launcher has done so first thing, before any other Xlib call;
  // tools that draw in memory come here first.) Single-threaded, Xlib
  // reads them when SDL asks.
  HelperTask localeTables;
  if (!inMemory_ && HelperThreadsAllowed() && XInitThreads()) {
    HelperOptions options;
    options.mayRunInline = false;  // SDL's start reads them anyway, in turn
    localeTables = StartHelper([] { XSupportsLocale(); }, options);
  }
  bool started = StartSdlVideo(inMemory_);
  localeTables.Join();
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
