// The window-system half of the platform boundary: the window class and
// its messages, painting and text, fonts, and starting programs and
// documents. The core calls these operations in the order its rules give;
// each backend (Win32, desktop, the test fake) carries them out.
//
// Upward, every backend turns its native events into the window messages
// listed in WindowMessage and hands them to the registered window procedure,
// with pointer positions packed as two unsigned 16-bit halves of lParam.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"

namespace mavrel {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // ---- Windows and messages --------------------------------------------------

  /// Registers the launcher's window class, with the program's icon and the
  /// system arrow cursor and no background brush. True on success.
  virtual bool RegisterWindowClass(const WindowClassDescription& description) = 0;

  /// Grows a client rectangle to the outer rectangle of a window with
  /// `style` and no menu: left and top become negative or stay 0, right and
  /// bottom grow.
  virtual void AdjustWindowRect(PlatformRect& rect, std::uint32_t style) = 0;

  /// The primary screen's width (kScreenWidthMetric) or height
  /// (kScreenHeightMetric) in pixels.
  virtual int GetSystemMetrics(int index) = 0;

  /// Creates a hidden top-level window of the registered class with the
  /// given caption, style and outer position and size. Gives null on failure.
  virtual WindowHandle CreateWindow(const char* className, const char* title, std::uint32_t style,
                                    int x, int y, int width, int height, WindowHandle parent,
                                    InstanceHandle instance) = 0;

  /// Stores / fetches the one pointer kept in a window's user-data slot.
  /// Fetching from a window that never had one gives null.
  virtual void SetWindowUserData(WindowHandle window, void* data) = 0;
  /// The pointer last stored in the window's user-data slot; null for a
  /// window that never had one, or one that no longer exists.
  virtual void* GetWindowUserData(WindowHandle window) = 0;

  /// Shows the window (kShowWindow).
  virtual void ShowWindow(WindowHandle window, int command) = 0;

  /// Destroys the window. Its kWmDestroy reaches the window procedure before
  /// this returns.
  virtual void DestroyWindow(WindowHandle window) = 0;

  /// The default answer to a message the launcher does not handle.
  virtual std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) = 0;

  /// Waits for the next message of any window of the thread. Gives nonzero
  /// for an ordinary message and 0 for the quit request, whose exit status
  /// is then in message.wParam.
  virtual int GetMessage(Message& message) = 0;
  /// Lets the platform derive further messages (such as typed characters)
  /// from the one just fetched; called for every message before dispatch.
  virtual void TranslateMessage(const Message& message) = 0;
  /// Hands the message to its window's procedure.
  virtual void DispatchMessage(const Message& message) = 0;

  /// Asks the message loop to end with `status` once the message being
  /// handled is finished.
  virtual void PostQuitMessage(int status) = 0;

  /// Until ReleaseCapture, pointer messages go to `window` even while the
  /// pointer is outside it, with positions relative to its client area.
  virtual void SetCapture(WindowHandle window) = 0;
  /// Ends the capture; harmless when none is held.
  virtual void ReleaseCapture() = 0;

  /// A modal message with one OK button, owned by `owner` (or by nothing),
  /// that returns when dismissed.
  virtual int MessageBox(WindowHandle owner, const char* text, const char* caption,
                         std::uint32_t type) = 0;

  // ---- Painting and text -----------------------------------------------------

  /// Starts a repaint of `window`; the context draws clipped to the area that
  /// was invalidated. Every BeginPaint is followed by one EndPaint.
  virtual DrawingContext BeginPaint(WindowHandle window, PaintInfo& paint) = 0;
  /// Ends the repaint that `paint` began: what was drawn is shown and the
  /// invalid area is cleared.
  virtual void EndPaint(WindowHandle window, const PaintInfo& paint) = 0;

  /// Adds `rect` to the area that the next kWmPaint repaints, without erasing.
  virtual void InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) = 0;

  /// A drawing context of the whole screen, for measuring text without a
  /// window; released with ReleaseDC.
  virtual WindowHandle GetDesktopWindow() = 0;
  /// A drawing context of `window` (the desktop window: the screen), held
  /// until ReleaseDC.
  virtual DrawingContext GetDC(WindowHandle window) = 0;
  /// Gives back a context from GetDC of the same window.
  virtual void ReleaseDC(WindowHandle window, DrawingContext context) = 0;

  /// Lays out `text` (to its terminating zero when `length` is -1) from the
  /// rectangle's top-left corner, left-aligned: a line feed or carriage
  /// return ends a line, a line is broken between words before a word that
  /// would pass the right edge, a word wider than the rectangle stays whole
  /// on its own line, "&" is literal. With kDrawCalcRect nothing is drawn and
  /// `rect` gets right = left + widest line and bottom = top + all lines;
  /// without it the lines are drawn in the current font and text colour,
  /// clipped to `rect`. Gives the height of the text.
  virtual int DrawText(DrawingContext context, const char* text, int length, PlatformRect& rect,
                       std::uint32_t format) = 0;

  /// Makes a font of the given height with the GDI meaning (positive: cell
  /// height in pixels; negative: character height; 0: a default size) and
  /// face name; every other attribute at its default. Gives null on failure.
  virtual FontHandle CreateFont(int height, const char* faceName) = 0;
  /// Releases a font made by CreateFont.
  virtual void DeleteFont(FontHandle font) = 0;
  /// Makes `font` current in the context; gives the font that was current.
  virtual FontHandle SelectFont(DrawingContext context, FontHandle font) = 0;
  /// kTransparentBackground: text is drawn without filling the space behind
  /// its letters. Stays until set again.
  virtual void SetBackgroundMode(DrawingContext context, int mode) = 0;
  /// The colour (0x00BBGGRR, passed unchanged) of text drawn from now on.
  virtual void SetTextColor(DrawingContext context, ColorRef color) = 0;

  /// Draws a checked picture (see DibView) of sourceWidth x sourceHeight
  /// pixels stretched into the destination rectangle, replacing the pixels
  /// there (kSourceCopy), colour-table entries taken as RGB (kDibRgbColors).
  virtual void StretchDIBits(DrawingContext context, int destX, int destY, int destWidth,
                             int destHeight, int sourceX, int sourceY, int sourceWidth,
                             int sourceHeight, const DibView& picture, std::uint32_t usage,
                             std::uint32_t rasterOperation) = 0;

  /// Fills a rectangle of the context with a solid colour.
  virtual void FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) = 0;

  /// Told once, as soon as the picture is loaded, that `picture` is the
  /// one StretchDIBits will draw over the client area of the window still
  /// to be created, so that a platform that converts pictures itself can
  /// start on it early. `picture` stays valid and unchanged as long as the
  /// window. Not an operation of its own: the default does nothing.
  virtual void PreparePicture(const DibView& picture) { static_cast<void>(picture); }

  // ---- Processes and documents -----------------------------------------------

  /// Starts `commandLine` (program name and arguments in one text; the
  /// platform splits it and finds the program) with `directory` as its
  /// current directory, shown normally, inheriting no handles. True when the
  /// process was created; then `started` holds its handles, which the caller
  /// releases with CloseProcessHandle. Every failure to start is known
  /// before this returns. The launcher never waits for the program.
  virtual bool CreateProcess(const char* commandLine, const char* directory,
                             ProcessInformation& started) = 0;
  /// Releases one handle of a started program; the program runs on.
  virtual void CloseProcessHandle(ProcessHandle handle) = 0;

  /// Opens `document` with the application associated with it, in
  /// `directory`, shown normally, without waiting for the application. Gives
  /// a value greater than 32 on success and an error code of 32 or less on
  /// failure.
  virtual std::uintptr_t ShellExecute(WindowHandle owner, const char* document,
                                      const char* directory, int showCommand) = 0;
};

}  // namespace mavrel
