// The Windows program's entry. The command line and the show command that
// the system passes are ignored: the window is always shown with SW_SHOW.
#include <cstdlib>

#include "platform/win32/win32_platform.h"
#include "window/launcher_main.h"
// Last, so that its A/W macros do not rename the platform's methods above.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  mavrel::Win32Platform platform;
  return mavrel::LauncherMain(platform, reinterpret_cast<mavrel::InstanceHandle>(instance));
}

#if defined(__GLIBCXX__)
// The launcher lets no exception escape; should one ever reach terminate,
// the program ends quietly, as a GUI program has nowhere to print to.
// Replacing the library's verbose handler also keeps its name demangler
// (about 45 KB) out of the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
