// The launcher's modal message boxes: SDL's own, and one drawn by the
// launcher itself (the caption as its title, the text word-wrapped in the
// launcher's sans face or, when no TrueType face can be had, in a bitmap
// font of its own, one OK button) that stands in when SDL's cannot be shown
// (SDL's X11 box needs the X server's core fonts, which many servers, Xvfb
// among them, lack; its Wayland box needs zenity).
//
// While either box is on the screen every event that is not the box's own
// goes to `otherWindowEvent`; once the box has left the screen the events
// that follow stay queued for the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

union SDL_Event;
struct SDL_Surface;
struct SDL_Window;

namespace mavrel {

/// Shows the box, modal for `owner` (or for nothing), and returns when the
/// user dismisses it: OK clicked, Return, Escape or Space pressed, or the
/// box closed. Events of other windows and of none (a quit request) go to
/// `otherWindowEvent`. `text` and
/// `caption` are UTF-8. False when the box cannot be made (no video, no
/// window); nothing is shown then. No font is needed: without one the box
/// is drawn in its bitmap font.
/// The box's bitmap font, the X core font "fixed": cells of 6 x 13 pixels
/// for U+0020 to U+00FF; any other character, and bytes that are not UTF-8,
/// show as "?".
constexpr int kBitmapFontWidth = 6;
constexpr int kBitmapFontHeight = 13;
/// The width of `utf8` in the bitmap font.
int BitmapTextWidth(std::string_view utf8);
/// Draws `utf8` in the bitmap font in 0xRRGGBB `rgb`, its cells' top left
/// corner at (x, y); only the glyphs' pixels are drawn, clipped to `target`.
void DrawBitmapText(SDL_Surface* target, std::string_view utf8, int x, int y, std::uint32_t rgb);

/// Shows SDL's box or, where it cannot show, our own, modal for `owner`
/// (or for nothing), and returns when it is dismissed; false when neither
/// could be shown. While a box is up its owner is disabled, as under a
/// modal box on Windows: each exposure of a window goes to `exposed` with
/// the window's id (the owner repaints), pointer and key input is dropped
/// (not kept for later), and anything else (a close request, above all) is
/// queued again after the box, before what came after it.
bool ShowModalMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                         const std::function<void(std::uint32_t windowId)>& exposed);

bool ShowOwnMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent);

/// Shows SDL's own box, modal for `owner` (or for nothing), and returns
/// when it is dismissed. SDL's call blocks until then, so with an owner it
/// runs on a helper thread while this one hands the events that arrive to
/// `otherWindowEvent`, up to the moment the box window is unmapped (on X11,
/// followed on the owner's connection) or SDL's call returns. False when
/// SDL cannot show its box.
bool ShowSdlMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent);

}  // namespace mavrel
