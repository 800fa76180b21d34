// The whole launcher on the test platform, configured by the input: the
// input (up to a line "#BMP") is the settings file, read through the INI
// reader; whatever follows that line is the file "pic.bmp". The launcher
// starts, gets painted, takes a few pointer moves, presses and releases
// chosen by the input, and is closed; for some inputs one of the first
// fonts is refused. Whatever the settings say, it must end with status 0
// (1 after a refused font) and with every font it made deleted again.
#include <algorithm>
#include <string>

#include "fake/fake_platform.h"
#include "fuzz_check.h"
#include "settings/settings.h"
#include "window/launcher_main.h"
#include "windows_rules/ini_reader.h"
#include "windows_rules/text_layout.h"

namespace {

using mavrel::FakeHandle;
using mavrel::Message;
using mavrel::WindowHandle;

// The test platform answering settings reads from one parsed file. Since
// the settings may give any size and place a text anywhere at all, the
// window frame is added with 32-bit wrap-around as the Win32 operation does,
// and text is laid out with the shared layout rules and a fixed glyph width
// in 64-bit sums clamped to the platform's 32-bit rectangles.
class FuzzPlatform : public mavrel::FakePlatform {
 public:
  explicit FuzzPlatform(std::string_view settings) : ini_(settings) {}

  std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                        std::uint32_t bufferSize, const char* path) override {
    FUZZ_CHECK(path != nullptr && std::string(path) == "/media/Mavrel.INI");
    return ini_.Read(section, key, buffer, bufferSize);
  }

  void AdjustWindowRect(mavrel::PlatformRect& rect, std::uint32_t) override {
    rect.left = Wrap(static_cast<std::int64_t>(rect.left) - frameLeft);
    rect.top = Wrap(static_cast<std::int64_t>(rect.top) - frameTop);
    rect.right = Wrap(static_cast<std::int64_t>(rect.right) + frameRight);
    rect.bottom = Wrap(static_cast<std::int64_t>(rect.bottom) + frameBottom);
  }

  int DrawText(mavrel::DrawingContext, const char* text, int length, mavrel::PlatformRect& rect,
               std::uint32_t format) override {
    std::string_view s = length < 0 ? std::string_view(text) : std::string_view(text, length);
    FUZZ_CHECK(s.size() < mavrel::kSettingBufferSize);
    std::int64_t limit = static_cast<std::int64_t>(rect.right) - rect.left;
    int maxWidth = static_cast<int>(std::clamp<std::int64_t>(limit, INT32_MIN, INT32_MAX));
    mavrel::TextLayout layout = mavrel::LayoutText(
        s, maxWidth, kLineHeight,
        [](const char*, std::size_t n) { return static_cast<int>(n) * kGlyphWidth; });
    if (format & mavrel::kDrawCalcRect) {
      rect.right = Clamp(static_cast<std::int64_t>(rect.left) + layout.width);
      rect.bottom = Clamp(static_cast<std::int64_t>(rect.top) + layout.height);
    }
    return layout.height;
  }

 private:
  static constexpr int kLineHeight = 16;
  static constexpr int kGlyphWidth = 8;
  static std::int32_t Wrap(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  static std::int32_t Clamp(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  }
  mavrel::IniFile ini_;
};

Message PointerMessage(std::uint32_t type, std::uint8_t a, std::uint8_t b) {
  Message message;
  message.window = FakeHandle<WindowHandle>(1);
  message.message = type;
  // Mostly inside a 512 x 512 area, sometimes far outside it (as a pointer
  // left of or above the window arrives).
  std::uint16_t x = static_cast<std::uint16_t>((a & 0x80) ? 0xFF00 | a : a * 2);
  std::uint16_t y = static_cast<std::uint16_t>((b & 0x80) ? 0xFF00 | b : b * 2);
  message.lParam = mavrel::PackPointerPosition(x, y);
  return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view settings = input;
  std::string_view picture;
  std::size_t marker = input.find("\n#BMP\n");
  if (marker != std::string_view::npos) {
    settings = input.substr(0, marker);
    picture = input.substr(marker + 6);
  }
  FuzzPlatform platform(settings);
  if (marker != std::string_view::npos) {
    platform.files["pic.bmp"].assign(picture.begin(), picture.end());
  }

  // The pointer script: the last bytes of the settings, two per message.
  Message paint;
  paint.window = FakeHandle<WindowHandle>(1);
  paint.message = mavrel::kWmPaint;
  platform.queue.push_back(paint);
  std::string_view script =
      settings.substr(settings.size() - std::min<std::size_t>(settings.size(), 48));
  for (std::size_t i = 0; i + 1 < script.size(); i += 2) {
    auto a = static_cast<std::uint8_t>(script[i]);
    auto b = static_cast<std::uint8_t>(script[i + 1]);
    static constexpr std::uint32_t kTypes[] = {mavrel::kWmMouseMove, mavrel::kWmLeftButtonDown,
                                               mavrel::kWmLeftButtonUp, mavrel::kWmPaint};
    platform.queue.push_back(PointerMessage(kTypes[(a ^ b) & 3], a, b));
  }
  Message close;
  close.window = FakeHandle<WindowHandle>(1);
  close.message = mavrel::kWmClose;
  platform.queue.push_back(close);

  // Some inputs also see one of the first fonts refused.
  platform.failFontAt = static_cast<int>(size % 8) - 2;

  int status = mavrel::LauncherMain(platform, FakeHandle<mavrel::InstanceHandle>(7));
  bool fontRefused = false;
  for (const std::string& line : platform.CallsStartingWith("CreateFont ")) {
    fontRefused |= line.size() >= 8 && line.compare(line.size() - 8, 8, " -> null") == 0;
  }
  FUZZ_CHECK(status == (fontRefused ? 1 : 0));
  FUZZ_CHECK(platform.liveFonts() == 0);
  return 0;
}
