// Word-wrapped, left-aligned text laid out the way the Windows text drawing
// operation does it with word breaks and no prefix processing:
// - a carriage return or a line feed ends a line; CR LF and LF CR count as
//   one break, CR CR and LF LF as two; a break at the very end of the text
//   adds no empty line;
// - a tab is an ordinary character (tabs are not expanded);
// - a line is broken before a word that would pass the right edge; the
//   spaces before that word that still fit stay on the line and count in its
//   width, the next space is swallowed by the break, and any further spaces
//   begin the next line;
// - the first word of a line stays on it whatever its width (a word wider
//   than the rectangle overflows on a line of its own), and spaces at the
//   start of a line stay with that first word;
// - spaces at the end of a line (before a line break or the end of the
//   text) count as far as they fit;
// - "&" is an ordinary character.
// Every line is one line height high; an empty text has no lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace mavrel {

// Width in pixels of text[0, length) drawn as one run in the current font.
using TextWidthFunction = std::function<int(const char* text, std::size_t length)>;

struct LaidOutLine {
  std::size_t start = 0;   // offset of the line's first character in the text
  std::size_t length = 0;  // characters drawn on the line
  int width = 0;           // width of those characters
};

struct TextLayout {
  std::vector<LaidOutLine> lines;
  int width = 0;   // the widest line
  int height = 0;  // lines x line height
};

/// Lays out `text` in lines no wider than `maxWidth` where the words allow
/// it. `measure` is called only with ranges of `text`.
TextLayout LayoutText(std::string_view text, int maxWidth, int lineHeight,
                      const TextWidthFunction& measure);

}  // namespace mavrel
