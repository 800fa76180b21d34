// The desktop launcher. Like the Windows one it takes no options: the medium
// it starts from is its whole configuration.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cstdio>
#include <new>
#include <string>

#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/program_start.h"
#include "platform/desktop/startup_work.h"
#include "window/launcher_main.h"
#include "window/launcher_window.h"

namespace {

XErrorHandler previousXErrorHandler = nullptr;

// SDL wakes its own event wait by sending an event to the launcher's window
// over a second X connection. When the window goes right after such a
// wake-up (a close request, an EXIT button), the server may destroy it
// before it gets to the send and answer BadWindow, and Xlib's default
// handler would then end the launcher with status 1 in place of its own.
// That one error is harmless; every other goes to the handler that was set.
int IgnoreLateWakeUp(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousXErrorHandler ? previousXErrorHandler(display, error) : 0;
}

}  // namespace

int main() {
  // Xlib is used by helper threads during start-up (startup_work.h), and
  // wants its threads initialised before any other call of it.
  XInitThreads();
  mavrel::PrepareProcessState();
  previousXErrorHandler = XSetErrorHandler(IgnoreLateWakeUp);
  // However small RLIMIT_STACK leaves the main thread's stack, the
  // launcher's own thread has enough.
  return mavrel::RunOnLauncherStack([] {
    try {
      mavrel::DesktopPlatform platform;
      // A document's opener may fail after the launcher has taken the open
      // for a success; it is then reported as the failed launch would have
      // been, with the error text of the button being activated (the hot
      // one).
      platform.SetLateOpenFailureText([&platform](mavrel::WindowHandle window) {
        auto* launcher = static_cast<mavrel::LauncherWindow*>(platform.GetWindowUserData(window));
        const mavrel::LauncherButton* button = launcher ? launcher->hotButton() : nullptr;
        return button ? std::string(button->errorMsg.c_str()) : std::string();
      });
      return mavrel::LauncherMain(platform, nullptr);
    } catch (const std::bad_alloc&) {
      // Too little memory even to begin (a tight RLIMIT_AS): a start-up
      // failure with no box to show it in, rather than an abort.
      std::fputs("mavrel: out of memory\n", stderr);
      return 1;
    }
  });
}
