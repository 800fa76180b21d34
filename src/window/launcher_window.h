// The launcher's one window object: the [Main] settings with the background
// picture, the button list, the pointer tracker, the window itself and its
// message handling. It is torn down by its destructor: the window first,
// then the buttons head first, the defaults, the section list, the picture,
// the background path and the title, the reverse of the order of the
// members below.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "settings/main_settings.h"
#include "settings/settings.h"
#include "window/background_picture.h"
#include "window/launcher_button.h"
#include "window/launcher_storage.h"
#include "window/pointer_tracker.h"

namespace mavrel {

constexpr const char* kStartupFailureText = "Startup failed;  installation media may be corrupted.";
constexpr const char* kStartupFailureCaption = "Internal Error";

class LauncherWindow {
 public:
  /// Reads Width, Height, Title and Background from [Main] (in that order;
  /// the first read fixes the settings file path), reads the picture file,
  /// the button section list and the [Main] button defaults, and creates the
  /// hidden window centred on the primary screen. A window that cannot be
  /// created leaves window() null; nothing else can fail here.
  LauncherWindow(Platform& platform, SettingsFile& settings, InstanceHandle instance,
                 WindowHandle parent, LauncherStorage& storage = DefaultStorage());
  LauncherWindow(const LauncherWindow&) = delete;
  LauncherWindow& operator=(const LauncherWindow&) = delete;
  /// Destroys the window if it still exists, then everything it owns.
  ~LauncherWindow();

  /// The window procedure registered for the launcher's class. Finds the
  /// object through the window's user-data slot on every message.
  static std::intptr_t WindowProcedure(Platform& platform, WindowHandle window,
                                       std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam);

  /// Paints the picture and then every button in list order.
  void Paint(DrawingContext context);

  Platform& platform() { return platform_; }
  SettingsFile& settings() { return settings_; }
  LauncherStorage& storage() { return storage_; }
  WindowHandle window() const { return window_; }
  std::int32_t width() const { return main_.width.value; }
  std::int32_t height() const { return main_.height.value; }
  const SettingText& title() const { return main_.title; }
  const SettingText& background() const { return main_.background; }
  BackgroundPicture& picture() { return main_.picture; }
  const SectionNameList& buttonSections() const { return main_.buttonSections; }
  const ButtonSettings& defaults() const { return main_.defaults; }
  LauncherButton* buttons() const { return buttons_.head(); }
  ButtonList& buttonList() { return buttons_; }
  LauncherButton* hotButton() const { return pointer_.hotButton(); }
  std::int32_t pressed() const { return pointer_.pressed(); }

 private:
  void CreateLauncherWindow(InstanceHandle instance, WindowHandle parent);
  std::intptr_t HandleMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

  Platform& platform_;
  SettingsFile& settings_;
  LauncherStorage& storage_;

  // The window's fields, in the order they are built.
  WindowHandle window_ = nullptr;
  MainSettings<BackgroundPicture> main_;
  ButtonList buttons_;
  PointerTracker pointer_;
};

/// Builds the window's button list from its button sections, in the order
/// of the keys "Button.0", "Button.1", ...: each button is read with the
/// [Main] record as defaults, linked in front of the list and given its
/// fonts. False at the first button whose fonts (message already shown) or
/// whose storage (startup message shown) cannot be had; the buttons made so
/// far stay in the list for teardown. An empty section list gives true.
bool CreateButtonList(LauncherWindow& window);

}  // namespace mavrel
