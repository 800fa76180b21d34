// The desktop launcher. Like the Windows one it takes no options: the medium
// it starts from is its whole configuration.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/program_start.h"
#include "window/launcher_main.h"

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
  mavrel::PrepareProcessState();
  previousXErrorHandler = XSetErrorHandler(IgnoreLateWakeUp);
  mavrel::DesktopPlatform platform;
  return mavrel::LauncherMain(platform, nullptr);
}
