#include "support/bmp_builder.h"

namespace mavrel::test_support {

void PutU16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes MakeBmp(const BmpLayout& s) {
  bool core = s.headerSize == 12;
  std::size_t headerBytes = s.headerSize < 12 ? 12 : s.headerSize;
  if (headerBytes > 4096) headerBytes = 40;
  long long rows = s.height < 0 ? -static_cast<long long>(s.height) : s.height;
  long long stride = (static_cast<long long>(s.width) * s.bitCount + 31) / 32 * 4;
  Bytes b(14 + headerBytes, 0);
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
    std::uint32_t imageSize = s.imageSize;
    if (s.imageSizeOfRows && imageSize == 0 && s.compression == 0) {
      imageSize = static_cast<std::uint32_t>(stride * rows);
    }
    PutU32(b, 34, imageSize);
    PutU32(b, 38, s.pixelsPerMetre);
    PutU32(b, 42, s.pixelsPerMetre);
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
    std::uint32_t rgb = 0;
    if (static_cast<std::size_t>(i) < s.palette.size()) {
      rgb = s.palette[i];
    } else if (s.colour) {
      rgb = i == 0 ? *s.colour : 0x202020;
    } else {
      for (std::size_t k = 0; k < entrySize; ++k) b.push_back(static_cast<std::uint8_t>(i + k));
      continue;
    }
    b.push_back(static_cast<std::uint8_t>(rgb));
    b.push_back(static_cast<std::uint8_t>(rgb >> 8));
    b.push_back(static_cast<std::uint8_t>(rgb >> 16));
    if (!core) b.push_back(0);
  }
  std::uint32_t offset = s.pixelOffset ? *s.pixelOffset : static_cast<std::uint32_t>(b.size());
  PutU32(b, 10, offset);
  // An offset far beyond the headers is left unbacked (the file ends first).
  if (offset > b.size() && offset - b.size() < (1u << 20)) b.resize(offset, 0);
  if (!s.pixels.empty()) {
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  } else {
    long long pixels = s.pixelBytes;
    if (pixels < 0) {
      bool rle = s.compression == 1 || s.compression == 2;
      pixels = rle ? s.imageSize : stride * rows;
      if (pixels < 0 || pixels > (64 << 20)) pixels = 0;
    }
    if (s.colour && s.bitCount == 24 && s.compression == 0 && s.pixelBytes < 0 && pixels > 0) {
      for (long long row = 0; row < rows; ++row) {
        for (long long x = 0; x < s.width; ++x) {
          b.push_back(static_cast<std::uint8_t>(*s.colour));
          b.push_back(static_cast<std::uint8_t>(*s.colour >> 8));
          b.push_back(static_cast<std::uint8_t>(*s.colour >> 16));
        }
        for (long long pad = s.width * 3LL; pad < stride; ++pad) b.push_back(0);
      }
    } else {
      // Index 0 for a picture of one colour, else a filler pattern.
      b.resize(b.size() + static_cast<std::size_t>(pixels), s.colour ? 0 : 0x5A);
    }
  }
  PutU32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes Rows24(int width, int height, const std::function<std::uint32_t(int x, int y)>& colourAt) {
  const int stride = (width * 3 + 3) & ~3;
  Bytes bits;
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;  // bottom-up
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colourAt(x, y);
      bits.push_back(static_cast<std::uint8_t>(c));
      bits.push_back(static_cast<std::uint8_t>(c >> 8));
      bits.push_back(static_cast<std::uint8_t>(c >> 16));
    }
    bits.resize(bits.size() + (stride - width * 3), 0);
  }
  return bits;
}

const std::vector<BmpField>& BmpFields() {
  static const std::vector<BmpField> fields = {
      {"signature", 0},     {"file size", 2},     {"reserved", 6},
      {"pixel offset", 10}, {"header size", 14},  {"width", 18},
      {"height", 22},       {"planes", 26},       {"bit count", 28},
      {"compression", 30},  {"image size", 34},   {"x resolution", 38},
      {"y resolution", 42}, {"colours used", 46}, {"important colours", 50},
      {"pixel bits", 54},
  };
  return fields;
}

}  // namespace mavrel::test_support
