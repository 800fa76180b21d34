#include "platform/desktop/desktop_platform.h"

#include <SDL.h>
#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/desktop/font_resolver.h"
#include "platform/desktop/message_box.h"
#include "platform/desktop/program_start.h"
#include "portable/text_encoding.h"
#include "platform/desktop/text_libraries.h"
#include "portable/text_layout.h"

namespace mavrel {

struct OpenFace {
  TTF_Font* font = nullptr;
  int serial = 0;  // names the face in the cache of rendered lines
  ~OpenFace() {
    if (font) text::TTF_CloseFont(font);
  }
};

struct DesktopPlatform::Window {
  SDL_Window* sdl = nullptr;
  Uint32 id = 0;
  void* userData = nullptr;
  int width = 0;
  int height = 0;
  SDL_Surface* back = nullptr;  // what the launcher paints, before it reaches the screen
  std::vector<SDL_Rect> invalid;
  bool shown = false;
  bool destroying = false;
};

struct DesktopPlatform::Context {
  Window* window = nullptr;       // null for a measuring context
  SDL_Surface* target = nullptr;  // null for a measuring context
  SDL_Rect clip{0, 0, 0, 0};
  std::vector<SDL_Rect> region;  // the rectangles being repainted
  Font* font = nullptr;
  ColorRef color = 0;
  int backgroundMode = 2;  // OPAQUE until the launcher asks for TRANSPARENT
};

struct DesktopPlatform::Font {
  std::shared_ptr<OpenFace> face;
  int lineHeight = 0;
};

struct DesktopPlatform::CachedPicture {
  const std::uint8_t* info = nullptr;
  std::size_t infoSize = 0;
  const std::uint8_t* bits = nullptr;
  std::size_t bitsSize = 0;
  bool decodedOk = false;
  DecodedPicture decoded;
  SDL_Surface* scaled = nullptr;  // the picture stretched to the last destination size
  int scaledWidth = 0;
  int scaledHeight = 0;
  ~CachedPicture();
};

namespace {

// Lines of text are rendered whole when their bitmap stays below this many
// pixels, and glyph by glyph (only those in view) when it does not.
constexpr long long kMaxLinePixels = 8ll << 20;
// Laid-out texts kept for later paints.
constexpr std::size_t kLayoutCacheEntries = 4096;
// Rendered lines are kept for later paints up to this many bytes.
constexpr std::size_t kLineCacheBytes = 32u << 20;

SDL_Rect Intersect(const SDL_Rect& a, const SDL_Rect& b) {
  int left = std::max(a.x, b.x);
  int top = std::max(a.y, b.y);
  int right = std::min(a.x + a.w, b.x + b.w);
  int bottom = std::min(a.y + a.h, b.y + b.h);
  if (right <= left || bottom <= top) return SDL_Rect{0, 0, 0, 0};
  return SDL_Rect{left, top, right - left, bottom - top};
}

bool IsEmpty(const SDL_Rect& r) { return r.w <= 0 || r.h <= 0; }

// A platform rectangle as an SDL one, with its edges kept in range so that
// width and height cannot overflow.
SDL_Rect ToSdl(const PlatformRect& r) {
  auto clamp = [](std::int32_t v) { return std::clamp<std::int32_t>(v, -(1 << 24), 1 << 24); };
  int left = clamp(r.left), top = clamp(r.top), right = clamp(r.right), bottom = clamp(r.bottom);
  return SDL_Rect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

#if defined(__SANITIZE_ADDRESS__)
#define MAVREL_PLAIN_PIXELS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define MAVREL_PLAIN_PIXELS 1
#endif
#endif

// The large surfaces (the back buffer, the stretched picture; from half a
// megabyte on) get their pixels as transparent huge pages where the system
// offers them. Fresh memory otherwise costs a page fault per 4 KiB as it is
// first written, about 3 ms per megabyte on a virtual machine: for a window
// of 640 x 400, 6 ms of the launcher's own start-up. The price is resident
// memory rounded up to 2 MiB per surface. Sanitized builds keep SDL's
// allocation, which the sanitizers can watch.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

SDL_Surface* NewPixelSurface(int width, int height) {
#ifndef MAVREL_PLAIN_PIXELS
  std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (bytes >= kHugePage / 4) {
    std::size_t mapped = MappedSize(bytes);
    std::size_t span = mapped + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw != MAP_FAILED) {
      auto start = reinterpret_cast<std::uintptr_t>(raw);
      std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
      if (aligned > start) munmap(raw, aligned - start);
      if (start + span > aligned + mapped) {
        munmap(reinterpret_cast<void*>(aligned + mapped), start + span - (aligned + mapped));
      }
      void* pixels = reinterpret_cast<void*>(aligned);
      madvise(pixels, mapped, MADV_HUGEPAGE);
      SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32,
                                                                width * 4, SDL_PIXELFORMAT_RGB888);
      if (surface) {
        surface->userdata = pixels;
        return surface;
      }
      munmap(pixels, mapped);
    }
  }
#endif
  return SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
}

void FreePixelSurface(SDL_Surface* surface) {
  if (!surface) return;
  void* mapped = surface->userdata;
  std::size_t bytes =
      static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(surface->h);
  SDL_FreeSurface(surface);
  if (mapped) munmap(mapped, MappedSize(bytes));
}

SDL_Color ToSdlColor(ColorRef c) {
  return SDL_Color{static_cast<Uint8>(c & 0xFF), static_cast<Uint8>((c >> 8) & 0xFF),
                   static_cast<Uint8>((c >> 16) & 0xFF), 255};
}

// The program's icon: a blue tile with a white arrow pointing up and right,
// "start something".
SDL_Surface* MakeIcon() {
  constexpr int kSize = 32;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kSize, kSize, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!icon) return nullptr;
  auto* pixels = static_cast<Uint32*>(icon->pixels);
  int pitch = icon->pitch / 4;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      bool corner = (x < 3 || x > kSize - 4) && (y < 3 || y > kSize - 4);
      Uint32 colour = corner ? 0x00000000u : 0xFF1F5FBFu - static_cast<Uint32>(y << 1);
      bool shaft =
          std::abs((x - 8) - (kSize - 16 - (y - 8))) <= 2 && x >= 8 && x <= 22 && y >= 9 && y <= 24;
      bool headTop = y >= 7 && y <= 10 && x >= 14 && x <= 25;
      bool headSide = x >= 22 && x <= 25 && y >= 7 && y <= 18;
      if (!corner && (shaft || headTop || headSide)) colour = 0xFFFFFFFFu;
      pixels[y * pitch + x] = colour;
    }
  }
  return icon;
}

// Code points of a UTF-8 text that is known to be well formed.
std::vector<Uint32> CodePoints(const std::string& utf8) {
  std::vector<Uint32> points;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    Uint32 cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    points.push_back(cp);
    i += static_cast<std::size_t>(length);
  }
  return points;
}

}  // namespace

DesktopPlatform::CachedPicture::~CachedPicture() { FreePixelSurface(scaled); }

DesktopPlatform::DesktopPlatform() {
  SDL_SetMainReady();
  // Set before the helper thread below exists: it reads the environment
  // while it loads fontconfig's configuration.
  SetStartEnvironment();
  fontPrefetch_ = std::async(std::launch::async, [] {
    FontPrefetch prefetch;
    if (text::TTF_Init() != 0) return prefetch;
    prefetch.face = ResolveFontFace(kLauncherFaceName);
    // Measured at a large size, where rounding of the metrics hardly counts.
    constexpr int kReference = 512;
    if (!prefetch.face.file.empty()) {
      if (TTF_Font* font = text::TTF_OpenFontIndex(prefetch.face.file.c_str(), kReference,
                                                   prefetch.face.index)) {
        prefetch.cellPerEm = static_cast<double>(text::TTF_FontHeight(font)) / kReference;
        text::TTF_CloseFont(font);
      }
    }
    return prefetch;
  });
}

void DesktopPlatform::TakeFontPrefetch() {
  if (!fontPrefetch_.valid()) return;
  FontPrefetch prefetch = fontPrefetch_.get();
  if (prefetch.cellPerEm > 0) {
    cellPerEm_[prefetch.face.file + "#" + std::to_string(prefetch.face.index)] = prefetch.cellPerEm;
  }
}

void DesktopPlatform::SetStartEnvironment() {
  // SDL connects to the session bus as it starts. Where there is none, the
  // bus library would try to start one (a fork and a dozen execs of
  // dbus-launch), the largest single cost of our start; the address is
  // kept from it for that moment only, so that started programs still find
  // whatever bus there is.
  busAddressSet_ = std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr;
  if (busAddressSet_) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  // SDL also opens an X input method, and Xlib's built-in one reads and
  // compiles the locale's whole compose table (thousands of lines, two
  // thirds of SDL's start). The launcher takes no typed text, so it gets an
  // empty table; the user's own setting is back before anything is started.
  const char* composeFile = std::getenv("XCOMPOSEFILE");
  userComposeFile_ = composeFile ? composeFile : "";
  hadComposeFile_ = composeFile != nullptr;
  composeFileSet_ = true;
  setenv("XCOMPOSEFILE", "/dev/null", 1);
}

void DesktopPlatform::RestoreStartEnvironment() {
  if (busAddressSet_) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  busAddressSet_ = false;
  if (composeFileSet_) {
    if (hadComposeFile_) {
      setenv("XCOMPOSEFILE", userComposeFile_.c_str(), 1);
    } else {
      unsetenv("XCOMPOSEFILE");
    }
  }
  composeFileSet_ = false;
}

DesktopPlatform::~DesktopPlatform() {
  RestoreStartEnvironment();
  TakeFontPrefetch();
  if (window_) {
    FreePixelSurface(window_->back);
    SDL_DestroyWindow(window_->sdl);
    window_.reset();
  }
  DropLineCache();
  picture_.reset();
  contexts_.clear();
  fonts_.clear();
  if (text::TTF_WasInit()) text::TTF_Quit();
  if (videoStarted_) SDL_Quit();
}

bool DesktopPlatform::StartVideo() {
  if (videoStarted_) return true;
  if (videoFailed_) return false;
  // A plain X11 shared-memory surface behind the window: an accelerated
  // one sets up an OpenGL renderer first, which costs more than everything
  // else at start-up and gains nothing for a still picture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The launcher leaves the screen saver alone and SIGINT/SIGTERM to their
  // defaults; a started program gets default dispositions anyway.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The first click on the window is a click, as on Windows.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  int started = SDL_Init(SDL_INIT_VIDEO);
  RestoreStartEnvironment();
  if (started != 0) {
    videoFailed_ = true;
    return false;
  }
  // Only a driver that shows windows to a user will do: with no display SDL
  // falls back to drivers that draw into memory, and a launcher nobody can
  // see would wait for ever.
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string name = driver ? driver : "";
  if (name == "offscreen" || name == "dummy" || name == "evdev" || name.empty()) {
    SDL_Quit();
    videoFailed_ = true;
    return false;
  }
  videoStarted_ = true;
  return true;
}

bool DesktopPlatform::RegisterWindowClass(const WindowClassDescription& description) {
  if (!description.procedure || !StartVideo()) return false;
  procedure_ = description.procedure;
  return true;
}

void DesktopPlatform::AdjustWindowRect(PlatformRect&, std::uint32_t) {}

int DesktopPlatform::GetSystemMetrics(int index) {
  if (!StartVideo()) return 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) != 0) return 0;
  if (index == kScreenWidthMetric) return bounds.w;
  if (index == kScreenHeightMetric) return bounds.h;
  return 0;
}

WindowHandle DesktopPlatform::CreateWindow(const char*, const char* title, std::uint32_t, int x,
                                           int y, int width, int height, WindowHandle,
                                           InstanceHandle) {
  if (!videoStarted_ || window_) return nullptr;
  // Windows gives a window of zero or negative size its smallest size;
  // one pixel is ours.
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width > kMaxWindowSide || height > kMaxWindowSide ||
      static_cast<long>(width) * height > kMaxWindowPixels) {
    return nullptr;
  }
  // Far-off positions are brought into the range X can place a window in
  // (and away from SDL's special position values).
  x = std::clamp(x, -30000, 30000);
  y = std::clamp(y, -30000, 30000);
  std::string caption = DisplayText(title ? title : "");
  SDL_Window* sdl = SDL_CreateWindow(caption.c_str(), x, y, width, height, SDL_WINDOW_HIDDEN);
  if (!sdl) return nullptr;
  SDL_Surface* back = NewPixelSurface(width, height);
  if (!back) {
    SDL_DestroyWindow(sdl);
    return nullptr;
  }
  SDL_FillRect(back, nullptr, 0);
  if (SDL_Surface* icon = MakeIcon()) {
    SDL_SetWindowIcon(sdl, icon);
    SDL_FreeSurface(icon);
  }
  window_ = std::make_unique<Window>();
  window_->sdl = sdl;
  window_->id = SDL_GetWindowID(sdl);
  window_->width = width;
  window_->height = height;
  window_->back = back;
  return reinterpret_cast<WindowHandle>(window_.get());
}

DesktopPlatform::Window* DesktopPlatform::FindWindow(WindowHandle handle) const {
  if (!handle || !window_ || reinterpret_cast<Window*>(handle) != window_.get()) return nullptr;
  return window_.get();
}

DesktopPlatform::Context* DesktopPlatform::FindContext(DrawingContext handle) const {
  for (const auto& c : contexts_) {
    if (reinterpret_cast<DrawingContext>(c.get()) == handle) return c.get();
  }
  return nullptr;
}

DesktopPlatform::Font* DesktopPlatform::FindFont(FontHandle handle) const {
  for (const auto& f : fonts_) {
    if (reinterpret_cast<FontHandle>(f.get()) == handle) return f.get();
  }
  return nullptr;
}

void DesktopPlatform::SetWindowUserData(WindowHandle window, void* data) {
  if (Window* w = FindWindow(window)) w->userData = data;
}

void* DesktopPlatform::GetWindowUserData(WindowHandle window) {
  Window* w = FindWindow(window);
  return w ? w->userData : nullptr;
}

void DesktopPlatform::ShowWindow(WindowHandle window, int) {
  Window* w = FindWindow(window);
  if (!w) return;
  SDL_ShowWindow(w->sdl);
  w->shown = true;
  Invalidate(*w, 0, 0, w->width, w->height);
}

void DesktopPlatform::DestroyWindow(WindowHandle window) {
  Window* w = FindWindow(window);
  if (!w || w->destroying) return;
  w->destroying = true;
  if (captured_) ReleaseCapture();
  if (procedure_) procedure_(*this, window, kWmDestroy, 0, 0);
  for (auto it = contexts_.begin(); it != contexts_.end();) {
    it = (*it)->window == w ? contexts_.erase(it) : std::next(it);
  }
  FreePixelSurface(w->back);
  SDL_DestroyWindow(w->sdl);
  window_.reset();
}

std::intptr_t DesktopPlatform::DefWindowProc(WindowHandle window, std::uint32_t message,
                                             std::uintptr_t, std::intptr_t) {
  Window* w = FindWindow(window);
  if (!w) return 0;
  if (message == kWmPaint) w->invalid.clear();
  if (message == kWmClose) DestroyWindow(window);
  return 0;
}

void DesktopPlatform::Invalidate(Window& w, int left, int top, int right, int bottom) {
  SDL_Rect r = Intersect(SDL_Rect{left, top, std::max(0, right - left), std::max(0, bottom - top)},
                         SDL_Rect{0, 0, w.width, w.height});
  if (IsEmpty(r)) return;
  for (const SDL_Rect& existing : w.invalid) {
    SDL_Rect both = Intersect(existing, r);
    if (both.x == r.x && both.y == r.y && both.w == r.w && both.h == r.h) return;  // covered
  }
  w.invalid.push_back(r);
  // A region of very many pieces is no cheaper to repaint than its bounds.
  if (w.invalid.size() > 64) {
    SDL_Rect bounds = w.invalid[0];
    for (const SDL_Rect& piece : w.invalid) SDL_UnionRect(&bounds, &piece, &bounds);
    w.invalid.assign(1, bounds);
  }
}

void DesktopPlatform::InvalidateRect(WindowHandle window, const PlatformRect& rect, bool) {
  Window* w = FindWindow(window);
  if (!w) return;
  SDL_Rect r = ToSdl(rect);
  Invalidate(*w, r.x, r.y, r.x + r.w, r.y + r.h);
}

bool DesktopPlatform::TranslateEvent(const SDL_Event& event, Message& message) {
  Window* w = window_.get();
  if (!w || w->destroying) return false;
  WindowHandle handle = reinterpret_cast<WindowHandle>(w);
  auto pointer = [&](std::uint32_t kind, int x, int y, std::uintptr_t keys) {
    // Positions left of or above the client area wrap round, as the
    // launcher expects of a 16-bit half.
    message = Message{handle, kind, keys,
                      PackPointerPosition(static_cast<std::uint16_t>(x & 0xFFFF),
                                          static_cast<std::uint16_t>(y & 0xFFFF))};
    return true;
  };
  switch (event.type) {
    case SDL_MOUSEMOTION: {
      if (event.motion.windowID != w->id) return false;
      // Only the newest of several queued moves matters, as on Windows;
      // a press or release queued in between keeps this one.
      SDL_Event next;
      if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP) == 1 &&
          next.type == SDL_MOUSEMOTION && next.motion.windowID == w->id) {
        return false;
      }
      return pointer(kWmMouseMove, event.motion.x, event.motion.y,
                     (event.motion.state & SDL_BUTTON_LMASK) ? 1 : 0);
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.windowID != w->id || event.button.button != SDL_BUTTON_LEFT) return false;
      return pointer(event.type == SDL_MOUSEBUTTONDOWN ? kWmLeftButtonDown : kWmLeftButtonUp,
                     event.button.x, event.button.y, event.type == SDL_MOUSEBUTTONDOWN ? 1 : 0);
    case SDL_WINDOWEVENT:
      if (event.window.windowID != w->id) return false;
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        message = Message{handle, kWmClose, 0, 0};
        return true;
      }
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Invalidate(*w, 0, 0, w->width, w->height);
      return false;
    case SDL_QUIT:
      message = Message{handle, kWmClose, 0, 0};
      return true;
    default:
      return false;
  }
}

int DesktopPlatform::GetMessage(Message& message) {
  while (true) {
    if (quitPosted_) {
      quitPosted_ = false;
      message = Message{nullptr, kWmQuit, static_cast<std::uintptr_t>(quitStatus_), 0};
      return 0;
    }
    if (!videoStarted_) {
      // Nothing can ever arrive: end rather than wait for ever.
      message = Message{nullptr, kWmQuit, 1, 0};
      return 0;
    }
    SDL_Event event;
    bool translated = false;
    while (!translated && SDL_PollEvent(&event)) translated = TranslateEvent(event, message);
    if (translated) return 1;
    Window* w = window_.get();
    if (w && w->shown && !w->invalid.empty()) {
      message = Message{reinterpret_cast<WindowHandle>(w), kWmPaint, 0, 0};
      return 1;
    }
    // Started programs are reaped before the launcher waits, and one that
    // ends meanwhile wakes the wait, so none stays a zombie.
    ReapEndedPrograms();
    ProgramEndWake wake([] {
      SDL_Event ended{};
      ended.type = SDL_USEREVENT;
      SDL_PushEvent(&ended);
    });
    if (SDL_WaitEvent(&event)) {
      if (TranslateEvent(event, message)) return 1;
    }
  }
}

void DesktopPlatform::TranslateMessage(const Message&) {}

void DesktopPlatform::DispatchMessage(const Message& message) {
  if (procedure_ && FindWindow(message.window)) {
    procedure_(*this, message.window, message.message, message.wParam, message.lParam);
  }
}

void DesktopPlatform::PostQuitMessage(int status) {
  quitPosted_ = true;
  quitStatus_ = status;
}

void DesktopPlatform::SetCapture(WindowHandle window) {
  if (!FindWindow(window)) return;
  captured_ = SDL_CaptureMouse(SDL_TRUE) == 0;
}

void DesktopPlatform::ReleaseCapture() {
  if (captured_) SDL_CaptureMouse(SDL_FALSE);
  captured_ = false;
}

int DesktopPlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                                std::uint32_t) {
  Window* w = FindWindow(owner);
  if (w) {
    // The box is modal: the owner gets no input until it is dismissed, and
    // shows what it showed when the box opened.
    if (captured_) ReleaseCapture();
    if (w->shown && !w->invalid.empty() && procedure_) procedure_(*this, owner, kWmPaint, 0, 0);
  }
  // SDL's box on X11 runs in a forked child, which carries on with whatever
  // locks other threads held at the fork: the font helper thread must have
  // finished first, or the child can wait on one of them for ever.
  TakeFontPrefetch();
  std::string body = DisplayText(text ? text : "");
  std::string title = DisplayText(caption ? caption : "");
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), body.c_str(),
                               w ? w->sdl : nullptr) == 0) {
    return 1;
  }
  // While our own box is up the owner only repaints, as a window disabled
  // by a modal box does.
  auto ownerEvent = [this](const SDL_Event& event) {
    Window* owner = window_.get();
    if (!owner || event.type != SDL_WINDOWEVENT || event.window.windowID != owner->id) return;
    if (event.window.event != SDL_WINDOWEVENT_EXPOSED) return;
    Invalidate(*owner, 0, 0, owner->width, owner->height);
    if (procedure_) procedure_(*this, reinterpret_cast<WindowHandle>(owner), kWmPaint, 0, 0);
  };
  if (!ShowOwnMessageBox(w ? w->sdl : nullptr, title, body, ownerEvent)) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  }
  return 1;  // IDOK
}

DrawingContext DesktopPlatform::BeginPaint(WindowHandle window, PaintInfo& paint) {
  paint = PaintInfo{};
  Window* w = FindWindow(window);
  if (!w) return nullptr;
  auto context = std::make_unique<Context>();
  context->window = w;
  context->target = w->back;
  context->region = std::move(w->invalid);
  w->invalid.clear();
  SDL_Rect bounds{0, 0, 0, 0};
  for (const SDL_Rect& piece : context->region) {
    if (IsEmpty(bounds)) {
      bounds = piece;
    } else {
      SDL_UnionRect(&bounds, &piece, &bounds);
    }
  }
  context->clip = bounds;
  paint.invalid = PlatformRect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  paint.context = reinterpret_cast<DrawingContext>(context.get());
  contexts_.insert(std::move(context));
  return paint.context;
}

void DesktopPlatform::EndPaint(WindowHandle window, const PaintInfo& paint) {
  Context* context = FindContext(paint.context);
  Window* w = FindWindow(window);
  if (context && w && context->window == w && !context->region.empty()) {
    if (SDL_Surface* screen = SDL_GetWindowSurface(w->sdl)) {
      SDL_SetSurfaceBlendMode(w->back, SDL_BLENDMODE_NONE);
      for (SDL_Rect piece : context->region) {
        SDL_Rect to = piece;
        SDL_BlitSurface(w->back, &piece, screen, &to);
      }
      SDL_UpdateWindowSurfaceRects(w->sdl, context->region.data(),
                                   static_cast<int>(context->region.size()));
    }
  }
  for (auto it = contexts_.begin(); it != contexts_.end(); ++it) {
    if (it->get() == context) {
      contexts_.erase(it);
      break;
    }
  }
}

WindowHandle DesktopPlatform::GetDesktopWindow() {
  return reinterpret_cast<WindowHandle>(&desktopWindow_);
}

DrawingContext DesktopPlatform::GetDC(WindowHandle) {
  auto context = std::make_unique<Context>();
  auto handle = reinterpret_cast<DrawingContext>(context.get());
  contexts_.insert(std::move(context));
  return handle;
}

void DesktopPlatform::ReleaseDC(WindowHandle, DrawingContext context) {
  for (auto it = contexts_.begin(); it != contexts_.end(); ++it) {
    if (reinterpret_cast<DrawingContext>(it->get()) == context) {
      contexts_.erase(it);
      return;
    }
  }
}

// ---- Fonts and text -----------------------------------------------------------

std::shared_ptr<OpenFace> DesktopPlatform::OpenFaceAt(const std::string& file, int index,
                                                      int pixelsPerEm) {
  auto key = std::make_pair(file + "#" + std::to_string(index), pixelsPerEm);
  if (auto existing = openFaces_[key].lock()) return existing;
  // At 72 dots per inch a point is a pixel, so the size is pixels per em.
  TTF_Font* font = text::TTF_OpenFontIndex(file.c_str(), pixelsPerEm, index);
  if (!font) return nullptr;
  auto face = std::make_shared<OpenFace>();
  face->font = font;
  face->serial = nextFontId_++;
  openFaces_[key] = face;
  return face;
}

double DesktopPlatform::CellPerEm(const std::string& file, int index) {
  std::string key = file + "#" + std::to_string(index);
  auto found = cellPerEm_.find(key);
  if (found != cellPerEm_.end()) return found->second;
  // Measured at a large size, where rounding of the metrics hardly counts.
  constexpr int kReference = 512;
  double ratio = 0;
  if (TTF_Font* font = text::TTF_OpenFontIndex(file.c_str(), kReference, index)) {
    ratio = static_cast<double>(text::TTF_FontHeight(font)) / kReference;
    text::TTF_CloseFont(font);
  }
  cellPerEm_[key] = ratio;
  return ratio;
}

FontHandle DesktopPlatform::CreateFont(int height, const char* faceName) {
  FontSizeRequest request = FontSizeForHeight(height);
  if (!request.valid) return nullptr;
  TakeFontPrefetch();
  if (!text::TTF_WasInit() && text::TTF_Init() != 0) return nullptr;
  FontFace face = ResolveFontFace(faceName ? faceName : "");
  if (face.file.empty()) return nullptr;
  int pixelsPerEm = request.pixels;
  if (request.isCellHeight) {
    double ratio = CellPerEm(face.file, face.index);
    if (ratio <= 0) return nullptr;
    pixelsPerEm = PixelsPerEmForCell(request.pixels, ratio);
  }
  std::shared_ptr<OpenFace> open = OpenFaceAt(face.file, face.index, pixelsPerEm);
  if (!open) return nullptr;
  auto font = std::make_unique<Font>();
  font->face = std::move(open);
  // A cell height asked for is the line height; otherwise the face's own.
  font->lineHeight =
      std::max(1, request.isCellHeight ? request.pixels : text::TTF_FontHeight(font->face->font));
  auto handle = reinterpret_cast<FontHandle>(font.get());
  fonts_.insert(std::move(font));
  return handle;
}

void DesktopPlatform::DeleteFont(FontHandle font) {
  for (auto it = fonts_.begin(); it != fonts_.end(); ++it) {
    if (reinterpret_cast<FontHandle>(it->get()) == font) {
      for (const auto& c : contexts_) {
        if (c->font == it->get()) c->font = nullptr;
      }
      fonts_.erase(it);
      return;
    }
  }
}

int DesktopPlatform::FontLineHeight(FontHandle font) const {
  Font* f = FindFont(font);
  return f ? f->lineHeight : 0;
}

FontHandle DesktopPlatform::SelectFont(DrawingContext context, FontHandle font) {
  Context* c = FindContext(context);
  if (!c) return nullptr;
  Font* previous = c->font;
  c->font = FindFont(font);
  return reinterpret_cast<FontHandle>(previous);
}

void DesktopPlatform::SetBackgroundMode(DrawingContext context, int mode) {
  if (Context* c = FindContext(context)) c->backgroundMode = mode;
}

void DesktopPlatform::SetTextColor(DrawingContext context, ColorRef color) {
  if (Context* c = FindContext(context)) c->color = color;
}

int DesktopPlatform::DrawText(DrawingContext context, const char* text, int length,
                              PlatformRect& rect, std::uint32_t format) {
  Context* c = FindContext(context);
  if (!c || !text) return 0;
  // Text drawn with no font selected uses the default size of the face.
  Font* font = c->font;
  if (!font) {
    font = FindFont(CreateFont(0, "Ariel"));
    if (!font) return 0;
    c->font = font;
  }
  std::size_t size = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
  std::string_view bytes(text, size);
  bool isUtf8 = IsValidUtf8(bytes);
  const bool measuring = (format & kDrawCalcRect) != 0;
  SDL_Rect box = ToSdl(rect);
  SDL_Rect clip = measuring || !c->target ? SDL_Rect{0, 0, 0, 0} : Intersect(box, c->clip);
  if (!measuring) {
    // Text outside every invalid rectangle cannot change the screen: the
    // launcher redraws every button on every paint, and most lie elsewhere.
    bool touches = false;
    for (const SDL_Rect& piece : c->region) touches = touches || !IsEmpty(Intersect(box, piece));
    if (IsEmpty(clip) || !touches) return 0;
  }

  TTF_Font* ttf = font->face->font;
  // Edges far apart or far out must not overflow: such sums saturate.
  auto saturate = [](long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  const int maxWidth = saturate(static_cast<long long>(rect.right) - rect.left);
  // Layouts are kept: painting lays out the same texts in the same
  // rectangles over and over.
  std::string layoutKey = std::to_string(font->face->serial) + "/" +
                          std::to_string(font->lineHeight) + "/" + std::to_string(maxWidth) + "/";
  layoutKey.append(bytes);
  auto cached = layoutCache_.find(layoutKey);
  if (cached == layoutCache_.end()) {
    auto measure = [&](const char* run, std::size_t count) {
      std::string utf8 = DisplayText(std::string_view(run, count), isUtf8);
      int w = 0, h = 0;
      text::TTF_SizeUTF8(ttf, utf8.c_str(), &w, &h);
      return w;
    };
    if (layoutCache_.size() >= kLayoutCacheEntries) layoutCache_.clear();
    cached = layoutCache_.emplace(layoutKey, LayoutText(bytes, maxWidth, font->lineHeight, measure))
                 .first;
  }
  const TextLayout& layout = cached->second;
  if (measuring) {
    rect.right = saturate(static_cast<long long>(rect.left) + layout.width);
    rect.bottom = saturate(static_cast<long long>(rect.top) + layout.height);
    return layout.height;
  }
  if (!c->target) return layout.height;
  int glyphHeight = std::max(font->lineHeight, text::TTF_FontHeight(ttf));
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const LaidOutLine& line = layout.lines[i];
    long long top = static_cast<long long>(rect.top) + static_cast<long long>(i) * font->lineHeight;
    if (top >= clip.y + clip.h) break;
    if (top + glyphHeight <= clip.y || line.length == 0) continue;
    std::string utf8 = DisplayText(bytes.substr(line.start, line.length), isUtf8);
    DrawLine(*c, *font, utf8, rect.left, static_cast<int>(top),
             PlatformRect{clip.x, clip.y, clip.x + clip.w, clip.y + clip.h});
  }
  return layout.height;
}

SDL_Surface* DesktopPlatform::RenderedLine(Font& font, const std::string& utf8, ColorRef color) {
  std::string key = std::to_string(font.face->serial) + "/" + std::to_string(color) + "/" + utf8;
  auto found = lineCache_.find(key);
  if (found != lineCache_.end()) return found->second;
  SDL_Surface* surface =
      text::TTF_RenderUTF8_Blended(font.face->font, utf8.c_str(), ToSdlColor(color));
  if (!surface) return nullptr;
  std::size_t bytes =
      static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(surface->h);
  if (lineCacheBytes_ + bytes > kLineCacheBytes) DropLineCache();
  lineCache_[key] = surface;
  lineCacheBytes_ += bytes;
  return surface;
}

void DesktopPlatform::DropLineCache() {
  for (auto& entry : lineCache_) SDL_FreeSurface(entry.second);
  lineCache_.clear();
  lineCacheBytes_ = 0;
}

void DesktopPlatform::DrawLine(Context& context, Font& font, const std::string& utf8, int x, int y,
                               const PlatformRect& clipRect) {
  SDL_Rect clip = ToSdl(clipRect);
  TTF_Font* ttf = font.face->font;
  int width = 0, height = 0;
  if (text::TTF_SizeUTF8(ttf, utf8.c_str(), &width, &height) != 0) return;
  SDL_SetClipRect(context.target, &clip);
  if (static_cast<long long>(width) * height <= kMaxLinePixels) {
    if (SDL_Surface* line = RenderedLine(font, utf8, context.color)) {
      SDL_Rect to{x, y, line->w, line->h};
      SDL_BlitSurface(line, nullptr, context.target, &to);
    }
  } else {
    // A line too big to render whole (a huge font, a very long word): only
    // the glyphs that fall inside the clip are rendered.
    long long pen = x;
    for (Uint32 cp : CodePoints(utf8)) {
      int minX, maxX, minY, maxY, advance;
      if (text::TTF_GlyphMetrics32(ttf, cp, &minX, &maxX, &minY, &maxY, &advance) != 0) continue;
      if (pen + std::max(advance, maxX) >= clip.x && pen + std::min(0, minX) < clip.x + clip.w) {
        if (SDL_Surface* glyph =
                text::TTF_RenderGlyph32_Blended(ttf, cp, ToSdlColor(context.color))) {
          SDL_Rect to{static_cast<int>(pen), y, glyph->w, glyph->h};
          SDL_BlitSurface(glyph, nullptr, context.target, &to);
          SDL_FreeSurface(glyph);
        }
      }
      pen += advance;
      if (pen >= clip.x + clip.w) break;
    }
  }
  SDL_SetClipRect(context.target, nullptr);
}

// ---- Pictures and fills -----------------------------------------------------------

void DesktopPlatform::StretchDIBits(DrawingContext context, int destX, int destY, int destWidth,
                                    int destHeight, int, int, int, int, const DibView& picture,
                                    std::uint32_t, std::uint32_t) {
  Context* c = FindContext(context);
  if (!c || !c->target || IsEmpty(c->clip)) return;
  if (destWidth <= 0 || destHeight <= 0 ||
      static_cast<long long>(destWidth) * destHeight > kMaxWindowPixels) {
    return;
  }
  // The launcher always draws its one picture whole; a picture stored
  // top-down is shown the right way up like any other.
  if (!picture_ || picture_->info != picture.info || picture_->infoSize != picture.infoSize ||
      picture_->bits != picture.bits || picture_->bitsSize != picture.bitsSize) {
    picture_ = std::make_unique<CachedPicture>();
    picture_->info = picture.info;
    picture_->infoSize = picture.infoSize;
    picture_->bits = picture.bits;
    picture_->bitsSize = picture.bitsSize;
    picture_->decodedOk = DecodeDib(picture, picture_->decoded);
  }
  CachedPicture& cached = *picture_;
  if (!cached.decodedOk) return;
  if (!cached.scaled || cached.scaledWidth != destWidth || cached.scaledHeight != destHeight) {
    FreePixelSurface(cached.scaled);
    cached.scaled = nullptr;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        cached.decoded.pixels.data(), cached.decoded.width, cached.decoded.height, 32,
        cached.decoded.width * 4, SDL_PIXELFORMAT_RGB888);
    SDL_Surface* scaled = NewPixelSurface(destWidth, destHeight);
    if (source && scaled) {
      SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
      if (source->w == destWidth && source->h == destHeight) {
        SDL_BlitSurface(source, nullptr, scaled, nullptr);
      } else if (SDL_SoftStretchLinear(source, nullptr, scaled, nullptr) != 0) {
        SDL_BlitScaled(source, nullptr, scaled, nullptr);
      }
      cached.scaled = scaled;
      cached.scaledWidth = destWidth;
      cached.scaledHeight = destHeight;
    } else {
      FreePixelSurface(scaled);
    }
    if (source) SDL_FreeSurface(source);
    if (!cached.scaled) return;
  }
  SDL_SetSurfaceBlendMode(cached.scaled, SDL_BLENDMODE_NONE);
  for (const SDL_Rect& piece : c->region) {
    SDL_Rect area = Intersect(piece, c->clip);
    if (IsEmpty(area)) continue;
    SDL_SetClipRect(c->target, &area);
    SDL_Rect to{destX, destY, destWidth, destHeight};
    SDL_BlitSurface(cached.scaled, nullptr, c->target, &to);
  }
  SDL_SetClipRect(c->target, nullptr);
}

void DesktopPlatform::FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) {
  Context* c = FindContext(context);
  if (!c || !c->target) return;
  SDL_Color rgb = ToSdlColor(color);
  Uint32 pixel = SDL_MapRGB(c->target->format, rgb.r, rgb.g, rgb.b);
  for (const SDL_Rect& piece : c->region) {
    SDL_Rect area = Intersect(Intersect(ToSdl(rect), c->clip), piece);
    if (!IsEmpty(area)) SDL_FillRect(c->target, &area, pixel);
  }
}

// ---- Programs and documents ---------------------------------------------------------

bool DesktopPlatform::CreateProcess(const char* commandLine, const char* directory,
                                    ProcessInformation& started) {
  started = ProcessInformation{};
  RestoreStartEnvironment();  // when SDL never started
  if (!commandLine || !directory) return false;
  pid_t pid = 0;
  int error = 0;
  if (!StartProgram(commandLine, directory, pid, error)) return false;
  // The launcher only closes these; the program is reaped by the loop.
  std::uintptr_t process = nextProcessHandle_++;
  std::uintptr_t thread = nextProcessHandle_++;
  processHandles_.insert(process);
  processHandles_.insert(thread);
  started.process = reinterpret_cast<ProcessHandle>(process);
  started.thread = reinterpret_cast<ProcessHandle>(thread);
  return true;
}

void DesktopPlatform::CloseProcessHandle(ProcessHandle handle) {
  processHandles_.erase(reinterpret_cast<std::uintptr_t>(handle));
}

std::uintptr_t DesktopPlatform::ShellExecute(WindowHandle, const char* document,
                                             const char* directory, int) {
  RestoreStartEnvironment();  // when SDL never started
  if (!document || !directory) return 2;
  return OpenDocument(document, directory);
}

}  // namespace mavrel
