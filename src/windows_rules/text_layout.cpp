#include "windows_rules/text_layout.h"

#include <algorithm>

namespace mavrel {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

class Layouter {
 public:
  Layouter(std::string_view text, int maxWidth, const TextWidthFunction& measure)
      : text_(text), maxWidth_(maxWidth), measure_(measure) {}

  // Lays out the characters [start, end), which hold no line break, as one
  // or more lines.
  void LayoutSegment(std::size_t start, std::size_t end) {
    std::size_t lineStart = start;
    std::size_t lineEnd = start;  // end of the words placed on the line so far
    std::size_t i = start;
    while (true) {
      std::size_t wordStart = i;
      while (wordStart < end && text_[wordStart] == ' ') ++wordStart;
      std::size_t wordEnd = wordStart;
      while (wordEnd < end && text_[wordEnd] != ' ') ++wordEnd;
      if (wordEnd == wordStart) {
        // Only spaces are left: they count as far as they fit.
        Emit(lineStart, KeepFittingSpaces(lineStart, lineEnd, end));
        return;
      }
      if (lineEnd == lineStart || Width(lineStart, wordEnd) <= maxWidth_) {
        lineEnd = wordEnd;
        i = wordEnd;
        continue;
      }
      std::size_t keep = KeepFittingSpaces(lineStart, lineEnd, wordStart);
      Emit(lineStart, keep);
      if (keep < wordStart) ++keep;  // the break swallows one space
      lineStart = lineEnd = i = keep;
    }
  }

  TextLayout Finish(int lineHeight) {
    for (const LaidOutLine& line : layout_.lines)
      layout_.width = std::max(layout_.width, line.width);
    layout_.height = static_cast<int>(layout_.lines.size()) * lineHeight;
    return std::move(layout_);
  }

 private:
  int Width(std::size_t from, std::size_t to) const {
    return to > from ? measure_(text_.data() + from, to - from) : 0;
  }

  // The end of the line when the spaces [from, limit) follow its content
  // and only those that stay within the right edge are kept.
  std::size_t KeepFittingSpaces(std::size_t lineStart, std::size_t from, std::size_t limit) const {
    std::size_t keep = from;
    while (keep < limit && Width(lineStart, keep + 1) <= maxWidth_) ++keep;
    return keep;
  }

  void Emit(std::size_t start, std::size_t end) {
    layout_.lines.push_back({start, end - start, Width(start, end)});
  }

  std::string_view text_;
  int maxWidth_;
  const TextWidthFunction& measure_;
  TextLayout layout_;
};

}  // namespace

TextLayout LayoutText(std::string_view text, int maxWidth, int lineHeight,
                      const TextWidthFunction& measure) {
  Layouter layouter(text, maxWidth, measure);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    layouter.LayoutSegment(pos, end);
    pos = end;
    if (pos == text.size()) break;
    char first = text[pos++];
    if (pos < text.size() && IsLineBreak(text[pos]) && text[pos] != first) ++pos;
  }
  return layouter.Finish(lineHeight);
}

}  // namespace mavrel
