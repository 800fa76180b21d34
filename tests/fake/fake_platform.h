// A platform for tests: every call is recorded as one line of text, in
// order; settings and files live in memory; the screen and fonts have fixed
// metrics; any operation can be told to fail.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mavrel {

class FakePlatform : public Platform {
 public:
  FakePlatform();

  // ---- What the tests set up -------------------------------------------------
  std::string currentDirectory = "/media";
  // Settings by (section, key), letter case ignored as the real readers do.
  void SetSetting(const std::string& section, const std::string& key, const std::string& value);
  // Files by path exactly as the launcher passes it.
  std::map<std::string, std::vector<std::uint8_t>> files;

  int screenWidth = 1024;
  int screenHeight = 768;
  // The frame AdjustWindowRect adds on each side.
  int frameLeft = 3, frameTop = 26, frameRight = 3, frameBottom = 3;
  // Width of every character of the fixed-metric font. DrawText lays text
  // out by the shared layout rules (windows_rules/text_layout.h).
  int glyphWidth = 8;

  bool failFullPath = false;                 // GetFullPathName gives 0
  std::uint32_t fullPathLengthOverride = 0;  // nonzero: GetFullPathName claims this length
  bool failOpen = false;
  bool failFileSize = false;
  bool failRead = false;
  bool failClose = false;
  bool failRegisterClass = false;
  bool failCreateWindow = false;
  int failFontAt = -1;  // the n-th CreateFont (from 0) gives null
  bool failCreateProcess = false;
  std::uintptr_t shellExecuteResult = 42;

  // Messages that GetMessage hands out, in order. When they run out and no
  // quit was posted, GetMessage records "GetMessage ran dry" and ends the
  // loop with status kRanDryStatus, so a test notices a hang.
  std::deque<Message> queue;
  static constexpr int kRanDryStatus = 0x7EEE;
  // Called just before a queued message is handed out, with its index
  // (counting every message handed out so far, from 0).
  std::function<void(std::size_t)> beforeMessage;
  // Called right after each call is recorded, with its line: lets a test
  // look at the launcher's state in the middle of an operation, or act
  // there (send a message, post a quit).
  std::function<void(const std::string&)> afterCall;

  // ---- What the tests read ---------------------------------------------------
  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // The calls whose text begins with `prefix`.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
  int liveFonts() const { return liveFonts_; }
  bool quitPosted() const { return quitPosted_; }
  int quitStatus() const { return quitStatus_; }
  WindowHandle mainWindow() const;
  WindowProcedure registeredProcedure() const { return procedure_; }

  // Sends a message straight to the registered procedure, as the platform
  // does when it dispatches one.
  std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam = 0,
                     std::intptr_t lParam = 0);

  // ---- Platform ----------------------------------------------------------------
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
  // Not a Windows operation: kept apart from the transcript.
  void PreparePicture(const DibView& picture) override { preparedPictures.push_back(picture); }
  std::vector<DibView> preparedPictures;
  std::vector<DibView> stretchedPictures;  // every StretchDIBits, in order
  bool CreateProcess(const char* commandLine, const char* directory,
                     ProcessInformation& started) override;
  void CloseProcessHandle(ProcessHandle handle) override;
  std::uintptr_t ShellExecute(WindowHandle owner, const char* document, const char* directory,
                              int showCommand) override;

  // Names used in the transcript for handles.
  std::string Name(WindowHandle h) const;
  std::string Name(DrawingContext h) const;
  std::string Name(FontHandle h) const;

 private:
  void Record(std::string line) {
    calls_.push_back(line);
    // The hook may make calls of its own, so it gets a line of its own.
    if (afterCall) afterCall(line);
  }
  int FontHeight(FontHandle font) const;

  std::vector<std::string> calls_;
  std::map<std::pair<std::string, std::string>, std::string> settings_;
  WindowProcedure procedure_ = nullptr;
  std::map<WindowHandle, void*> userData_;
  std::vector<bool> windowAlive_;  // by window number - 1
  int fontsMade_ = 0;
  int liveFonts_ = 0;
  std::map<FontHandle, int> fontHeights_;
  std::map<DrawingContext, FontHandle> selected_;
  int contextsMade_ = 0;
  int filesOpened_ = 0;
  std::map<FileHandle, std::string> openFiles_;
  int processesStarted_ = 0;
  std::size_t messagesHandedOut_ = 0;
  bool quitPosted_ = false;
  int quitStatus_ = 0;
};

// Handles of the fake are small numbers; these turn them back and forth.
template <typename Handle>
Handle FakeHandle(std::uintptr_t n) {
  return reinterpret_cast<Handle>(n);
}

}  // namespace mavrel
