#include "platform/desktop/message_box.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/desktop_text.h"
#include "platform/desktop/font_resolver.h"
#include "platform/desktop/text_libraries.h"
#include "windows_rules/text_encoding.h"
#include "windows_rules/text_layout.h"

namespace mavrel {
namespace {

// The X core font "fixed" (6 x 13), compiled in from
// scripts/make-box-font.py, for U+0020 to U+00FF.
constexpr std::uint32_t kFirstBitmapCharacter = 0x20;
constexpr std::uint32_t kLastBitmapCharacter = 0xFF;
constexpr std::uint8_t kBitmapGlyphs[][kBitmapFontHeight] = {
#include "platform/desktop/box_font_glyphs.inc"
};
static_assert(sizeof kBitmapGlyphs / sizeof kBitmapGlyphs[0] ==
              kLastBitmapCharacter - kFirstBitmapCharacter + 1);

// Calls `glyph` with each character's rows in the bitmap font. A character
// the font lacks, or a byte that is no UTF-8, is drawn as "?".
template <typename Glyph>
void ForEachBitmapGlyph(std::string_view utf8, Glyph&& glyph) {
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t code = 0;
    std::size_t length = Utf8SequenceAt(utf8, i, code);
    if (length == 0) {
      code = static_cast<unsigned char>(utf8[i]);
      if (code >= 0x80) code = '?';
      length = 1;
    }
    i += length;
    if (code < kFirstBitmapCharacter || code > kLastBitmapCharacter) code = '?';
    glyph(kBitmapGlyphs[code - kFirstBitmapCharacter]);
  }
}

constexpr int kPadding = 16;
constexpr int kMaxTextWidth = 420;
constexpr int kMinWidth = 220;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kFontPixels = 15;
constexpr Uint32 kBackground = 0xF0F0F0;
constexpr Uint32 kButtonFace = 0xE1E1E1;
constexpr Uint32 kButtonHot = 0xE5F1FB;
constexpr Uint32 kButtonBorder = 0x0078D7;

// The box's face: the launcher's sans face, or the bitmap font when no
// TrueType face can be had.
class BoxFont {
 public:
  // False when no TrueType face can be made; the bitmap font serves then.
  bool OpenTrueType() {
    if (!text::TTF_WasInit() && text::TTF_Init() != 0) return false;
    FontFace face = ResolveFontFace(kLauncherFaceName);
    if (face.file.empty()) return false;
    ttf_.reset(text::TTF_OpenFontIndex(face.file.c_str(), kFontPixels, face.index));
    return ttf_ != nullptr;
  }
  int LineHeight() const {
    return ttf_ ? std::max(1, text::TTF_FontLineSkip(ttf_.get())) : kBitmapFontHeight + 2;
  }
  int Width(const std::string& utf8) const {
    if (!ttf_) return BitmapTextWidth(utf8);
    int w = 0, h = 0;
    text::TTF_SizeUTF8(ttf_.get(), utf8.c_str(), &w, &h);
    return w;
  }
  int Height() const { return ttf_ ? text::TTF_FontHeight(ttf_.get()) : kBitmapFontHeight; }
  void Draw(SDL_Surface* target, const std::string& utf8, int x, int y) const {
    if (utf8.empty()) return;
    if (!ttf_) {
      DrawBitmapText(target, utf8, x, y, 0x000000);
      return;
    }
    SurfacePtr line(
        text::TTF_RenderUTF8_Blended(ttf_.get(), utf8.c_str(), SDL_Color{0, 0, 0, 255}));
    if (!line) return;
    SDL_Rect to{x, y, line->w, line->h};
    SDL_BlitSurface(line.get(), nullptr, target, &to);
  }

 private:
  TtfFontPtr ttf_;
};

struct Box {
  BoxFont font;
  WindowPtr window;
  std::string text;
  TextLayout layout;
  int lineHeight = 0;
  SDL_Rect button{0, 0, 0, 0};
  bool hot = false;
  bool pressed = false;
};

void Fill(SDL_Surface* s, const SDL_Rect& r, Uint32 rgb) {
  SDL_FillRect(s, &r, SDL_MapRGB(s->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}

void Paint(Box& box) {
  SDL_Surface* s = SDL_GetWindowSurface(box.window.get());
  if (!s) return;
  Fill(s, SDL_Rect{0, 0, s->w, s->h}, kBackground);
  for (std::size_t i = 0; i < box.layout.lines.size(); ++i) {
    const LaidOutLine& line = box.layout.lines[i];
    box.font.Draw(s, box.text.substr(line.start, line.length), kPadding,
                  kPadding + static_cast<int>(i) * box.lineHeight);
  }
  Fill(s, box.button, kButtonBorder);
  SDL_Rect face{box.button.x + 1, box.button.y + 1, box.button.w - 2, box.button.h - 2};
  Fill(s, face, box.hot ? kButtonHot : kButtonFace);
  box.font.Draw(s, "OK", box.button.x + (box.button.w - box.font.Width("OK")) / 2,
                box.button.y + (box.button.h - box.font.Height()) / 2);
  SDL_UpdateWindowSurface(box.window.get());
}

bool InButton(const Box& box, int x, int y) {
  SDL_Point p{x, y};
  return SDL_PointInRect(&p, &box.button);
}

// Forks the process has made, counted in the parent after each.
std::atomic<unsigned> forksMade{0};
void CountFork() { forksMade.fetch_add(1); }

// X errors met while one of the calls below runs: asking about another
// client's window that has just gone answers BadWindow.
std::atomic<int> xErrors{0};
int CountXError(Display*, XErrorEvent*) {
  xErrors.fetch_add(1);
  return 0;
}

// Runs `requests` on `display` and gives true when the server answered
// none of them with an error.
template <typename Requests>
bool WithoutXError(Display* display, Requests requests) {
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(CountXError);
  int before = xErrors.load();
  requests();
  XSync(display, False);
  XSetErrorHandler(previous);
  return xErrors.load() == before;
}

// Follows SDL's X11 box on the owner's connection, in the order of the
// owner's own events: the box is the window mapped with the owner as its
// WM_TRANSIENT_FOR, and it has left the screen once it is unmapped or
// destroyed. Windows made on the root meanwhile are watched themselves, so
// that a window manager's frame does not hide them.
class BoxWatch {
 public:
  explicit BoxWatch(SDL_Window* owner) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(owner, &info) || info.subsystem != SDL_SYSWM_X11) return;
    display_ = info.info.x11.display;
    owner_ = info.info.x11.window;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, owner_, &attributes)) {
      display_ = nullptr;
      return;
    }
    root_ = attributes.root;
    XWindowAttributes rootAttributes;
    rootMask_ = XGetWindowAttributes(display_, root_, &rootAttributes)
                    ? rootAttributes.your_event_mask
                    : NoEventMask;
    XSelectInput(display_, root_, rootMask_ | SubstructureNotifyMask);
    XSync(display_, False);
    wasEnabled_ = SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE) == SDL_ENABLE;
  }
  ~BoxWatch() {
    if (!display_) return;
    if (!wasEnabled_) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    XSelectInput(display_, root_, rootMask_);
    XFlush(display_);
  }
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

  bool gone() const { return gone_; }

  void Take(const SDL_Event& event) {
    if (!display_ || event.type != SDL_SYSWMEVENT || !event.syswm.msg ||
        event.syswm.msg->subsystem != SDL_SYSWM_X11) {
      return;
    }
    const XEvent& x = event.syswm.msg->msg.x11.event;
    switch (x.type) {
      case CreateNotify:
        if (x.xcreatewindow.parent == root_ && box_ == None) Created(x.xcreatewindow.window);
        break;
      case MapNotify:
        if (box_ == None) Mapped(x.xmap.window);
        break;
      case UnmapNotify:
        if (x.xunmap.window == box_) gone_ = true;
        break;
      case DestroyNotify:
        if (x.xdestroywindow.window == box_) gone_ = true;
        break;
      default:
        break;
    }
  }

 private:
  void Created(Window window) {
    if (window == owner_) return;
    XWindowAttributes attributes{};
    bool alive = WithoutXError(display_, [&] {
      XSelectInput(display_, window, StructureNotifyMask);
      XGetWindowAttributes(display_, window, &attributes);
    });
    // Mapped before it was watched (by a window manager, say).
    if (alive && attributes.map_state != IsUnmapped) Mapped(window);
  }

  void Mapped(Window window) {
    if (window == owner_ || window == root_) return;
    Window transientFor = None;
    bool alive =
        WithoutXError(display_, [&] { XGetTransientForHint(display_, window, &transientFor); });
    // A window mapped and destroyed again before it could be asked about
    // is taken for the box (the user has answered it already): it leaves
    // the screen with the unmapping that is queued behind this event.
    if (!alive || transientFor == owner_) box_ = window;
  }

  Display* display_ = nullptr;
  Window owner_ = None;
  Window root_ = None;
  long rootMask_ = NoEventMask;
  bool wasEnabled_ = false;
  Window box_ = None;
  bool gone_ = false;
};

struct SdlBoxCall {
  SDL_Window* owner = nullptr;
  std::string title;
  std::string body;
  Uint32 wakeType = 0;
  bool shown = false;
  std::atomic<bool> finished{false};
};

int RunSdlBox(void* data) {
  auto* call = static_cast<SdlBoxCall*>(data);
  call->shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, call->title.c_str(),
                                         call->body.c_str(), call->owner) == 0;
  call->finished = true;
  SDL_Event wake{};
  wake.type = call->wakeType;
  SDL_PushEvent(&wake);
  return 0;
}

}  // namespace

int BitmapTextWidth(std::string_view utf8) {
  int width = 0;
  ForEachBitmapGlyph(utf8, [&](const std::uint8_t*) { width += kBitmapFontWidth; });
  return width;
}

void DrawBitmapText(SDL_Surface* target, std::string_view utf8, int x, int y, std::uint32_t rgb) {
  const Uint32 colour =
      SDL_MapRGB(target->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  ForEachBitmapGlyph(utf8, [&](const std::uint8_t* rows) {
    for (int row = 0; row < kBitmapFontHeight; ++row) {
      for (int column = 0; column < kBitmapFontWidth; ++column) {
        if (rows[row] & (0x80 >> column)) {
          SDL_Rect pixel{x + column, y + row, 1, 1};
          SDL_FillRect(target, &pixel, colour);
        }
      }
    }
    x += kBitmapFontWidth;
  });
}

bool ShowOwnMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  Box box;
  // Without a TrueType face (no font installed, no descriptor free, the
  // text libraries missing) the bitmap font draws the box, so that every
  // message, start-up failures' above all, is seen.
  box.font.OpenTrueType();
  box.text = std::string(text);
  box.lineHeight = box.font.LineHeight();
  box.layout = LayoutText(
      box.text, kMaxTextWidth, box.lineHeight,
      [&](const char* run, std::size_t count) { return box.font.Width(std::string(run, count)); });
  int width = std::clamp(box.layout.width + 2 * kPadding, kMinWidth, kMaxTextWidth * 2);
  int height = kPadding + box.layout.height + kPadding + kButtonHeight + kPadding;
  box.button = SDL_Rect{(width - kButtonWidth) / 2, height - kPadding - kButtonHeight, kButtonWidth,
                        kButtonHeight};

  // Centred over the owner, or on the screen.
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  if (owner) {
    int ox, oy, ow, oh;
    SDL_GetWindowPosition(owner, &ox, &oy);
    SDL_GetWindowSize(owner, &ow, &oh);
    x = ox + (ow - width) / 2;
    y = oy + (oh - height) / 2;
  }
  std::string title(caption);
  box.window.reset(SDL_CreateWindow(title.c_str(), x, y, width, height, SDL_WINDOW_HIDDEN));
  if (!box.window) return false;
  if (owner) SDL_SetWindowModalFor(box.window.get(), owner);
  SDL_ShowWindow(box.window.get());
  SDL_RaiseWindow(box.window.get());
  Paint(box);
  Uint32 id = SDL_GetWindowID(box.window.get());

  bool done = false;
  SDL_Event event;
  while (!done && SDL_WaitEvent(&event)) {
    Uint32 windowId = 0;
    switch (event.type) {
      case SDL_WINDOWEVENT:
        windowId = event.window.windowID;
        break;
      case SDL_MOUSEMOTION:
        windowId = event.motion.windowID;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        windowId = event.button.windowID;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        windowId = event.key.windowID;
        break;
      default:
        break;
    }
    if (windowId != id) {
      if (otherWindowEvent) otherWindowEvent(event);
      continue;
    }
    switch (event.type) {
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) done = true;
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Paint(box);
        break;
      case SDL_MOUSEMOTION: {
        bool hot = InButton(box, event.motion.x, event.motion.y);
        if (hot != box.hot) {
          box.hot = hot;
          Paint(box);
        }
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
          box.pressed = InButton(box, event.button.x, event.button.y);
        }
        break;
      case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT && box.pressed &&
            InButton(box, event.button.x, event.button.y)) {
          done = true;
        }
        box.pressed = false;
        break;
      case SDL_KEYDOWN: {
        SDL_Keycode key = event.key.keysym.sym;
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE || key == SDLK_SPACE) {
          done = true;
        }
        break;
      }
      default:
        break;
    }
  }
  return true;
}

bool ShowSdlMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent) {
  std::string title(caption), body(text);
  if (!owner) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), body.c_str(),
                                    nullptr) == 0;
  }
  static std::once_flag counting;
  static Uint32 wakeType = 0;
  std::call_once(counting, [] {
    pthread_atfork(nullptr, CountFork, nullptr);
    wakeType = SDL_RegisterEvents(1);
  });
  if (wakeType == static_cast<Uint32>(-1)) return false;
  SdlBoxCall call;
  call.owner = owner;
  call.title = title;
  call.body = body;
  call.wakeType = wakeType;
  // Set up before the box can appear, so that its window is seen made.
  BoxWatch watch(owner);
  const unsigned forksBefore = forksMade.load();
  SDL_Thread* thread = SDL_CreateThread(RunSdlBox, "message box", &call);
  if (!thread) return false;
  // SDL's X11 box runs in a child that SDL forks, and the child carries on
  // with whatever locks this thread held at the fork: this thread takes
  // none (no SDL, no allocation) until the fork is made, or the box has
  // ended without one.
  while (!call.finished && forksMade.load() == forksBefore) usleep(1000);
  // Up to the moment the box leaves the screen; what comes after it stays
  // queued, in order, for the caller.
  while (!call.finished && !watch.gone()) {
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, 100)) continue;
    if (event.type == SDL_SYSWMEVENT) {
      watch.Take(event);
    } else if (event.type != wakeType && otherWindowEvent) {
      otherWindowEvent(event);
    }
  }
  // SDL's call returns a moment after its box has gone (the child ends, SDL
  // raises the owner again); the launcher goes on once it has.
  SDL_WaitThread(thread, nullptr);
  SDL_FlushEvent(wakeType);
  return call.shown;
}

bool ShowModalMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                         const std::function<void(std::uint32_t windowId)>& exposed) {
  std::vector<SDL_Event> kept;
  auto ownerEvent = [&](const SDL_Event& event) {
    switch (event.type) {
      case SDL_MOUSEMOTION:
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
      case SDL_MOUSEWHEEL:
      case SDL_KEYDOWN:
      case SDL_KEYUP:
      case SDL_TEXTEDITING:
      case SDL_TEXTINPUT:
        return;
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
          exposed(event.window.windowID);
          return;
        }
        break;
      default:
        break;
    }
    kept.push_back(event);
  };
  bool shown = ShowSdlMessageBox(owner, caption, text, ownerEvent) ||
               ShowOwnMessageBox(owner, caption, text, ownerEvent);
  if (!kept.empty()) {
    std::vector<SDL_Event> after;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
      after.push_back(event);
    }
    kept.insert(kept.end(), after.begin(), after.end());
    SDL_PeepEvents(kept.data(), static_cast<int>(kept.size()), SDL_ADDEVENT, SDL_FIRSTEVENT,
                   SDL_LASTEVENT);
  }
  return shown;
}

}  // namespace mavrel
