// Pointer tracking: the window's pointer messages turned into button
// states. The tracker keeps the hot button (the button under the pointer,
// or the one a press began on) and the pressed flag, sets each button's
// state, invalidates the buttons whose look changes, and activates a button
// when a press that began on it is released on it.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "window/launcher_button.h"

namespace mavrel {

struct PointerPosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

/// The position of a pointer message: x is the low 16 bits of lParam and y
/// the next 16, each read as an unsigned number 0 to 65535 (no sign
/// extension), so one pixel left of the client area is x 65535.
PointerPosition UnpackPointerPosition(std::intptr_t lParam);

class PointerTracker {
 public:
  /// Tracks the pointer over `buttons` of the window whose handle is held
  /// in `window` (read at every use: it becomes null once the window is
  /// closed). No hot button and no press at first.
  PointerTracker(Platform& platform, const ButtonList& buttons, const WindowHandle& window)
      : platform_(platform), buttons_(buttons), window_(window) {}
  PointerTracker(const PointerTracker&) = delete;
  PointerTracker& operator=(const PointerTracker&) = delete;

  /// The pointer moved to (x, y): updates the hot button and the states.
  void TrackPointer(std::int32_t x, std::int32_t y);
  /// The left button went down at (x, y).
  void PointerDown(std::int32_t x, std::int32_t y);
  /// The left button went up at (x, y); may activate the pressed button.
  void PointerUp(std::int32_t x, std::int32_t y);

  LauncherButton* hotButton() const { return hotButton_; }
  std::int32_t pressed() const { return pressed_; }

 private:
  // Marks a button for repainting in our window, if there still is one.
  void Invalidate(const LauncherButton& button);

  Platform& platform_;
  const ButtonList& buttons_;
  const WindowHandle& window_;
  LauncherButton* hotButton_ = nullptr;
  std::int32_t pressed_ = 0;
};

}  // namespace mavrel
