// A modal message box drawn by the launcher itself: the caption as its
// title, the text word-wrapped in the launcher's sans face, one OK button.
// It stands in when SDL's own box cannot be shown (SDL's X11 box needs the
// X server's core fonts, which many servers, Xvfb among them, lack; its
// Wayland box needs zenity).
#pragma once

#include <functional>
#include <string_view>

union SDL_Event;
struct SDL_Window;

namespace mavrel {

/// Shows the box, modal for `owner` (or for nothing), and returns when the
/// user dismisses it: OK clicked, Return, Escape or Space pressed, or the
/// box closed. Events of other windows go to `otherWindowEvent` (the owner
/// repaints through it; its pointer and keys are not acted on). `text` and
/// `caption` are UTF-8. False when the box cannot be made (no video, no
/// font); nothing is shown then.
bool ShowOwnMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent);

}  // namespace mavrel
