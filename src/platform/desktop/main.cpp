// The desktop launcher. Like the Windows one it takes no options: the medium
// it starts from is its whole configuration.
#include "platform/desktop/desktop_platform.h"
#include "window/launcher_main.h"

int main() {
  mavrel::DesktopPlatform platform;
  return mavrel::LauncherMain(platform, nullptr);
}
