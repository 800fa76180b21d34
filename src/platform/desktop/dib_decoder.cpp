#include "platform/desktop/dib_decoder.h"

#include <new>

#include "picture/picture_validation.h"

namespace mavrel {
namespace {

std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  std::uint32_t top = mask >> shift;
  std::uint32_t value = (pixel & mask) >> shift;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) * 255 / top);
}

class Decoder {
 public:
  Decoder(const DibView& view, const PictureHeader& header, DecodedPicture& out)
      : view_(view), h_(header), out_(out) {
    const std::uint8_t* table = view.info + header.colorTableOffset;
    for (std::uint32_t i = 0; i < header.colorTableEntries; ++i) {
      const std::uint8_t* e = table + static_cast<std::size_t>(i) * header.colorEntrySize;
      palette_.push_back((static_cast<std::uint32_t>(e[2]) << 16) |
                         (static_cast<std::uint32_t>(e[1]) << 8) | e[0]);
    }
  }

  void Run() {
    if (h_.compression == kCompressionRle8 || h_.compression == kCompressionRle4) {
      DecodeRle(h_.compression == kCompressionRle8);
    } else {
      for (std::uint32_t row = 0; row < h_.rows; ++row) DecodeRow(row);
    }
  }

 private:
  // The picture row (from the top) that stored row `stored` becomes.
  std::uint32_t TargetRow(std::uint32_t stored) const {
    return h_.topDown ? stored : h_.rows - 1 - stored;
  }

  std::uint32_t PaletteColour(std::uint32_t index) const {
    // An index past the table shows as black, like an absent entry.
    return index < palette_.size() ? palette_[index] : 0;
  }

  void Put(std::uint32_t row, std::uint32_t x, std::uint32_t colour) {
    out_.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(h_.width) + x] = colour;
  }

  void DecodeRow(std::uint32_t stored) {
    const std::uint8_t* src = view_.bits + static_cast<std::size_t>(stored) * h_.rowStride;
    std::uint32_t row = TargetRow(stored);
    const auto width = static_cast<std::uint32_t>(h_.width);
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t colour = 0;
      switch (h_.bitCount) {
        case 1:
          colour = PaletteColour((src[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          colour = PaletteColour((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
          break;
        case 8:
          colour = PaletteColour(src[x]);
          break;
        case 16: {
          std::uint32_t p = src[2 * x] | (src[2 * x + 1] << 8);
          colour = Masked(p);
          break;
        }
        case 24:
          colour = (static_cast<std::uint32_t>(src[3 * x + 2]) << 16) | (src[3 * x + 1] << 8) |
                   src[3 * x];
          break;
        case 32: {
          const std::uint8_t* p = src + 4 * static_cast<std::size_t>(x);
          colour = Masked(
              static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
              (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
          break;
        }
        default:
          break;
      }
      Put(row, x, colour);
    }
  }

  std::uint32_t Masked(std::uint32_t p) const {
    return (Channel(p, h_.redMask) << 16) | (Channel(p, h_.greenMask) << 8) |
           Channel(p, h_.blueMask);
  }

  // RLE pictures are always stored bottom-up. Pixels that the runs skip
  // keep the colour of entry 0 of the table.
  void DecodeRle(bool eightBit) {
    std::uint32_t fill = PaletteColour(0);
    for (std::uint32_t& p : out_.pixels) p = fill;
    const std::uint8_t* p = view_.bits;
    const std::uint8_t* end = view_.bits + view_.bitsSize;
    const auto width = static_cast<std::uint32_t>(h_.width);
    std::uint32_t x = 0, y = 0;  // y counts stored rows from the bottom
    auto put = [&](std::uint32_t index) {
      if (x < width && y < h_.rows) Put(h_.rows - 1 - y, x, PaletteColour(index));
      ++x;
    };
    while (end - p >= 2 && y < h_.rows) {
      std::uint8_t count = p[0];
      std::uint8_t value = p[1];
      p += 2;
      if (count > 0) {
        for (std::uint32_t i = 0; i < count && x < width; ++i) {
          put(eightBit ? value : ((i & 1) ? (value & 0xF) : (value >> 4)));
        }
        continue;
      }
      if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of picture
        break;
      } else if (value == 2) {  // delta
        if (end - p < 2) break;
        x += p[0];
        y += p[1];
        p += 2;
      } else {  // a literal run of `value` pixels, padded to 16 bits
        std::size_t bytes = eightBit ? value : (value + 1u) / 2;
        std::size_t padded = (bytes + 1) & ~static_cast<std::size_t>(1);
        if (static_cast<std::size_t>(end - p) < bytes) break;
        for (std::uint32_t i = 0; i < value; ++i) {
          std::uint8_t b = eightBit ? p[i] : p[i / 2];
          put(eightBit ? b : ((i & 1) ? (b & 0xF) : (b >> 4)));
        }
        p += std::min(padded, static_cast<std::size_t>(end - p));
      }
    }
  }

  const DibView& view_;
  const PictureHeader& h_;
  DecodedPicture& out_;
  std::vector<std::uint32_t> palette_;
};

}  // namespace

bool DecodeDib(const DibView& view, DecodedPicture& picture) {
  picture = DecodedPicture{};
  PictureHeader header;
  if (ValidateDibView(view, header) != PictureVerdict::kDrawable) return false;
  std::uint64_t count = static_cast<std::uint64_t>(header.width) * header.rows;
  if (count > kMaxDecodedPixels) return false;
  try {
    picture.pixels.assign(static_cast<std::size_t>(count), 0);
  } catch (const std::bad_alloc&) {
    picture = DecodedPicture{};
    return false;
  }
  picture.width = header.width;
  picture.height = static_cast<int>(header.rows);
  Decoder(view, header, picture).Run();
  return true;
}

}  // namespace mavrel
