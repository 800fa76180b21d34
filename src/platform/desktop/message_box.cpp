#include "platform/desktop/message_box.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/desktop_text.h"
#include "platform/desktop/font_resolver.h"
#include "platform/desktop/text_libraries.h"
#include "portable/text_layout.h"

namespace mavrel {
namespace {

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

struct Box {
  TtfFontPtr font;
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

void Blit(SDL_Surface* target, TTF_Font* font, const std::string& utf8, int x, int y) {
  if (utf8.empty()) return;
  SurfacePtr line(text::TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{0, 0, 0, 255}));
  if (!line) return;
  SDL_Rect to{x, y, line->w, line->h};
  SDL_BlitSurface(line.get(), nullptr, target, &to);
}

void Paint(Box& box) {
  SDL_Surface* s = SDL_GetWindowSurface(box.window.get());
  if (!s) return;
  Fill(s, SDL_Rect{0, 0, s->w, s->h}, kBackground);
  for (std::size_t i = 0; i < box.layout.lines.size(); ++i) {
    const LaidOutLine& line = box.layout.lines[i];
    Blit(s, box.font.get(), box.text.substr(line.start, line.length), kPadding,
         kPadding + static_cast<int>(i) * box.lineHeight);
  }
  Fill(s, box.button, kButtonBorder);
  SDL_Rect face{box.button.x + 1, box.button.y + 1, box.button.w - 2, box.button.h - 2};
  Fill(s, face, box.hot ? kButtonHot : kButtonFace);
  int w = 0, h = 0;
  text::TTF_SizeUTF8(box.font.get(), "OK", &w, &h);
  Blit(s, box.font.get(), "OK", box.button.x + (box.button.w - w) / 2,
       box.button.y + (box.button.h - h) / 2);
  SDL_UpdateWindowSurface(box.window.get());
}

bool InButton(const Box& box, int x, int y) {
  SDL_Point p{x, y};
  return SDL_PointInRect(&p, &box.button);
}

}  // namespace

bool ShowOwnMessageBox(SDL_Window* owner, std::string_view caption, std::string_view text,
                       const std::function<void(const SDL_Event&)>& otherWindowEvent) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  if (!text::TTF_WasInit() && text::TTF_Init() != 0) return false;
  FontFace face = ResolveFontFace(kLauncherFaceName);
  if (face.file.empty()) return false;
  Box box;
  box.font.reset(text::TTF_OpenFontIndex(face.file.c_str(), kFontPixels, face.index));
  if (!box.font) return false;
  box.text = std::string(text);
  box.lineHeight = std::max(1, text::TTF_FontLineSkip(box.font.get()));
  box.layout =
      LayoutText(box.text, kMaxTextWidth, box.lineHeight, [&](const char* run, std::size_t count) {
        std::string piece(run, count);
        int w = 0, h = 0;
        text::TTF_SizeUTF8(box.font.get(), piece.c_str(), &w, &h);
        return w;
      });
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
      case SDL_QUIT:
        continue;  // the box stays until it is answered
      default:
        break;
    }
    if (windowId != id) {
      if (windowId != 0 && otherWindowEvent) otherWindowEvent(event);
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

}  // namespace mavrel
