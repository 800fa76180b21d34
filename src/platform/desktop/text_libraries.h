// SDL_ttf and fontconfig, with FreeType, HarfBuzz, GLib and the rest behind
// them, loaded when text is first needed rather than by the dynamic loader
// before main: the font helper thread loads them while SDL starts on the
// main thread, so that the launcher's first frame does not wait for two
// dozen libraries that only text needs.
//
// The portable launcher (MAVREL_TEXT_LINKED) has SDL_ttf and FreeType linked
// in: the same calls are then bound to the linked functions, and only
// fontconfig is loaded at run time.
//
// The calls go through this namespace under the libraries' own names.
// TTF_Init, TTF_WasInit and FcInit load their library first and fail (or
// answer "not started") when it cannot be loaded; every other call is
// reached only through a font or pattern that one of those made possible.
// The two libraries are loaded apart: text works without fontconfig, whose
// absence only means that faces are looked for in the font folders.
#pragma once

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstddef>

namespace mavrel::text {

/// Loads SDL_ttf (or binds the linked one) and finds every function, once
/// per process, from any thread. False when anything is missing.
bool LoadTtf();
/// The same for fontconfig.
bool LoadFontconfig();

/// Address space fontconfig is started with at least.
constexpr std::size_t kFontconfigAddressSpace = std::size_t{16} << 20;

int TTF_Init();
int TTF_WasInit();
/// False also when fontconfig has not started yet and RLIMIT_AS leaves
/// less than kFontconfigAddressSpace.
FcBool FcInit();

#define MAVREL_TTF_CALLS(X)    \
  X(TTF_Quit)                  \
  X(TTF_OpenFontIndex)         \
  X(TTF_OpenFontIndexRW)       \
  X(TTF_CloseFont)             \
  X(TTF_FontHeight)            \
  X(TTF_FontLineSkip)          \
  X(TTF_GlyphMetrics32)        \
  X(TTF_RenderGlyph32_Blended) \
  X(TTF_RenderUTF8_Blended)    \
  X(TTF_SizeUTF8)

#define MAVREL_FONTCONFIG_CALLS(X) \
  X(FcPatternCreate)               \
  X(FcPatternAddString)            \
  X(FcPatternAddInteger)           \
  X(FcConfigSubstitute)            \
  X(FcDefaultSubstitute)           \
  X(FcFontMatch)                   \
  X(FcPatternGetString)            \
  X(FcPatternGetInteger)           \
  X(FcPatternDestroy)              \
  X(FcObjectSetCreate)             \
  X(FcObjectSetAdd)                \
  X(FcObjectSetDestroy)            \
  X(FcFontList)                    \
  X(FcFontSetDestroy)

#define MAVREL_TEXT_POINTER(name) extern decltype(&::name) name;
MAVREL_TTF_CALLS(MAVREL_TEXT_POINTER)
MAVREL_FONTCONFIG_CALLS(MAVREL_TEXT_POINTER)
#undef MAVREL_TEXT_POINTER

}  // namespace mavrel::text
