// Checking a BMP picture before anything draws it.
//
// The drawing operation trusts a picture's headers and reads as far as they
// say, so a picture is drawn only after these checks have shown that its
// description and its pixel bits lie wholly inside the bytes we hold. A
// picture that fails any check is not drawable, and nothing of it is drawn.
//
// What is accepted is what the drawing operation accepts:
//  - information header of 12 bytes (core header: 16-bit width and height,
//    bottom-up only, 3-byte colour-table entries) or of 40, 52, 56, 108 or
//    124 bytes (4-byte colour-table entries); any other size is refused;
//  - width 1 to kMaxPictureWidth, height non-zero with |height| up to
//    kMaxPictureHeight (negative: rows stored top-down), planes non-zero;
//  - 1, 4, 8 and 24 bits per pixel with BI_RGB; 16 and 32 with BI_RGB or
//    BI_BITFIELDS; BI_RLE8 at 8 and BI_RLE4 at 4 bits, bottom-up only and
//    with a non-zero stored image size. The core header takes 1, 4, 8 and 24
//    bits and no compression field at all.
//  - Colour table: the header's used-colour count, or 2^bits when that is 0
//    or above 2^bits, for up to 8 bits per pixel; for 16, 24
//    and 32 bits the used-colour count (up to 256) of entries that the
//    drawing operation skips. The core header always carries 2^bits entries
//    for up to 8 bits.
//  - The information area (header, the three masks that follow a 40-byte
//    header with BI_BITFIELDS, colour table) lies inside the file; the pixel
//    bits start at or after its end and their byte count (row stride x rows
//    when uncompressed, less the padding of the last row, which the drawing
//    operation never reads; the stored image size for RLE) lies inside the
//    file;
//  - the whole picture, every row padded, takes at most kMaxPixelBytes: the
//    drawing operation draws nothing bigger.
//
// Every size is computed in 64 bits, so no header value can wrap a count
// round to something small. The limits on width and height are far beyond
// any screen and keep the pixel count of a valid picture at or below 2^30.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform_types.h"

namespace mavrel {

constexpr std::int32_t kMaxPictureWidth = 32768;
constexpr std::int32_t kMaxPictureHeight = 32768;
// The most bytes of pixel data the drawing operation takes (2^31 - 1).
constexpr std::uint64_t kMaxPixelBytes = 0x7FFFFFFF;

constexpr std::size_t kBitmapFileHeaderSize = 14;
constexpr std::uint16_t kBitmapSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kCoreHeaderSize = 12;

// Compression values of the information header.
constexpr std::uint32_t kCompressionRgb = 0;        // BI_RGB
constexpr std::uint32_t kCompressionRle8 = 1;       // BI_RLE8
constexpr std::uint32_t kCompressionRle4 = 2;       // BI_RLE4
constexpr std::uint32_t kCompressionBitfields = 3;  // BI_BITFIELDS

// Why a picture is not drawable; kDrawable when it is.
enum class PictureVerdict {
  kDrawable,
  kTooShort,             // the file ends before the file header or information header does
  kBadSignature,         // not "BM"
  kBadHeaderSize,        // an information header size the drawing operation refuses
  kBadWidth,             // width 0, negative or above kMaxPictureWidth
  kBadHeight,            // height 0 or |height| above kMaxPictureHeight
  kBadPlanes,            // plane count 0
  kBadFormat,            // bit count and compression that are not drawn together
  kBadColorTable,        // above 256 used colours at 16, 24 or 32 bits
  kInfoPastEnd,          // masks or colour table reach past the end of the bytes
  kPixelOffsetTooSmall,  // the pixel bits start inside the information area
  kPixelsPastEnd,        // the pixel bits reach past the end of the bytes
  kBadImageSize,         // RLE with a stored image size of 0
  kPixelsTooLarge,       // more pixel data than the drawing operation takes
};

// Text naming a verdict, for tests and the author's checking tool.
const char* PictureVerdictName(PictureVerdict verdict);

// The parsed, checked information header of a drawable picture.
struct PictureHeader {
  std::uint32_t headerSize = 0;  // 12, 40, 52, 56, 108 or 124
  std::int32_t width = 0;        // pixels, 1 to kMaxPictureWidth
  std::int32_t height = 0;       // as stored: negative for top-down rows
  std::uint32_t rows = 0;        // |height|
  bool topDown = false;          // first stored row is the top row
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;     // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression = 0;  // kCompressionRgb, ...Rle8, ...Rle4 or ...Bitfields
  std::uint32_t colorTableEntries = 0;
  std::uint32_t colorEntrySize = 0;    // 3 for the core header, 4 otherwise
  std::uint32_t colorTableOffset = 0;  // from the start of the information header
  // Channel masks of 16- and 32-bit pixels: those stored for BI_BITFIELDS,
  // else 5-5-5 for 16 bits and 8-8-8 for 24 and 32 bits. 0 below 16 bits.
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  // Bytes of pixel bits the picture uses: rowStride x (rows - 1) and the
  // unpadded bytes of the last row when uncompressed, the stored image size
  // for RLE.
  std::uint32_t imageSize = 0;
  // Bytes per stored row (rows are padded to 4 bytes); 0 for RLE.
  std::uint32_t rowStride = 0;
  // Bytes of the information area: header, masks and colour table.
  std::uint32_t infoSize = 0;
};

/// Checks the complete bytes of a picture file. On kDrawable, `header`
/// describes the picture and `view` holds the information area (from file
/// offset 14, infoSize bytes) and the pixel bits (from the stored pixel
/// offset, imageSize bytes), both inside `bytes`. On any other verdict
/// `header` and `view` are left empty. Reads nothing outside bytes[0, size).
PictureVerdict ValidatePictureFile(const std::uint8_t* bytes, std::size_t size,
                                   PictureHeader& header, DibView& view);

/// Checks a picture handed over as a DibView alone, as a drawing backend
/// receives it: the information area must hold the whole header, masks and
/// colour table within view.infoSize, and view.bitsSize must cover the
/// pixel bits the header describes. Gives the same verdicts and the same
/// `header` as ValidatePictureFile. Reads nothing outside the two ranges.
PictureVerdict ValidateDibView(const DibView& view, PictureHeader& header);

}  // namespace mavrel
