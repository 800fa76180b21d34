// Test pictures: BMP files put together field by field, so that a test can
// set any field to any value, and the pixels of a picture drawn from a
// function of the position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mavrel::test_support {

using Bytes = std::vector<std::uint8_t>;

// Left at their defaults the fields give a valid 4 x 2 picture of 24 bits
// with a 40-byte header, its colour-table entries and pixel bytes a filler
// pattern.
struct BmpLayout {
  std::uint16_t signature = 0x4D42;
  std::uint32_t headerSize = 40;
  std::int32_t width = 4;
  std::int32_t height = 2;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  // Stored as is; with `imageSizeOfRows`, 0 and no compression stores
  // stride x rows, as picture editors write it.
  std::uint32_t imageSize = 0;
  bool imageSizeOfRows = false;
  std::uint32_t pixelsPerMetre = 0;  // both resolution fields
  std::uint32_t colorsUsed = 0;
  // Masks written after a 40-byte header when compression is 3.
  std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  // Colour-table entries written; -1: as many as the header calls for.
  int paletteEntries = -1;
  // The first colour-table entries (0xRRGGBB); the others as `colour` says.
  std::vector<std::uint32_t> palette;
  // A picture of one colour (0xRRGGBB): 24-bit pixels of it, or every index
  // 0 with colour-table entry 0 of it and the other entries dark grey.
  std::optional<std::uint32_t> colour;
  // Pixel offset stored; none: right after the colour table. An offset a
  // little beyond the headers is reached with zero bytes; one far beyond is
  // left unbacked (the file ends first).
  std::optional<std::uint32_t> pixelOffset;
  // The pixel data as is; empty: `pixelBytes` bytes of it made up.
  Bytes pixels;
  // Pixel bytes made up; -1: stride x rows (or imageSize for RLE), but none
  // beyond 64 MiB (the file ends first).
  long long pixelBytes = -1;
};

Bytes MakeBmp(const BmpLayout& layout);

// Bottom-up rows of 24-bit pixels, each padded to four bytes: the pixel
// data of a `width` x `height` picture whose pixel (x, y), y from the top,
// is `colourAt(x, y)` (0xRRGGBB).
Bytes Rows24(int width, int height, const std::function<std::uint32_t(int x, int y)>& colourAt);

// File offsets of the fields of a 40-byte-header BMP, in file order.
struct BmpField {
  const char* name;
  std::size_t offset;
};
const std::vector<BmpField>& BmpFields();

// Little-endian stores into a file built above.
void PutU16(Bytes& bytes, std::size_t at, std::uint32_t value);
void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value);

}  // namespace mavrel::test_support
