// Where the texts land in the window, in each platform's reading, with text
// measured approximately: buttons and descriptions outside the window (a
// button wholly outside can never be seen or clicked), buttons on top of
// each other, and descriptions drawn over other buttons.
#include <algorithm>
#include <cmath>
#include <set>

#include "author/check_groups.h"
#include "windows_rules/text_layout.h"

namespace mavrel {
namespace {

// The launcher asks for "Ariel", which no system has; both Windows and the
// desktop then use Arial or a face with its metrics (Liberation Sans).
// Advance widths in thousandths of an em, from space to "~"; anything else
// is taken as wide as a digit.
constexpr std::uint16_t kAdvance[95] = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' '../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // p..~
};
// Ascent plus descent of that face, in ems: a cell height of h pixels is an
// em of h / 1.117.
constexpr double kCellPerEm = 1.117;

double EmPixels(std::int32_t fontHeight) {
  if (fontHeight > 0) return fontHeight / kCellPerEm;
  if (fontHeight < 0) return -static_cast<double>(fontHeight);
  return 16 / kCellPerEm;  // the size a height of 0 gets
}

struct Box {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  bool Overlaps(const Box& o) const {
    return !empty() && !o.empty() && left < o.right && o.left < right && top < o.bottom &&
           o.top < bottom;
  }
};

// The rectangle the launcher gives a text after measuring it: the
// configured corner and the extent of the wrapped text.
Box MeasuredBox(const SettingRect& rect, const SettingText& text, std::int32_t fontHeight) {
  TextLayout layout = LayoutText(text.c_str(), rect.width, ApproximateLineHeight(fontHeight),
                                 [fontHeight](const char* run, std::size_t length) {
                                   return ApproximateTextWidth(run, length, fontHeight);
                                 });
  return Box{rect.x, rect.y, static_cast<std::int64_t>(rect.x) + layout.width,
             static_cast<std::int64_t>(rect.y) + layout.height};
}

std::string Extent(const Box& box) {
  return "(" + std::to_string(box.left) + "," + std::to_string(box.top) + ")-(" +
         std::to_string(box.right) + "," + std::to_string(box.bottom) + ")";
}

std::string Others(std::size_t more) {
  return more == 0 ? std::string()
                   : " and " + std::to_string(more) + (more == 1 ? " other" : " others");
}

void CheckOutside(CheckContext& context, const std::vector<Box>& buttons,
                  const std::vector<Box>& descriptions) {
  const std::int64_t width = context.medium().width.value;
  const std::int64_t height = context.medium().height.value;
  const Box window{0, 0, width, height};
  auto outside = [&window](const Box& box) {
    return !box.empty() &&
           (box.left < 0 || box.top < 0 || box.right > window.right || box.bottom > window.bottom);
  };
  const std::string shown =
      "the " + std::to_string(width) + "x" + std::to_string(height) + " window";
  std::set<std::string> done;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (!done.insert(Lower(context.Sections()[i].c_str())).second) continue;  // listed twice: M204
    if (outside(buttons[i]) && !buttons[i].Overlaps(window)) {
      context.Error(context.RectLine(i, ButtonKeyName(kButtonLocKey)), "M601",
                    "the text of button " + context.Named(i) + " covers " + Extent(buttons[i]) +
                        ", wholly outside " + shown +
                        " (text widths approximate): nobody can see or click it; move it into "
                        "the window");
    } else if (outside(buttons[i])) {
      context.Warn(context.RectLine(i, ButtonKeyName(kButtonLocKey)), "M601",
                   "the text of button " + context.Named(i) + " covers " + Extent(buttons[i]) +
                       ", outside " + shown +
                       " (text widths approximate): move it or wrap it narrower");
    }
    if (outside(descriptions[i])) {
      context.Warn(context.RectLine(i, ButtonKeyName(kDescLocKey)), "M602",
                   "the description of " + context.Named(i) + " covers " + Extent(descriptions[i]) +
                       ", outside " + shown +
                       " (text widths approximate): move it or wrap it narrower");
    }
  }
}

// One finding per button and kind, naming the first button met and counting
// the others: a crowded medium would otherwise give one line for every pair.
void CheckOverlaps(CheckContext& context, const std::vector<Box>& buttons,
                   const std::vector<Box>& descriptions) {
  const std::size_t count = buttons.size();
  std::vector<std::string> lowerNames;
  for (const SettingText& name : context.Sections()) lowerNames.push_back(Lower(name.c_str()));
  // Only buttons whose tops lie within the tallest button's height of a box
  // can meet it: found by their tops, sorted once.
  std::vector<std::size_t> byTop;
  std::int64_t tallest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (buttons[i].empty()) continue;
    byTop.push_back(i);
    tallest = std::max(tallest, buttons[i].bottom - buttons[i].top);
  }
  std::sort(byTop.begin(), byTop.end(),
            [&buttons](std::size_t a, std::size_t b) { return buttons[a].top < buttons[b].top; });
  // Calls meet(i) for every button i whose text `box` overlaps.
  auto forEachMet = [&](const Box& box, auto&& meet) {
    if (box.empty()) return;
    auto from = std::lower_bound(
        byTop.begin(), byTop.end(), box.top - tallest,
        [&buttons](std::size_t i, std::int64_t top) { return buttons[i].top < top; });
    for (auto it = from; it != byTop.end() && buttons[*it].top < box.bottom; ++it) {
      if (buttons[*it].Overlaps(box)) meet(*it);
    }
  };
  for (std::size_t j = 0; j < count; ++j) {
    std::size_t firstOverlap = count;
    std::size_t overlaps = 0;
    std::size_t firstCovered = count;
    std::size_t covered = 0;
    auto differs = [&lowerNames, j](std::size_t i) { return lowerNames[i] != lowerNames[j]; };
    forEachMet(buttons[j], [&](std::size_t i) {
      if (i >= j || !differs(i)) return;
      ++overlaps;
      firstOverlap = std::min(firstOverlap, i);
    });
    forEachMet(descriptions[j], [&](std::size_t i) {
      if (i == j || !differs(i)) return;
      ++covered;
      firstCovered = std::min(firstCovered, i);
    });
    if (overlaps != 0) {
      context.Warn(context.RectLine(j, ButtonKeyName(kButtonLocKey)), "M603",
                   "button " + context.Named(j) + " overlaps button " +
                       context.Named(firstOverlap) + Others(overlaps - 1) +
                       " (text widths approximate): where they meet, the pointer picks " +
                       context.Named(j) + "; move them apart");
    }
    if (covered != 0) {
      context.Warn(context.RectLine(j, ButtonKeyName(kDescLocKey)), "M604",
                   "the description of " + context.Named(j) + " is drawn over the text of button " +
                       context.Named(firstCovered) + Others(covered - 1) + " while " +
                       context.Named(j) +
                       " is lit (text widths approximate); move the "
                       "description");
    }
  }
}

}  // namespace

int ApproximateLineHeight(std::int32_t fontHeight) {
  if (fontHeight > 0) return fontHeight;
  if (fontHeight == 0) return 16;
  return static_cast<int>(std::lround(-static_cast<double>(fontHeight) * kCellPerEm));
}

int ApproximateTextWidth(const char* text, std::size_t length, std::int32_t fontHeight) {
  std::uint64_t thousandths = 0;
  for (std::size_t i = 0; i < length; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    thousandths += (c >= 32 && c <= 126) ? kAdvance[c - 32] : 556;
  }
  return static_cast<int>(
      std::lround(static_cast<double>(thousandths) * EmPixels(fontHeight) / 1000));
}

void CheckLayout(CheckContext& context) {
  const std::vector<ButtonSettings>& settings = context.medium().buttons;
  std::vector<Box> buttons(settings.size());
  std::vector<Box> descriptions(settings.size());
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const ButtonSettings& b = settings[i];
    buttons[i] = MeasuredBox(b.buttonLoc, b.buttonText, b.buttonFontHeight.value);
    descriptions[i] = MeasuredBox(b.descLoc, b.descText, b.descFontHeight.value);
  }
  CheckOutside(context, buttons, descriptions);
  CheckOverlaps(context, buttons, descriptions);
}

}  // namespace mavrel
