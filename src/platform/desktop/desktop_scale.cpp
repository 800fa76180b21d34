#include "platform/desktop/desktop_scale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace mavrel {
namespace {

constexpr double kDpiOfScaleOne = 96.0;

int ToInt(double value) {
  return static_cast<int>(
      std::clamp(value, static_cast<double>(INT_MIN) / 2, static_cast<double>(INT_MAX) / 2));
}

// A plain decimal number taking all of `text` but for a trailing "%" when
// `percentAllowed`; false otherwise.
bool ReadNumber(const char* text, bool percentAllowed, double& value) {
  if (text == nullptr) return false;
  while (*text == ' ' || *text == '\t') ++text;
  if (!(*text >= '0' && *text <= '9') && *text != '.') return false;  // no sign, no "inf"
  char* end = nullptr;
  value = std::strtod(text, &end);
  if (end == text || !std::isfinite(value)) return false;
  bool percent = percentAllowed && *end == '%';
  if (percent) {
    ++end;
    value /= 100.0;
  }
  while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
  return *end == '\0';
}

double ToQuarter(double value) { return std::clamp(std::round(value * 4.0) / 4.0, 1.0, kMaxScale); }

}  // namespace

double ParseScale(const char* text) {
  double value = 0;
  if (!ReadNumber(text, true, value) || value <= 0) return 0;
  return ToQuarter(value);
}

double ScaleFromResources(const char* resources) {
  if (resources == nullptr) return 0;
  // One "name:\tvalue" a line; the last Xft.dpi line counts, as in Xlib's
  // own resource database.
  double found = 0;
  static constexpr char kName[] = "Xft.dpi";
  for (const char* line = resources; *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    std::size_t length = end ? static_cast<std::size_t>(end - line) : std::strlen(line);
    const char* at = line;
    while (at < line + length && (*at == ' ' || *at == '\t')) ++at;
    std::size_t nameLength = sizeof kName - 1;
    if (static_cast<std::size_t>(line + length - at) > nameLength &&
        std::strncmp(at, kName, nameLength) == 0) {
      const char* rest = at + nameLength;
      while (rest < line + length && (*rest == ' ' || *rest == '\t')) ++rest;
      if (rest < line + length && *rest == ':') {
        std::string value(rest + 1, line + length);
        double dpi = 0;
        if (ReadNumber(value.c_str(), false, dpi) && dpi > 0)
          found = ToQuarter(dpi / kDpiOfScaleOne);
      }
    }
    line += length;
    if (*line == '\n') ++line;
  }
  return found;
}

double ChooseScale(const ScaleSources& sources) {
  if (double author = ParseScale(sources.authorScale); author > 0) return author;
  if (sources.compositorScales) return 1.0;
  if (double dpi = ScaleFromResources(sources.resources); dpi > 0) return dpi;
  // GDK_SCALE is a whole number.
  double gdk = 0;
  if (ReadNumber(sources.gdkScale, false, gdk) && gdk >= 1 && gdk == std::floor(gdk)) {
    return std::min(gdk, kMaxScale);
  }
  return 1.0;
}

ClientView::ClientView(int clientWidth, int clientHeight, double scale)
    : scale_(scale > 0 ? scale : 1.0) {
  width_ = Scaled(clientWidth);
  height_ = Scaled(clientHeight);
}

int ClientView::Scaled(int length) const { return ToInt(std::round(length * scale_)); }

void ClientView::PlaceIn(int width, int height) {
  offsetX_ = std::max(0, (width - width_) / 2);
  offsetY_ = std::max(0, (height - height_) / 2);
}

SDL_Rect ClientView::ToPixels(const SDL_Rect& client) const {
  if (client.w <= 0 || client.h <= 0) return SDL_Rect{0, 0, 0, 0};
  double left = std::floor(client.x * scale_);
  double top = std::floor(client.y * scale_);
  double right = std::ceil((static_cast<double>(client.x) + client.w) * scale_);
  double bottom = std::ceil((static_cast<double>(client.y) + client.h) * scale_);
  return SDL_Rect{offsetX_ + ToInt(left), offsetY_ + ToInt(top), ToInt(right - left),
                  ToInt(bottom - top)};
}

int ClientView::PixelX(int clientX) const { return offsetX_ + ToInt(std::ceil(clientX * scale_)); }

int ClientView::PixelY(int clientY) const { return offsetY_ + ToInt(std::ceil(clientY * scale_)); }

int ClientView::ClientX(int pixelX) const {
  return ToInt(std::floor((static_cast<double>(pixelX) - offsetX_) / scale_));
}

int ClientView::ClientY(int pixelY) const {
  return ToInt(std::floor((static_cast<double>(pixelY) - offsetY_) / scale_));
}

void ExtendEdges(SDL_Surface* surface, const SDL_Rect& inner) {
  if (!surface) return;
  SDL_Rect whole{0, 0, surface->w, surface->h};
  SDL_Rect in;
  if (!SDL_IntersectRect(&inner, &whole, &in)) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    return;
  }
  if (in.x == 0 && in.y == 0 && in.w == whole.w && in.h == whole.h) return;
  if (surface->format->BytesPerPixel != 4) {
    // Only 32-bit window surfaces are met; any other gets a black margin.
    Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    SDL_Rect bands[] = {{0, 0, whole.w, in.y},
                        {0, in.y + in.h, whole.w, whole.h - in.y - in.h},
                        {0, in.y, in.x, in.h},
                        {in.x + in.w, in.y, whole.w - in.x - in.w, in.h}};
    for (const SDL_Rect& band : bands) {
      if (band.w > 0 && band.h > 0) SDL_FillRect(surface, &band, black);
    }
    return;
  }
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  auto row = [surface](int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                     static_cast<std::ptrdiff_t>(y) * surface->pitch);
  };
  for (int y = in.y; y < in.y + in.h; ++y) {
    Uint32* pixels = row(y);
    std::fill(pixels, pixels + in.x, pixels[in.x]);
    std::fill(pixels + in.x + in.w, pixels + whole.w, pixels[in.x + in.w - 1]);
  }
  const std::size_t rowBytes = static_cast<std::size_t>(whole.w) * 4;
  for (int y = 0; y < in.y; ++y) std::memcpy(row(y), row(in.y), rowBytes);
  for (int y = in.y + in.h; y < whole.h; ++y) std::memcpy(row(y), row(in.y + in.h - 1), rowBytes);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

}  // namespace mavrel
