#include "window/launcher_window.h"

#include <algorithm>
#include <utility>

#include "window/launcher_main.h"

namespace mavrel {
namespace {

// Halving that rounds towards minus infinity, as an arithmetic shift right
// by one bit does: a difference of -5 gives -3.
std::int64_t HalveDown(std::int64_t value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

LauncherWindow::LauncherWindow(Platform& platform, SettingsFile& settings, InstanceHandle instance,
                               WindowHandle parent, LauncherStorage& storage)
    : platform_(platform),
      settings_(settings),
      storage_(storage),
      main_(settings, [&](const char* path) { return BackgroundPicture(platform, path, storage); }),
      pointer_(platform, buttons_, window_) {
  CreateLauncherWindow(instance, parent);
}

LauncherWindow::~LauncherWindow() {
  if (window_ != nullptr) {
    // Cleared first, as the close handler does, so that nothing handled
    // while the window goes away uses a dying window.
    WindowHandle dying = window_;
    window_ = nullptr;
    platform_.DestroyWindow(dying);
  }
}

void LauncherWindow::CreateLauncherWindow(InstanceHandle instance, WindowHandle parent) {
  PlatformRect outer{0, 0, main_.width.value, main_.height.value};
  platform_.AdjustWindowRect(outer, kLauncherWindowStyle);
  std::int64_t outerWidth = static_cast<std::int64_t>(outer.right) - outer.left;
  std::int64_t outerHeight = static_cast<std::int64_t>(outer.bottom) - outer.top;
  std::int64_t screenWidth = platform_.GetSystemMetrics(kScreenWidthMetric);
  std::int64_t screenHeight = platform_.GetSystemMetrics(kScreenHeightMetric);
  int x = ClampToInt(HalveDown(screenWidth - outerWidth));
  int y = ClampToInt(HalveDown(screenHeight - outerHeight));
  WindowHandle created =
      platform_.CreateWindow(kWindowClassName, main_.title.c_str(), kLauncherWindowStyle, x, y,
                             ClampToInt(outerWidth), ClampToInt(outerHeight), parent, instance);
  if (created == nullptr) return;
  window_ = created;
  platform_.SetWindowUserData(created, this);
}

bool CreateButtonList(LauncherWindow& window) {
  Platform& platform = window.platform();
  for (const SettingText& section : window.buttonSections().names()) {
    std::unique_ptr<LauncherButton> button = window.storage().NewButton(platform);
    if (button == nullptr) {
      // No record to build the button in: end start-up the way a font
      // failure does, with the general start-up message.
      platform.MessageBox(nullptr, kStartupFailureText, kStartupFailureCaption, kMessageBoxOk);
      return false;
    }
    ButtonSettings& configured = *button;
    configured = ReadButtonSettings(window.settings(), section.c_str(), window.defaults());
    LauncherButton& made = *button;
    window.buttonList().LinkInFront(std::move(button));
    if (!CreateButtonFonts(platform, made)) return false;
  }
  return true;
}

void LauncherWindow::Paint(DrawingContext context) {
  main_.picture.PaintPicture(context, 0, 0, main_.width.value, main_.height.value);
  for (const LauncherButton* button = buttons_.head(); button != nullptr;
       button = button->next.get()) {
    PaintButton(platform_, *button, context);
  }
}

std::intptr_t LauncherWindow::WindowProcedure(Platform& platform, WindowHandle window,
                                              std::uint32_t message, std::uintptr_t wParam,
                                              std::intptr_t lParam) {
  // The destroy message needs no object: it also arrives for a window whose
  // slot was never filled.
  if (message == kWmDestroy) {
    platform.PostQuitMessage(0);
    return 0;
  }
  auto* self = static_cast<LauncherWindow*>(platform.GetWindowUserData(window));
  if (self == nullptr) return platform.DefWindowProc(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

std::intptr_t LauncherWindow::HandleMessage(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kWmPaint: {
      PaintInfo paint;
      DrawingContext context = platform_.BeginPaint(window, paint);
      Paint(context);
      platform_.EndPaint(window, paint);
      return 0;
    }
    case kWmClose:
      window_ = nullptr;
      platform_.DestroyWindow(window);
      return 0;
    case kWmEraseBackground:
      // Nothing is erased: every repaint draws the whole client area.
      return 1;
    case kWmMouseMove: {
      PointerPosition at = UnpackPointerPosition(lParam);
      pointer_.TrackPointer(at.x, at.y);
      return 0;
    }
    case kWmLeftButtonDown: {
      PointerPosition at = UnpackPointerPosition(lParam);
      platform_.SetCapture(window);
      pointer_.PointerDown(at.x, at.y);
      return 0;
    }
    case kWmLeftButtonUp: {
      PointerPosition at = UnpackPointerPosition(lParam);
      pointer_.PointerUp(at.x, at.y);
      platform_.ReleaseCapture();
      return 0;
    }
    default:
      return platform_.DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace mavrel
