// Picture checks: crafted headers and the verdict for each, truncation at
// every length, and the same verdicts for a picture handed over as a view.
#include "picture/picture_validation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "launcher_test_support.h"

namespace mavrel {
namespace {

using test_support::BmpLayout;
using test_support::MakeBmp;
using test_support::PutU32;

// Checks `bytes` from a heap block of exactly their size, so that a read
// past the end lands outside the block (and is caught by the sanitizer
// builds).
PictureVerdict Check(const std::vector<std::uint8_t>& bytes, PictureHeader* out = nullptr,
                     DibView* viewOut = nullptr) {
  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  PictureHeader header;
  DibView view;
  PictureVerdict verdict = ValidatePictureFile(exact.get(), bytes.size(), header, view);
  if (verdict == PictureVerdict::kDrawable) {
    EXPECT_GE(view.info, exact.get());
    EXPECT_LE(view.info + view.infoSize, exact.get() + bytes.size());
    EXPECT_GE(view.bits, exact.get());
    EXPECT_LE(view.bits + view.bitsSize, exact.get() + bytes.size());
  } else {
    EXPECT_EQ(nullptr, view.info);
    EXPECT_EQ(nullptr, view.bits);
    EXPECT_EQ(0, header.width);
  }
  if (out != nullptr) *out = header;
  if (viewOut != nullptr) {
    // Views point into the block that is about to go: tests only use sizes.
    *viewOut = view;
    viewOut->info = nullptr;
    viewOut->bits = nullptr;
  }
  return verdict;
}

BmpLayout Layout(std::uint16_t bits, std::uint32_t compression = 0) {
  BmpLayout s;
  s.bitCount = bits;
  s.compression = compression;
  return s;
}

struct Row {
  std::string name;
  std::vector<std::uint8_t> bytes;
  PictureVerdict verdict;
};

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  auto add = [&rows](std::string name, const BmpLayout& s, PictureVerdict v) {
    rows.push_back({std::move(name), MakeBmp(s), v});
  };
  using V = PictureVerdict;
  add("24-bit, 40-byte header", BmpLayout{}, V::kDrawable);
  for (std::uint32_t size : {52u, 56u, 108u, 124u}) {
    BmpLayout s;
    s.headerSize = size;
    add("header size " + std::to_string(size), s, V::kDrawable);
  }
  for (std::uint32_t size : {0u, 11u, 13u, 39u, 41u, 64u, 100u, 0xFFFFFFFFu}) {
    BmpLayout s;
    s.headerSize = size;
    add("refused header size " + std::to_string(size), s, V::kBadHeaderSize);
  }
  add("1-bit", Layout(1), V::kDrawable);
  add("4-bit", Layout(4), V::kDrawable);
  add("8-bit", Layout(8), V::kDrawable);
  add("16-bit", Layout(16), V::kDrawable);
  add("32-bit", Layout(32), V::kDrawable);
  add("16-bit bitfields", Layout(16, 3), V::kDrawable);
  add("32-bit bitfields", Layout(32, 3), V::kDrawable);
  for (std::uint16_t bits : {0, 2, 3, 7, 12, 48, 64}) {
    add("unsupported bit count " + std::to_string(bits), Layout(bits), V::kBadFormat);
  }
  add("24-bit bitfields", Layout(24, 3), V::kBadFormat);
  add("8-bit bitfields", Layout(8, 3), V::kBadFormat);
  add("1-bit RLE8", Layout(1, 1), V::kBadFormat);
  add("4-bit RLE8", Layout(4, 1), V::kBadFormat);
  add("8-bit RLE4", Layout(8, 2), V::kBadFormat);
  add("24-bit RLE8", Layout(24, 1), V::kBadFormat);
  add("JPEG compression", Layout(24, 4), V::kBadFormat);
  add("PNG compression", Layout(24, 5), V::kBadFormat);
  add("alpha bitfields", Layout(32, 6), V::kBadFormat);
  {
    BmpLayout s = Layout(8, 1);
    s.imageSize = 16;
    add("RLE8 with image size", s, V::kDrawable);
    s.height = -2;
    add("RLE8 with a negative height", s, V::kBadHeight);
    s.height = 2;
    s.imageSize = 0;
    add("RLE8 with image size 0", s, V::kBadImageSize);
  }
  {
    BmpLayout s = Layout(4, 2);
    s.imageSize = 10;
    add("RLE4 with image size", s, V::kDrawable);
    s.height = -1;
    add("RLE4 with a negative height", s, V::kBadHeight);
  }
  {
    BmpLayout s = Layout(8, 1);
    s.imageSize = 0x7FFFFFFF;
    s.pixelBytes = 16;
    add("RLE8 image size past the end", s, V::kPixelsPastEnd);
  }
  {
    BmpLayout s;
    s.height = -2;
    add("top-down 24-bit", s, V::kDrawable);
    s.height = -32768;
    s.width = 1;
    add("top-down at the height limit", s, V::kDrawable);
    s.height = INT32_MIN;
    s.pixelBytes = 16;
    add("the most negative height", s, V::kBadHeight);
  }
  {
    BmpLayout s;
    s.width = 0;
    add("width 0", s, V::kBadWidth);
    s.width = -4;
    s.pixelBytes = 16;
    add("negative width", s, V::kBadWidth);
    s.width = 32769;
    add("width above the limit", s, V::kBadWidth);
    s.width = 32768;
    s.height = 1;
    s.pixelBytes = -1;
    add("width at the limit", s, V::kDrawable);
    s.width = 1;
    s.height = 32769;
    s.pixelBytes = 16;
    add("height above the limit", s, V::kBadHeight);
    s.height = 0;
    add("height 0", s, V::kBadHeight);
  }
  {
    // 32768 x 32768 at 32 bits is exactly 2^32 bytes: a 32-bit count
    // would wrap to 0 and let a tiny file through.
    BmpLayout s = Layout(32);
    s.width = 32768;
    s.height = 32768;
    s.pixelBytes = 64;
    add("pixel bytes of 2^32", s, V::kPixelsTooLarge);
    s.height = -32768;
    add("top-down pixel bytes of 2^32", s, V::kPixelsTooLarge);
    s = Layout(24);
    s.width = 32768;
    s.height = 21846;  // 98304 x 21846 bytes: just above 2^31
    s.pixelBytes = 64;
    add("pixel bytes above 2^31", s, V::kPixelsTooLarge);
    // The drawing operation takes 23170 x 23170 at 32 bits, not 23180.
    s = Layout(32);
    s.width = 23180;
    s.height = 23180;
    s.pixelBytes = 64;
    add("23180 x 23180 at 32 bits", s, V::kPixelsTooLarge);
    s.width = 23170;
    s.height = -23170;
    add("23170 x 23170 at 32 bits, cut short", s, V::kPixelsPastEnd);
    s = Layout(8, 1);
    s.width = 16;
    s.imageSize = 0x80000000u;
    s.pixelBytes = 16;
    add("RLE8 image size of 2^31", s, V::kPixelsTooLarge);
    // 32768 x 32768 at 8 bits is 2^30 bytes, padded rows included.
    s = Layout(8, 1);
    s.width = 32768;
    s.height = 32768;
    s.imageSize = 64;
    s.pixelBytes = 64;
    add("RLE8 at the width and height limits", s, V::kDrawable);
  }
  {
    BmpLayout s;
    s.planes = 0;
    add("planes 0", s, V::kBadPlanes);
    s.planes = 3;
    add("planes 3", s, V::kDrawable);
  }
  {
    BmpLayout s;
    s.signature = 0x4D43;
    add("signature BC", s, V::kBadSignature);
    s.signature = 0x424D;
    add("signature MB", s, V::kBadSignature);
  }
  {
    BmpLayout s = Layout(8);
    s.colorsUsed = 16;
    add("8-bit with 16 colours", s, V::kDrawable);
    // Counts above 2^bits are drawn with the first 2^bits entries.
    s.colorsUsed = 257;
    s.paletteEntries = 0;
    add("8-bit with 257 colours and no table", s, V::kInfoPastEnd);
    s.colorsUsed = 300;
    s.paletteEntries = 300;
    add("8-bit with 300 colours, all in the file", s, V::kDrawable);
    s.paletteEntries = 256;
    add("8-bit with 300 colours, 256 in the file", s, V::kDrawable);
    s.paletteEntries = 255;
    add("8-bit with 300 colours, 255 in the file", s, V::kPixelOffsetTooSmall);
    s.pixelBytes = 0;
    add("8-bit with 300 colours, 255 and nothing after", s, V::kInfoPastEnd);
    s.colorsUsed = 0xFFFFFFFFu;
    s.paletteEntries = 256;
    s.pixelBytes = -1;
    add("8-bit with 2^32 - 1 colours", s, V::kDrawable);
    s = Layout(4);
    s.colorsUsed = 256;
    s.paletteEntries = 16;
    add("4-bit with 256 colours, 16 in the file", s, V::kDrawable);
    s.paletteEntries = 15;
    add("4-bit with 256 colours, 15 in the file", s, V::kPixelOffsetTooSmall);
    s = Layout(1);
    s.colorsUsed = 3;
    s.paletteEntries = 3;
    add("1-bit with 3 colours", s, V::kDrawable);
    s = Layout(8);
    s.paletteEntries = 255;
    s.pixelBytes = 0;
    add("colour table one entry short, nothing after", s, V::kInfoPastEnd);
    s = Layout(24);
    s.colorsUsed = 2;
    add("24-bit with an optional colour table", s, V::kDrawable);
    s.colorsUsed = 300;
    add("24-bit with 300 colours", s, V::kBadColorTable);
    s.colorsUsed = 0x40000000;  // 4-byte entries: 2^32 bytes of table
    add("24-bit with 2^30 colours", s, V::kBadColorTable);
  }
  {
    BmpLayout s = Layout(16, 3);
    s.pixelBytes = 0;
    std::vector<std::uint8_t> b = MakeBmp(s);
    rows.push_back({"bitfield masks cut short", Truncated(b, 14 + 40 + 8), V::kInfoPastEnd});
  }
  {
    BmpLayout s;
    s.pixelOffset = 0x7FFFFFF0;
    s.pixelBytes = 0;
    std::vector<std::uint8_t> b = MakeBmp(s);
    rows.push_back({"pixel offset past the end", Truncated(b, 14 + 40 + 24), V::kPixelsPastEnd});
    b = MakeBmp(BmpLayout{});
    PutU32(b, 10, 0xFFFFFFFFu);
    rows.push_back({"pixel offset of 2^32 - 1", b, V::kPixelsPastEnd});
    b = MakeBmp(BmpLayout{});
    PutU32(b, 10, 14 + 39);
    rows.push_back({"pixel offset inside the header", b, V::kPixelOffsetTooSmall});
    b = MakeBmp(Layout(8));
    PutU32(b, 10, 14 + 40 + 1020);
    rows.push_back({"pixel offset inside the colour table", b, V::kPixelOffsetTooSmall});
    b = MakeBmp(BmpLayout{});
    PutU32(b, 10, 0);
    rows.push_back({"pixel offset 0", b, V::kPixelOffsetTooSmall});
  }
  {
    BmpLayout s;
    s.pixelBytes = 23;  // one byte short of 2 rows of 12
    add("pixels one byte short", s, V::kPixelsPastEnd);
    s.pixelBytes = 25;
    add("pixels with a byte to spare", s, V::kDrawable);
    // The drawing operation reads no padding after the last row: 3 x 2 at
    // 24 bits is a row of 12 bytes, 9 of them pixels.
    s.width = 3;
    s.pixelBytes = 12 + 9;
    add("last row without its padding", s, V::kDrawable);
    s.height = -2;
    add("top-down, last row without its padding", s, V::kDrawable);
    s.pixelBytes = 12 + 8;
    add("top-down, last row one byte short", s, V::kPixelsPastEnd);
    s.height = 2;
    add("last row one byte short", s, V::kPixelsPastEnd);
    s = Layout(1);
    s.width = 33;  // rows of 8 bytes, 5 of them pixels
    s.pixelBytes = 8 + 5;
    add("1-bit, last row without its padding", s, V::kDrawable);
    s.pixelBytes = 8 + 4;
    add("1-bit, last row one byte short", s, V::kPixelsPastEnd);
  }
  {
    BmpLayout s;
    s.headerSize = 12;
    s.bitCount = 8;
    add("core header, 8-bit", s, V::kDrawable);
    s.bitCount = 24;
    add("core header, 24-bit", s, V::kDrawable);
    s.bitCount = 16;
    add("core header, 16-bit", s, V::kBadFormat);
    s.bitCount = 32;
    add("core header, 32-bit", s, V::kBadFormat);
    s.bitCount = 8;
    s.paletteEntries = 200;
    s.pixelBytes = 0;
    add("core header, palette past the end", s, V::kInfoPastEnd);
  }
  rows.push_back({"empty file", {}, V::kTooShort});
  rows.push_back({"file header only", Truncated(MakeBmp(BmpLayout{}), 14), V::kTooShort});
  rows.push_back({"half a header size", Truncated(MakeBmp(BmpLayout{}), 16), V::kTooShort});
  rows.push_back({"header cut short", Truncated(MakeBmp(BmpLayout{}), 14 + 39), V::kTooShort});
  rows.push_back({"13 bytes", Truncated(MakeBmp(BmpLayout{}), 13), V::kTooShort});
  rows.push_back(
      {"a PNG file",
       {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R', 0, 0, 1, 0},
       V::kBadSignature});
  return rows;
}

TEST(PictureValidationTest, VerdictForEachCraftedHeader) {
  for (const Row& row : Rows()) {
    EXPECT_STREQ(PictureVerdictName(row.verdict), PictureVerdictName(Check(row.bytes))) << row.name;
  }
}

TEST(PictureValidationTest, EveryTruncationOfAValidFileIsRefused) {
  std::vector<BmpLayout> specs;
  specs.push_back(BmpLayout{});
  specs.push_back(Layout(8));
  specs.push_back(Layout(16, 3));
  BmpLayout core;
  core.headerSize = 12;
  core.bitCount = 4;
  specs.push_back(core);  // rows of 4 bytes, 2 of them pixels
  BmpLayout padded;
  padded.width = 5;  // rows of 16 bytes, 15 of them pixels
  specs.push_back(padded);
  BmpLayout rle = Layout(8, 1);
  rle.imageSize = 12;
  specs.push_back(rle);
  for (const BmpLayout& layout : specs) {
    std::vector<std::uint8_t> full = MakeBmp(layout);
    PictureHeader h;
    ASSERT_EQ(PictureVerdict::kDrawable, Check(full, &h));
    // The padding of the last row may be missing, and nothing more.
    std::size_t padding = 0;
    if (layout.compression == 0) {
      padding = h.rowStride - (static_cast<std::size_t>(h.width) * h.bitCount + 7) / 8;
    }
    for (std::size_t size = 0; size < full.size(); ++size) {
      EXPECT_EQ(size >= full.size() - padding,
                PictureVerdict::kDrawable == Check(Truncated(full, size)))
          << "bits " << layout.bitCount << " cut to " << size << " of " << full.size();
    }
  }
}

TEST(PictureValidationTest, HeaderOfADrawablePicture) {
  struct Expect {
    std::string name;
    BmpLayout layout;
    std::uint32_t entries, entrySize, colorTableOffset, infoSize, stride, imageSize;
    std::uint32_t red, green, blue;
  };
  BmpLayout s8 = Layout(8);
  s8.width = 5;
  s8.height = -3;
  BmpLayout s16 = Layout(16);
  s16.width = 3;
  BmpLayout s16f = Layout(16, 3);
  s16f.masks[0] = 0xF800;
  s16f.masks[1] = 0x07E0;
  s16f.masks[2] = 0x001F;
  BmpLayout s32v5 = Layout(32, 3);
  s32v5.headerSize = 124;
  s32v5.masks[0] = 0xFF;
  s32v5.masks[1] = 0xFF00;
  s32v5.masks[2] = 0xFF0000;
  BmpLayout core1;
  core1.headerSize = 12;
  core1.bitCount = 1;
  core1.width = 33;
  BmpLayout rle4 = Layout(4, 2);
  rle4.imageSize = 9;
  rle4.colorsUsed = 5;
  BmpLayout s8many = Layout(8);
  s8many.colorsUsed = 300;
  s8many.paletteEntries = 300;
  BmpLayout s4many = Layout(4);
  s4many.width = 9;
  s4many.colorsUsed = 256;
  s4many.paletteEntries = 16;
  std::vector<Expect> rows = {
      {"24-bit", BmpLayout{}, 0, 4, 40, 40, 12, 24, 0xFF0000, 0xFF00, 0xFF},
      // Three rows of 8 bytes; the last one's padding is not counted.
      {"8-bit top-down", s8, 256, 4, 40, 40 + 1024, 8, 8 + 8 + 5, 0, 0, 0},
      {"8-bit, 300 colours", s8many, 256, 4, 40, 40 + 1024, 4, 8, 0, 0, 0},
      {"4-bit, 256 colours", s4many, 16, 4, 40, 40 + 64, 8, 8 + 5, 0, 0, 0},
      {"16-bit", s16, 0, 4, 40, 40, 8, 8 + 6, 0x7C00, 0x03E0, 0x001F},
      {"16-bit bitfields", s16f, 0, 4, 52, 52, 4 * 2, 16, 0xF800, 0x07E0, 0x001F},
      {"32-bit V5 bitfields", s32v5, 0, 4, 124, 124, 16, 32, 0xFF, 0xFF00, 0xFF0000},
      {"core 1-bit", core1, 2, 3, 12, 18, 8, 8 + 5, 0, 0, 0},
      {"RLE4", rle4, 5, 4, 40, 60, 0, 9, 0, 0, 0},
  };
  for (const Expect& e : rows) {
    PictureHeader h;
    DibView view;
    ASSERT_EQ(PictureVerdict::kDrawable, Check(MakeBmp(e.layout), &h, &view)) << e.name;
    EXPECT_EQ(e.layout.headerSize, h.headerSize) << e.name;
    EXPECT_EQ(e.layout.width, h.width) << e.name;
    EXPECT_EQ(e.layout.height, h.height) << e.name;
    EXPECT_EQ(static_cast<std::uint32_t>(e.layout.height < 0 ? -e.layout.height : e.layout.height),
              h.rows)
        << e.name;
    EXPECT_EQ(e.layout.height < 0, h.topDown) << e.name;
    EXPECT_EQ(e.layout.bitCount, h.bitCount) << e.name;
    EXPECT_EQ(e.entries, h.colorTableEntries) << e.name;
    EXPECT_EQ(e.entrySize, h.colorEntrySize) << e.name;
    EXPECT_EQ(e.colorTableOffset, h.colorTableOffset) << e.name;
    EXPECT_EQ(e.infoSize, h.infoSize) << e.name;
    EXPECT_EQ(e.infoSize, view.infoSize) << e.name;
    EXPECT_EQ(e.stride, h.rowStride) << e.name;
    EXPECT_EQ(e.imageSize, h.imageSize) << e.name;
    EXPECT_EQ(e.imageSize, view.bitsSize) << e.name;
    EXPECT_EQ(e.red, h.redMask) << e.name;
    EXPECT_EQ(e.green, h.greenMask) << e.name;
    EXPECT_EQ(e.blue, h.blueMask) << e.name;
  }
}

TEST(PictureValidationTest, ViewPointsAtTheStoredOffsets) {
  BmpLayout s = Layout(8);
  s.pixelOffset = 14 + 40 + 1024 + 100;  // a gap before the pixels
  std::vector<std::uint8_t> bytes = MakeBmp(s);
  PictureHeader h;
  DibView view;
  ASSERT_EQ(PictureVerdict::kDrawable, ValidatePictureFile(bytes.data(), bytes.size(), h, view));
  EXPECT_EQ(bytes.data() + 14, view.info);
  EXPECT_EQ(bytes.data() + 14 + 40 + 1024 + 100, view.bits);
  EXPECT_EQ(8u, view.bitsSize);
}

TEST(PictureValidationTest, AViewAloneGivesTheSameVerdicts) {
  for (const Row& row : Rows()) {
    PictureHeader fromFile;
    DibView view;
    PictureVerdict fileVerdict =
        ValidatePictureFile(row.bytes.data(), row.bytes.size(), fromFile, view);
    if (fileVerdict != PictureVerdict::kDrawable) continue;
    // The view exactly as the file check handed it over.
    PictureHeader fromView;
    ASSERT_EQ(PictureVerdict::kDrawable, ValidateDibView(view, fromView)) << row.name;
    EXPECT_EQ(fromFile.infoSize, fromView.infoSize) << row.name;
    EXPECT_EQ(fromFile.imageSize, fromView.imageSize) << row.name;
    EXPECT_EQ(fromFile.colorTableEntries, fromView.colorTableEntries) << row.name;

    // One byte less of either range is refused, from exact-size copies.
    std::vector<std::uint8_t> info(view.info, view.info + view.infoSize - 1);
    std::vector<std::uint8_t> bits(view.bits, view.bits + view.bitsSize);
    std::unique_ptr<std::uint8_t[]> infoCopy(new std::uint8_t[info.size()]);
    std::copy(info.begin(), info.end(), infoCopy.get());
    DibView shortInfo{infoCopy.get(), info.size(), view.bits, view.bitsSize};
    EXPECT_NE(PictureVerdict::kDrawable, ValidateDibView(shortInfo, fromView)) << row.name;
    if (view.bitsSize > 0) {
      DibView shortBits{view.info, view.infoSize, view.bits, view.bitsSize - 1};
      EXPECT_EQ(PictureVerdict::kPixelsPastEnd, ValidateDibView(shortBits, fromView)) << row.name;
    }
  }
  PictureHeader h;
  EXPECT_NE(PictureVerdict::kDrawable, ValidateDibView(DibView{}, h));
}

TEST(PictureValidationTest, AViewOfARefusedHeaderIsRefused) {
  BmpLayout s = Layout(8, 1);
  s.height = -4;
  s.imageSize = 8;
  std::vector<std::uint8_t> bytes = MakeBmp(s);
  DibView view{bytes.data() + 14, bytes.size() - 14, bytes.data() + 14, bytes.size() - 14};
  PictureHeader h;
  EXPECT_EQ(PictureVerdict::kBadHeight, ValidateDibView(view, h));
  EXPECT_EQ(0, h.width);
}

}  // namespace
}  // namespace mavrel
