#include "window/launcher_main.h"

#include "settings/settings.h"
#include "window/launcher_window.h"

namespace mavrel {

int LauncherMain(Platform& platform, InstanceHandle instance) {
  return LauncherMain(platform, instance, DefaultStorage());
}

WindowClassDescription LauncherWindowClass(InstanceHandle instance) {
  WindowClassDescription windowClass;
  windowClass.style = kWindowClassStyle;
  windowClass.procedure = &LauncherWindow::WindowProcedure;
  windowClass.instance = instance;
  windowClass.iconResource = kIconResource;
  windowClass.className = kWindowClassName;
  return windowClass;
}

int LauncherMain(Platform& platform, InstanceHandle instance, LauncherStorage& storage) {
  if (!platform.RegisterWindowClass(LauncherWindowClass(instance))) {
    platform.MessageBox(nullptr, kStartupFailureText, kStartupFailureCaption, kMessageBoxOk);
    return 1;
  }

  SettingsFile settings(platform);
  LauncherWindow window(platform, settings, instance, nullptr, storage);
  // Without a window no quit request could ever arrive: end here, as the
  // other start-up failures do, instead of waiting for one forever.
  if (window.window() == nullptr) {
    platform.MessageBox(nullptr, kStartupFailureText, kStartupFailureCaption, kMessageBoxOk);
    return 1;
  }
  if (!CreateButtonList(window)) return 1;
  platform.ShowWindow(window.window(), kShowWindow);

  Message message;
  while (platform.GetMessage(message) != 0) {
    platform.TranslateMessage(message);
    platform.DispatchMessage(message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace mavrel
