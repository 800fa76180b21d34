// The launcher's texts are 8-bit, as the settings file holds them. Media
// written on Linux hold UTF-8; media written on Windows hold the ANSI code
// page, Windows-1252 for the western languages. A text that is valid UTF-8
// is shown as UTF-8, anything else as Windows-1252, so both look right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mavrel {

/// The length of the well-formed UTF-8 sequence that starts at `bytes[at]`
/// (2 to 4; no overlong forms, no surrogates, nothing above U+10FFFF), with
/// its character in `code`; 0 when there is none there (ASCII included).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at, std::uint32_t& code);

/// The Unicode character that one Windows-1252 byte stands for.
std::uint32_t Windows1252Character(unsigned char byte);

/// Appends `code` (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);

/// True when `bytes` is well-formed UTF-8 (no overlong forms, no
/// surrogates, nothing above U+10FFFF). Plain ASCII is.
bool IsValidUtf8(std::string_view bytes);

/// Windows-1252 to UTF-8. The five byte values that code page leaves
/// undefined become the C1 control characters of the same number, as
/// Windows' own conversion does.
std::string Windows1252ToUtf8(std::string_view bytes);

/// True when Windows-1252 has a byte for the Unicode character `code`.
bool InWindows1252(std::uint32_t code);

/// The text of UTF-16 little-endian `units` (no byte-order mark) as UTF-8.
/// A surrogate without its partner is no character and becomes U+FFFD, as
/// Windows' own conversion to UTF-8 does; an odd last byte, half a
/// character, is dropped. U+0000 stays a zero byte.
std::string Utf16LeToUtf8(std::string_view units);

/// `bytes` as UTF-8: unchanged when `isUtf8`, else read as Windows-1252.
inline std::string DisplayText(std::string_view bytes, bool isUtf8) {
  return isUtf8 ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

/// `bytes` as UTF-8, deciding by the text itself.
inline std::string DisplayText(std::string_view bytes) {
  return DisplayText(bytes, IsValidUtf8(bytes));
}

}  // namespace mavrel
