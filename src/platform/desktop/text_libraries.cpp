#include "platform/desktop/text_libraries.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

#include "platform/desktop/startup_work.h"

namespace mavrel::text {

#define MAVREL_TEXT_POINTER(name) decltype(&::name) name = nullptr;
MAVREL_TTF_CALLS(MAVREL_TEXT_POINTER)
MAVREL_FONTCONFIG_CALLS(MAVREL_TEXT_POINTER)
#undef MAVREL_TEXT_POINTER

namespace {

decltype(&::TTF_Init) ttfInit = nullptr;
decltype(&::TTF_WasInit) ttfWasInit = nullptr;
decltype(&::FcInit) fcInit = nullptr;

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
  return function != nullptr;
}

// By the names the libraries' packages install for running programs; they
// stay loaded for the life of the process.
void* Open(const char* name) { return dlopen(name, RTLD_LAZY | RTLD_LOCAL); }

}  // namespace

bool LoadTtf() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] {
#if MAVREL_TEXT_LINKED
    ttfInit = &::TTF_Init;
    ttfWasInit = &::TTF_WasInit;
#define MAVREL_TEXT_BIND(name) name = &::name;
    MAVREL_TTF_CALLS(MAVREL_TEXT_BIND)
#undef MAVREL_TEXT_BIND
    loaded = true;
#else
    // SDL_ttf finds the SDL the launcher is already linked with.
    void* ttf = Open("libSDL2_ttf-2.0.so.0");
    bool all = Find(ttf, "TTF_Init", ttfInit);
    all = Find(ttf, "TTF_WasInit", ttfWasInit) && all;
#define MAVREL_TEXT_FIND(name) all = Find(ttf, #name, name) && all;
    MAVREL_TTF_CALLS(MAVREL_TEXT_FIND)
#undef MAVREL_TEXT_FIND
    loaded = all;
#endif
  });
  return loaded;
}

bool LoadFontconfig() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] {
    void* fontconfig = Open("libfontconfig.so.1");
    bool all = Find(fontconfig, "FcInit", fcInit);
#define MAVREL_TEXT_FIND(name) all = Find(fontconfig, #name, name) && all;
    MAVREL_FONTCONFIG_CALLS(MAVREL_TEXT_FIND)
#undef MAVREL_TEXT_FIND
    loaded = all;
  });
  return loaded;
}

int TTF_Init() { return LoadTtf() ? ttfInit() : -1; }

int TTF_WasInit() { return LoadTtf() ? ttfWasInit() : 0; }

FcBool FcInit() {
  // fontconfig does not survive running out of memory while it reads its
  // configuration (it frees rules it never made): with too little address
  // space left it is not started, and faces are looked for in the folders.
  static std::atomic<bool> started{false};
  if (!started && AddressSpaceLeft() < kFontconfigAddressSpace) return FcFalse;
  if (!LoadFontconfig() || !fcInit()) return FcFalse;
  started = true;
  return FcTrue;
}

}  // namespace mavrel::text
