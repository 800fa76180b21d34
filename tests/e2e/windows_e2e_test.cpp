// The Windows launcher (i686 or x86_64) under Wine on a private Xvfb, checked as a
// user would see it: the window's title, client size and centred position,
// the picture stretched over the client area, a button's colours as the
// pointer moves onto it and presses it, the programs a click starts (a
// helper that writes its command line and working directory), the error box
// of a command that cannot start, and the exit status.
//
// The test also owns the wine prefix: WinePrefix.Create makes it once per
// run (ctest runs it first, as a fixture), and every test program ends the
// prefix's wineserver before its X server goes away.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/x_harness.h"
#include "windows_e2e_support.h"
// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace mavrel {
namespace {

namespace fs = std::filesystem;
using xharness::FromColorRef;
using xharness::Rgb;
using xharness::ScreenRect;
using xharness::XSession;

// ---- The test medium ---------------------------------------------------------

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 300;
constexpr const char* kTitle = "Mavrel under Wine";

// Quadrant colours of the picture, as 0xRRGGBB.
constexpr Rgb kTopLeft = 0xC81E1E;
constexpr Rgb kTopRight = 0x1EA01E;
constexpr Rgb kBottomLeft = 0x1E1EC8;
constexpr Rgb kBottomRight = 0x808080;

// Button colours as the settings file writes them (0x00BBGGRR).
constexpr std::uint32_t kTextColor = 0xFFFFFF;       // white
constexpr std::uint32_t kHighlightColor = 0x00FFFF;  // yellow
constexpr std::uint32_t kSelectColor = 0xFF00FF;     // magenta
constexpr std::uint32_t kDescColor = 0xFFFF00;       // cyan

// The button rows and the description area, in client pixels. Texts are at
// most this wide; the launcher measures the exact extent itself.
struct Area {
  int x, y, width, height;
};
constexpr Area kRunButton = {20, 16, 170, 34};
constexpr Area kBrokenButton = {20, 60, 170, 34};
constexpr Area kQuitButton = {20, 104, 170, 34};
constexpr Area kDescription = {20, 240, 360, 40};

// How the quadrant picture is stored.
struct PictureForm {
  const char* name;
  int width = 40;  // 30 rows
  int bits = 24;   // 24, or 8 and 4 with the quadrant colours as entries 0 to 3
  bool topDown = false;
  std::uint32_t colorsClaimed = 0;  // the header's used-colour count
  int entriesStored = 0;            // colour-table entries in the file
  bool lastRowPadding = true;       // false: the file ends with the last row's pixels
};

// A BMP of four coloured quadrants: by default 40 x 30 at 24 bits, stored
// bottom-up.
std::vector<std::uint8_t> QuadrantPicture(const PictureForm& form = {"plain"}) {
  const int width = form.width, height = 30;
  const int stride = (width * form.bits + 31) / 32 * 4;
  const Rgb quadrants[] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
  test_support::Bytes pixels(static_cast<std::size_t>(stride) * height, 0);
  for (int row = 0; row < height; ++row) {
    const int y = form.topDown ? row : height - 1 - row;
    std::uint8_t* p = &pixels[static_cast<std::size_t>(row) * stride];
    for (int x = 0; x < width; ++x) {
      const int q = (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
      if (form.bits == 24) {
        p[x * 3] = quadrants[q] & 0xFF;
        p[x * 3 + 1] = (quadrants[q] >> 8) & 0xFF;
        p[x * 3 + 2] = (quadrants[q] >> 16) & 0xFF;
      } else if (form.bits == 8) {
        p[x] = static_cast<std::uint8_t>(q);
      } else {
        p[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? q << 4 : q);
      }
    }
  }
  if (!form.lastRowPadding) pixels.resize(pixels.size() - (stride - (width * form.bits + 7) / 8));
  test_support::BmpLayout layout;
  layout.width = width;
  layout.height = form.topDown ? -height : height;
  layout.bitCount = static_cast<std::uint16_t>(form.bits);
  layout.imageSize = static_cast<std::uint32_t>(stride * height);
  layout.colorsUsed = form.colorsClaimed;
  layout.paletteEntries = form.entriesStored;
  for (int i = 0; i < form.entriesStored; ++i) {
    // Entries past the quadrants' are a colour that no check expects.
    layout.palette.push_back(i < 4 ? quadrants[i] : 0x00FF7F);
  }
  layout.pixels = std::move(pixels);
  return test_support::MakeBmp(layout);
}

std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%06X", v);
  return text;
}

std::string Rect(const char* key, const Area& a) {
  std::ostringstream out;
  out << key << ".X=" << a.x << "\r\n"
      << key << ".Y=" << a.y << "\r\n"
      << key << ".WIDTH=" << a.width << "\r\n";
  return out.str();
}

std::string MediumSettings() {
  std::ostringstream ini;
  ini << "[Main]\r\nWidth=" << kClientWidth << "\r\nHeight=" << kClientHeight
      << "\r\nTitle=" << kTitle << "\r\nBackground=quadrants.bmp\r\n"
      << "BUTTON_FONT_HEIGHT=28\r\nBUTTON_DESC_HEIGHT=24\r\n"
      << "TEXT_COLOR=" << Hex(kTextColor) << "\r\nHIGHLIGHT_COLOR=" << Hex(kHighlightColor)
      << "\r\nSELECT_COLOR=" << Hex(kSelectColor) << "\r\nDESC_COLOR=" << Hex(kDescColor) << "\r\n"
      << Rect("DESC_LOC", kDescription) << "Button.0=Run\r\nButton.1=Broken\r\nButton.2=Quit\r\n"
      << "\r\n[Run]\r\nBUTTON_TEXT=Run helper\r\nDESC_TEXT=Starts the helper\\nand stays\r\n"
      << Rect("BUTTON_LOC", kRunButton) << "DIRECTORY=work\r\n"
      << "PROG_COMMAND=mavrel-test-helper.exe run.txt \"two words\" last\r\n"
      << "EXIT_COMMAND=STAY\r\n"
      << "\r\n[Broken]\r\nBUTTON_TEXT=Broken\r\nDESC_TEXT=Cannot start\r\n"
      << Rect("BUTTON_LOC", kBrokenButton) << "PROG_COMMAND=no-such-program.exe\r\n"
      << "ERROR_MSG=The program is missing.\r\n"
      << "\r\n[Quit]\r\nBUTTON_TEXT=Quit\r\nDESC_TEXT=Starts the helper and ends\r\n"
      << Rect("BUTTON_LOC", kQuitButton) << "PROG_COMMAND=mavrel-test-helper.exe quit.txt\r\n";
  return ini.str();
}

// The images of a window's _NET_WM_ICON: size -> ARGB pixels, row by row.
std::map<std::pair<int, int>, std::vector<std::uint32_t>> WindowIcons(XSession& session,
                                                                      xharness::XWindowId window) {
  std::map<std::pair<int, int>, std::vector<std::uint32_t>> icons;
  Display* display = static_cast<Display*>(session.display());
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 20,
                         False, XA_CARDINAL, &type, &format, &count, &after, &data) != Success ||
      data == nullptr) {
    return icons;
  }
  // Format 32 properties come back as longs.
  const long* values = reinterpret_cast<const long*>(data);
  for (unsigned long at = 0; at + 2 <= count;) {
    const long width = values[at], height = values[at + 1];
    at += 2;
    if (width <= 0 || height <= 0 || at + width * height > count) break;
    std::vector<std::uint32_t> pixels;
    for (long i = 0; i < width * height; ++i) {
      pixels.push_back(static_cast<std::uint32_t>(values[at + i]));
    }
    icons[{static_cast<int>(width), static_cast<int>(height)}] = pixels;
    at += width * height;
  }
  XFree(data);
  return icons;
}

// ---- The fixture -------------------------------------------------------------

class LauncherUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WineAvailable()) << WineUnavailableReason();
    ASSERT_TRUE(session_.Start(1024, 768, 15000)) << session_.error();
    wine_ = std::make_unique<Wine>(session_.displayName());
    wine_->StopServer();
    medium_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(medium_ / "work");
    CopyWindowsProgram("Mavrel.exe", medium_);
    CopyWindowsProgram("mavrel-test-helper.exe", medium_);
    WriteFile(medium_ / "quadrants.bmp", QuadrantPicture());
    WriteText(medium_ / "Mavrel.INI", MediumSettings());
  }

  void TearDown() override {
    if (launcher_ > 0) xharness::KillProcess(launcher_);
    if (wine_) wine_->StopServer();
  }

  // Starts the launcher and waits for its window.
  void StartLauncher(const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> args = {"Mavrel.exe"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    launcher_ = wine_->Start(args, medium_, medium_ / "launcher.log");
    ASSERT_GT(launcher_, 0);
    window_ = session_.WaitForWindow(kTitle, 60000);
    ASSERT_NE(window_, 0u) << "no window titled \"" << kTitle << "\"; log:\n"
                           << ReadText(medium_ / "launcher.log");
  }

  // Where the client area must be: centred as the launcher computes it from
  // the screen size and the frame that the system adds to its style.
  ScreenRect ExpectedClient() {
    const fs::path metrics = medium_ / "metrics.txt";
    int status = -1;
    EXPECT_TRUE(
        wine_->Run({"mavrel-test-helper.exe", "--metrics", "metrics.txt"}, medium_, 30000, status));
    EXPECT_EQ(0, status);
    std::map<std::string, std::vector<long>> m = ReadMetrics(metrics);
    EXPECT_EQ((std::vector<long>{1024, 768}), m["screen"]);
    const std::vector<long> frame = m["frame"];  // left top right bottom of (0,0,0,0)
    EXPECT_EQ(4u, frame.size());
    if (frame.size() != 4) return {};
    const long outerLeft = frame[0], outerTop = frame[1];
    const long outerRight = kClientWidth + frame[2], outerBottom = kClientHeight + frame[3];
    // Halved by an arithmetic shift, rounding towards minus infinity.
    const long x = (1024 + outerLeft - outerRight) >> 1;
    const long y = (768 + outerTop - outerBottom) >> 1;
    // The system's own view of the window agrees.
    EXPECT_EQ((std::vector<long>{x, y, x + outerRight - outerLeft, y + outerBottom - outerTop}),
              m["window"]);
    EXPECT_EQ((std::vector<long>{x - outerLeft, y - outerTop, kClientWidth, kClientHeight}),
              m["client"]);
    return ScreenRect{static_cast<int>(x - outerLeft), static_cast<int>(y - outerTop), kClientWidth,
                      kClientHeight};
  }

  ScreenRect OnScreen(const Area& a) const {
    return ScreenRect{client_.x + a.x, client_.y + a.y, a.width, a.height};
  }
  int Count(const Area& a, std::uint32_t colorRef) {
    return session_.CountPixels(OnScreen(a), FromColorRef(colorRef));
  }
  bool WaitForColour(const Area& a, std::uint32_t colorRef, int deadlineMs) {
    return xharness::WaitFor([&] { return Count(a, colorRef) >= kEnoughPixels; }, deadlineMs);
  }
  void PointAt(const Area& a) { session_.MovePointer(client_.x + a.x + 12, client_.y + a.y + 14); }

  // Glyph strokes of a 28-pixel font give far more pixels of exactly the
  // text colour than this; a few stray blended pixels give far fewer.
  static constexpr int kEnoughPixels = 25;

  XSession session_;
  std::unique_ptr<Wine> wine_;
  fs::path medium_;
  pid_t launcher_ = -1;
  xharness::XWindowId window_ = 0;
  ScreenRect client_;
};

TEST_F(LauncherUnderWine, ShowsPictureAndButtonsStartsHelperStaysShowsErrorsAndCloses) {
  StartLauncher();
  ASSERT_FALSE(HasFatalFailure());

  // Title, client size, centred position.
  EXPECT_EQ(kTitle, session_.Title(window_));
  client_ = ExpectedClient();
  ScreenRect geometry;
  ASSERT_TRUE(session_.Geometry(window_, geometry));
  EXPECT_EQ(client_.x, geometry.x);
  EXPECT_EQ(client_.y, geometry.y);
  EXPECT_EQ(kClientWidth, geometry.width);
  EXPECT_EQ(kClientHeight, geometry.height);

  // No sizing border: the size is fixed.
  EXPECT_TRUE(session_.HasFixedSize(window_));
  // The class icon is the program's icon group 107: its 32 x 32 image shows a
  // yellow arrow on a blue tile with clear corners.
  const auto icons = WindowIcons(session_, window_);
  const auto big = icons.find({32, 32});
  ASSERT_TRUE(big != icons.end()) << icons.size() << " icon images";
  EXPECT_EQ(0xFFFFFF00u, big->second[16 * 32 + 16]);  // the arrow
  EXPECT_EQ(0xFF0000FFu, big->second[5 * 32 + 5]);    // the tile
  EXPECT_EQ(0u, big->second[0] >> 24);                // a clear corner

  // The picture covers the client area, stretched: each quadrant's colour
  // near each corner, and the root's black just outside.
  ASSERT_TRUE(session_.WaitForPixel(client_.x + 390, client_.y + 10, kTopRight, 10000, 8))
      << "the picture was not drawn";
  EXPECT_TRUE(xharness::ColoursMatch(kTopLeft, session_.Pixel(client_.x + 5, client_.y + 140), 8));
  EXPECT_TRUE(xharness::ColoursMatch(kTopRight, session_.Pixel(client_.x + 394, client_.y + 5), 8));
  EXPECT_TRUE(
      xharness::ColoursMatch(kBottomLeft, session_.Pixel(client_.x + 5, client_.y + 294), 8));
  EXPECT_TRUE(
      xharness::ColoursMatch(kBottomRight, session_.Pixel(client_.x + 394, client_.y + 294), 8));
  EXPECT_TRUE(
      xharness::ColoursMatch(kBottomRight, session_.Pixel(client_.x + 300, client_.y + 225), 8));
  // Each picture pixel covers 10 x 10 screen pixels: the quadrants meet in
  // the middle of the client area (the filter blurs only the seam).
  const struct {
    int x, y;
    Rgb colour;
  } middle[] = {{175, 75, kTopLeft},      {225, 75, kTopRight},    {175, 225, kBottomLeft},
                {225, 225, kBottomRight}, {100, 125, kTopLeft},    {100, 175, kBottomLeft},
                {300, 125, kTopRight},    {300, 175, kBottomRight}};
  for (const auto& m : middle) {
    const Rgb seen = session_.Pixel(client_.x + m.x, client_.y + m.y);
    EXPECT_TRUE(xharness::ColoursMatch(m.colour, seen, 8))
        << "at " << m.x << "," << m.y << ": " << Hex(seen) << " for " << Hex(m.colour);
  }
  EXPECT_FALSE(xharness::ColoursMatch(kTopLeft, session_.Pixel(client_.x - 2, client_.y + 75), 8));
  EXPECT_FALSE(
      xharness::ColoursMatch(kBottomRight, session_.Pixel(client_.x + 402, client_.y + 225), 8));

  // Buttons at rest: text colour, no description.
  ASSERT_TRUE(WaitForColour(kRunButton, kTextColor, 5000));
  EXPECT_GE(Count(kBrokenButton, kTextColor), kEnoughPixels);
  EXPECT_GE(Count(kQuitButton, kTextColor), kEnoughPixels);
  EXPECT_EQ(0, Count(kRunButton, kHighlightColor));
  EXPECT_EQ(0, Count(kDescription, kDescColor));
  // Drawn without a background: the picture shows between the letters.
  EXPECT_GE(session_.CountPixels(OnScreen(kRunButton), kTopLeft, 8),
            kRunButton.width * kRunButton.height / 2);

  // Pointer onto the first button: highlight colour and its description.
  PointAt(kRunButton);
  EXPECT_TRUE(WaitForColour(kRunButton, kHighlightColor, 5000));
  EXPECT_TRUE(WaitForColour(kDescription, kDescColor, 5000));
  EXPECT_EQ(0, Count(kRunButton, kTextColor));
  EXPECT_GE(Count(kBrokenButton, kTextColor), kEnoughPixels);

  // Pressed: select colour.
  session_.PressButton();
  EXPECT_TRUE(WaitForColour(kRunButton, kSelectColor, 5000));

  // Released: the helper starts in the button's DIRECTORY with the command
  // line as configured, and the launcher stays ("STAY").
  session_.ReleaseButton();
  const fs::path runOutput = medium_ / "work" / "run.txt";
  ASSERT_TRUE(xharness::WaitFor([&] { return fs::exists(runOutput); }, 30000))
      << "the helper did not run; log:\n"
      << ReadText(medium_ / "launcher.log");
  const std::map<std::string, std::string> run = ReadKeyValues(runOutput);
  EXPECT_EQ("mavrel-test-helper.exe run.txt \"two words\" last", run.at("command-line"));
  EXPECT_EQ(WindowsPath(medium_ / "work"), run.at("directory"));
  EXPECT_TRUE(WaitForColour(kRunButton, kHighlightColor, 5000));
  int status = -1;
  EXPECT_FALSE(xharness::WaitForExit(launcher_, 300, status)) << "ended with " << status;
  EXPECT_FALSE(session_.FindWindowsByTitle(kTitle).empty());

  // A command that cannot start: a box captioned "Error"; the launcher stays.
  PointAt(kBrokenButton);
  ASSERT_TRUE(WaitForColour(kBrokenButton, kHighlightColor, 5000));
  session_.PressButton();
  session_.ReleaseButton();
  const xharness::XWindowId box = session_.WaitForWindow("Error", 15000);
  ASSERT_NE(0u, box) << "no error box; mapped: "
                     << ::testing::PrintToString(session_.MappedTitles());
  EXPECT_FALSE(xharness::WaitForExit(launcher_, 200, status));
  // What the box shows, as the system sees it: the configured text, one OK
  // button, owned by (modal to) the launcher's window.
  EXPECT_TRUE(
      wine_->Run({"mavrel-test-helper.exe", "--message-box", "box.txt"}, medium_, 30000, status));
  const std::map<std::string, std::string> shown = ReadKeyValues(medium_ / "box.txt");
  EXPECT_EQ("1", shown.count("found") ? shown.at("found") : "");
  EXPECT_EQ("The program is missing.", shown.count("text") ? shown.at("text") : "");
  EXPECT_EQ("1", shown.count("owned-by-launcher") ? shown.at("owned-by-launcher") : "");
  EXPECT_EQ("0", shown.count("launcher-enabled") ? shown.at("launcher-enabled") : "");
  EXPECT_EQ("OK", shown.count("buttons") ? shown.at("buttons") : "");
  session_.RequestClose(box);
  EXPECT_TRUE(session_.WaitForNoWindow("Error", 10000));
  EXPECT_FALSE(xharness::WaitForExit(launcher_, 300, status));
  EXPECT_FALSE(session_.FindWindowsByTitle(kTitle).empty());

  // Closing the window ends the launcher with status 0.
  session_.RequestClose(window_);
  ASSERT_TRUE(xharness::WaitForExit(launcher_, 20000, status)) << "the launcher did not end";
  launcher_ = -1;
  EXPECT_EQ(0, status);
  EXPECT_TRUE(session_.WaitForNoWindow(kTitle, 5000));
}

TEST_F(LauncherUnderWine, ExitButtonStartsHelperAndEndsWithStatusZero) {
  // Arguments change nothing.
  StartLauncher({"/S", "--width=10", "Other.INI"});
  ASSERT_FALSE(HasFatalFailure());
  client_ = ExpectedClient();
  ScreenRect geometry;
  ASSERT_TRUE(session_.Geometry(window_, geometry));
  EXPECT_EQ(kClientWidth, geometry.width);
  EXPECT_EQ(kClientHeight, geometry.height);
  ASSERT_TRUE(WaitForColour(kQuitButton, kTextColor, 10000));
  PointAt(kQuitButton);
  ASSERT_TRUE(WaitForColour(kQuitButton, kHighlightColor, 5000));
  session_.PressButton();
  ASSERT_TRUE(WaitForColour(kQuitButton, kSelectColor, 5000));
  session_.ReleaseButton();
  int status = -1;
  ASSERT_TRUE(xharness::WaitForExit(launcher_, 30000, status)) << "the launcher did not end";
  launcher_ = -1;
  EXPECT_EQ(0, status);
  // DIRECTORY defaults to ".": the launcher's own current directory.
  const fs::path quitOutput = medium_ / "quit.txt";
  ASSERT_TRUE(xharness::WaitFor([&] { return fs::exists(quitOutput); }, 30000));
  const std::map<std::string, std::string> run = ReadKeyValues(quitOutput);
  EXPECT_EQ("mavrel-test-helper.exe quit.txt", run.at("command-line"));
  EXPECT_EQ(WindowsPath(medium_), run.at("directory"));
}

// Pictures that the drawing operation shows though they are unusual: each
// must cover the client area the right way up, not leave it black or white.
TEST_F(LauncherUnderWine, UnusualPicturesShowTheRightWayUp) {
  // 41 pixels wide, so that every row has padding.
  const PictureForm forms[] = {
      {"top-down", 41, 24, true},
      {"top-down, no padding after the last row", 41, 24, true, 0, 0, false},
      {"bottom-up, no padding after the last row", 41, 24, false, 0, 0, false},
      {"8-bit claiming 300 colours", 41, 8, false, 300, 256},
      {"4-bit claiming 256 colours", 41, 4, true, 256, 16},
  };
  for (const PictureForm& form : forms) {
    SCOPED_TRACE(form.name);
    WriteFile(medium_ / "quadrants.bmp", QuadrantPicture(form));
    StartLauncher();
    ASSERT_FALSE(HasFatalFailure());
    if (client_.width == 0) client_ = ExpectedClient();
    EXPECT_TRUE(session_.WaitForPixel(client_.x + 300, client_.y + 75, kTopRight, 10000, 8))
        << "the picture was not drawn";
    const struct {
      int x, y;
      Rgb colour;
    } inside[] = {{100, 75, kTopLeft},      {300, 75, kTopRight}, {100, 225, kBottomLeft},
                  {300, 225, kBottomRight}, {5, 5, kTopLeft},     {394, 294, kBottomRight},
                  {5, 294, kBottomLeft},    {394, 5, kTopRight}};
    for (const auto& at : inside) {
      const Rgb seen = session_.Pixel(client_.x + at.x, client_.y + at.y);
      EXPECT_TRUE(xharness::ColoursMatch(at.colour, seen, 8))
          << "at " << at.x << "," << at.y << ": " << Hex(seen) << " for " << Hex(at.colour);
    }
    session_.RequestClose(window_);
    int status = -1;
    ASSERT_TRUE(xharness::WaitForExit(launcher_, 20000, status)) << "the launcher did not end";
    launcher_ = -1;
    EXPECT_EQ(0, status);
    ASSERT_TRUE(session_.WaitForNoWindow(kTitle, 5000));
  }
}

}  // namespace
}  // namespace mavrel
