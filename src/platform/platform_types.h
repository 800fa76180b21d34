// The types both halves of the platform boundary share: opaque handles,
// rectangles, window messages, the window procedure and the Win32 constant
// values the launcher passes through.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mavrel {

// Opaque handles. Backends choose what they point at; the core only stores
// them, compares them with null and hands them back.
struct InstanceObject;
struct WindowObject;
struct DrawingContextObject;
struct FontObject;
struct FileObject;
struct ProcessObject;
using InstanceHandle = InstanceObject*;
using WindowHandle = WindowObject*;
using DrawingContext = DrawingContextObject*;
using FontHandle = FontObject*;
using FileHandle = FileObject*;
using ProcessHandle = ProcessObject*;

// The "invalid handle" of a failed file open: all bits set.
inline FileHandle InvalidFileHandle() { return reinterpret_cast<FileHandle>(~std::uintptr_t{0}); }

using ColorRef = std::uint32_t;  // 0x00BBGGRR

// A rectangle as the platform takes it: left/top inclusive, right/bottom
// exclusive.
struct PlatformRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const PlatformRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// The window messages the launcher's window procedure understands, with the
// values the Win32 platform gives them.
enum WindowMessage : std::uint32_t {
  kWmDestroy = 0x0002,
  kWmPaint = 0x000F,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmEraseBackground = 0x0014,
  kWmMouseMove = 0x0200,
  kWmLeftButtonDown = 0x0201,
  kWmLeftButtonUp = 0x0202,
};

// lParam of a pointer message: x in the low 16 bits, y in the next 16.
inline std::intptr_t PackPointerPosition(std::uint16_t x, std::uint16_t y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y) << 16) | x);
}

struct Message {
  WindowHandle window = nullptr;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class Platform;

// The launcher's window procedure. Backends call it for every message of a
// window of the launcher's class, passing themselves so that the procedure
// can call back down.
using WindowProcedure = std::intptr_t (*)(Platform& platform, WindowHandle window,
                                          std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam);

// What the launcher registers for its window class.
struct WindowClassDescription {
  std::uint32_t style = 0;  // CS_HREDRAW | CS_VREDRAW = 3
  WindowProcedure procedure = nullptr;
  InstanceHandle instance = nullptr;
  int iconResource = 0;             // 107: the program's own icon group
  const char* className = nullptr;  // "MyMavrelWindowClass"
};

// Painting bracket data, filled by BeginPaint and handed back to EndPaint.
struct PaintInfo {
  DrawingContext context = nullptr;
  PlatformRect invalid;  // the area being repainted (drawing is clipped to it)
  void* backendData = nullptr;
};

// A picture that the launcher has checked: `info` points at the information
// header (its colour table follows it within infoSize bytes) and `bits` at the
// pixel data of bitsSize bytes. Both ranges lie wholly inside the picture
// file's bytes, and the header describes exactly the pixel data that the
// ranges hold, so a backend that reads no further than these sizes never
// reads past the file.
struct DibView {
  const std::uint8_t* info = nullptr;
  std::size_t infoSize = 0;
  const std::uint8_t* bits = nullptr;
  std::size_t bitsSize = 0;
};

// The handles of a started program, handed back so that the launcher can
// release them at once.
struct ProcessInformation {
  ProcessHandle process = nullptr;
  ProcessHandle thread = nullptr;
};

// Constants with the values the Win32 platform gives them.
constexpr std::uint32_t kLauncherWindowStyle = 0x00CA0000;  // caption, system menu, minimize box
constexpr int kScreenWidthMetric = 0;                       // SM_CXSCREEN
constexpr int kScreenHeightMetric = 1;                      // SM_CYSCREEN
constexpr int kShowWindow = 5;                              // SW_SHOW
constexpr int kShowNormal = 1;                              // SW_SHOWNORMAL
constexpr std::uint32_t kMessageBoxOk = 0;                  // MB_OK
constexpr int kTransparentBackground = 1;                   // TRANSPARENT
constexpr std::uint32_t kDrawWordBreak = 0x10;              // DT_WORDBREAK
constexpr std::uint32_t kDrawCalcRect = 0x400;              // DT_CALCRECT
constexpr std::uint32_t kDrawNoPrefix = 0x800;              // DT_NOPREFIX
constexpr std::uint32_t kDibRgbColors = 0;                  // DIB_RGB_COLORS
constexpr std::uint32_t kSourceCopy = 0x00CC0020;           // SRCCOPY

}  // namespace mavrel
