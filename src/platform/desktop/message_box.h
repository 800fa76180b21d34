// The launcher's message box, the same on X11 and on Wayland whatever else
// the machine has: drawn by the launcher itself (the caption as its title,
// the text word-wrapped in the launcher's sans face or, when no TrueType
// face can be had, in a bitmap font compiled in, one OK button). It is a
// window of the launcher's own process and display connection, so that
// whatever ends the launcher (a signal, its display going) ends the box too.
//
// While the box is up its owner is disabled, as under a modal box on
// Windows; once the box has left the screen the events that follow stay
// queued for the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

struct SDL_Surface;
struct SDL_Window;

namespace mavrel {

/// The box's bitmap font, the X core font "fixed": cells of 6 x 13 pixels
/// for U+0020 to U+00FF; any other character, and bytes that are not UTF-8,
/// show as "?". At a scale each of its pixels is drawn as a square block
/// whose side is the scale rounded (at least 1), so that it stays crisp.
constexpr int kBitmapFontWidth = 6;
constexpr int kBitmapFontHeight = 13;
/// The side of the block each pixel of the bitmap font is drawn as at `scale`.
int BitmapPixelSize(double scale);
/// The width of `utf8` in the bitmap font at `scale`.
int BitmapTextWidth(std::string_view utf8, double scale = 1);
/// Draws `utf8` in the bitmap font at `scale` in 0xRRGGBB `rgb`, its cells'
/// top left corner at (x, y); only the glyphs' pixels are drawn, clipped to
/// `target`.
void DrawBitmapText(SDL_Surface* target, std::string_view utf8, int x, int y, std::uint32_t rgb,
                    double scale = 1);

/// Shows the box, modal for `owner` (or for nothing), and returns when the
/// user dismisses it: OK clicked, Return, Escape or Space pressed, or the
/// box closed. `caption` and `text` are UTF-8. The box's size, its font's
/// pixel height and its spacing are multiplied by `scale` (the launcher's
/// own; values outside 1 to 4 count as 1). While the box is up each
/// exposure of another window goes to `exposed` with that window's id (the
/// owner repaints), pointer and key input of other windows is dropped (not
/// kept for later), and anything else (a close request, above all) is
/// queued again after the box, before what came after it. False when the
/// box cannot be made (no video, no window); nothing is shown then. No font
/// is needed: without one the box is drawn in its bitmap font.
bool ShowModalMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                         const std::function<void(std::uint32_t windowId)>& exposed,
                         double scale = 1);

}  // namespace mavrel
