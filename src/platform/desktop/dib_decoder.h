// Turns a checked picture (a DibView that passed the launcher's picture
// checks) into plain pixels for drawing: every bit count and compression the
// checks accept (1, 4, 8 bits with a colour table, 16 and 32 bits with
// channel masks, 24 bits, RLE8 and RLE4), rows top-down whatever the order
// in the file. Reads nothing outside the view's two ranges.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace mavrel {

// Pictures of more pixels than this are not drawn: their decoded form alone
// would take more memory than the launcher should ever ask for.
constexpr std::uint64_t kMaxDecodedPixels = 64ull << 20;

struct DecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row from the top
};

/// Decodes `view`. False, with `picture` empty, when the view does not pass
/// the picture checks or is too big to hold.
bool DecodeDib(const DibView& view, DecodedPicture& picture);

}  // namespace mavrel
