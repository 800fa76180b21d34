#include "windows_rules/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mavrel {
namespace {

// A proportional test font: "i" is 4 pixels wide, "W" 16, everything else
// (spaces, tabs, "&" included) 10.
int GlyphWidth(char c) { return c == 'i' ? 4 : c == 'W' ? 16 : 10; }

int MeasureRun(const char* text, std::size_t length) {
  int width = 0;
  for (std::size_t i = 0; i < length; ++i) width += GlyphWidth(text[i]);
  return width;
}

struct LayoutCase {
  const char* name;
  std::string text;
  int maxWidth;
  std::vector<std::string> lines;  // the characters of each line
  std::vector<int> widths;         // and its width
};

std::vector<std::string> LineTexts(const std::string& text, const TextLayout& layout) {
  std::vector<std::string> lines;
  for (const LaidOutLine& line : layout.lines)
    lines.push_back(text.substr(line.start, line.length));
  return lines;
}

const LayoutCase kCases[] = {
    {"empty text has no lines", "", 100, {}, {}},
    {"one short word", "abc", 100, {"abc"}, {30}},
    {"proportional widths", "iWi", 100, {"iWi"}, {24}},
    {"two words fit", "ab cd", 50, {"ab cd"}, {50}},
    {"break before the word that passes the edge", "ab cd", 49, {"ab ", "cd"}, {30, 20}},
    {"space that does not fit is swallowed", "abcd ef", 40, {"abcd", "ef"}, {40, 20}},
    {"spaces that fit stay and one more is swallowed", "ab   cd", 40, {"ab  ", "cd"}, {40, 20}},
    {"further spaces begin the next line", "abc    d", 40, {"abc ", "  d"}, {40, 30}},
    {"several breaks", "aa bb cc dd", 55, {"aa bb", "cc dd"}, {50, 50}},
    {"a long word stays whole on its own line",
     "a verylongword b",
     50,
     {"a ", "verylongword", "b"},
     {20, 120, 10}},
    {"a long first word overflows", "verylongword", 30, {"verylongword"}, {120}},
    {"width 0 puts every word on its own line",
     "one two three",
     0,
     {"one", "two", "three"},
     {30, 30, 50}},
    {"leading spaces stay with the first word", "  ab cd", 40, {"  ab", "cd"}, {40, 20}},
    {"trailing spaces count as far as they fit", "ab   ", 40, {"ab  "}, {40}},
    {"only spaces", "   ", 100, {"   "}, {30}},
    {"line feed ends a line", "ab\ncd", 100, {"ab", "cd"}, {20, 20}},
    {"carriage return ends a line", "ab\rcd", 100, {"ab", "cd"}, {20, 20}},
    {"CR LF is one break", "ab\r\ncd", 100, {"ab", "cd"}, {20, 20}},
    {"LF CR is one break", "ab\n\rcd", 100, {"ab", "cd"}, {20, 20}},
    {"LF LF is two breaks", "ab\n\ncd", 100, {"ab", "", "cd"}, {20, 0, 20}},
    {"CR CR is two breaks", "ab\r\rcd", 100, {"ab", "", "cd"}, {20, 0, 20}},
    {"CR LF CR LF is two breaks", "ab\r\n\r\ncd", 100, {"ab", "", "cd"}, {20, 0, 20}},
    {"a trailing break adds no line", "ab\n", 100, {"ab"}, {20}},
    {"a trailing CR LF adds no line", "ab\r\n", 100, {"ab"}, {20}},
    {"two trailing breaks add one empty line", "ab\n\n", 100, {"ab", ""}, {20, 0}},
    {"a lone break is one empty line", "\n", 100, {""}, {0}},
    {"a leading break gives an empty first line", "\nab", 100, {"", "ab"}, {0, 20}},
    {"wrapping restarts after a line feed",
     "aa bb\ncc dd",
     30,
     {"aa ", "bb", "cc ", "dd"},
     {30, 20, 30, 20}},
    {"ampersand is literal", "a&b &c", 100, {"a&b &c"}, {60}},
    {"a tab is an ordinary character", "a\tb c", 30, {"a\tb", "c"}, {30, 10}},
    {"negative width breaks at every word", "ab cd", -5, {"ab", "cd"}, {20, 20}},
    {"exact fit keeps the word", "abc de", 60, {"abc de"}, {60}},
};

TEST(TextLayout, FollowsTheWordBreakRules) {
  for (const LayoutCase& c : kCases) {
    TextLayout layout = LayoutText(c.text, c.maxWidth, 13, MeasureRun);
    EXPECT_EQ(c.lines, LineTexts(c.text, layout)) << c.name;
    std::vector<int> widths;
    for (const LaidOutLine& line : layout.lines) widths.push_back(line.width);
    EXPECT_EQ(c.widths, widths) << c.name;
    int widest = 0;
    for (int w : c.widths) widest = std::max(widest, w);
    EXPECT_EQ(widest, layout.width) << c.name;
    EXPECT_EQ(static_cast<int>(c.lines.size()) * 13, layout.height) << c.name;
  }
}

TEST(TextLayout, MeasuresOnlyRangesOfTheText) {
  std::string text = "alpha beta\r\ngamma  delta epsilon";
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  bool outside = false;
  TextLayout layout = LayoutText(text, 60, 10, [&](const char* s, std::size_t n) {
    if (s < begin || s + n > end || n == 0) outside = true;
    return MeasureRun(s, n);
  });
  EXPECT_FALSE(outside);
  EXPECT_EQ((std::vector<std::string>{"alpha ", "beta", "gamma ", "delta ", "epsilon"}),
            LineTexts(text, layout));
}

TEST(TextLayout, LongTextsEndAndKeepEveryWord) {
  // Every word ends up on some line, in order, with single spaces swallowed
  // only at breaks.
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i % 7 == 0 ? "Wide " : "w ");
  TextLayout layout = LayoutText(text, 77, 12, MeasureRun);
  std::string joined;
  for (const LaidOutLine& line : layout.lines) {
    std::string part = text.substr(line.start, line.length);
    EXPECT_LE(line.width, 77) << part;
    joined += part;
    if (!part.empty() && part.back() != ' ') joined += ' ';
  }
  EXPECT_EQ(text, joined);
}

}  // namespace
}  // namespace mavrel
