// The Windows program's entry. The command line and the show command that
// the system passes are ignored: the window is always shown with SW_SHOW.
#include "platform/win32/win32_platform.h"
#include "window/launcher_main.h"
// Last, so that its A/W macros do not rename the platform's methods above.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  mavrel::Win32Platform platform;
  return mavrel::LauncherMain(platform, reinterpret_cast<mavrel::InstanceHandle>(instance));
}
