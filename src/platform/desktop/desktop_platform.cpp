#include "platform/desktop/desktop_platform.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/activation.h"
#include "platform/desktop/desktop_scale.h"
#include "platform/desktop/message_box.h"
#include "platform/desktop/paint_region.h"
#include "platform/desktop/program_start.h"
#include "platform/desktop/x11_window_manager.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {

struct RendererDeleter {
  void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct TextureDeleter {
  void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};

struct DesktopPlatform::Window {
  WindowPtr sdl;
  // On Wayland at a scale above 1 SDL's window surface has only the
  // window's logical size, which the compositor would stretch: the launcher
  // paints a canvas of the window's pixels of its own, shown through a
  // renderer.
  std::unique_ptr<SDL_Renderer, RendererDeleter> renderer;
  std::unique_ptr<SDL_Texture, TextureDeleter> texture;
  SurfacePtr canvas;
  double pixelsPerUnit = 1.0;  // window pixels per unit of SDL's window coordinates
  // The window's own surface, which the launcher paints straight into, as
  // it last was: SDL makes a new one, its pixels lost, when the window's
  // size changes.
  SDL_Surface* surface = nullptr;
  HelperTask surfacePages;  // SupplyPixelPages on the surface
  // Waits for surfacePages, if it still runs.
  void AwaitSurfacePages() { surfacePages.Join(); }
  Uint32 id = 0;
  void* userData = nullptr;
  int width = 0;  // the client area, as the launcher sees it
  int height = 0;
  ClientView view;  // the client area on the window's pixels
  std::vector<SDL_Rect> invalid;
  bool shown = false;   // ShowWindow was called
  bool mapped = false;  // and SDL shows it
  // A window manager that was asked for the frame before the map and had
  // not said by the deadline (a busy one, or one that answers only as it
  // frames the window): the client is placed when it has said, at
  // (clientLeft, clientTop) moved by half the frame's difference.
  bool placeWhenFramed = false;
  int placeTries = 0;
  int clientLeft = 0;
  int clientTop = 0;
  bool destroying = false;
};

struct DesktopPlatform::Context {
  Window* window = nullptr;       // null for a measuring context
  SDL_Surface* target = nullptr;  // null for a measuring context
  SDL_Rect clip{0, 0, 0, 0};
  std::vector<SDL_Rect> region;  // the rectangles being repainted
  ClientView view;               // where they lie on the target's pixels
  DesktopFont* font = nullptr;
  ColorRef color = 0;
};

DesktopPlatform::DesktopPlatform(DesktopVideo video)
    : video_(video == DesktopVideo::kInMemory), inMemory_(video == DesktopVideo::kInMemory) {
  SDL_SetMainReady();
  // The launch's id, if a desktop started the launcher with one: read
  // once, before any helper thread, and never handed on (program_start.h).
  const char* startupId = std::getenv("DESKTOP_STARTUP_ID");
  if (startupId != nullptr && video == DesktopVideo::kScreen) startupId_ = startupId;
}

DesktopPlatform::~DesktopPlatform() = default;

bool DesktopPlatform::RegisterWindowClass(const WindowClassDescription& description) {
  if (!description.procedure || !video_.Start()) return false;
  procedure_ = description.procedure;
  return true;
}

void DesktopPlatform::AdjustWindowRect(PlatformRect&, std::uint32_t) {}

int DesktopPlatform::GetSystemMetrics(int index) {
  if (!video_.Start()) return 0;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) != 0) return 0;
  if (index == kScreenWidthMetric) return bounds.w;
  if (index == kScreenHeightMetric) return bounds.h;
  return 0;
}

WindowHandle DesktopPlatform::CreateWindow(const char*, const char* title, std::uint32_t, int x,
                                           int y, int width, int height, WindowHandle,
                                           InstanceHandle) {
  if (!video_.started() || window_) return nullptr;
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
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool onWayland = !inMemory_ && driver && std::strcmp(driver, "wayland") == 0;
  // On Wayland the window has the scale of the outputs it may show on,
  // unless the author asks for the compositor's stretching (MAVREL_SCALE=1).
  const bool waylandScaled = onWayland && ParseScale(std::getenv("MAVREL_SCALE")) != 1.0;
  WindowPtr sdl(
      SDL_CreateWindow(caption.c_str(), x, y, width, height,
                       SDL_WINDOW_HIDDEN | (waylandScaled ? SDL_WINDOW_ALLOW_HIGHDPI : 0)));
  if (!sdl) return nullptr;
  const bool onX11 = IsX11Window(sdl.get());
  if (onX11) {
    ScaleSources sources{std::getenv("MAVREL_SCALE"), X11Resources(sdl.get()),
                         std::getenv("GDK_SCALE"), IsXWayland(sdl.get())};
    scale_ = ChooseScale(sources);
  } else if (onWayland) {
    int pixelWidth = width, pixelHeight = height;
    SDL_GetWindowSizeInPixels(sdl.get(), &pixelWidth, &pixelHeight);
    scale_ = std::clamp(static_cast<double>(pixelWidth) / width, 1.0, kMaxScale);
  }
  ClientView view(width, height, scale_);
  SDL_Rect pixels = view.ClientPixels();
  if (pixels.w > kMaxWindowSide || pixels.h > kMaxWindowSide ||
      static_cast<long>(pixels.w) * pixels.h > kMaxWindowPixels) {
    // Too large to show scaled: shown as it is.
    scale_ = 1.0;
    view = ClientView(width, height, 1.0);
    pixels = view.ClientPixels();
  }
  if (onWayland && scale_ != 1.0) {
    window_ = std::make_unique<Window>();
    window_->renderer.reset(SDL_CreateRenderer(sdl.get(), -1, 0));
    if (!window_->renderer) {
      // Shown as SDL shows a surface, stretched by the compositor.
      scale_ = 1.0;
      view = ClientView(width, height, 1.0);
      pixels = view.ClientPixels();
    }
  }
  // The picture is stretched to the client area meanwhile.
  picture_.StartAt(pixels.w, pixels.h);
  if (!onWayland && (pixels.w != width || pixels.h != height)) {
    SDL_SetWindowSize(sdl.get(), pixels.w, pixels.h);
  }
  FrameExtents frame;
  int clientLeft = x, clientTop = y;
  if (onX11) {
    // The launcher centred the client area on the screen; the window, frame
    // included, is what is centred, as on Windows.
    frame = AskFrameExtents(sdl.get(), kFrameExtentsWaitMs);
    clientLeft = x + (width - pixels.w) / 2;
    clientTop = y + (height - pixels.h) / 2;
    if (frame.known || pixels.w != width || pixels.h != height) {
      PlaceWithFrame(sdl.get(), clientLeft, clientTop, frame);
    }
    SetStartupId(sdl.get(), startupId_);
  }
  if (SurfacePtr icon = MakeIcon()) SDL_SetWindowIcon(sdl.get(), icon.get());
  if (!window_) window_ = std::make_unique<Window>();
  window_->placeWhenFramed = frame.asked && !frame.known;
  window_->clientLeft = clientLeft;
  window_->clientTop = clientTop;
  window_->id = SDL_GetWindowID(sdl.get());
  window_->sdl = std::move(sdl);
  // The surface is made now, and its pages supplied while the buttons are
  // made, rather than page by page as the first paint writes it.
  window_->surface = Pixels(*window_);
  window_->surfacePages = SupplyPixelPages(window_->surface);
  window_->width = width;
  window_->height = height;
  window_->view = view;
  return reinterpret_cast<WindowHandle>(window_.get());
}

SDL_Surface* DesktopPlatform::Pixels(Window& w) {
  if (!w.renderer) return SDL_GetWindowSurface(w.sdl.get());
  int width = 0, height = 0, unitsWide = 0, unitsHigh = 0;
  if (SDL_GetRendererOutputSize(w.renderer.get(), &width, &height) != 0 || width <= 0 ||
      height <= 0) {
    return nullptr;
  }
  SDL_GetWindowSize(w.sdl.get(), &unitsWide, &unitsHigh);
  w.pixelsPerUnit = unitsWide > 0 ? static_cast<double>(width) / unitsWide : 1.0;
  if (!w.canvas || w.canvas->w != width || w.canvas->h != height) {
    w.texture.reset();
    w.AwaitSurfacePages();
    w.canvas = NewPixelSurface(width, height);
    if (!w.canvas) return nullptr;
    w.texture.reset(SDL_CreateTexture(w.renderer.get(), SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, width, height));
    if (!w.texture) w.canvas.reset();
  }
  return w.canvas.get();
}

void DesktopPlatform::Present(Window& w, const std::vector<SDL_Rect>& pixels) {
  if (!w.renderer) {
    SDL_UpdateWindowSurfaceRects(w.sdl.get(), pixels.data(), static_cast<int>(pixels.size()));
    return;
  }
  if (!w.canvas || !w.texture) return;
  const SDL_Rect whole{0, 0, w.canvas->w, w.canvas->h};
  for (const SDL_Rect& piece : pixels) {
    SDL_Rect area;
    if (!SDL_IntersectRect(&piece, &whole, &area)) continue;
    const auto* at = static_cast<const Uint8*>(w.canvas->pixels) +
                     static_cast<std::ptrdiff_t>(area.y) * w.canvas->pitch + area.x * 4;
    SDL_UpdateTexture(w.texture.get(), &area, at, w.canvas->pitch);
  }
  SDL_RenderCopy(w.renderer.get(), w.texture.get(), nullptr, nullptr);
  SDL_RenderPresent(w.renderer.get());
}

DesktopPlatform::Window* DesktopPlatform::FindWindow(WindowHandle handle) const {
  if (!handle || !window_ || reinterpret_cast<Window*>(handle) != window_.get()) return nullptr;
  return window_.get();
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
  // The window appears once its first paint is drawn (EndPaint), with its
  // picture and texts rather than blank first; at the latest when the
  // launcher next waits for input.
  w->shown = true;
  Invalidate(*w, SDL_Rect{0, 0, w->width, w->height});
}

void DesktopPlatform::MapShownWindow(Window& w) {
  if (!w.shown || w.mapped) return;
  w.mapped = true;
  // On Wayland SDL activates the window with the launch's
  // XDG_ACTIVATION_TOKEN and takes the token out of the environment as it
  // shows it: no helper thread may be reading the environment then.
  text_.FinishLookUp();
  picture_.Finish();
  w.AwaitSurfacePages();
  SDL_ShowWindow(w.sdl.get());
  if (!IsX11Window(w.sdl.get()) && !inMemory_) {
    // A fixed size before the first picture is committed: a tiling
    // compositor then floats the window at its size rather than tile it.
    // (SDL gives the size only once a window has been shown.)
    SDL_SetWindowMinimumSize(w.sdl.get(), w.width, w.height);
    SDL_SetWindowMaximumSize(w.sdl.get(), w.width, w.height);
  }
  // The launch has shown its window: the desktop's launch feedback ends.
  SendStartupComplete(w.sdl.get(), startupId_);
}

void DesktopPlatform::PlaceWhenFramed(Window& w) {
  // The frame is known by the time the window is shown, as a rule; a
  // window manager that never tells is not asked again and again.
  constexpr int kTries = 8;
  FrameExtents frame = ReadFrameExtents(w.sdl.get());
  if (frame.known) PlaceWithFrame(w.sdl.get(), w.clientLeft, w.clientTop, frame);
  if (frame.known || ++w.placeTries >= kTries) w.placeWhenFramed = false;
}

void DesktopPlatform::DestroyWindow(WindowHandle window) {
  Window* w = FindWindow(window);
  if (!w || w->destroying) return;
  w->destroying = true;
  if (captured_) ReleaseCapture();
  if (procedure_) procedure_(*this, window, kWmDestroy, 0, 0);
  contexts_.EraseIf([w](const Context& c) { return c.window == w; });
  w->AwaitSurfacePages();
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

void DesktopPlatform::Invalidate(Window& w, const SDL_Rect& rect) {
  AddToRegion(w.invalid, Intersect(rect, SDL_Rect{0, 0, w.width, w.height}));
}

void DesktopPlatform::InvalidateRect(WindowHandle window, const PlatformRect& rect, bool) {
  Window* w = FindWindow(window);
  if (!w) return;
  Invalidate(*w, ToSdl(rect));
}

bool DesktopPlatform::IsMoveToDeliver(const SDL_Event* queued, int count, int at) const {
  const SDL_Event& move = queued[at];
  if (move.type != SDL_MOUSEMOTION || !window_ || move.motion.windowID != window_->id) return false;
  // SDL turns the pointer leaving the window into a move to where it left
  // (kept inside the client area), queued just before the leave. Windows
  // sends no move when the pointer leaves, so the hot button stays lit;
  // only a press in progress gets that move.
  bool pressing = captured_ || (move.motion.state & SDL_BUTTON_LMASK) != 0;
  const SDL_Event* next = at + 1 < count ? &queued[at + 1] : nullptr;
  bool leaving = next && next->type == SDL_WINDOWEVENT && next->window.windowID == window_->id &&
                 next->window.event == SDL_WINDOWEVENT_LEAVE;
  return pressing || !leaving;
}

bool DesktopPlatform::TranslateEvent(const SDL_Event& event, Message& message) {
  Window* w = window_.get();
  if (!w || w->destroying) return false;
  WindowHandle handle = reinterpret_cast<WindowHandle>(w);
  auto pointer = [&](std::uint32_t kind, int pixelX, int pixelY, std::uintptr_t keys) {
    // The launcher sees client pixels, whatever the scale. Positions left of
    // or above the client area wrap round, as it expects of a 16-bit half.
    int x = w->view.ClientX(static_cast<int>(std::floor(pixelX * w->pixelsPerUnit)));
    int y = w->view.ClientY(static_cast<int>(std::floor(pixelY * w->pixelsPerUnit)));
    message = Message{handle, kind, keys,
                      PackPointerPosition(static_cast<std::uint16_t>(x & 0xFFFF),
                                          static_cast<std::uint16_t>(y & 0xFFFF))};
    return true;
  };
  switch (event.type) {
    case SDL_MOUSEMOTION: {
      // This move and the events queued behind it.
      SDL_Event queued[16];
      queued[0] = event;
      int count = 1 + std::max(0, SDL_PeepEvents(queued + 1, 15, SDL_PEEKEVENT, SDL_FIRSTEVENT,
                                                 SDL_LASTEVENT));
      if (!IsMoveToDeliver(queued, count, 0)) return false;
      // Only the newest of several queued moves matters, as on Windows;
      // a press or release queued in between keeps this one.
      for (int i = 1; i < count; ++i) {
        if (queued[i].type < SDL_MOUSEMOTION || queued[i].type > SDL_MOUSEBUTTONUP) continue;
        if (IsMoveToDeliver(queued, count, i)) return false;
        break;
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
      if (w->placeWhenFramed) PlaceWhenFramed(*w);
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) w->surface = nullptr;
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
          event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        Invalidate(*w, SDL_Rect{0, 0, w->width, w->height});
      }
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
    if (!video_.started()) {
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
    // A shown window whose paint drew nothing still appears.
    if (w) MapShownWindow(*w);
    // Started programs are reaped before the launcher waits, and one that
    // ends meanwhile wakes the wait, so none stays a zombie.
    ReapEndedPrograms();
    if (ReportLateOpenFailures()) continue;
    if (WaitForEvent(event) && TranslateEvent(event, message)) return 1;
  }
}

bool DesktopPlatform::WaitForEvent(SDL_Event& event) {
  if (RunningProgramCount() == 0) return SDL_WaitEvent(&event) != 0;
  ProgramEndWake wake([] {
    SDL_Event ended{};
    ended.type = SDL_USEREVENT;
    SDL_PushEvent(&ended);
  });
  // Without a helper thread to say so, a program's end is looked for every
  // so often.
  constexpr int kLookForEndsMs = 250;
  if (wake.watching()) return SDL_WaitEvent(&event) != 0;
  return SDL_WaitEventTimeout(&event, kLookForEndsMs) != 0;
}

bool DesktopPlatform::ReportLateOpenFailures() {
  Window* w = window_.get();
  // During a press the box waits until the button is released: the press
  // belongs to the launcher's window.
  if (captured_) return false;
  std::vector<std::string> failures = TakeLateOpenerFailures();
  if (!w || w->destroying || failures.empty()) return false;
  for (const std::string& text : failures) {
    MessageBox(reinterpret_cast<WindowHandle>(w), text.c_str(), kActivationErrorCaption,
               kMessageBoxOk);
  }
  return true;
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
    MapShownWindow(*w);
  }
  // The box opens its face through the text libraries that the font
  // look-up thread may still be using.
  text_.FinishLookUp();
  std::string body = DisplayText(text ? text : "");
  std::string title = DisplayText(caption ? caption : "");
  auto repaintOwner = [this](std::uint32_t windowId) {
    Window* owner = window_.get();
    if (!owner || windowId != owner->id) return;
    Invalidate(*owner, SDL_Rect{0, 0, owner->width, owner->height});
    if (procedure_) procedure_(*this, reinterpret_cast<WindowHandle>(owner), kWmPaint, 0, 0);
  };
  // Drawn at the launcher's scale on X11. A scaled Wayland window is drawn
  // through a canvas of its own; the box, a plain window, is stretched by
  // the compositor like any unscaled one.
  const double boxScale = (w && w->renderer) ? 1.0 : scale_;
  if (!ShowModalMessageBox(w ? w->sdl.get() : nullptr, title, body, repaintOwner, boxScale)) {
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
  w->AwaitSurfacePages();
  SDL_Surface* surface = Pixels(*w);
  if (surface != w->surface) {
    // A new surface holds nothing yet: all of it is painted. Its size is
    // the one the window has, which a compositor may have imposed.
    w->surface = surface;
    if (surface) w->view.PlaceIn(surface->w, surface->h);
    Invalidate(*w, SDL_Rect{0, 0, w->width, w->height});
  }
  context->target = surface;  // none: the paint draws nothing
  context->view = w->view;
  context->region = std::move(w->invalid);
  w->invalid.clear();
  SDL_Rect bounds = Bounds(context->region);
  context->clip = bounds;
  paint.invalid = PlatformRect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  paint.context = contexts_.Add(std::move(context));
  return paint.context;
}

void DesktopPlatform::EndPaint(WindowHandle window, const PaintInfo& paint) {
  Context* context = contexts_.Find(paint.context);
  Window* w = FindWindow(window);
  if (context && w && context->window == w && context->target && context->target == w->surface &&
      !context->region.empty()) {
    std::vector<SDL_Rect> pixels;
    SDL_Rect client = w->view.ClientPixels();
    bool framed = client.w < w->surface->w || client.h < w->surface->h;
    bool edgeTouched = false;
    for (const SDL_Rect& piece : context->region) {
      pixels.push_back(w->view.ToPixels(piece));
      edgeTouched = edgeTouched || piece.x <= 0 || piece.y <= 0 || piece.x + piece.w >= w->width ||
                    piece.y + piece.h >= w->height;
    }
    if (framed && (edgeTouched || !w->mapped)) {
      // The window is larger than its client: what lies round the client
      // follows its edges.
      ExtendEdges(w->surface, client);
      pixels.assign(1, SDL_Rect{0, 0, w->surface->w, w->surface->h});
    }
    if (!w->mapped) {
      // All of it goes out as the window appears.
      MapShownWindow(*w);
      pixels.assign(1, SDL_Rect{0, 0, w->surface->w, w->surface->h});
    }
    Present(*w, pixels);
  }
  contexts_.Erase(paint.context);
}

WindowHandle DesktopPlatform::GetDesktopWindow() {
  return reinterpret_cast<WindowHandle>(&desktopWindow_);
}

DrawingContext DesktopPlatform::GetDC(WindowHandle) {
  return contexts_.Add(std::make_unique<Context>());
}

void DesktopPlatform::ReleaseDC(WindowHandle, DrawingContext context) { contexts_.Erase(context); }

DrawingContext DesktopPlatform::GetSurfaceDC(SDL_Surface* target) {
  auto context = std::make_unique<Context>();
  if (target) {
    context->target = target;
    context->clip = SDL_Rect{0, 0, target->w, target->h};
    context->region.push_back(context->clip);
  }
  return contexts_.Add(std::move(context));
}

SDL_Surface* DesktopPlatform::WindowPixels(WindowHandle window) {
  Window* w = FindWindow(window);
  return w ? Pixels(*w) : nullptr;
}

// ---- Fonts and text -----------------------------------------------------------

FontHandle DesktopPlatform::CreateFont(int height, const char* faceName) {
  std::unique_ptr<DesktopFont> font = text_.MakeFont(height, faceName);
  return font ? fonts_.Add(std::move(font)) : nullptr;
}

void DesktopPlatform::DeleteFont(FontHandle font) {
  DesktopFont* gone = fonts_.Find(font);
  if (!gone) return;
  contexts_.ForEach([gone](Context& c) {
    if (c.font == gone) c.font = nullptr;
  });
  fonts_.Erase(font);
}

int DesktopPlatform::FontLineHeight(FontHandle font) const {
  DesktopFont* f = fonts_.Find(font);
  return f ? f->lineHeight : 0;
}

FontHandle DesktopPlatform::SelectFont(DrawingContext context, FontHandle font) {
  Context* c = contexts_.Find(context);
  if (!c) return nullptr;
  DesktopFont* previous = c->font;
  c->font = fonts_.Find(font);
  return fonts_.HandleOf(previous);
}

// Text is always drawn transparently over what is below.
void DesktopPlatform::SetBackgroundMode(DrawingContext, int) {}

void DesktopPlatform::SetTextColor(DrawingContext context, ColorRef color) {
  if (Context* c = contexts_.Find(context)) c->color = color;
}

int DesktopPlatform::DrawText(DrawingContext context, const char* text, int length,
                              PlatformRect& rect, std::uint32_t format) {
  Context* c = contexts_.Find(context);
  if (!c || !text) return 0;
  // Text drawn with no font selected uses the default size of the face.
  if (!c->font) {
    c->font = fonts_.Find(CreateFont(0, kLauncherFaceName));
    if (!c->font) return 0;
  }
  const DesktopFont& font = *c->font;
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
  // Edges far apart or far out must not overflow: such sums saturate.
  auto saturate = [](long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  const int maxWidth = saturate(static_cast<long long>(rect.right) - rect.left);
  const TextLayout& layout = text_.Layout(font, bytes, isUtf8, maxWidth);
  if (measuring) {
    rect.right = saturate(static_cast<long long>(rect.left) + layout.width);
    rect.bottom = saturate(static_cast<long long>(rect.top) + layout.height);
    return layout.height;
  }
  if (c->target) {
    text_.Draw(c->target, font, bytes, isUtf8, layout, rect.left, rect.top, c->view.ToPixels(clip),
               c->color, c->view);
  }
  return layout.height;
}

// ---- Pictures and fills -----------------------------------------------------------

void DesktopPlatform::StretchDIBits(DrawingContext context, int destX, int destY, int destWidth,
                                    int destHeight, int, int, int, int, const DibView& picture,
                                    std::uint32_t, std::uint32_t) {
  Context* c = contexts_.Find(context);
  if (!c || !c->target || IsEmpty(c->clip)) return;
  if (destWidth <= 0 || destHeight <= 0 ||
      static_cast<long long>(destWidth) * destHeight > kMaxWindowPixels) {
    return;
  }
  // The launcher always draws its one picture whole.
  // Stretched once, to the scaled size.
  SDL_Rect to = c->view.ToPixels(SDL_Rect{destX, destY, destWidth, destHeight});
  SDL_Surface* scaled = picture_.At(picture, to.w, to.h);
  if (!scaled) return;
  for (const SDL_Rect& piece : c->region) {
    SDL_Rect area = c->view.ToPixels(Intersect(piece, c->clip));
    if (IsEmpty(area)) continue;
    SDL_SetClipRect(c->target, &area);
    SDL_Rect at = to;
    SDL_BlitSurface(scaled, nullptr, c->target, &at);
  }
  SDL_SetClipRect(c->target, nullptr);
}

void DesktopPlatform::FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) {
  Context* c = contexts_.Find(context);
  if (!c || !c->target) return;
  SDL_Color rgb = ToSdlColor(color);
  Uint32 pixel = SDL_MapRGB(c->target->format, rgb.r, rgb.g, rgb.b);
  for (const SDL_Rect& piece : c->region) {
    SDL_Rect area = c->view.ToPixels(Intersect(Intersect(ToSdl(rect), c->clip), piece));
    if (!IsEmpty(area)) SDL_FillRect(c->target, &area, pixel);
  }
}

// ---- Programs and documents ---------------------------------------------------------

bool DesktopPlatform::CreateProcess(const char* commandLine, const char* directory,
                                    ProcessInformation& started) {
  started = ProcessInformation{};
  environment_.Restore();
  if (!commandLine || !directory) return false;
  pid_t pid = 0;
  int error = 0;
  if (!StartProgram(commandLine, directory, pid, error)) return false;
  // The launcher only closes these; the program is reaped by the loop.
  started.process = reinterpret_cast<ProcessHandle>(nextProcessHandle_++);
  started.thread = reinterpret_cast<ProcessHandle>(nextProcessHandle_++);
  return true;
}

void DesktopPlatform::CloseProcessHandle(ProcessHandle) {}

std::uintptr_t DesktopPlatform::ShellExecute(WindowHandle, const char* document,
                                             const char* directory, int) {
  environment_.Restore();
  if (!document || !directory) return 2;
  Window* w = window_.get();
  std::string lateFailure;
  if (w && lateOpenFailureText_) {
    lateFailure = lateOpenFailureText_(reinterpret_cast<WindowHandle>(w));
  }
  return OpenDocument(document, directory, 1000, lateFailure);
}

}  // namespace mavrel
