// The desktop launcher's platform: SDL2 for the window and its events, a
// message box of its own, SDL_ttf with fontconfig for text, POSIX for
// programs and documents; paths, settings and files come from
// DesktopFileSystem.
//
// Implements:
// - one window whose client area is exactly the size asked for, titled,
//   of a fixed size, with the program's icon. The frame is the window
//   manager's, outside the client area, so AdjustWindowRect adds none; on
//   X11 the window manager is asked for the frame before the window maps
//   and the window, frame included, is centred where the launcher centred
//   its client area (x11_window_manager.h). Native Wayland compositors
//   place windows themselves. A size a compositor imposes anyway gets the
//   client centred in it (desktop_scale.h);
// - the desktop's scale, as Windows applies it to a program that does not
//   declare itself DPI-aware: the window is the client size times the
//   scale, drawn at that size, and the launcher sees client pixels
//   (desktop_scale.h);
// - the launch's startup id on the window, and launch feedback ended once
//   it shows;
// - SDL events turned into the launcher's window messages: pointer moves
//   and left-button presses with client positions wrapped into unsigned
//   16-bit halves, the close request, exposure (as invalidation);
// - pointer capture between a press and its release (moves outside the
//   window keep coming, relative to the client area);
// - invalidation collected into a region and painted in one WM_PAINT: the
//   launcher draws straight into the window's surface, clipped to the
//   region's bounds, and the region's rectangles are sent to the screen;
//   a shown window appears with its first paint;
// - text through desktop_text.h, the picture through scaled_picture.h, pixel
//   surfaces through desktop_surface.h, regions through paint_region.h,
//   programs and documents through program_start.h;
// - SDL started (video_session.h) in the environment of
//   startup_environment.h, which is put back before any program, document
//   or box; helper threads only through startup_work.h;
// - a document's opener that fails after ShellExecute has returned
//   reported, while the launcher runs, with the button's error text in a
//   box captioned "Error" (SetLateOpenFailureText);
// - in memory (DesktopVideo::kInMemory), the same window drawn by SDL's
//   offscreen driver, for tools that show what the launcher paints without
//   a display: WindowPixels reads the client area back, and a context of
//   a plain surface draws text and fills the same way.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/desktop_text.h"
#include "platform/desktop/files/desktop_file_system.h"
#include "platform/desktop/handle_table.h"
#include "platform/desktop/scaled_picture.h"
#include "platform/desktop/startup_environment.h"
#include "platform/desktop/video_session.h"

namespace mavrel {

enum class DesktopVideo { kScreen, kInMemory };

class DesktopPlatform : public Platform {
 public:
  /// Paths, settings and files: those of DesktopFileSystem.
  std::uint32_t GetFullPathName(const char* name, std::uint32_t bufferSize, char* buffer) override {
    return files_.GetFullPathName(name, bufferSize, buffer);
  }
  std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                        std::uint32_t bufferSize, const char* path) override {
    return files_.GetPrivateProfileString(section, key, buffer, bufferSize, path);
  }
  FileHandle OpenFileForReading(const char* path) override {
    return files_.OpenFileForReading(path);
  }
  std::uint32_t GetFileSize(FileHandle file) override { return files_.GetFileSize(file); }
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t size) override {
    return files_.ReadFile(file, buffer, size);
  }
  bool CloseFile(FileHandle file) override { return files_.CloseFile(file); }

  explicit DesktopPlatform(DesktopVideo video = DesktopVideo::kScreen);
  ~DesktopPlatform() override;
  DesktopPlatform(const DesktopPlatform&) = delete;
  DesktopPlatform& operator=(const DesktopPlatform&) = delete;

  /// Starts SDL's video. False when no display can be reached.
  bool RegisterWindowClass(const WindowClassDescription& description) override;
  /// Leaves the rectangle as it is: the window manager's frame lies outside
  /// the client area and the client area is what gets placed.
  void AdjustWindowRect(PlatformRect& rect, std::uint32_t style) override;
  /// The size of display 0, SDL's primary display.
  int GetSystemMetrics(int index) override;
  /// Creates the hidden window. Null when video is not running or the size
  /// is beyond kMaxWindowSide / kMaxWindowPixels.
  WindowHandle CreateWindow(const char* className, const char* title, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent,
                            InstanceHandle instance) override;
  void SetWindowUserData(WindowHandle window, void* data) override;
  void* GetWindowUserData(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void DestroyWindow(WindowHandle window) override;
  /// Paints nothing for kWmPaint (the area counts as painted) and destroys
  /// the window for kWmClose; 0 for everything else.
  std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
  int GetMessage(Message& message) override;
  void TranslateMessage(const Message& message) override;
  void DispatchMessage(const Message& message) override;
  void PostQuitMessage(int status) override;
  void SetCapture(WindowHandle window) override;
  void ReleaseCapture() override;
  /// The launcher's own message box (message_box.h), modal to `owner` when
  /// given; before it opens, the owner's pending repaint is done so that it
  /// shows the current state. Without a display the text goes to the
  /// standard error stream.
  int MessageBox(WindowHandle owner, const char* text, const char* caption,
                 std::uint32_t type) override;
  DrawingContext BeginPaint(WindowHandle window, PaintInfo& paint) override;
  void EndPaint(WindowHandle window, const PaintInfo& paint) override;
  void InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) override;
  WindowHandle GetDesktopWindow() override;
  /// A context for measuring text; drawing on it does nothing.
  DrawingContext GetDC(WindowHandle window) override;
  void ReleaseDC(WindowHandle window, DrawingContext context) override;
  int DrawText(DrawingContext context, const char* text, int length, PlatformRect& rect,
               std::uint32_t format) override;
  /// Heights beyond kMaxFontPixels either way get kMaxFontPixels. Null
  /// when no font file can be found or opened.
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
  /// Keeps a copy of the picture, which CreateWindow starts stretching to
  /// the client area on a helper thread.
  void PreparePicture(const DibView& picture) override { picture_.Prepare(picture); }
  bool CreateProcess(const char* commandLine, const char* directory,
                     ProcessInformation& started) override;
  void CloseProcessHandle(ProcessHandle handle) override;
  /// Hands the document to its opener (program_start.h). An opener still
  /// running when this returns is watched: should it end with a failure
  /// while the launcher runs, GetMessage shows the text that
  /// SetLateOpenFailureText's source gave now, captioned "Error", owned by
  /// the window, once no press is in progress.
  std::uintptr_t ShellExecute(WindowHandle owner, const char* document, const char* directory,
                              int showCommand) override;

  /// Where the text for an opener's late failure comes from: called by
  /// ShellExecute with the launcher's window, it gives the error text of
  /// the button being activated. Without one, a late failure shows nothing.
  void SetLateOpenFailureText(std::function<std::string(WindowHandle window)> source) {
    lateOpenFailureText_ = std::move(source);
  }

  static constexpr int kMaxWindowSide = 16384;
  /// How long a window manager that offers to tell its frame's size is
  /// waited for before the window maps.
  static constexpr int kFrameExtentsWaitMs = 200;
  static constexpr long kMaxWindowPixels = 32l << 20;

  /// Line height and width of `text` in `font`, for tests.
  int FontLineHeight(FontHandle font) const;

  /// The scale the launcher's window is drawn at (1 for 100%, 2 for 200%):
  /// the desktop's, found when the window is made; whatever else the
  /// launcher shows (its message box) is drawn at the same scale.
  double Scale() const { return scale_; }
  /// In memory, the scale to draw at; set before the window is made.
  void SetScale(double scale) { scale_ = scale > 0 ? scale : 1.0; }

  /// What the window's client area shows: the pixels its paints have
  /// brought to the screen. Null for no window of ours.
  SDL_Surface* WindowPixels(WindowHandle window);
  /// A context that draws onto `target` (text, fills, pictures) as a paint
  /// context draws onto the window, the whole surface being repainted;
  /// released with ReleaseDC. `target` must outlive it.
  DrawingContext GetSurfaceDC(SDL_Surface* target);

 private:
  DesktopFileSystem files_;
  struct Window;
  struct Context;

  Window* FindWindow(WindowHandle handle) const;
  bool IsMoveToDeliver(const SDL_Event* queued, int count, int at) const;
  bool TranslateEvent(const SDL_Event& event, Message& message);
  void Invalidate(Window& window, const SDL_Rect& rect);
  // Has SDL show a window the launcher has shown, if it does not yet.
  void MapShownWindow(Window& window);
  // Puts the window's frame where the launcher wanted it once the window
  // manager has said how large the frame is.
  void PlaceWhenFramed(Window& window);
  // The pixels the window is painted in: SDL's window surface, or the
  // canvas of a scaled Wayland window (made anew when the window's pixel
  // size has changed); null when none can be had.
  SDL_Surface* Pixels(Window& window);
  // Brings `pixels` (rectangles of the window's pixels) to the screen.
  void Present(Window& window, const std::vector<SDL_Rect>& pixels);
  // Shows the boxes of openers that failed late; true when one was shown.
  bool ReportLateOpenFailures();
  // Waits for the next event, for at most a while when started programs
  // may end unseen. False when none came.
  bool WaitForEvent(SDL_Event& event);

  // The members go in the reverse of their teardown order: handles first,
  // then the window, the picture, the text libraries, SDL, and last the
  // user's environment. The environment is set before the text's helper
  // thread starts reading it.
  StartupEnvironment environment_;
  VideoSession video_;
  DesktopText text_;
  ScaledPicture picture_;
  WindowProcedure procedure_ = nullptr;
  std::unique_ptr<Window> window_;  // the launcher has one window
  HandleTable<DrawingContext, Context> contexts_;
  HandleTable<FontHandle, DesktopFont> fonts_;
  const bool inMemory_;
  double scale_ = 1.0;
  std::string startupId_;  // DESKTOP_STARTUP_ID, if the launch had one
  std::uintptr_t nextProcessHandle_ = 1;
  std::function<std::string(WindowHandle)> lateOpenFailureText_;
  bool quitPosted_ = false;
  int quitStatus_ = 0;
  bool captured_ = false;
  int desktopWindow_ = 0;  // its address is the desktop's handle
};

}  // namespace mavrel
