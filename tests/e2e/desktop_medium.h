// The medium the desktop launcher's end-to-end tests start it on: a
// 400 x 300 window titled "E2E Launcher" with a two-colour picture and one
// button "Go", and the helpers that read what its programs report.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/x_harness.h"

namespace mavrel::xharness {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kDeadlineMs = 10000;

// Colours of the test settings, as the screen shows them (0xRRGGBB), and as
// the settings file gives them (COLORREF, 0x00BBGGRR).
constexpr Rgb kPictureLeft = 0xC00000;   // the left half of the picture
constexpr Rgb kPictureRight = 0x0000A0;  // the right half
constexpr Rgb kText = 0x00FF00;          // TEXT_COLOR=0x00FF00
constexpr Rgb kHighlight = 0xFFFF00;     // HIGHLIGHT_COLOR=0x00FFFF
constexpr Rgb kSelect = 0xFFFFFF;        // SELECT_COLOR=0xFFFFFF
constexpr Rgb kDescription = 0x00FFFF;   // DESC_COLOR=0xFFFF00

// Where the button and its description sit in the client area.
constexpr ScreenRect kButtonArea{20, 40, 150, 50};
constexpr ScreenRect kDescriptionArea{220, 200, 170, 50};
constexpr int kOnButtonX = 40, kOnButtonY = 60;

inline std::string MainSection(const std::string& extra = "") {
  return "[Main]\r\n"
         "Width=400\r\n"
         "Height=300\r\n"
         "Title=E2E Launcher\r\n"
         "Background=pic.bmp\r\n"
         "BUTTON_FONT_HEIGHT=40\r\n"
         "BUTTON_DESC_HEIGHT=30\r\n"
         "TEXT_COLOR=0x00FF00\r\n"
         "HIGHLIGHT_COLOR=0x00FFFF\r\n"
         "SELECT_COLOR=0xFFFFFF\r\n"
         "DESC_COLOR=0xFFFF00\r\n"
         "BUTTON_LOC.X=20\r\n"
         "BUTTON_LOC.Y=40\r\n"
         "BUTTON_LOC.WIDTH=160\r\n"
         "DESC_LOC.X=220\r\n"
         "DESC_LOC.Y=200\r\n"
         "DESC_LOC.WIDTH=170\r\n"
         "Button.0=Go\r\n" +
         extra;
}

// A 40 x 30 picture, 24 bits, bottom-up: red on the left, blue on the right.
inline std::string SplitPicture() {
  test_support::BmpLayout layout;
  layout.width = 40;
  layout.height = 30;
  layout.pixelsPerMetre = 2835;
  layout.imageSizeOfRows = true;
  layout.pixels = test_support::Rows24(
      40, 30, [](int x, int) { return x < 40 / 2 ? kPictureLeft : kPictureRight; });
  test_support::Bytes file = test_support::MakeBmp(layout);
  return std::string(file.begin(), file.end());
}

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
  }
  return out;
}

}  // namespace mavrel::xharness
