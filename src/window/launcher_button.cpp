#include "window/launcher_button.h"

#include <utility>

namespace mavrel {
namespace {

// 32-bit sums that wrap as the platform's own arithmetic does, without
// signed overflow.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

LauncherButton::~LauncherButton() {
  if (buttonFont != nullptr) windows_.DeleteFont(buttonFont);
  if (descFont != nullptr) windows_.DeleteFont(descFont);
}

ButtonList::~ButtonList() {
  while (head_ != nullptr) {
    std::unique_ptr<LauncherButton> button = std::move(head_);
    head_ = std::move(button->next);
  }
}

void ButtonList::LinkInFront(std::unique_ptr<LauncherButton> button) {
  button->next = std::move(head_);
  head_ = std::move(button);
}

PlatformRect ToPlatformRect(const SettingRect& rect) {
  return PlatformRect{rect.x, rect.y, WrappingAdd(rect.x, rect.width),
                      WrappingAdd(rect.y, rect.height)};
}

bool CreateButtonFonts(WindowSystem& windows, LauncherButton& button) {
  button.buttonFont = windows.CreateFont(button.buttonFontHeight.value, kButtonFontFace);
  if (button.buttonFont == nullptr) {
    windows.MessageBox(nullptr, kFontFailureText, kFontFailureCaption, kMessageBoxOk);
    return false;
  }
  button.descFont = windows.CreateFont(button.descFontHeight.value, kButtonFontFace);
  if (button.descFont == nullptr) {
    windows.MessageBox(nullptr, kFontFailureText, kFontFailureCaption, kMessageBoxOk);
    return false;
  }
  MeasureText(windows, button.buttonLoc, button.buttonFont, button.buttonText.c_str());
  MeasureText(windows, button.descLoc, button.descFont, button.descText.c_str());
  return true;
}

void MeasureText(WindowSystem& windows, SettingRect& rect, FontHandle font, const char* text) {
  WindowHandle desktop = windows.GetDesktopWindow();
  DrawingContext context = windows.GetDC(desktop);
  PlatformRect area{0, 0, rect.width, rect.height};
  FontHandle kept = windows.SelectFont(context, font);
  windows.DrawText(context, text, -1, area, kMeasureTextFormat);
  windows.SelectFont(context, kept);
  rect.width = area.right;
  rect.height = area.bottom;
  windows.ReleaseDC(desktop, context);
}

void PaintText(WindowSystem& windows, const SettingRect& rect, DrawingContext context,
               const char* text, ColorRef color, FontHandle font) {
  windows.SetBackgroundMode(context, kTransparentBackground);
  windows.SetTextColor(context, color);
  FontHandle kept = windows.SelectFont(context, font);
  PlatformRect area = ToPlatformRect(rect);
  windows.DrawText(context, text, -1, area, kPaintTextFormat);
  windows.SelectFont(context, kept);
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

void PaintButton(WindowSystem& windows, const LauncherButton& button, DrawingContext context) {
  PaintText(windows, button.buttonLoc, context, button.buttonText.c_str(), ButtonTextColor(button),
            button.buttonFont);
  if (button.state != ButtonState::Normal) {
    PaintText(windows, button.descLoc, context, button.descText.c_str(),
              static_cast<ColorRef>(button.descColor.value), button.descFont);
  }
}

void InvalidateButton(WindowSystem& windows, const LauncherButton& button, WindowHandle window) {
  windows.InvalidateRect(window, ToPlatformRect(button.buttonLoc), false);
  windows.InvalidateRect(window, ToPlatformRect(button.descLoc), false);
}

bool HitTest(const SettingRect& rect, std::int32_t x, std::int32_t y) {
  // The far edges are summed in 64 bits so that no configured position
  // can overflow the comparison.
  std::int64_t right = static_cast<std::int64_t>(rect.x) + rect.width;
  std::int64_t bottom = static_cast<std::int64_t>(rect.y) + rect.height;
  return rect.x <= x && x < right && rect.y <= y && y < bottom;
}

}  // namespace mavrel
