// Pictures as mavrel-inspect writes them: 8-bit RGB PNG files through
// libpng, and read back the same way for the tests that compare them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mavrel {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row from the top
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

/// Writes `image` to `path` as an 8-bit RGB PNG. False, with `error`
/// saying why, when the file cannot be written.
bool WritePng(const std::string& path, const RgbImage& image, std::string& error);

/// Reads an 8-bit RGB or RGBA PNG (alpha dropped). False, with `error`
/// saying why, for anything else or a file that is not a PNG.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);

}  // namespace mavrel
