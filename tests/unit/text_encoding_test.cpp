#include "windows_rules/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace mavrel {
namespace {

struct EncodingCase {
  std::string bytes;
  bool validUtf8;
  std::string shown;  // what DisplayText gives
};

const EncodingCase kCases[] = {
    {"", true, ""},
    {"Plain ASCII & more", true, "Plain ASCII & more"},
    {"caf\xC3\xA9", true, "caf\xC3\xA9"},            // UTF-8 stays
    {"\xE2\x82\xAC 5", true, "\xE2\x82\xAC 5"},      // three bytes
    {"\xF0\x9F\x98\x80", true, "\xF0\x9F\x98\x80"},  // four bytes
    {"caf\xE9", false, "caf\xC3\xA9"},               // Windows-1252 e acute
    {"\x80 \x99 \x9F", false,
     "\xE2\x82\xAC \xE2\x84\xA2 \xC5\xB8"},  // euro, trade mark, Y diaeresis
    {"\x81\x8D\x8F\x90\x9D", false, "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined: C1
    {"\xA0\xFF", false, "\xC2\xA0\xC3\xBF"},
    {"\xC3", false, "\xC3\x83"},                              // cut short
    {"\xC0\xAF", false, "\xC3\x80\xC2\xAF"},                  // overlong
    {"\xE0\x80\xAF", false, "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},  // overlong, three bytes
    {"\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate
    {"\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},  // above U+10FFFF
    {"\xC3\xA9\xE9", false, "\xC3\x83\xC2\xA9\xC3\xA9"},  // one bad byte decides all
};

TEST(TextEncoding, Utf8WhenValidElseWindows1252) {
  for (const EncodingCase& c : kCases) {
    EXPECT_EQ(c.validUtf8, IsValidUtf8(c.bytes)) << c.shown;
    EXPECT_EQ(c.shown, DisplayText(c.bytes)) << c.shown;
    EXPECT_TRUE(IsValidUtf8(DisplayText(c.bytes))) << c.shown;
  }
}

TEST(TextEncoding, EveryByteOfTheCodePageBecomesItsOwnCharacter) {
  std::set<std::string> seen;
  for (int b = 1; b < 256; ++b) {
    std::string shown = Windows1252ToUtf8(std::string(1, static_cast<char>(b)));
    EXPECT_TRUE(IsValidUtf8(shown)) << b;
    EXPECT_EQ(b < 0x80 ? 1u : 2u, std::min<std::size_t>(shown.size(), 2)) << b;
    EXPECT_TRUE(seen.insert(shown).second) << "two bytes look alike: " << b;
  }
}

}  // namespace
}  // namespace mavrel
