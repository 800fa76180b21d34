// The Windows backend: every platform operation is the one Win32 call (or
// the short fixed sequence) that the launcher's rules name, with the
// arguments they fix. No launcher logic lives here.
//
// Implements: settings and paths (GetPrivateProfileStringA,
// GetFullPathNameA), files (CreateFileA, GetFileSize, ReadFile,
// CloseHandle), the window class and its procedure glue, the message loop,
// capture, painting and text (DrawTextA, CreateFontA, StretchDIBits),
// message boxes, CreateProcessA and ShellExecuteA.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace mavrel {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::uint32_t GetFullPathName(const char* name, std::uint32_t bufferSize, char* buffer) override;
  std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                        std::uint32_t bufferSize, const char* path) override;

  FileHandle OpenFileForReading(const char* path) override;
  std::uint32_t GetFileSize(FileHandle file) override;
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t size) override;
  bool CloseFile(FileHandle file) override;

  bool RegisterWindowClass(const WindowClassDescription& description) override;
  void AdjustWindowRect(PlatformRect& rect, std::uint32_t style) override;
  int GetSystemMetrics(int index) override;
  WindowHandle CreateWindow(const char* className, const char* title, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent,
                            InstanceHandle instance) override;
  void SetWindowUserData(WindowHandle window, void* data) override;
  void* GetWindowUserData(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void DestroyWindow(WindowHandle window) override;
  std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
  int GetMessage(Message& message) override;
  void TranslateMessage(const Message& message) override;
  void DispatchMessage(const Message& message) override;
  void PostQuitMessage(int status) override;
  void SetCapture(WindowHandle window) override;
  void ReleaseCapture() override;
  int MessageBox(WindowHandle owner, const char* text, const char* caption,
                 std::uint32_t type) override;

  DrawingContext BeginPaint(WindowHandle window, PaintInfo& paint) override;
  void EndPaint(WindowHandle window, const PaintInfo& paint) override;
  void InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) override;
  WindowHandle GetDesktopWindow() override;
  DrawingContext GetDC(WindowHandle window) override;
  void ReleaseDC(WindowHandle window, DrawingContext context) override;
  int DrawText(DrawingContext context, const char* text, int length, PlatformRect& rect,
               std::uint32_t format) override;
  FontHandle CreateFont(int height, const char* faceName) override;
  void DeleteFont(FontHandle font) override;
  FontHandle SelectFont(DrawingContext context, FontHandle font) override;
  void SetBackgroundMode(DrawingContext context, int mode) override;
  void SetTextColor(DrawingContext context, ColorRef color) override;
  void StretchDIBits(DrawingContext context, int destX, int destY, int destWidth, int destHeight,
                     int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                     const DibView& picture, std::uint32_t usage,
                     std::uint32_t rasterOperation) override;
  void FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) override;

  bool CreateProcess(const char* commandLine, const char* directory,
                     ProcessInformation& started) override;
  void CloseProcessHandle(ProcessHandle handle) override;
  std::uintptr_t ShellExecute(WindowHandle owner, const char* document, const char* directory,
                              int showCommand) override;

  /// Off (the launcher's reading): the settings file reads as the platform
  /// reads it. On, for mavrel-inspect --platform linux: a key written in
  /// section "NAME.Linux" wins over the same key in "NAME", as the desktop
  /// launcher reads.
  void SetLinuxSections(bool on) { linuxSections_ = on; }

 private:
  bool linuxSections_ = false;
  // Win32 structures kept between calls (paint brackets, the last message
  // fetched); defined where <windows.h> is included, so that this header
  // stays free of its macros.
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace mavrel
