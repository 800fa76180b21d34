// How window surfaces are made for each video driver: X11's own shared
// memory, and on Wayland (whose driver has no surface of its own) whatever
// SDL chooses, never the setting that leaves its windows blank.
#include "platform/desktop/video_session.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace mavrel {
namespace {

TEST(FramebufferHint, OnlyX11GetsThePlainSurface) {
  struct Case {
    const char* driver;
    const char* expected;  // null: left unset
  };
  const Case cases[] = {{"wayland", nullptr}, {"kmsdrm", nullptr}, {"", nullptr}, {"x11", "0"}};
  for (const Case& c : cases) {
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    SetFramebufferHint(c.driver);
    const char* hint = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    if (c.expected) {
      ASSERT_NE(nullptr, hint) << c.driver;
      EXPECT_STREQ(c.expected, hint) << c.driver;
    } else {
      EXPECT_EQ(nullptr, hint) << c.driver << ": " << (hint ? hint : "");
    }
  }
  SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
}

}  // namespace
}  // namespace mavrel
