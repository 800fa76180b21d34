// One launcher button: its configured half (ButtonSettings) and its runtime
// half (link, state, fonts), the window's button list, and what a button
// does apart from reacting to the pointer: fonts, measuring, painting,
// invalidating and hit-testing.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "settings/button_settings.h"
#include "settings/settings.h"

namespace mavrel {

// The face name every button font asks for, spelled as the media expect.
constexpr const char* kButtonFontFace = "Ariel";
constexpr const char* kFontFailureText =
    "Failed to load font.  Operating system may be corrupt; installation cannot proceed.";
constexpr const char* kFontFailureCaption = "INTERNAL ERROR";

constexpr std::uint32_t kPaintTextFormat = kDrawWordBreak | kDrawNoPrefix;  // 0x810
constexpr std::uint32_t kMeasureTextFormat =
    kDrawWordBreak | kDrawNoPrefix | kDrawCalcRect;  // 0xC10

enum class ButtonState : std::int32_t { Normal = 0, Hot = 1, Pressed = 2, PressedOutside = 3 };

struct LauncherButton : ButtonSettings {
  /// A button with the configured half's construction values, Normal, not
  /// linked and without fonts; `windows` later deletes its fonts.
  explicit LauncherButton(WindowSystem& windows) : windows_(windows) {}
  LauncherButton(const LauncherButton&) = delete;
  LauncherButton& operator=(const LauncherButton&) = delete;
  /// Deletes the button font, then the description font (each if made);
  /// then the texts go, last read first.
  ~LauncherButton();

  std::unique_ptr<LauncherButton> next;
  ButtonState state = ButtonState::Normal;
  FontHandle buttonFont = nullptr;
  FontHandle descFont = nullptr;

 private:
  WindowSystem& windows_;
};

// The window's buttons, singly linked from the head. A new button goes in
// front, so the list runs from the highest-numbered "Button" key down to
// key number 0.
class ButtonList {
 public:
  ButtonList() = default;
  ButtonList(const ButtonList&) = delete;
  ButtonList& operator=(const ButtonList&) = delete;
  /// Destroys the buttons head first, one at a time, so that a long list
  /// is never released by a deep chain of destructors.
  ~ButtonList();

  /// Puts `button` at the head of the list.
  void LinkInFront(std::unique_ptr<LauncherButton> button);
  LauncherButton* head() const { return head_.get(); }

 private:
  std::unique_ptr<LauncherButton> head_;
};

/// The platform rectangle of a setting rectangle: left X, top Y, right
/// X + WIDTH, bottom Y + HEIGHT (sums wrap as 32-bit values).
PlatformRect ToPlatformRect(const SettingRect& rect);

/// Makes the button font and then the description font and measures both
/// texts. False, after the font message, when either font cannot be made;
/// a font already made stays in the button.
bool CreateButtonFonts(WindowSystem& windows, LauncherButton& button);

/// Replaces the rectangle's WIDTH and HEIGHT by the extent of `text`
/// wrapped at WIDTH in `font`, measured on a context of the desktop window.
void MeasureText(WindowSystem& windows, SettingRect& rect, FontHandle font, const char* text);

/// Draws `text` in `color` and `font`, transparent, word-wrapped in `rect`.
void PaintText(WindowSystem& windows, const SettingRect& rect, DrawingContext context,
               const char* text, ColorRef color, FontHandle font);

/// Draws the button text in the colour of the button's state, then, unless
/// the button is Normal, its description.
void PaintButton(WindowSystem& windows, const LauncherButton& button, DrawingContext context);

/// The colour of the button text in the button's state.
ColorRef ButtonTextColor(const LauncherButton& button);

/// Marks the button rectangle and then the description rectangle for the
/// next repaint, without erasing.
void InvalidateButton(WindowSystem& windows, const LauncherButton& button, WindowHandle window);

/// True when X <= x < X + WIDTH and Y <= y < Y + HEIGHT; a rectangle with
/// WIDTH or HEIGHT of 0 or less holds no point.
bool HitTest(const SettingRect& rect, std::int32_t x, std::int32_t y);

}  // namespace mavrel
