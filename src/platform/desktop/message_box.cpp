#include "platform/desktop/message_box.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
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

// The box's measures at a scale of 1.
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

// The scales the box is drawn at: the launcher's, 100% to 200% on today's
// desktops; anything else (0, NaN, absurd sizes) is taken for 100%.
double UsableScale(double scale) { return scale >= 1 && scale <= 4 ? scale : 1; }

int Scaled(int measure, double scale) { return static_cast<int>(std::lround(measure * scale)); }

// The box's face: the launcher's sans face, or the bitmap font when no
// TrueType face can be had.
class BoxFont {
 public:
  explicit BoxFont(double scale) : scale_(scale) {}
  // False when no TrueType face can be made; the bitmap font serves then.
  bool OpenTrueType() {
    if (!text::TTF_WasInit() && text::TTF_Init() != 0) return false;
    FontFace face = ResolveFontFace(kLauncherFaceName);
    if (face.file.empty()) return false;
    ttf_.reset(text::TTF_OpenFontIndex(face.file.c_str(), Scaled(kFontPixels, scale_), face.index));
    return ttf_ != nullptr;
  }
  int LineHeight() const {
    return ttf_ ? std::max(1, text::TTF_FontLineSkip(ttf_.get()))
                : (kBitmapFontHeight + 2) * BitmapPixelSize(scale_);
  }
  int Width(const std::string& utf8) const {
    if (!ttf_) return BitmapTextWidth(utf8, scale_);
    int w = 0, h = 0;
    text::TTF_SizeUTF8(ttf_.get(), utf8.c_str(), &w, &h);
    return w;
  }
  int Height() const {
    return ttf_ ? text::TTF_FontHeight(ttf_.get()) : kBitmapFontHeight * BitmapPixelSize(scale_);
  }
  void Draw(SDL_Surface* target, const std::string& utf8, int x, int y) const {
    if (utf8.empty()) return;
    if (!ttf_) {
      DrawBitmapText(target, utf8, x, y, 0x000000, scale_);
      return;
    }
    SurfacePtr line(
        text::TTF_RenderUTF8_Blended(ttf_.get(), utf8.c_str(), SDL_Color{0, 0, 0, 255}));
    if (!line) return;
    SDL_Rect to{x, y, line->w, line->h};
    SDL_BlitSurface(line.get(), nullptr, target, &to);
  }

 private:
  double scale_;
  TtfFontPtr ttf_;
};

struct Box {
  explicit Box(double scale)
      : font(scale),
        padding(Scaled(kPadding, scale)),
        // One pixel at 100%, rounded like the bitmap font's pixels.
        border(BitmapPixelSize(scale)) {}
  BoxFont font;
  int padding;
  int border;
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
    box.font.Draw(s, box.text.substr(line.start, line.length), box.padding,
                  box.padding + static_cast<int>(i) * box.lineHeight);
  }
  Fill(s, box.button, kButtonBorder);
  SDL_Rect face{box.button.x + box.border, box.button.y + box.border, box.button.w - 2 * box.border,
                box.button.h - 2 * box.border};
  Fill(s, face, box.hot ? kButtonHot : kButtonFace);
  box.font.Draw(s, "OK", box.button.x + (box.button.w - box.font.Width("OK")) / 2,
                box.button.y + (box.button.h - box.font.Height()) / 2);
  SDL_UpdateWindowSurface(box.window.get());
}

bool InButton(const Box& box, int x, int y) {
  SDL_Point p{x, y};
  return SDL_PointInRect(&p, &box.button);
}

// The window an event is for; 0 for none (a quit request, say).
Uint32 WindowOf(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      return event.window.windowID;
    case SDL_MOUSEMOTION:
      return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return event.button.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return event.key.windowID;
    default:
      return 0;
  }
}

// Shows the box and runs it until it is dismissed; every event that is not
// the box's own goes to `otherWindowEvent`.
bool ShowOwnMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       double scale,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  scale = UsableScale(scale);
  Box box(scale);
  // Without a TrueType face (no font installed, no descriptor free, the
  // text libraries missing) the bitmap font draws the box, so that every
  // message, start-up failures' above all, is seen.
  box.font.OpenTrueType();
  box.text = std::string(text);
  box.lineHeight = box.font.LineHeight();
  const int maxTextWidth = Scaled(kMaxTextWidth, scale);
  box.layout = LayoutText(
      box.text, maxTextWidth, box.lineHeight,
      [&](const char* run, std::size_t count) { return box.font.Width(std::string(run, count)); });
  const int padding = box.padding;
  const int buttonWidth = Scaled(kButtonWidth, scale);
  const int buttonHeight = Scaled(kButtonHeight, scale);
  int width =
      std::clamp(box.layout.width + 2 * padding, Scaled(kMinWidth, scale), maxTextWidth * 2);
  int height = padding + box.layout.height + padding + buttonHeight + padding;
  box.button = SDL_Rect{(width - buttonWidth) / 2, height - padding - buttonHeight, buttonWidth,
                        buttonHeight};

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
    if (WindowOf(event) != id) {
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

}  // namespace

int BitmapPixelSize(double scale) {
  return std::max(1, static_cast<int>(std::lround(UsableScale(scale))));
}

int BitmapTextWidth(std::string_view utf8, double scale) {
  int width = 0;
  ForEachBitmapGlyph(utf8, [&](const std::uint8_t*) { width += kBitmapFontWidth; });
  return width * BitmapPixelSize(scale);
}

void DrawBitmapText(SDL_Surface* target, std::string_view utf8, int x, int y, std::uint32_t rgb,
                    double scale) {
  const int block = BitmapPixelSize(scale);
  const Uint32 colour =
      SDL_MapRGB(target->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  ForEachBitmapGlyph(utf8, [&](const std::uint8_t* rows) {
    for (int row = 0; row < kBitmapFontHeight; ++row) {
      for (int column = 0; column < kBitmapFontWidth; ++column) {
        if (rows[row] & (0x80 >> column)) {
          SDL_Rect pixel{x + column * block, y + row * block, block, block};
          SDL_FillRect(target, &pixel, colour);
        }
      }
    }
    x += kBitmapFontWidth * block;
  });
}

bool ShowModalMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                         const std::function<void(std::uint32_t windowId)>& exposed, double scale) {
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
          if (exposed) exposed(event.window.windowID);
          return;
        }
        break;
      default:
        break;
    }
    kept.push_back(event);
  };
  bool shown = ShowOwnMessageBox(owner, caption, text, scale, ownerEvent);
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
