// Picture checks and the desktop picture decoder. The input is a picture
// file, held in a buffer of exactly its size. A picture that passes the
// checks must describe only bytes inside the file; its two parts are then
// copied into separate buffers of exactly the checked sizes, as a drawing
// backend receives them, and checked and decoded again from there, so any
// read beyond what the checks allowed is caught.
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_check.h"
#include "picture/picture_validation.h"
#include "platform/desktop/dib_decoder.h"

namespace {

using mavrel::DecodedPicture;
using mavrel::DibView;
using mavrel::PictureHeader;
using mavrel::PictureVerdict;

std::unique_ptr<std::uint8_t[]> Copy(const std::uint8_t* from, std::size_t size) {
  auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
  if (size != 0) std::memcpy(copy.get(), from, size);
  return copy;
}

bool SameHeader(const PictureHeader& a, const PictureHeader& b) {
  return a.headerSize == b.headerSize && a.width == b.width && a.height == b.height &&
         a.rows == b.rows && a.topDown == b.topDown && a.bitCount == b.bitCount &&
         a.compression == b.compression && a.colorTableEntries == b.colorTableEntries &&
         a.imageSize == b.imageSize && a.infoSize == b.infoSize && a.rowStride == b.rowStride;
}

// Decoding takes time in proportion to the pixel count, and a few bytes of
// RLE can describe tens of millions of pixels; bigger pictures than this
// reach no code that smaller ones do not, and only slow the search down.
constexpr std::uint64_t kLargestDecoded = 1u << 20;

void CheckDecoded(const DibView& view, const PictureHeader& header) {
  std::uint64_t pixels = static_cast<std::uint64_t>(header.width) * header.rows;
  if (pixels > kLargestDecoded) return;
  DecodedPicture picture;
  bool decoded = mavrel::DecodeDib(view, picture);
  FUZZ_CHECK(decoded == (pixels <= mavrel::kMaxDecodedPixels));
  if (!decoded) {
    FUZZ_CHECK(picture.pixels.empty());
    return;
  }
  FUZZ_CHECK(picture.width == header.width);
  FUZZ_CHECK(picture.height == static_cast<int>(header.rows));
  FUZZ_CHECK(picture.pixels.size() == pixels);
  for (std::uint32_t p : picture.pixels) FUZZ_CHECK(p <= 0xFFFFFFu);
}

// A description and pixel bits handed over in two buffers of their own.
void CheckSplitView(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                    std::size_t bitsSize, const PictureHeader* expected) {
  auto infoCopy = Copy(info, infoSize);
  auto bitsCopy = Copy(bits, bitsSize);
  DibView view{infoCopy.get(), infoSize, bitsCopy.get(), bitsSize};
  PictureHeader header;
  PictureVerdict verdict = mavrel::ValidateDibView(view, header);
  if (expected != nullptr) {
    FUZZ_CHECK(verdict == PictureVerdict::kDrawable);
    FUZZ_CHECK(SameHeader(header, *expected));
  }
  if (verdict == PictureVerdict::kDrawable) {
    FUZZ_CHECK(header.infoSize <= infoSize);
    FUZZ_CHECK(header.imageSize <= bitsSize);
    CheckDecoded(view, header);
  } else {
    DecodedPicture picture;
    FUZZ_CHECK(!mavrel::DecodeDib(view, picture));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto file = Copy(data, size);
  PictureHeader header;
  DibView view;
  PictureVerdict verdict = mavrel::ValidatePictureFile(file.get(), size, header, view);
  FUZZ_CHECK(mavrel::PictureVerdictName(verdict) != nullptr);
  if (verdict == PictureVerdict::kDrawable) {
    const std::uint8_t* begin = file.get();
    const std::uint8_t* end = begin + size;
    FUZZ_CHECK(view.info == begin + mavrel::kBitmapFileHeaderSize);
    FUZZ_CHECK(view.infoSize == header.infoSize && view.infoSize <= size - 14);
    FUZZ_CHECK(view.bits >= view.info + view.infoSize);
    FUZZ_CHECK(view.bitsSize == header.imageSize);
    FUZZ_CHECK(view.bitsSize <= static_cast<std::size_t>(end - view.bits));
    FUZZ_CHECK(header.width >= 1 && header.width <= mavrel::kMaxPictureWidth);
    FUZZ_CHECK(header.rows >= 1 &&
               header.rows <= static_cast<std::uint32_t>(mavrel::kMaxPictureHeight));
    CheckSplitView(view.info, view.infoSize, view.bits, view.bitsSize, &header);
  } else {
    FUZZ_CHECK(view.info == nullptr && view.bits == nullptr);
  }

  // The same bytes taken as a description and pixel bits split at a point
  // of the input's choosing, as if a backend had been handed them directly.
  if (size >= 2) {
    std::size_t split = (static_cast<std::size_t>(data[0]) | (data[1] << 8)) % (size - 1);
    CheckSplitView(data + 2, split, data + 2 + split, size - 2 - split, nullptr);
  }
  return 0;
}
