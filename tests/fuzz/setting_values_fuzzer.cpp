// Escape decoding and number conversion of setting values.
// - Numbers: ConvertNumber against the C library's strtoll in base 0 (the
//   "C" locale), clamped to 32 bits.
// - Escapes: the decoded text lands in a buffer exactly as long as the
//   source plus its terminator, so a longer result is caught; and any text
//   written with its backslashes doubled and its line feeds as "\n" must
//   decode back to itself.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "settings/settings.h"

namespace {

std::int32_t ReferenceNumber(const char* text) {
  errno = 0;
  long long value = std::strtoll(text, nullptr, 0);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

std::string Decode(const std::string& source) {
  auto out = std::make_unique<char[]>(source.size() + 1);
  mavrel::DecodeEscapes(source.c_str(), out.get());
  std::string decoded(out.get());
  FUZZ_CHECK(decoded.size() <= source.size());
  return decoded;
}

std::string Escape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += (escaped.size() & 1) ? "\\N" : "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Values are zero-terminated texts: everything up to the first zero byte.
  std::string text(reinterpret_cast<const char*>(data), size);
  text.resize(std::strlen(text.c_str()));

  FUZZ_CHECK(mavrel::ConvertNumber(text.c_str()) == ReferenceNumber(text.c_str()));

  std::string decoded = Decode(text);
  // Without a backslash there is nothing to decode.
  if (text.find('\\') == std::string::npos) FUZZ_CHECK(decoded == text);
  FUZZ_CHECK(Decode(Escape(text)) == text);
  return 0;
}
