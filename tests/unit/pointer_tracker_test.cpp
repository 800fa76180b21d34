// Pointer tracking on the fake: every row of the transition table with its
// invalidations, and event sequences for the cases that look odd but are
// intended (drag off and back, press on one button and release on another,
// a lost release, positions left of the window).
#include "window/pointer_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "window/launcher_button.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace {

using test_support::AddButton;

TEST(UnpackPointerPositionTest, TwoUnsignedHalves) {
  struct Row {
    std::intptr_t lParam;
    std::int32_t x, y;
  } rows[] = {
      {0, 0, 0},
      {PackPointerPosition(12, 34), 12, 34},
      {PackPointerPosition(65535, 0), 65535, 0},  // one pixel left of the client area
      {PackPointerPosition(0, 65535), 0, 65535},
      {PackPointerPosition(65535, 65535), 65535, 65535},
      {static_cast<std::intptr_t>(0xFFFF8000u), 0x8000, 0xFFFF},
      {-1, 65535, 65535},  // sign-extended on a 64-bit platform: upper bits ignored
      {static_cast<std::intptr_t>(0x12345678u), 0x5678, 0x1234},
  };
  for (const Row& row : rows) {
    PointerPosition at = UnpackPointerPosition(row.lParam);
    EXPECT_EQ(row.x, at.x) << row.lParam;
    EXPECT_EQ(row.y, at.y) << row.lParam;
  }
}

struct Event {
  std::uint32_t message;
  std::uint16_t x, y;
};

constexpr Event Move(std::uint16_t x, std::uint16_t y) { return {kWmMouseMove, x, y}; }
constexpr Event Down(std::uint16_t x, std::uint16_t y) { return {kWmLeftButtonDown, x, y}; }
constexpr Event Up(std::uint16_t x, std::uint16_t y) { return {kWmLeftButtonUp, x, y}; }

// Button A ("Button.0") covers 10..41 x 10..29 with its description at
// 200..215 x 10..29; button B ("Button.1") covers 10..41 x 50..69 with its
// description at 200..215 x 50..69. Each starts a program and stays open.
constexpr Event kOnA = Move(20, 20);
constexpr Event kOnB = Move(20, 60);
constexpr Event kOff = Move(300, 200);

// The launcher window with buttons A and B, built afresh for each case.
class Harness {
 public:
  Harness() {
    test_support::RegisterProcedure(fake_);
    AddButton(fake_, 0, "A", "Aaaa", 10, 10, 100);
    AddButton(fake_, 1, "B", "Bbbb", 10, 50, 100);
    for (auto [name, y] : {std::pair{"A", "10"}, std::pair{"B", "50"}}) {
      fake_.SetSetting(name, "DESC_TEXT", std::string("D") + name);
      fake_.SetSetting(name, "DESC_LOC.X", "200");
      fake_.SetSetting(name, "DESC_LOC.Y", y);
      fake_.SetSetting(name, "PROG_COMMAND", std::string("run") + name);
    }
    fake_.SetSetting("Main", "EXIT_COMMAND", "STAY");
  }

  // Builds the window and its buttons once the settings are complete.
  void Build() {
    window_ = std::make_unique<LauncherWindow>(fake_, settings_, nullptr, nullptr);
    ASSERT_TRUE(CreateButtonList(*window_));
    b_ = window_->buttons();
    a_ = b_->next.get();
    names_ = {{a_, "A"}, {b_, "B"}};
    fake_.ClearCalls();
  }

  void Send(const Event& e) {
    fake_.Send(FakeHandle<WindowHandle>(1), e.message, 0, PackPointerPosition(e.x, e.y));
  }
  void Send(const std::vector<Event>& events) {
    for (const Event& e : events) Send(e);
  }

  // The invalidations in the transcript, by button. Every button
  // invalidation is its text rectangle and then its description rectangle;
  // the pair is named once, and a broken pair shows up as such.
  std::vector<std::string> Invalidated() const {
    std::map<std::string, std::string> byRect = {
        {"InvalidateRect window1 10,10,42,30", "A"},
        {"InvalidateRect window1 200,10,216,30", "A desc"},
        {"InvalidateRect window1 10,50,42,70", "B"},
        {"InvalidateRect window1 200,50,216,70", "B desc"},
    };
    std::vector<std::string> names;
    bool expectDesc = false;
    for (const std::string& line : fake_.CallsStartingWith("InvalidateRect")) {
      auto it = byRect.find(line);
      std::string name = it == byRect.end() ? "unknown " + line : it->second;
      if (expectDesc) {
        if (name != names.back() + " desc") names.push_back("unpaired " + name);
        expectDesc = false;
        continue;
      }
      names.push_back(name);
      expectDesc = name == "A" || name == "B";
    }
    if (expectDesc) names.push_back("missing description rectangle");
    return names;
  }

  std::string Hot() const {
    if (window_->hotButton() == nullptr) return "none";
    return names_.at(window_->hotButton());
  }

  std::vector<std::string> Activations() const { return fake_.CallsStartingWith("CreateProcess"); }

  FakePlatform fake_;
  SettingsFile settings_{fake_};
  std::unique_ptr<LauncherWindow> window_;
  LauncherButton* a_ = nullptr;
  LauncherButton* b_ = nullptr;
  std::map<const LauncherButton*, std::string> names_;
};

using S = ButtonState;

TEST(PointerTrackingTest, TransitionTable) {
  struct Row {
    const char* name;
    std::vector<Event> before;
    Event event;
    std::vector<std::string> invalidated;
    int pressed;
    const char* hot;
    S a, b;
    std::vector<std::string> activated;
  };
  const std::vector<std::string> none;
  const std::vector<std::string> runA = {"CreateProcess \"runA\" in /media"};
  std::vector<Row> rows = {
      {"1 move, no hot, on nothing", {}, kOff, {}, 0, "none", S::Normal, S::Normal, none},
      {"2 move, no hot, on A", {}, kOnA, {"A"}, 0, "A", S::Hot, S::Normal, none},
      {"3 move, A hot, on A", {kOnA}, Move(40, 29), {}, 0, "A", S::Hot, S::Normal, none},
      {"4 move, A hot, on nothing", {kOnA}, kOff, {"A"}, 0, "none", S::Normal, S::Normal, none},
      {"5 move, A hot, on B", {kOnA}, kOnB, {"A", "B"}, 0, "B", S::Normal, S::Hot, none},
      {"6 move, pressed on nothing",
       {Down(300, 200)},
       kOnA,
       {},
       1,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"7 move, A pressed, on A",
       {Down(20, 20)},
       Move(11, 11),
       {},
       1,
       "A",
       S::Pressed,
       S::Normal,
       none},
      {"8 move, A pressed, off A",
       {Down(20, 20)},
       kOnB,
       {"A"},
       1,
       "A",
       S::PressedOutside,
       S::Normal,
       none},
      {"9 move, A outside, on A",
       {Down(20, 20), kOff},
       kOnA,
       {"A"},
       1,
       "A",
       S::Pressed,
       S::Normal,
       none},
      {"10 move, A outside, off A",
       {Down(20, 20), kOff},
       kOnB,
       {},
       1,
       "A",
       S::PressedOutside,
       S::Normal,
       none},
      {"11 down on A, nothing hot",
       {},
       Down(20, 20),
       {"A", "A"},
       1,
       "A",
       S::Pressed,
       S::Normal,
       none},
      {"11 down on A, B hot",
       {kOnB},
       Down(20, 20),
       {"B", "A", "A"},
       1,
       "A",
       S::Pressed,
       S::Normal,
       none},
      {"11 down on A, A hot", {kOnA}, Down(20, 20), {"A"}, 1, "A", S::Pressed, S::Normal, none},
      {"12 down on nothing, A hot",
       {kOnA},
       Down(300, 200),
       {"A"},
       1,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"12 down on nothing, nothing hot",
       {},
       Down(300, 200),
       {},
       1,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"13 down again, on B",
       {Down(20, 20)},
       Down(20, 60),
       {"A"},
       1,
       "A",
       S::PressedOutside,
       S::Normal,
       none},
      {"13 down again, on A",
       {Down(20, 20)},
       Down(20, 20),
       {},
       1,
       "A",
       S::Pressed,
       S::Normal,
       none},
      {"13 down again, on nothing first",
       {Down(300, 200)},
       Down(20, 20),
       {},
       1,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"14 up, A pressed, on A",
       {Down(20, 20)},
       Up(20, 20),
       {"A", "A"},
       0,
       "A",
       S::Hot,
       S::Normal,
       runA},
      {"14 up, A pressed, on B",
       {Down(20, 20)},
       Up(20, 60),
       {"A", "B"},
       0,
       "B",
       S::Normal,
       S::Hot,
       runA},
      {"14 up, A pressed, on nothing",
       {Down(20, 20)},
       Up(300, 200),
       {"A"},
       0,
       "none",
       S::Normal,
       S::Normal,
       runA},
      {"15 up, A outside, on A",
       {Down(20, 20), kOff},
       Up(20, 20),
       {"A", "A"},
       0,
       "A",
       S::Hot,
       S::Normal,
       none},
      {"15 up, A outside, on nothing",
       {Down(20, 20), kOff},
       Up(300, 200),
       {"A"},
       0,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"16 up, pressed on nothing, on A",
       {Down(300, 200)},
       Up(20, 20),
       {"A"},
       0,
       "A",
       S::Hot,
       S::Normal,
       none},
      {"16 up, pressed on nothing, on nothing",
       {Down(300, 200)},
       Up(300, 200),
       {},
       0,
       "none",
       S::Normal,
       S::Normal,
       none},
      {"17 up, not pressed, A hot, on B",
       {kOnA},
       Up(20, 60),
       {"A", "B"},
       0,
       "B",
       S::Normal,
       S::Hot,
       none},
      {"17 up, not pressed, on A", {}, Up(20, 20), {"A"}, 0, "A", S::Hot, S::Normal, none},
      {"17 up, not pressed, A hot, on A", {kOnA}, Up(20, 20), {}, 0, "A", S::Hot, S::Normal, none},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    h.Build();
    h.Send(row.before);
    h.fake_.ClearCalls();
    h.Send(row.event);
    EXPECT_EQ(row.invalidated, h.Invalidated());
    EXPECT_EQ(row.pressed, h.window_->pressed());
    EXPECT_EQ(row.hot, h.Hot());
    EXPECT_EQ(row.a, h.a_->state);
    EXPECT_EQ(row.b, h.b_->state);
    EXPECT_EQ(row.activated, h.Activations());
  }
}

TEST(PointerTrackingTest, ClickOnAButtonWholeTranscript) {
  Harness h;
  h.Build();
  h.Send({Down(20, 20), Up(21, 21)});
  std::vector<std::string> expected = {
      "SetCapture window1",
      "InvalidateRect window1 10,10,42,30",  // A lights up
      "InvalidateRect window1 200,10,216,30",
      "InvalidateRect window1 10,10,42,30",  // A pressed
      "InvalidateRect window1 200,10,216,30",
      "GetFullPathName . 1024",
      "CreateProcess \"runA\" in /media",
      "CloseProcessHandle 1",
      "CloseProcessHandle 2",
      "InvalidateRect window1 10,10,42,30",  // A back to Normal
      "InvalidateRect window1 200,10,216,30",
      "InvalidateRect window1 10,10,42,30",  // and Hot again under the pointer
      "InvalidateRect window1 200,10,216,30",
      "ReleaseCapture",
  };
  EXPECT_EQ(expected, h.fake_.calls());
  EXPECT_EQ(S::Hot, h.a_->state);
}

TEST(PointerTrackingTest, ActivationRunsWhileTheButtonIsStillPressedAndHot) {
  Harness h;
  h.Build();
  int seen = 0;
  h.fake_.afterCall = [&](const std::string& line) {
    if (line.rfind("CreateProcess", 0) != 0) return;
    ++seen;
    EXPECT_EQ(h.a_, h.window_->hotButton());
    EXPECT_EQ(S::Pressed, h.a_->state);
    EXPECT_EQ(0, h.window_->pressed());
  };
  h.Send({Down(20, 20), Up(20, 20)});
  EXPECT_EQ(1, seen);
}

TEST(PointerTrackingTest, EventSequences) {
  struct Row {
    const char* name;
    std::vector<Event> events;
    int activations;
    const char* hot;
    S a, b;
    int pressed;
  };
  std::vector<Row> rows = {
      {"press and release", {Down(20, 20), Up(20, 20)}, 1, "A", S::Hot, S::Normal, 0},
      {"drag off and back",
       {Down(20, 20), kOff, kOnB, kOnA, Up(20, 20)},
       1,
       "A",
       S::Hot,
       S::Normal,
       0},
      {"drag off, release outside",
       {Down(20, 20), kOff, Up(300, 200)},
       0,
       "none",
       S::Normal,
       S::Normal,
       0},
      {"press on A, release on B", {Down(20, 20), kOnB, Up(20, 60)}, 0, "B", S::Normal, S::Hot, 0},
      {"press outside, release on A",
       {Down(300, 200), kOnA, Up(20, 20)},
       0,
       "A",
       S::Hot,
       S::Normal,
       0},
      {"two quick clicks",
       {Down(20, 20), Up(20, 20), Down(20, 20), Up(20, 20)},
       2,
       "A",
       S::Hot,
       S::Normal,
       0},
      {"release without a press", {kOnA, Up(20, 20)}, 0, "A", S::Hot, S::Normal, 0},
      {"lost release, then moves",
       {Down(20, 20), kOff, kOnA, kOff},
       0,
       "A",
       S::PressedOutside,
       S::Normal,
       1},
      {"lost release, press again, release on it",
       {Down(20, 20), Down(20, 20), Up(20, 20)},
       1,
       "A",
       S::Hot,
       S::Normal,
       0},
      {"lost release, press on B, release on B",
       {Down(20, 20), Down(20, 60), Up(20, 60)},
       0,
       "B",
       S::Normal,
       S::Hot,
       0},
      {"lost release, press elsewhere, back on A",
       {Down(20, 20), Down(300, 200), kOnA, Up(20, 20)},
       1,
       "A",
       S::Hot,
       S::Normal,
       0},
      {"one pixel left while pressed",
       {Down(20, 20), Move(65535, 20)},
       0,
       "A",
       S::PressedOutside,
       S::Normal,
       1},
      {"one pixel above while pressed",
       {Down(20, 20), Move(20, 65535)},
       0,
       "A",
       S::PressedOutside,
       S::Normal,
       1},
      {"pressed, left of the window, released there",
       {Down(20, 20), Up(65535, 20)},
       1,
       "none",
       S::Normal,
       S::Normal,
       0},
      {"the pointer leaves with no message", {kOnA}, 0, "A", S::Hot, S::Normal, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness h;
    h.Build();
    h.Send(row.events);
    EXPECT_EQ(static_cast<std::size_t>(row.activations), h.Activations().size());
    EXPECT_EQ(row.hot, h.Hot());
    EXPECT_EQ(row.a, h.a_->state);
    EXPECT_EQ(row.b, h.b_->state);
    EXPECT_EQ(row.pressed, h.window_->pressed());
  }
}

TEST(PointerTrackingTest, NoSignExtensionOfPositions) {
  // A button reaching left of the client area: x 65535 is far to the
  // right, not one pixel left, so it is not on the button.
  Harness h;
  h.fake_.SetSetting("A", "BUTTON_LOC.X", "-10");
  h.Build();
  h.Send(Move(65535, 20));
  EXPECT_EQ("none", h.Hot());
  h.Send(Move(0, 20));
  EXPECT_EQ("A", h.Hot());

  // And a button placed out at 65530 is on at 65535.
  Harness far;
  far.fake_.SetSetting("B", "BUTTON_LOC.X", "65530");
  far.Build();
  far.Send(Move(65535, 55));
  EXPECT_EQ("B", far.Hot());
}

TEST(PointerTrackingTest, OverlapGoesToTheHigherKeyNumber) {
  Harness h;
  h.fake_.SetSetting("B", "BUTTON_LOC.Y", "10");  // B now lies exactly over A
  h.Build();
  h.Send(kOnA);
  EXPECT_EQ("B", h.Hot());
  h.Send({Down(20, 20), Up(20, 20)});
  EXPECT_EQ(std::vector<std::string>{"CreateProcess \"runB\" in /media"}, h.Activations());
}

TEST(PointerTrackingTest, RightButtonAndKeysChangeNothing) {
  Harness h;
  h.Build();
  h.Send(kOnA);
  h.fake_.ClearCalls();
  for (std::uint32_t message : {0x0204u, 0x0205u, 0x0100u, 0x0101u, 0x0102u}) {
    h.fake_.Send(FakeHandle<WindowHandle>(1), message, 0x0D, PackPointerPosition(20, 60));
  }
  EXPECT_TRUE(h.fake_.CallsStartingWith("InvalidateRect").empty());
  EXPECT_TRUE(h.Activations().empty());
  EXPECT_EQ("A", h.Hot());
  EXPECT_EQ(5u, h.fake_.CallsStartingWith("DefWindowProc").size());
}

TEST(PointerTrackingTest, AMoveHandledDuringTheActivationIsResetAfterIt) {
  // Pointer messages that reach the window while the command runs see no
  // press in progress; whichever button is hot when the activation returns
  // is the one reset, and the release position is tracked afterwards.
  Harness h;
  h.Build();
  h.fake_.afterCall = [&](const std::string& line) {
    if (line.rfind("CreateProcess", 0) == 0) h.Send(kOnB);
  };
  h.Send({Down(20, 20)});
  h.fake_.ClearCalls();
  h.Send(Up(20, 20));
  std::vector<std::string> expected = {"A", "B", "B", "A"};
  EXPECT_EQ(expected, h.Invalidated());
  EXPECT_EQ("A", h.Hot());
  EXPECT_EQ(S::Hot, h.a_->state);
  EXPECT_EQ(S::Normal, h.b_->state);
  EXPECT_EQ(0, h.window_->pressed());
}

TEST(PointerTrackingTest, FailedActivationShowsTheErrorWithTheButtonStillPressed) {
  Harness h;
  h.fake_.SetSetting("A", "ERROR_MSG", "Cannot start\\nA");
  h.fake_.failCreateProcess = true;
  h.Build();
  h.fake_.afterCall = [&](const std::string& line) {
    if (line.rfind("MessageBox", 0) == 0) {
      EXPECT_EQ(S::Pressed, h.a_->state);
    }
  };
  h.Send({Down(20, 20), Up(20, 20)});
  EXPECT_EQ(std::vector<std::string>{"MessageBox window1 \"Cannot start\nA\" \"Error\" 0"},
            h.fake_.CallsStartingWith("MessageBox"));
  EXPECT_FALSE(h.fake_.quitPosted());
  EXPECT_EQ(S::Hot, h.a_->state);
}

TEST(PointerTrackingTest, AWindowClosedDuringTheErrorBoxIsNotInvalidated) {
  Harness h;
  h.fake_.failCreateProcess = true;
  h.Build();
  h.fake_.afterCall = [&](const std::string& line) {
    if (line.rfind("MessageBox", 0) == 0) h.Send(Event{kWmClose, 0, 0});
  };
  h.Send({Down(20, 20), Up(20, 20)});
  std::vector<std::string> calls = h.fake_.calls();
  auto box = std::find_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.rfind("MessageBox", 0) == 0; });
  ASSERT_NE(calls.end(), box);
  std::vector<std::string> after(box + 1, calls.end());
  std::vector<std::string> expected = {"DestroyWindow window1", "PostQuitMessage 0",
                                       "ReleaseCapture"};
  EXPECT_EQ(expected, after);
  EXPECT_EQ(nullptr, h.window_->window());
  // The states still follow the pointer; only the drawing is left out.
  EXPECT_EQ(S::Hot, h.a_->state);
  EXPECT_EQ(0, h.window_->pressed());
}

}  // namespace
}  // namespace mavrel
