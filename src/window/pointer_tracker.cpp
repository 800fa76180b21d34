#include "window/pointer_tracker.h"

#include "commands/activation.h"

namespace mavrel {

PointerPosition UnpackPointerPosition(std::intptr_t lParam) {
  auto packed = static_cast<std::uintptr_t>(lParam);
  PointerPosition at;
  at.x = static_cast<std::int32_t>(packed & 0xFFFFu);
  at.y = static_cast<std::int32_t>((packed >> 16) & 0xFFFFu);
  return at;
}

void PointerTracker::Invalidate(const LauncherButton& button) {
  // The window can be closed while a command runs (a close that reaches us
  // during the error box); the platform reads a null window as "every
  // window on the screen", so a button of a closed window is left alone.
  if (window_ == nullptr) return;
  InvalidateButton(platform_, button, window_);
}

void PointerTracker::TrackPointer(std::int32_t x, std::int32_t y) {
  if (pressed_ != 0) {
    // While a press lasts only the button it began on follows the pointer.
    if (hotButton_ == nullptr) return;
    ButtonState now =
        HitTest(hotButton_->buttonLoc, x, y) ? ButtonState::Pressed : ButtonState::PressedOutside;
    if (hotButton_->state == now) return;
    hotButton_->state = now;
    Invalidate(*hotButton_);
    return;
  }
  // In an overlap the first button in list order wins.
  LauncherButton* target = nullptr;
  for (LauncherButton* button = buttons_.head(); button != nullptr; button = button->next.get()) {
    if (HitTest(button->buttonLoc, x, y)) {
      target = button;
      break;
    }
  }
  if (target == hotButton_) return;
  if (hotButton_ != nullptr) {
    hotButton_->state = ButtonState::Normal;
    Invalidate(*hotButton_);
    hotButton_ = nullptr;
  }
  if (target != nullptr) {
    hotButton_ = target;
    target->state = ButtonState::Hot;
    Invalidate(*target);
  }
}

void PointerTracker::PointerDown(std::int32_t x, std::int32_t y) {
  TrackPointer(x, y);
  // A press whose release never reached us is still in progress.
  if (pressed_ != 0) return;
  pressed_ = 1;
  if (hotButton_ != nullptr) {
    hotButton_->state = ButtonState::Pressed;
    Invalidate(*hotButton_);
  }
}

void PointerTracker::PointerUp(std::int32_t x, std::int32_t y) {
  if (pressed_ != 0) {
    pressed_ = 0;
    // Only the state the last pointer message left decides; the release
    // position is looked at afterwards. The button stays Pressed and hot
    // while its command runs.
    if (hotButton_ != nullptr && hotButton_->state == ButtonState::Pressed) {
      ActivateButton(platform_, *hotButton_, window_);
    }
    // Whichever button is hot once the activation returns is reset.
    if (hotButton_ != nullptr) {
      hotButton_->state = ButtonState::Normal;
      Invalidate(*hotButton_);
      hotButton_ = nullptr;
    }
  }
  TrackPointer(x, y);
}

}  // namespace mavrel
