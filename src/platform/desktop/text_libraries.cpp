#include "platform/desktop/text_libraries.h"

#include <dlfcn.h>

#include <mutex>

namespace mavrel::text {

#define MAVREL_TEXT_POINTER(name) decltype(&::name) name = nullptr;
MAVREL_TEXT_CALLS(MAVREL_TEXT_POINTER)
#undef MAVREL_TEXT_POINTER

namespace {

decltype(&::TTF_Init) ttfInit = nullptr;
decltype(&::TTF_WasInit) ttfWasInit = nullptr;
decltype(&::FcInit) fcInit = nullptr;
bool loaded = false;

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

}  // namespace

bool Load() {
  static std::once_flag once;
  std::call_once(once, [] {
    // By the names the libraries' packages install for running programs;
    // they stay loaded for the life of the process. SDL_ttf finds the SDL
    // the launcher is already linked with.
    void* ttf = dlopen("libSDL2_ttf-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
    void* fontconfig = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!ttf || !fontconfig) return;
    bool all = Find(ttf, "TTF_Init", ttfInit);
    all = Find(ttf, "TTF_WasInit", ttfWasInit) && all;
    all = Find(fontconfig, "FcInit", fcInit) && all;
#define MAVREL_TEXT_FIND(name) all = Find(#name[0] == 'T' ? ttf : fontconfig, #name, name) && all;
    MAVREL_TEXT_CALLS(MAVREL_TEXT_FIND)
#undef MAVREL_TEXT_FIND
    loaded = all;
  });
  return loaded;
}

int TTF_Init() { return Load() ? ttfInit() : -1; }

int TTF_WasInit() { return Load() ? ttfWasInit() : 0; }

FcBool FcInit() { return Load() ? fcInit() : FcFalse; }

}  // namespace mavrel::text
