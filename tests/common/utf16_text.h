// A text as a file saved in UTF-16 little-endian with its byte-order mark,
// the way Windows editors save "Unicode" text.
#pragma once

#include <string>
#include <string_view>

namespace mavrel {
namespace test_support {

inline std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace test_support
}  // namespace mavrel
