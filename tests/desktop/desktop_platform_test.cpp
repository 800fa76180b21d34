// The desktop platform's event translation and paint synthesis, in memory:
// SDL's offscreen driver, events pushed as the display would send them, and
// the window messages that the launcher's window procedure receives
// written down one line each, as the fake platform records its calls.
#include "platform/desktop/desktop_platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "offscreen_events.h"

namespace mavrel {
namespace {

using offscreen::Input;
using offscreen::Move;
using offscreen::Press;
using offscreen::Release;

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr ColorRef kPaintColour = 0x000000FF;  // COLORREF: red

class DesktopPlatformMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    current_ = this;
    offscreen::UsePlainSurfaces();
    WindowClassDescription description;
    description.procedure = Procedure;
    description.className = "MyMavrelWindowClass";
    ASSERT_TRUE(platform_.RegisterWindowClass(description)) << SDL_GetError();
    window_ = platform_.CreateWindow("MyMavrelWindowClass", "Messages", 0, 10, 20, kWidth, kHeight,
                                     nullptr, nullptr);
    ASSERT_NE(nullptr, window_);
    SDL_Window* sdl = offscreen::WindowTitled("Messages");
    ASSERT_NE(nullptr, sdl);
    id_ = SDL_GetWindowID(sdl);
    // Should a message the test waits for never come, the wait for it ends
    // with a quit request rather than never.
    ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_TIMER));
  }
  void TearDown() override {
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    current_ = nullptr;
  }

  // Pushes `inputs` for the launcher's window (or `windowId`) and hands
  // `count` messages to the window procedure; gives what it received.
  std::vector<std::string> Deliver(const std::vector<Input>& inputs, std::size_t count,
                                   Uint32 windowId = 0) {
    for (const Input& input : inputs) offscreen::Push(input, windowId ? windowId : id_);
    received_.clear();
    SDL_TimerID watchdog = SDL_AddTimer(
        10000,
        [](Uint32, void*) -> Uint32 {
          SDL_Event quit{};
          quit.type = SDL_QUIT;
          SDL_PushEvent(&quit);
          return 0;
        },
        nullptr);
    for (std::size_t i = 0; i < count; ++i) {
      Message message;
      if (platform_.GetMessage(message) <= 0) {
        received_.push_back("quit");
        break;
      }
      platform_.DispatchMessage(message);
    }
    SDL_RemoveTimer(watchdog);
    return received_;
  }

  static std::intptr_t Procedure(Platform& platform, WindowHandle window, std::uint32_t message,
                                 std::uintptr_t wParam, std::intptr_t lParam) {
    DesktopPlatformMessages& self = *current_;
    auto position = [&] {
      return std::to_string(wParam) + " " + std::to_string(lParam & 0xFFFF) + "," +
             std::to_string((lParam >> 16) & 0xFFFF);
    };
    switch (message) {
      case kWmMouseMove:
        self.received_.push_back("WM_MOUSEMOVE " + position());
        return 0;
      case kWmLeftButtonDown:
        self.received_.push_back("WM_LBUTTONDOWN " + position());
        return 0;
      case kWmLeftButtonUp:
        self.received_.push_back("WM_LBUTTONUP " + position());
        return 0;
      case kWmClose:
        self.received_.push_back("WM_CLOSE");
        return 0;
      case kWmPaint: {
        // The whole client area is filled: only the invalid region may
        // take the colour.
        PaintInfo paint;
        DrawingContext context = platform.BeginPaint(window, paint);
        const PlatformRect& r = paint.invalid;
        self.received_.push_back("WM_PAINT " + std::to_string(r.left) + "," +
                                 std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                                 std::to_string(r.bottom));
        platform.FillRect(context, PlatformRect{0, 0, kWidth, kHeight}, kPaintColour);
        platform.EndPaint(window, paint);
        if (self.duringPaint_) self.duringPaint_();
        return 0;
      }
      default:
        return platform.DefWindowProc(window, message, wParam, lParam);
    }
  }

  // The first paint of the shown window, and the window events SDL sends
  // itself as it shows it.
  void Show() {
    platform_.ShowWindow(window_, 1);
    ASSERT_EQ(std::vector<std::string>{"WM_PAINT 0,0,400,300"}, Deliver({}, 1));
    SDL_FlushEvent(SDL_WINDOWEVENT);
  }

  static DesktopPlatformMessages* current_;
  DesktopPlatform platform_{DesktopVideo::kInMemory};
  WindowHandle window_ = nullptr;
  Uint32 id_ = 0;
  std::vector<std::string> received_;
  std::function<void()> duringPaint_;
};

DesktopPlatformMessages* DesktopPlatformMessages::current_ = nullptr;

TEST_F(DesktopPlatformMessages, EventsBecomeTheLaunchersMessagesInOrder) {
  ASSERT_NO_FATAL_FAILURE(Show());
  struct Step {
    const char* name;
    std::vector<Input> inputs;
    std::vector<std::string> received;
    std::function<void(Platform&, WindowHandle)> before = nullptr;
  };
  const Step steps[] = {
      {"only the newest of queued moves", {Move(10, 20), Move(30, 40)}, {"WM_MOUSEMOVE 0 30,40"}},
      {"the move to where the pointer left is dropped, and the hot button stays lit",
       {Move(50, 60), offscreen::Window(SDL_WINDOWEVENT_LEAVE), Press(5, 6)},
       {"WM_LBUTTONDOWN 1 5,6"}},
      {"a release in between keeps the move before it",
       {Move(7, 8, SDL_BUTTON_LMASK), Release(7, 8), Move(9, 9)},
       {"WM_MOUSEMOVE 1 7,8", "WM_LBUTTONUP 0 7,8", "WM_MOUSEMOVE 0 9,9"}},
      {"a drag's move out of the window is kept, wrapped into 16-bit halves",
       {Press(1, 1), Move(-10, -2, SDL_BUTTON_LMASK), offscreen::Window(SDL_WINDOWEVENT_LEAVE),
        Release(-10, 300)},
       {"WM_LBUTTONDOWN 1 1,1", "WM_MOUSEMOVE 1 65526,65534", "WM_LBUTTONUP 0 65526,300"}},
      {"other buttons give nothing",
       {Press(5, 5, SDL_BUTTON_RIGHT), Release(5, 5, SDL_BUTTON_RIGHT),
        Press(5, 5, SDL_BUTTON_MIDDLE), Press(2, 3)},
       {"WM_LBUTTONDOWN 1 2,3"}},
      {"an exposure repaints the whole client area, after the input queued with it",
       {offscreen::Window(SDL_WINDOWEVENT_EXPOSED), Press(4, 4)},
       {"WM_LBUTTONDOWN 1 4,4", "WM_PAINT 0,0,400,300"}},
      {"invalidated rectangles are painted once, within their bounds",
       {},
       {"WM_PAINT 10,10,130,60"},
       [](Platform& platform, WindowHandle window) {
         platform.InvalidateRect(window, PlatformRect{10, 10, 20, 20}, false);
         platform.InvalidateRect(window, PlatformRect{100, 50, 130, 60}, false);
         platform.InvalidateRect(window, PlatformRect{12, 12, 18, 18}, false);
       }},
      {"invalidation beyond the client area is cut to it",
       {},
       {"WM_PAINT 390,0,400,300"},
       [](Platform& platform, WindowHandle window) {
         platform.InvalidateRect(window, PlatformRect{390, -50, 9000, 9000}, false);
       }},
      {"a close request and a quit request both close",
       {offscreen::Window(SDL_WINDOWEVENT_CLOSE), offscreen::Quit()},
       {"WM_CLOSE", "WM_CLOSE"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    if (step.before) step.before(platform_, window_);
    EXPECT_EQ(step.received, Deliver(step.inputs, step.received.size()));
  }
}

TEST_F(DesktopPlatformMessages, EventsOfOtherWindowsGiveNothing) {
  ASSERT_NO_FATAL_FAILURE(Show());
  Deliver({Move(5, 5), Press(5, 5), Release(5, 5), offscreen::Window(SDL_WINDOWEVENT_EXPOSED),
           offscreen::Window(SDL_WINDOWEVENT_CLOSE)},
          0, id_ + 100);
  EXPECT_EQ(std::vector<std::string>{"WM_LBUTTONDOWN 1 6,7"}, Deliver({Press(6, 7)}, 1));
}

TEST_F(DesktopPlatformMessages, APaintReachesOnlyTheInvalidRectangles) {
  ASSERT_NO_FATAL_FAILURE(Show());
  SDL_Surface* pixels = platform_.WindowPixels(window_);
  ASSERT_NE(nullptr, pixels);
  // Cleared, then two pieces invalidated and filled by the next paint.
  SDL_FillRect(pixels, nullptr, SDL_MapRGB(pixels->format, 0, 0, 0));
  platform_.InvalidateRect(window_, PlatformRect{10, 10, 20, 20}, false);
  platform_.InvalidateRect(window_, PlatformRect{100, 50, 130, 60}, false);
  ASSERT_EQ(std::vector<std::string>{"WM_PAINT 10,10,130,60"}, Deliver({}, 1));
  struct Point {
    int x, y;
    Uint32 rgb;
  } points[] = {{10, 10, 0xFF0000},  {19, 19, 0xFF0000},  {100, 50, 0xFF0000},
                {129, 59, 0xFF0000}, {20, 20, 0x000000},  {60, 30, 0x000000},
                {9, 10, 0x000000},   {130, 59, 0x000000}, {0, 0, 0x000000}};
  for (const Point& p : points) {
    EXPECT_EQ(p.rgb, offscreen::PixelOf(pixels, p.x, p.y)) << p.x << "," << p.y;
  }
}

// While the error box is up the launcher's window takes no input, repaints
// when exposed, and gets what else came (a close request) after the box.
TEST_F(DesktopPlatformMessages, TheBoxIsModalToTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Show());
  std::string boxTitle;
  duringPaint_ = [&] {
    // The one window besides the launcher's, whatever its title.
    SDL_Window* box = offscreen::WindowTitled(nullptr, SDL_GetWindowFromID(id_));
    if (!box) return;
    boxTitle = SDL_GetWindowTitle(box);
    offscreen::Push(offscreen::Window(SDL_WINDOWEVENT_CLOSE), SDL_GetWindowID(box));
  };
  for (const Input& input : {offscreen::Window(SDL_WINDOWEVENT_EXPOSED), Move(4, 4), Press(4, 4),
                             Release(4, 4), offscreen::Window(SDL_WINDOWEVENT_CLOSE)}) {
    offscreen::Push(input, id_);
  }
  received_.clear();
  EXPECT_EQ(1, platform_.MessageBox(window_, "It broke", "Error", kMessageBoxOk));
  EXPECT_EQ("Error", boxTitle) << "the box while the window repainted";
  EXPECT_EQ(std::vector<std::string>{"WM_PAINT 0,0,400,300"}, received_);
  duringPaint_ = nullptr;
  EXPECT_EQ(std::vector<std::string>{"WM_CLOSE"}, Deliver({}, 1));
  EXPECT_EQ(nullptr, offscreen::WindowTitled(nullptr, SDL_GetWindowFromID(id_)));
}

}  // namespace
}  // namespace mavrel
