// The desktop's scale, and where the launcher's client area lies on its
// window's pixels.
//
// On Windows a program that does not declare itself DPI-aware sees a 100%
// screen whatever the user chose, and the system stretches its window by
// the scale. The desktop launcher does the same, drawn sharper: its window
// is the client size times the scale, the picture is stretched once to that
// size and text is rendered at the scaled height, while the core keeps
// seeing client pixels (pointer positions are divided back). The scale
// comes from the desktop (on X11 the Xft.dpi resource, else GDK_SCALE), an
// author's MAVREL_SCALE over it; where the compositor already scales X11
// windows (XWayland) and on native Wayland it stays 1: scaled twice would
// be twice too big.
//
// A window manager may also impose a size other than the one asked for (a
// tiling compositor that ignores a fixed size): the client is then drawn
// at its size in the middle of the window, the rest filled from the
// client's edges.
#pragma once

#include <SDL.h>

namespace mavrel {

constexpr double kMaxScale = 4.0;

/// A scale written as a number ("1.5", "2") or a percentage ("150%"),
/// rounded to the nearest quarter and kept within [1, kMaxScale]; 0 when
/// the text is no such number.
double ParseScale(const char* text);

/// The scale that the Xft.dpi line of X resources text (the root window's
/// RESOURCE_MANAGER) gives, the dpi over 96; 0 when there is none.
double ScaleFromResources(const char* resources);

// What the scale is chosen from. Null texts are not set.
struct ScaleSources {
  const char* authorScale = nullptr;  // MAVREL_SCALE
  const char* resources = nullptr;    // X resources text
  const char* gdkScale = nullptr;     // GDK_SCALE
  bool compositorScales = false;      // the compositor scales the window itself
};

/// The scale the launcher draws at: an author's valid MAVREL_SCALE, else 1
/// where the compositor scales, else Xft.dpi, else GDK_SCALE, else 1.
double ChooseScale(const ScaleSources& sources);

// The client area on the window's pixels: scaled, and centred when the
// window is larger.
class ClientView {
 public:
  ClientView() = default;
  ClientView(int clientWidth, int clientHeight, double scale);

  /// The window's pixels are `width` x `height`: the scaled client is
  /// centred in them (at the top left when it does not fit).
  void PlaceIn(int width, int height);

  double scale() const { return scale_; }
  /// The scaled client area, in window pixels.
  SDL_Rect ClientPixels() const { return SDL_Rect{offsetX_, offsetY_, width_, height_}; }
  /// A length of the client scaled.
  int Scaled(int length) const;
  /// The first window pixel of a client position: the one that ClientX
  /// and ClientY bring back to it.
  int PixelX(int clientX) const;
  int PixelY(int clientY) const;
  /// The window pixels a client rectangle covers, any pixel partly covered
  /// included (so that repainting a rectangle repaints all it touches).
  SDL_Rect ToPixels(const SDL_Rect& client) const;
  /// A window pixel as a client position: the client pixel it shows, or
  /// outside the client (negative to the left of and above it).
  int ClientX(int pixelX) const;
  int ClientY(int pixelY) const;

 private:
  double scale_ = 1.0;
  int offsetX_ = 0;
  int offsetY_ = 0;
  int width_ = 0;  // the client scaled
  int height_ = 0;
};

/// Fills what lies outside `inner` on `surface` with the nearest of its
/// edge pixels, so that a client drawn smaller than its window looks
/// framed by its own picture rather than by black or stale pixels.
void ExtendEdges(SDL_Surface* surface, const SDL_Rect& inner);

}  // namespace mavrel
