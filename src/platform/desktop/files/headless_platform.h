// A desktop platform without a display, for programs that only read a
// medium (mavrel-inspect): the paths, settings and files of
// FileSystemPlatform, and window, graphics and process operations that do
// nothing or fail. No window can be made, so nothing is ever drawn or
// started.
#pragma once

#include "platform/desktop/files/file_system_platform.h"

namespace mavrel {

class HeadlessPlatform : public FileSystemPlatform {
 public:
  /// Fails: there is no display to register a class with.
  bool RegisterWindowClass(const WindowClassDescription& description) override;
  /// Leaves the rectangle as it is: a headless window has no frame.
  void AdjustWindowRect(PlatformRect& rect, std::uint32_t style) override;
  /// 0: there is no screen.
  int GetSystemMetrics(int index) override;
  /// Gives null.
  WindowHandle CreateWindow(const char* className, const char* title, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent,
                            InstanceHandle instance) override;
  void SetWindowUserData(WindowHandle window, void* data) override;
  /// Gives null.
  void* GetWindowUserData(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void DestroyWindow(WindowHandle window) override;
  /// Gives 0.
  std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
  /// Gives 0 at once, as for a quit request with the status last posted.
  int GetMessage(Message& message) override;
  void TranslateMessage(const Message& message) override;
  void DispatchMessage(const Message& message) override;
  void PostQuitMessage(int status) override;
  void SetCapture(WindowHandle window) override;
  void ReleaseCapture() override;
  /// Shows nothing and gives 0.
  int MessageBox(WindowHandle owner, const char* text, const char* caption,
                 std::uint32_t type) override;
  /// Gives null.
  DrawingContext BeginPaint(WindowHandle window, PaintInfo& paint) override;
  void EndPaint(WindowHandle window, const PaintInfo& paint) override;
  void InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) override;
  /// Gives null.
  WindowHandle GetDesktopWindow() override;
  /// Gives null.
  DrawingContext GetDC(WindowHandle window) override;
  void ReleaseDC(WindowHandle window, DrawingContext context) override;
  /// Measures nothing: the rectangle is left as it is, and gives 0.
  int DrawText(DrawingContext context, const char* text, int length, PlatformRect& rect,
               std::uint32_t format) override;
  /// Gives null.
  FontHandle CreateFont(int height, const char* faceName) override;
  void DeleteFont(FontHandle font) override;
  /// Gives null.
  FontHandle SelectFont(DrawingContext context, FontHandle font) override;
  void SetBackgroundMode(DrawingContext context, int mode) override;
  void SetTextColor(DrawingContext context, ColorRef color) override;
  void StretchDIBits(DrawingContext context, int destX, int destY, int destWidth, int destHeight,
                     int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                     const DibView& picture, std::uint32_t usage,
                     std::uint32_t rasterOperation) override;
  void FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) override;
  /// Fails: nothing is started.
  bool CreateProcess(const char* commandLine, const char* directory,
                     ProcessInformation& started) override;
  void CloseProcessHandle(ProcessHandle handle) override;
  /// Gives 31 (no association): nothing is opened.
  std::uintptr_t ShellExecute(WindowHandle owner, const char* document, const char* directory,
                              int showCommand) override;

 private:
  int quitStatus_ = 0;
};

}  // namespace mavrel
