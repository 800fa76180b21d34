// SDL_ttf and fontconfig, with FreeType, HarfBuzz, GLib and the rest behind
// them, loaded when text is first needed rather than by the dynamic loader
// before main: the font helper thread loads them while SDL starts on the
// main thread, so that the launcher's first frame does not wait for two
// dozen libraries that only text needs.
//
// The calls go through this namespace under the libraries' own names.
// TTF_Init, TTF_WasInit and FcInit load the libraries first and fail (or
// answer "not started") when they cannot be loaded; every other call is
// reached only through a font or pattern that one of those made possible.
#pragma once

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

namespace mavrel::text {

/// Loads both libraries and finds every function, once per process, from
/// any thread. False when anything is missing.
bool Load();

int TTF_Init();
int TTF_WasInit();
FcBool FcInit();

#define MAVREL_TEXT_CALLS(X)   \
  X(TTF_Quit)                  \
  X(TTF_OpenFontIndex)         \
  X(TTF_CloseFont)             \
  X(TTF_FontHeight)            \
  X(TTF_FontLineSkip)          \
  X(TTF_GlyphMetrics32)        \
  X(TTF_RenderGlyph32_Blended) \
  X(TTF_RenderUTF8_Blended)    \
  X(TTF_SizeUTF8)              \
  X(FcPatternCreate)           \
  X(FcPatternAddString)        \
  X(FcPatternAddInteger)       \
  X(FcConfigSubstitute)        \
  X(FcDefaultSubstitute)       \
  X(FcFontMatch)               \
  X(FcPatternGetString)        \
  X(FcPatternGetInteger)       \
  X(FcPatternDestroy)

#define MAVREL_TEXT_POINTER(name) extern decltype(&::name) name;
MAVREL_TEXT_CALLS(MAVREL_TEXT_POINTER)
#undef MAVREL_TEXT_POINTER

}  // namespace mavrel::text
