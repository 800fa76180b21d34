// The portable launcher's text libraries: SDL_ttf (with FreeType) is linked
// into the program, so its calls are bound to the linked functions; only
// fontconfig is loaded at run time, by the name its package installs.
// Replaces text_libraries.cpp in a MAVREL_PORTABLE build.
#include <dlfcn.h>
#include <string.h>

#include <mutex>

#include "platform/desktop/text_libraries.h"

namespace mavrel::text {

#define MAVREL_TEXT_POINTER(name) decltype(&::name) name = nullptr;
MAVREL_TEXT_CALLS(MAVREL_TEXT_POINTER)
#undef MAVREL_TEXT_POINTER

namespace {

decltype(&::FcInit) fcInit = nullptr;
bool loaded = false;

// The SDL_ttf functions the launcher calls, by name. A call added to
// MAVREL_TEXT_CALLS but not here makes Load() fail (no text, the font
// message) rather than leave a pointer unset.
struct LinkedFunction {
  const char* name;
  void (*address)();
};
#define MAVREL_LINKED(name) \
  { #name, reinterpret_cast < void (*)()>(&::name) }
const LinkedFunction kLinkedTtf[] = {
    MAVREL_LINKED(TTF_Quit),
    MAVREL_LINKED(TTF_OpenFontIndex),
    MAVREL_LINKED(TTF_CloseFont),
    MAVREL_LINKED(TTF_FontHeight),
    MAVREL_LINKED(TTF_FontLineSkip),
    MAVREL_LINKED(TTF_GlyphMetrics32),
    MAVREL_LINKED(TTF_RenderGlyph32_Blended),
    MAVREL_LINKED(TTF_RenderUTF8_Blended),
    MAVREL_LINKED(TTF_SizeUTF8),
};
#undef MAVREL_LINKED

template <typename Function>
bool Find(void* fontconfig, const char* name, Function& function) {
  if (strncmp(name, "TTF_", 4) == 0) {
    for (const LinkedFunction& linked : kLinkedTtf) {
      if (strcmp(linked.name, name) == 0) {
        function = reinterpret_cast<Function>(linked.address);
        return true;
      }
    }
    return false;
  }
  function = fontconfig ? reinterpret_cast<Function>(dlsym(fontconfig, name)) : nullptr;
  return function != nullptr;
}

}  // namespace

bool Load() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* fontconfig = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!fontconfig) return;
    bool all = Find(fontconfig, "FcInit", fcInit);
#define MAVREL_TEXT_FIND(name) all = Find(fontconfig, #name, name) && all;
    MAVREL_TEXT_CALLS(MAVREL_TEXT_FIND)
#undef MAVREL_TEXT_FIND
    loaded = all;
  });
  return loaded;
}

int TTF_Init() { return Load() ? ::TTF_Init() : -1; }

int TTF_WasInit() { return Load() ? ::TTF_WasInit() : 0; }

FcBool FcInit() { return Load() ? fcInit() : FcFalse; }

}  // namespace mavrel::text
