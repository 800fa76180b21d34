// The runtime half of the launcher's buttons: the button list, each
// button's two fonts, measuring, painting, invalidating, hit-testing and
// destroying. The configured half and its readers are in settings.h.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "settings/settings.h"

namespace mavrel {

class LauncherWindow;

// The face name every button font asks for, spelled as the media expect.
constexpr const char* kButtonFontFace = "Ariel";
constexpr const char* kFontFailureText =
    "Failed to load font.  Operating system may be corrupt; installation cannot proceed.";
constexpr const char* kFontFailureCaption = "INTERNAL ERROR";

constexpr std::uint32_t kPaintTextFormat = kDrawWordBreak | kDrawNoPrefix;  // 0x810
constexpr std::uint32_t kMeasureTextFormat =
    kDrawWordBreak | kDrawNoPrefix | kDrawCalcRect;  // 0xC10

/// The platform rectangle of a setting rectangle: left X, top Y, right
/// X + WIDTH, bottom Y + HEIGHT (sums wrap as 32-bit values).
PlatformRect ToPlatformRect(const SettingRect& rect);

/// Builds the window's button list from its button sections, in the order
/// of the keys "Button.0", "Button.1", ...: each button is read with the
/// [Main] record as defaults, linked in front of the list and given its
/// fonts. False at the first button whose fonts (message already shown) or
/// whose storage (startup message shown) cannot be had; the buttons made so
/// far stay in the list for teardown. An empty section list gives true.
bool CreateButtonList(LauncherWindow& window);

/// Makes the button font and then the description font and measures both
/// texts. False, after the font message, when either font cannot be made;
/// a font already made stays in the button.
bool CreateButtonFonts(Platform& platform, LauncherButton& button);

/// Replaces the rectangle's WIDTH and HEIGHT by the extent of `text`
/// wrapped at WIDTH in `font`, measured on a context of the desktop window.
void MeasureText(Platform& platform, SettingRect& rect, FontHandle font, const char* text);

/// Draws `text` in `color` and `font`, transparent, word-wrapped in `rect`.
void PaintText(Platform& platform, const SettingRect& rect, DrawingContext context,
               const char* text, ColorRef color, FontHandle font);

/// Draws the button text in the colour of the button's state, then, unless
/// the button is Normal, its description.
void PaintButton(Platform& platform, const LauncherButton& button, DrawingContext context);

/// The colour of the button text in the button's state.
ColorRef ButtonTextColor(const LauncherButton& button);

/// Marks the button rectangle and then the description rectangle for the
/// next repaint, without erasing.
void InvalidateButton(Platform& platform, const LauncherButton& button, WindowHandle window);

/// True when X <= x < X + WIDTH and Y <= y < Y + HEIGHT; a rectangle with
/// WIDTH or HEIGHT of 0 or less holds no point.
bool HitTest(const SettingRect& rect, std::int32_t x, std::int32_t y);

/// Deletes the button font, then the description font (each if made), and
/// releases the texts. The record itself is freed by its owner.
void DestroyButton(Platform& platform, LauncherButton& button);

}  // namespace mavrel
