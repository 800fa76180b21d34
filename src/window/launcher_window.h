// The launcher's one window object: the [Main] window settings, the
// background picture, the button defaults and the button list, the window
// itself and its message handling, and the teardown that releases it all.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "settings/settings.h"
#include "window/background_picture.h"
#include "window/launcher_storage.h"

namespace mavrel {

constexpr const char* kMainSection = "Main";
constexpr const char* kButtonListPrefix = "Button";
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
  ~LauncherWindow();

  /// Destroys the window if it still exists, then releases the buttons
  /// (head first), the defaults' texts, the section list, the picture, the
  /// background path and the title. Safe to call more than once.
  void Teardown();

  /// The window procedure registered for the launcher's class. Finds the
  /// object through the window's user-data slot on every message.
  static std::intptr_t WindowProcedure(Platform& platform, WindowHandle window,
                                       std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam);

  /// The pointer moved to (x, y): updates the hot button and the states.
  void TrackPointer(std::int32_t x, std::int32_t y);
  /// The left button went down at (x, y).
  void PointerDown(std::int32_t x, std::int32_t y);
  /// The left button went up at (x, y); may activate the pressed button.
  void PointerUp(std::int32_t x, std::int32_t y);

  /// Paints the picture and then every button in list order.
  void Paint(DrawingContext context);

  /// Puts `button` at the head of the button list.
  void LinkButtonInFront(std::unique_ptr<LauncherButton> button);

  Platform& platform() { return platform_; }
  SettingsFile& settings() { return settings_; }
  LauncherStorage& storage() { return storage_; }
  WindowHandle window() const { return window_; }
  std::int32_t width() const { return width_.value; }
  std::int32_t height() const { return height_.value; }
  const SettingText& title() const { return title_; }
  const SettingText& background() const { return background_; }
  BackgroundPicture& picture() { return picture_; }
  const SectionNameList& buttonSections() const { return buttonSections_; }
  const LauncherButton& defaults() const { return defaults_; }
  LauncherButton* buttons() const { return buttons_.get(); }
  LauncherButton* hotButton() const { return hotButton_; }
  std::int32_t pressed() const { return pressed_; }

 private:
  void CreateLauncherWindow(InstanceHandle instance, WindowHandle parent);
  // Marks a button for repainting in our window, if there still is one.
  void Invalidate(const LauncherButton& button);
  std::intptr_t HandleMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

  Platform& platform_;
  SettingsFile& settings_;
  LauncherStorage& storage_;
  bool tornDown_ = false;

  // The window's fields, in the order they are built.
  WindowHandle window_ = nullptr;
  SettingNumber width_;
  SettingNumber height_;
  SettingText title_;
  SettingText background_;
  BackgroundPicture picture_;
  SectionNameList buttonSections_;
  LauncherButton defaults_;
  std::unique_ptr<LauncherButton> buttons_;
  LauncherButton* hotButton_ = nullptr;
  std::int32_t pressed_ = 0;
};

}  // namespace mavrel
