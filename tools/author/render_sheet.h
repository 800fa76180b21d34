// The sheet of `mavrel-inspect render --sheet`: every state's picture in
// rows, at rest alone in the first, then per button its hot and its pressed
// state side by side, each panel with its label above it, drawn by the
// desktop backend's own text code into one picture.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "author/png_file.h"
#include "platform/desktop/desktop_platform.h"

namespace mavrel {

// A sheet larger than this is refused rather than held in memory.
constexpr long long kMaxSheetPixels = 64ll << 20;
constexpr int kSheetGap = 12;
constexpr ColorRef kSheetBackground = 0x00302828;  // COLORREF: a dark grey-blue
constexpr ColorRef kLabelColor = 0x00F0F0F0;
constexpr int kLabelFontHeight = 18;

// The sheet: the panels in rows, at rest alone in the first, then per
// button its hot and its pressed state side by side; each panel with its
// label above it, drawn by the same text code as the buttons.
class SheetLayout {
 public:
  SheetLayout(int panelWidth, int panelHeight, int labelHeight, std::size_t panels)
      : panelWidth_(panelWidth),
        panelHeight_(panelHeight),
        labelHeight_(labelHeight),
        cellWidth_(std::max(panelWidth, 160)),
        cellHeight_(labelHeight + panelHeight) {
    const long long columns = panels > 1 ? 2 : 1;
    const long long rows = 1 + static_cast<long long>(panels) / 2;
    width_ = kSheetGap + columns * (cellWidth_ + kSheetGap);
    height_ = kSheetGap + rows * (cellHeight_ + kSheetGap);
  }
  long long width() const { return width_; }
  long long height() const { return height_; }
  bool fits() const { return width_ * height_ <= kMaxSheetPixels; }
  // Where panel `i` goes, its label above that.
  SDL_Rect Panel(std::size_t i) const {
    int row = i == 0 ? 0 : static_cast<int>(1 + (i - 1) / 2);
    int column = i == 0 ? 0 : static_cast<int>((i - 1) % 2);
    int x = kSheetGap + column * (cellWidth_ + kSheetGap);
    int y = kSheetGap + row * (cellHeight_ + kSheetGap) + labelHeight_;
    return SDL_Rect{x, y, panelWidth_, panelHeight_};
  }
  PlatformRect Label(std::size_t i) const {
    SDL_Rect panel = Panel(i);
    return PlatformRect{panel.x, panel.y - labelHeight_ + 2, panel.x + cellWidth_, panel.y};
  }

 private:
  int panelWidth_, panelHeight_, labelHeight_, cellWidth_, cellHeight_;
  long long width_ = 0, height_ = 0;
};

// The height of one line of label text, with room around it; 0 when no
// font can be made.
int LabelHeight(DesktopPlatform& platform);

// The sheet, drawn one panel at a time as each is taken: its pixels are
// the picture that is written, and an SDL surface over the same memory
// lets the labels be drawn by the same text code as the buttons. So the
// sheet and the one window being taken are all that is held.
class Sheet {
 public:
  Sheet(DesktopPlatform& platform, const SheetLayout& layout, RgbImage& picture)
      : platform_(platform), layout_(layout), picture_(picture) {}
  ~Sheet();
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  /// Gives the sheet its size and background; false, with `error` saying
  /// why, when there is no memory or no font for it.
  bool Start(std::string& error);
  /// Draws panel `i`: its label, and `image` under it.
  void Place(std::size_t i, const std::string& label, const RgbImage& image);
  /// Draws panel `i` as a copy of the first panel's picture.
  void Repeat(std::size_t i, const std::string& label);

 private:
  std::vector<std::uint32_t>::iterator Row(const SDL_Rect& place, int y);
  void DrawLabel(std::size_t i, const std::string& label);

  DesktopPlatform& platform_;
  const SheetLayout& layout_;
  RgbImage& picture_;
  SurfacePtr surface_;
  FontHandle font_ = nullptr;
};

}  // namespace mavrel
