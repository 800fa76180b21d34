// Helpers shared by the launcher core's tests: expected transcript lines,
// settings for buttons, crafted BMP files and a storage that refuses.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "window/launcher_storage.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace test_support {

// The settings path the fake resolves from its default current directory.
inline const std::string kIniPath = "/media/Mavrel.INI";

inline std::string ReadLine(const std::string& section, const std::string& key) {
  return "GetPrivateProfileString [" + section + "] " + key + " " + kIniPath;
}

// The reads of the fifteen button properties of one section, in the order
// of the record's fields.
inline std::vector<std::string> ButtonPropertyReads(const std::string& section) {
  std::vector<std::string> lines;
  for (const char* key : {"BUTTON_TEXT", "DESC_TEXT"}) lines.push_back(ReadLine(section, key));
  for (const char* prefix : {"BUTTON_LOC", "DESC_LOC"}) {
    for (const char* suffix : {".X", ".Y", ".WIDTH", ".HEIGHT"}) {
      lines.push_back(ReadLine(section, std::string(prefix) + suffix));
    }
  }
  for (const char* key :
       {"BUTTON_FONT_HEIGHT", "BUTTON_DESC_HEIGHT", "TEXT_COLOR", "HIGHLIGHT_COLOR", "SELECT_COLOR",
        "DESC_COLOR", "DIRECTORY", "PROG_COMMAND", "DOC_COMMAND", "EXIT_COMMAND", "ERROR_MSG"}) {
    lines.push_back(ReadLine(section, key));
  }
  return lines;
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Registers the launcher's window procedure with the fake, as the entry
// does, so that messages sent to the fake reach the window; the
// registration is left out of the transcript.
inline void RegisterProcedure(FakePlatform& fake) {
  WindowClassDescription description;
  description.className = "MyMavrelWindowClass";
  description.procedure = &LauncherWindow::WindowProcedure;
  fake.RegisterWindowClass(description);
  fake.ClearCalls();
}

// A button section "<name>" listed as "Button.<index>" with its text at
// (x, y), wrapped at `width`.
inline void AddButton(FakePlatform& fake, int index, const std::string& name,
                      const std::string& text, int x, int y, int width) {
  fake.SetSetting("Main", "Button." + std::to_string(index), name);
  fake.SetSetting(name, "BUTTON_TEXT", text);
  fake.SetSetting(name, "BUTTON_LOC.X", std::to_string(x));
  fake.SetSetting(name, "BUTTON_LOC.Y", std::to_string(y));
  fake.SetSetting(name, "BUTTON_LOC.WIDTH", std::to_string(width));
}

// A BMP file put together field by field, so that a test can set any field
// to any value. Left at their defaults the fields give a valid 4 x 2
// picture of 24 bits with a 40-byte header.
struct BmpLayout {
  std::uint16_t signature = 0x4D42;
  std::uint32_t headerSize = 40;
  std::int32_t width = 4;
  std::int32_t height = 2;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t colorsUsed = 0;
  // Masks written after a 40-byte header when compression is 3.
  std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  // Colour-table entries written; -1: as many as the header calls for.
  int paletteEntries = -1;
  // Pixel offset stored; 0: right after the colour table.
  std::uint32_t pixelOffset = 0;
  // Pixel bytes written; -1: stride x rows (or imageSize for RLE).
  long long pixelBytes = -1;
};

inline void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& s) {
  bool core = s.headerSize == 12;
  std::size_t headerBytes = s.headerSize < 12 ? 12 : s.headerSize;
  if (headerBytes > 4096) headerBytes = 40;
  std::vector<std::uint8_t> b(14 + headerBytes, 0);
  PutU16(b, 0, s.signature);
  PutU32(b, 14, s.headerSize);
  if (core) {
    PutU16(b, 18, static_cast<std::uint32_t>(s.width));
    PutU16(b, 20, static_cast<std::uint32_t>(s.height));
    PutU16(b, 22, s.planes);
    PutU16(b, 24, s.bitCount);
  } else if (headerBytes >= 40) {
    PutU32(b, 18, static_cast<std::uint32_t>(s.width));
    PutU32(b, 22, static_cast<std::uint32_t>(s.height));
    PutU16(b, 26, s.planes);
    PutU16(b, 28, s.bitCount);
    PutU32(b, 30, s.compression);
    PutU32(b, 34, s.imageSize);
    PutU32(b, 46, s.colorsUsed);
    if (s.compression == 3 && headerBytes >= 52) {
      for (int i = 0; i < 3; ++i) PutU32(b, 54 + 4 * i, s.masks[i]);
    }
  }
  if (s.compression == 3 && s.headerSize == 40) {
    b.resize(b.size() + 12);
    for (int i = 0; i < 3; ++i) PutU32(b, 54 + 4 * i, s.masks[i]);
  }
  int entries = s.paletteEntries;
  if (entries < 0) {
    entries = 0;
    if (s.bitCount <= 8) {
      entries = s.colorsUsed != 0 && !core ? static_cast<int>(s.colorsUsed) : 1 << s.bitCount;
    } else if (!core && s.colorsUsed <= 256) {
      entries = static_cast<int>(s.colorsUsed);
    }
  }
  std::size_t entrySize = core ? 3 : 4;
  for (int i = 0; i < entries; ++i) {
    for (std::size_t k = 0; k < entrySize; ++k) b.push_back(static_cast<std::uint8_t>(i + k));
  }
  std::uint32_t offset = s.pixelOffset != 0 ? s.pixelOffset : static_cast<std::uint32_t>(b.size());
  PutU32(b, 10, offset);
  long long pixels = s.pixelBytes;
  if (pixels < 0) {
    bool rle = s.compression == 1 || s.compression == 2;
    long long rows = s.height < 0 ? -static_cast<long long>(s.height) : s.height;
    long long stride = (static_cast<long long>(s.width) * s.bitCount + 31) / 32 * 4;
    pixels = rle ? s.imageSize : stride * rows;
  }
  // An offset far beyond the headers is left unbacked (the file ends first).
  if (offset > b.size() && offset - b.size() < (1u << 20)) b.resize(offset, 0);
  b.resize(b.size() + static_cast<std::size_t>(pixels), 0x5A);
  PutU32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

// Storage that refuses on demand: the button record with the given number
// (from 0), or every byte buffer.
class RefusingStorage : public LauncherStorage {
 public:
  int refuseButtonAt = -1;
  bool refuseBytes = false;
  int buttonsGiven = 0;

  std::unique_ptr<LauncherButton> NewButton(WindowSystem& windows) override {
    if (buttonsGiven++ == refuseButtonAt) return nullptr;
    return LauncherStorage::NewButton(windows);
  }
  std::unique_ptr<std::uint8_t[]> NewBytes(std::size_t size) override {
    if (refuseBytes) return nullptr;
    return LauncherStorage::NewBytes(size);
  }
};

}  // namespace test_support
}  // namespace mavrel
