#include "window/launcher_button.h"

#include <memory>
#include <utility>

#include "window/launcher_window.h"

namespace mavrel {
namespace {

// 32-bit sums that wrap as the platform's own arithmetic does, without
// signed overflow.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

PlatformRect ToPlatformRect(const SettingRect& rect) {
  return PlatformRect{rect.x, rect.y, WrappingAdd(rect.x, rect.width),
                      WrappingAdd(rect.y, rect.height)};
}

bool CreateButtonList(LauncherWindow& window) {
  Platform& platform = window.platform();
  for (const SettingText& section : window.buttonSections().names()) {
    std::unique_ptr<LauncherButton> button = window.storage().NewButton();
    if (button == nullptr) {
      // No record to build the button in: end start-up the way a font
      // failure does, with the general start-up message.
      platform.MessageBox(nullptr, kStartupFailureText, kStartupFailureCaption, kMessageBoxOk);
      return false;
    }
    ReadButtonSettings(window.settings(), section.c_str(), window.defaults(), *button);
    LauncherButton& made = *button;
    window.LinkButtonInFront(std::move(button));
    if (!CreateButtonFonts(platform, made)) return false;
  }
  return true;
}

bool CreateButtonFonts(Platform& platform, LauncherButton& button) {
  button.buttonFont = platform.CreateFont(button.buttonFontHeight.value, kButtonFontFace);
  if (button.buttonFont == nullptr) {
    platform.MessageBox(nullptr, kFontFailureText, kFontFailureCaption, kMessageBoxOk);
    return false;
  }
  button.descFont = platform.CreateFont(button.descFontHeight.value, kButtonFontFace);
  if (button.descFont == nullptr) {
    platform.MessageBox(nullptr, kFontFailureText, kFontFailureCaption, kMessageBoxOk);
    return false;
  }
  MeasureText(platform, button.buttonLoc, button.buttonFont, button.buttonText.c_str());
  MeasureText(platform, button.descLoc, button.descFont, button.descText.c_str());
  return true;
}

void MeasureText(Platform& platform, SettingRect& rect, FontHandle font, const char* text) {
  WindowHandle desktop = platform.GetDesktopWindow();
  DrawingContext context = platform.GetDC(desktop);
  PlatformRect area{0, 0, rect.width, rect.height};
  FontHandle kept = platform.SelectFont(context, font);
  platform.DrawText(context, text, -1, area, kMeasureTextFormat);
  platform.SelectFont(context, kept);
  rect.width = area.right;
  rect.height = area.bottom;
  platform.ReleaseDC(desktop, context);
}

void PaintText(Platform& platform, const SettingRect& rect, DrawingContext context,
               const char* text, ColorRef color, FontHandle font) {
  platform.SetBackgroundMode(context, kTransparentBackground);
  platform.SetTextColor(context, color);
  FontHandle kept = platform.SelectFont(context, font);
  PlatformRect area = ToPlatformRect(rect);
  platform.DrawText(context, text, -1, area, kPaintTextFormat);
  platform.SelectFont(context, kept);
}

ColorRef ButtonTextColor(const LauncherButton& button) {
  switch (button.state) {
    case ButtonState::Hot:
    case ButtonState::PressedOutside:
      return static_cast<ColorRef>(button.highlightColor.value);
    case ButtonState::Pressed:
      return static_cast<ColorRef>(button.selectColor.value);
    case ButtonState::Normal:
      break;
  }
  return static_cast<ColorRef>(button.textColor.value);
}

void PaintButton(Platform& platform, const LauncherButton& button, DrawingContext context) {
  PaintText(platform, button.buttonLoc, context, button.buttonText.c_str(), ButtonTextColor(button),
            button.buttonFont);
  if (button.state != ButtonState::Normal) {
    PaintText(platform, button.descLoc, context, button.descText.c_str(),
              static_cast<ColorRef>(button.descColor.value), button.descFont);
  }
}

void InvalidateButton(Platform& platform, const LauncherButton& button, WindowHandle window) {
  platform.InvalidateRect(window, ToPlatformRect(button.buttonLoc), false);
  platform.InvalidateRect(window, ToPlatformRect(button.descLoc), false);
}

bool HitTest(const SettingRect& rect, std::int32_t x, std::int32_t y) {
  // The far edges are summed in 64 bits so that no configured position
  // can overflow the comparison.
  std::int64_t right = static_cast<std::int64_t>(rect.x) + rect.width;
  std::int64_t bottom = static_cast<std::int64_t>(rect.y) + rect.height;
  return rect.x <= x && x < right && rect.y <= y && y < bottom;
}

void DestroyButton(Platform& platform, LauncherButton& button) {
  if (button.buttonFont != nullptr) {
    platform.DeleteFont(button.buttonFont);
    button.buttonFont = nullptr;
  }
  if (button.descFont != nullptr) {
    platform.DeleteFont(button.descFont);
    button.descFont = nullptr;
  }
  ReleaseButtonTexts(button);
}

}  // namespace mavrel
