#include "author/render_sheet.h"

#include <algorithm>
#include <new>

#include "window/launcher_button.h"

namespace mavrel {

// The height of one line of label text, with room around it; 0 when no
// font can be made.
int LabelHeight(DesktopPlatform& platform) {
  FontHandle font = platform.CreateFont(kLabelFontHeight, kButtonFontFace);
  if (font == nullptr) return 0;
  DrawingContext measuring = platform.GetDC(platform.GetDesktopWindow());
  FontHandle kept = platform.SelectFont(measuring, font);
  PlatformRect line{0, 0, 0, 0};
  platform.DrawText(measuring, "Ag", -1, line, kMeasureTextFormat);
  platform.SelectFont(measuring, kept);
  platform.ReleaseDC(platform.GetDesktopWindow(), measuring);
  platform.DeleteFont(font);
  return line.bottom + 8;
}

Sheet::~Sheet() {
  if (font_ != nullptr) platform_.DeleteFont(font_);
}

bool Sheet::Start(std::string& error) {
  const auto width = static_cast<int>(layout_.width());
  const auto height = static_cast<int>(layout_.height());
  try {
    picture_.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    picture_.pixels.clear();
    error = "no memory for the sheet";
    return false;
  }
  picture_.width = width;
  picture_.height = height;
  // RGB888 is 0x00RRGGBB in 32 bits, as RgbImage keeps its pixels.
  surface_.reset(SDL_CreateRGBSurfaceWithFormatFrom(picture_.pixels.data(), width, height, 32,
                                                    width * 4, SDL_PIXELFORMAT_RGB888));
  font_ = platform_.CreateFont(kLabelFontHeight, kButtonFontFace);
  if (font_ == nullptr || !surface_) {
    error = font_ == nullptr ? "no font for the labels" : "no memory for the sheet";
    return false;
  }
  DrawingContext context = platform_.GetSurfaceDC(surface_.get());
  platform_.FillRect(context, PlatformRect{0, 0, width, height}, kSheetBackground);
  platform_.ReleaseDC(nullptr, context);
  return true;
}

void Sheet::Place(std::size_t i, const std::string& label, const RgbImage& image) {
  DrawLabel(i, label);
  const SDL_Rect place = layout_.Panel(i);
  for (int y = 0; y < image.height && y < place.h; ++y) {
    std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width,
                std::min(image.width, place.w), Row(place, y));
  }
}

void Sheet::Repeat(std::size_t i, const std::string& label) {
  DrawLabel(i, label);
  const SDL_Rect from = layout_.Panel(0);
  const SDL_Rect place = layout_.Panel(i);
  for (int y = 0; y < place.h; ++y) std::copy_n(Row(from, y), place.w, Row(place, y));
}

std::vector<std::uint32_t>::iterator Sheet::Row(const SDL_Rect& place, int y) {
  return picture_.pixels.begin() + static_cast<std::ptrdiff_t>(place.y + y) * picture_.width +
         place.x;
}

void Sheet::DrawLabel(std::size_t i, const std::string& label) {
  DrawingContext context = platform_.GetSurfaceDC(surface_.get());
  platform_.SetBackgroundMode(context, kTransparentBackground);
  platform_.SetTextColor(context, kLabelColor);
  FontHandle kept = platform_.SelectFont(context, font_);
  PlatformRect rect = layout_.Label(i);
  platform_.DrawText(context, label.c_str(), -1, rect, kPaintTextFormat);
  platform_.SelectFont(context, kept);
  platform_.ReleaseDC(nullptr, context);
}

}  // namespace mavrel
