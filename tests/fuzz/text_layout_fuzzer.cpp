// Text layout with word breaks. The input chooses the wrapping width, the
// line height and a width for every byte value (an additive font, so every
// rule can be checked by sums), then gives the text.
// Checked: measuring is asked only about ranges of the text; lines lie in
// the text in order, hold no line break and are measured right; every
// character other than a space or a line break is on exactly one line; a
// line of more than one word fits; each break was needed (the next line's
// first word would not have fitted) and swallowed at most one space; width
// and height are the widest line and lines x line height.
#include <algorithm>
#include <array>
#include <vector>

#include "fuzz_check.h"
#include "windows_rules/text_layout.h"

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mavrel::fuzz::InputReader input(data, size);
  const std::int32_t maxWidth = input.I32();
  const int lineHeight = static_cast<int>(input.U32() & 0xFFFF);
  std::array<int, 256> glyph{};
  for (int& width : glyph) width = 8;
  // A few bytes get widths of their own, up to 255 (0 included).
  const int custom = input.Byte() % 16;
  for (int i = 0; i < custom; ++i) {
    std::uint8_t which = input.Byte();
    glyph[which] = input.Byte();
  }
  const std::string_view text = input.Rest();

  auto sum = [&](std::size_t from, std::size_t to) {
    long long total = 0;
    for (std::size_t i = from; i < to; ++i) total += glyph[static_cast<std::uint8_t>(text[i])];
    return total;
  };
  mavrel::TextWidthFunction measure = [&](const char* run, std::size_t length) {
    FUZZ_CHECK(run >= text.data() && length <= text.size());
    FUZZ_CHECK(static_cast<std::size_t>(run - text.data()) <= text.size() - length);
    std::size_t from = static_cast<std::size_t>(run - text.data());
    return static_cast<int>(sum(from, from + length));
  };

  mavrel::TextLayout layout = mavrel::LayoutText(text, maxWidth, lineHeight, measure);

  std::vector<int> covered(text.size(), 0);
  int widest = 0;
  std::size_t previousEnd = 0;
  for (std::size_t n = 0; n < layout.lines.size(); ++n) {
    const mavrel::LaidOutLine& line = layout.lines[n];
    FUZZ_CHECK(line.start >= previousEnd && line.start <= text.size());
    FUZZ_CHECK(line.length <= text.size() - line.start);
    const std::size_t end = line.start + line.length;
    FUZZ_CHECK(line.width == sum(line.start, end));
    widest = std::max(widest, line.width);
    bool manyWords = false;
    bool inWord = false;
    int words = 0;
    for (std::size_t i = line.start; i < end; ++i) {
      FUZZ_CHECK(!IsBreak(text[i]));
      ++covered[i];
      if (text[i] != ' ' && !inWord) ++words;
      inWord = text[i] != ' ';
    }
    manyWords = words > 1;
    if (manyWords) FUZZ_CHECK(line.width <= maxWidth);

    // A break inside a paragraph (no line break between this line and the
    // next) must have been needed.
    if (n + 1 < layout.lines.size()) {
      const mavrel::LaidOutLine& next = layout.lines[n + 1];
      bool sameParagraph = true;
      for (std::size_t i = end; i < next.start; ++i) sameParagraph &= !IsBreak(text[i]);
      if (sameParagraph) {
        // The break swallows one space at most: spaces that fit stay on the
        // line, further ones begin the next.
        FUZZ_CHECK(next.start - end <= 1);
        if (next.start > end) FUZZ_CHECK(text[end] == ' ');
        std::size_t wordEnd = next.start;
        while (wordEnd < text.size() && text[wordEnd] == ' ') ++wordEnd;
        while (wordEnd < text.size() && text[wordEnd] != ' ' && !IsBreak(text[wordEnd])) ++wordEnd;
        FUZZ_CHECK(sum(line.start, wordEnd) > maxWidth);
      }
    }
    previousEnd = end;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ' ' && !IsBreak(text[i])) FUZZ_CHECK(covered[i] == 1);
  }
  if (!layout.lines.empty()) FUZZ_CHECK(layout.lines.front().start == 0);
  FUZZ_CHECK(layout.width == widest);
  FUZZ_CHECK(static_cast<long long>(layout.height) ==
             static_cast<long long>(layout.lines.size()) * lineHeight);
  if (text.empty()) FUZZ_CHECK(layout.lines.empty() && layout.height == 0);
  return 0;
}
