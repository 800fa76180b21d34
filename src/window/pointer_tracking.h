// Pointer tracking: the window's pointer messages turned into button states.
// TrackPointer, PointerDown and PointerUp are members of LauncherWindow (the
// hot button and the pressed flag are its fields); they live in
// pointer_tracking.cpp.
#pragma once

#include <cstdint>

namespace mavrel {

struct PointerPosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

/// The position of a pointer message: x is the low 16 bits of lParam and y
/// the next 16, each read as an unsigned number 0 to 65535 (no sign
/// extension), so one pixel left of the client area is x 65535.
PointerPosition UnpackPointerPosition(std::intptr_t lParam);

}  // namespace mavrel
