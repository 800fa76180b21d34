#include "picture/picture_validation.h"

namespace mavrel {
namespace {

// Little-endian fields, read only after the caller has made sure they lie
// inside the bytes.
std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t ReadI32(const std::uint8_t* p) {
  // Two's complement without relying on an implementation-defined cast.
  std::uint32_t u = ReadU32(p);
  if (u <= 0x7FFFFFFFu) return static_cast<std::int32_t>(u);
  return -static_cast<std::int32_t>(~u) - 1;
}

bool IsKnownHeaderSize(std::uint32_t size) {
  return size == kCoreHeaderSize || size == 40 || size == 52 || size == 56 || size == 108 ||
         size == 124;
}

// Parses and checks the information area `info` of `infoAvailable` bytes.
// Everything but the placement of the pixel bits is decided here; the
// caller checks the bits against what it holds.
PictureVerdict ParseInfo(const std::uint8_t* info, std::uint64_t infoAvailable, PictureHeader& h) {
  if (infoAvailable < 4) return PictureVerdict::kTooShort;
  h.headerSize = ReadU32(info);
  if (!IsKnownHeaderSize(h.headerSize)) return PictureVerdict::kBadHeaderSize;
  if (infoAvailable < h.headerSize) return PictureVerdict::kTooShort;

  std::int64_t height = 0;
  if (h.headerSize == kCoreHeaderSize) {
    h.width = ReadU16(info + 4);
    height = ReadU16(info + 6);
    h.planes = ReadU16(info + 8);
    h.bitCount = ReadU16(info + 10);
    h.compression = kCompressionRgb;
    h.colorEntrySize = 3;
  } else {
    h.width = ReadI32(info + 4);
    height = ReadI32(info + 8);
    h.planes = ReadU16(info + 12);
    h.bitCount = ReadU16(info + 14);
    h.compression = ReadU32(info + 16);
    h.colorEntrySize = 4;
  }
  if (h.width <= 0 || h.width > kMaxPictureWidth) return PictureVerdict::kBadWidth;
  // Kept in 64 bits so that the most negative height has a magnitude.
  std::int64_t rows = height < 0 ? -height : height;
  if (rows == 0 || rows > kMaxPictureHeight) return PictureVerdict::kBadHeight;
  h.height = static_cast<std::int32_t>(height);
  h.rows = static_cast<std::uint32_t>(rows);
  h.topDown = height < 0;
  if (h.planes == 0) return PictureVerdict::kBadPlanes;

  bool rle = false;
  switch (h.bitCount) {
    case 1:
    case 24:
      if (h.compression != kCompressionRgb) return PictureVerdict::kBadFormat;
      break;
    case 4:
    case 8:
      if (h.compression == kCompressionRgb) break;
      if ((h.bitCount == 8 && h.compression == kCompressionRle8) ||
          (h.bitCount == 4 && h.compression == kCompressionRle4)) {
        rle = true;
        break;
      }
      return PictureVerdict::kBadFormat;
    case 16:
    case 32:
      if (h.headerSize == kCoreHeaderSize) return PictureVerdict::kBadFormat;
      if (h.compression != kCompressionRgb && h.compression != kCompressionBitfields) {
        return PictureVerdict::kBadFormat;
      }
      break;
    default:
      return PictureVerdict::kBadFormat;
  }
  // RLE pictures are stored bottom-up only.
  if (rle && h.topDown) return PictureVerdict::kBadHeight;

  // Masks: inside a header of 52 bytes or more, after a 40-byte one.
  std::uint64_t infoSize = h.headerSize;
  if (h.compression == kCompressionBitfields) {
    std::uint64_t masksAt = 40;
    if (h.headerSize == 40) infoSize += 12;
    if (infoAvailable < infoSize) return PictureVerdict::kInfoPastEnd;
    h.redMask = ReadU32(info + masksAt);
    h.greenMask = ReadU32(info + masksAt + 4);
    h.blueMask = ReadU32(info + masksAt + 8);
  } else if (h.bitCount == 16) {
    h.redMask = 0x7C00;
    h.greenMask = 0x03E0;
    h.blueMask = 0x001F;
  } else if (h.bitCount >= 24) {
    h.redMask = 0xFF0000;
    h.greenMask = 0x00FF00;
    h.blueMask = 0x0000FF;
  }

  std::uint32_t entries = 0;
  if (h.headerSize == kCoreHeaderSize) {
    if (h.bitCount <= 8) entries = 1u << h.bitCount;
  } else {
    std::uint32_t used = ReadU32(info + 32);
    if (h.bitCount <= 8) {
      // A count above 2^bits is drawn with the 2^bits entries that the
      // pixels can name; the rest of the claimed table is never read.
      std::uint32_t most = 1u << h.bitCount;
      entries = used == 0 || used > most ? most : used;
    } else {
      if (used > 256) return PictureVerdict::kBadColorTable;
      entries = used;
    }
  }
  h.colorTableEntries = entries;
  h.colorTableOffset = static_cast<std::uint32_t>(infoSize);
  infoSize += static_cast<std::uint64_t>(entries) * h.colorEntrySize;
  if (infoAvailable < infoSize) return PictureVerdict::kInfoPastEnd;
  h.infoSize = static_cast<std::uint32_t>(infoSize);

  // At most 32768 x 32 bits a row and 32768 rows: below 2^33, so 64 bits
  // hold it. The drawing operation counts the bytes of the whole picture,
  // row padding included, in a signed 32-bit number and draws nothing when
  // they do not fit (23180 x 23180 at 32 bits).
  std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
  if (stride * h.rows > kMaxPixelBytes) return PictureVerdict::kPixelsTooLarge;
  if (rle) {
    h.imageSize = ReadU32(info + 20);
    if (h.imageSize == 0) return PictureVerdict::kBadImageSize;
    if (h.imageSize > kMaxPixelBytes) return PictureVerdict::kPixelsTooLarge;
    h.rowStride = 0;
  } else {
    // Every row but the last with its padding: the drawing operation reads
    // no padding after the last row, so a file may end without it.
    std::uint64_t lastRow = (static_cast<std::uint64_t>(h.width) * h.bitCount + 7) / 8;
    h.rowStride = static_cast<std::uint32_t>(stride);
    h.imageSize = static_cast<std::uint32_t>(stride * (h.rows - 1) + lastRow);
  }
  return PictureVerdict::kDrawable;
}

}  // namespace

const char* PictureVerdictName(PictureVerdict verdict) {
  switch (verdict) {
    case PictureVerdict::kDrawable:
      return "drawable";
    case PictureVerdict::kTooShort:
      return "too short";
    case PictureVerdict::kBadSignature:
      return "bad signature";
    case PictureVerdict::kBadHeaderSize:
      return "bad header size";
    case PictureVerdict::kBadWidth:
      return "bad width";
    case PictureVerdict::kBadHeight:
      return "bad height";
    case PictureVerdict::kBadPlanes:
      return "bad planes";
    case PictureVerdict::kBadFormat:
      return "bad format";
    case PictureVerdict::kBadColorTable:
      return "bad colour table";
    case PictureVerdict::kInfoPastEnd:
      return "information past end";
    case PictureVerdict::kPixelOffsetTooSmall:
      return "pixel offset too small";
    case PictureVerdict::kPixelsPastEnd:
      return "pixels past end";
    case PictureVerdict::kBadImageSize:
      return "bad image size";
    case PictureVerdict::kPixelsTooLarge:
      return "pixels too large";
  }
  return "unknown";
}

PictureVerdict ValidatePictureFile(const std::uint8_t* bytes, std::size_t size,
                                   PictureHeader& header, DibView& view) {
  header = PictureHeader{};
  view = DibView{};
  if (bytes == nullptr || size < kBitmapFileHeaderSize) return PictureVerdict::kTooShort;
  if (ReadU16(bytes) != kBitmapSignature) return PictureVerdict::kBadSignature;
  std::uint32_t pixelOffset = ReadU32(bytes + 10);

  PictureHeader h;
  PictureVerdict verdict =
      ParseInfo(bytes + kBitmapFileHeaderSize, size - kBitmapFileHeaderSize, h);
  if (verdict != PictureVerdict::kDrawable) return verdict;

  std::uint64_t infoEnd = kBitmapFileHeaderSize + static_cast<std::uint64_t>(h.infoSize);
  if (pixelOffset < infoEnd) return PictureVerdict::kPixelOffsetTooSmall;
  if (static_cast<std::uint64_t>(pixelOffset) + h.imageSize > size) {
    return PictureVerdict::kPixelsPastEnd;
  }

  header = h;
  view.info = bytes + kBitmapFileHeaderSize;
  view.infoSize = h.infoSize;
  view.bits = bytes + pixelOffset;
  view.bitsSize = h.imageSize;
  return PictureVerdict::kDrawable;
}

PictureVerdict ValidateDibView(const DibView& view, PictureHeader& header) {
  header = PictureHeader{};
  if (view.info == nullptr) return PictureVerdict::kTooShort;
  PictureHeader h;
  PictureVerdict verdict = ParseInfo(view.info, view.infoSize, h);
  if (verdict != PictureVerdict::kDrawable) return verdict;
  if (view.bits == nullptr || view.bitsSize < h.imageSize) return PictureVerdict::kPixelsPastEnd;
  header = h;
  return PictureVerdict::kDrawable;
}

}  // namespace mavrel
