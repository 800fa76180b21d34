#include "author/medium_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "author/publish_checks.h"
#include "commands/activation.h"
#include "picture/picture_validation.h"
#include "settings/medium_settings.h"
#include "window/background_picture.h"
#include "windows_rules/command_line.h"
#include "windows_rules/ini_reader.h"
#include "windows_rules/text_encoding.h"
#include "windows_rules/text_layout.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Names

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool EndsWithName(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualNames(text.substr(text.size() - suffix.size()), suffix);
}

enum class Kind { kText, kNumber, kColor, kPath, kExit };

struct KnownKey {
  std::string_view name;
  Kind kind;
};

// Read only in [Main].
constexpr KnownKey kWindowKeys[] = {
    {"Width", Kind::kNumber},
    {"Height", Kind::kNumber},
    {"Title", Kind::kText},
    {"Background", Kind::kPath},
};

// Read in [Main] as defaults and in every button section.
constexpr KnownKey kButtonKeys[] = {
    {"BUTTON_TEXT", Kind::kText},
    {"DESC_TEXT", Kind::kText},
    {"BUTTON_LOC.X", Kind::kNumber},
    {"BUTTON_LOC.Y", Kind::kNumber},
    {"BUTTON_LOC.WIDTH", Kind::kNumber},
    {"BUTTON_LOC.HEIGHT", Kind::kNumber},
    {"DESC_LOC.X", Kind::kNumber},
    {"DESC_LOC.Y", Kind::kNumber},
    {"DESC_LOC.WIDTH", Kind::kNumber},
    {"DESC_LOC.HEIGHT", Kind::kNumber},
    {"BUTTON_FONT_HEIGHT", Kind::kNumber},
    {"BUTTON_DESC_HEIGHT", Kind::kNumber},
    {"TEXT_COLOR", Kind::kColor},
    {"HIGHLIGHT_COLOR", Kind::kColor},
    {"SELECT_COLOR", Kind::kColor},
    {"DESC_COLOR", Kind::kColor},
    {"DIRECTORY", Kind::kPath},
    {"PROG_COMMAND", Kind::kPath},
    {"DOC_COMMAND", Kind::kPath},
    {"EXIT_COMMAND", Kind::kExit},
    {"ERROR_MSG", Kind::kText},
};

template <std::size_t N>
const KnownKey* FindKnown(const KnownKey (&table)[N], std::string_view key) {
  for (const KnownKey& known : table) {
    if (known.name.size() == key.size() && EqualNames(known.name, key)) {
      return &known;
    }
  }
  return nullptr;
}

// The number n of a list key "Button.n" as the launcher forms it with
// "%s.%d": decimal digits without a leading zero (letter case aside in
// "Button", as every lookup).
bool ListIndex(std::string_view key, std::uint64_t& n) {
  constexpr std::string_view kPrefix = "button.";
  if (key.size() <= kPrefix.size() || !EqualNames(key.substr(0, kPrefix.size()), kPrefix)) {
    return false;
  }
  std::string_view digits = key.substr(kPrefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return false;
  n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n < 0x7FFFFFFF;
}

// Edit distance with transpositions, letter case aside.
std::size_t Distance(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
  for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      std::size_t cost = LowerAscii(a[i - 1]) == LowerAscii(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && LowerAscii(a[i - 1]) == LowerAscii(b[j - 2]) &&
          LowerAscii(a[i - 2]) == LowerAscii(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[n][m];
}

// The known key an unknown `key` most likely meant, or "" when none is
// close. A key that a known one starts with ("BUTTON_LOC.W") wins over
// edit distance, which would pick a one-letter suffix.
std::string NearestKey(std::string_view key, const std::vector<std::string>& candidates) {
  // No key is this long; a line of junk is not worth a suggestion.
  if (key.size() > 64) return std::string();
  if (key.size() >= 3) {
    for (const std::string& candidate : candidates) {
      if (candidate.size() > key.size() && EqualNames(candidate.substr(0, key.size()), key)) {
        return candidate;
      }
    }
  }
  const std::size_t limit = key.size() <= 4 ? 1 : std::max<std::size_t>(2, key.size() / 4);
  std::string best;
  std::size_t bestDistance = limit + 1;
  for (const std::string& candidate : candidates) {
    std::size_t distance = Distance(key, candidate);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------
// Texts in messages: UTF-8 as it is, other bytes as the Windows-1252
// characters the desktop launcher shows, control characters escaped, long
// texts shortened.
std::string Shown(std::string_view bytes) {
  constexpr std::size_t kLongest = 60;
  bool cut = bytes.size() > kLongest;
  if (cut) bytes = bytes.substr(0, kLongest);
  std::string escaped;
  for (char c : bytes) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  std::string out = DisplayText(escaped);
  if (cut) out += "...";
  return out;
}

std::string Decoded(std::string_view raw) {
  std::string source(raw.substr(0, kSettingBufferSize - 1));
  std::string out(source.size() + 1, '\0');
  DecodeEscapes(source.c_str(), out.data());
  out.resize(std::strlen(out.c_str()));
  return out;
}

// `raw` with every "\n" or "\N" escape written so that it stays a
// backslash and a letter.
std::string WithoutLineFeedEscapes(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') {
      out += "\\\\";
      ++i;
    } else if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'n' || raw[i + 1] == 'N')) {
      out += "\\\\";
      out += raw[i + 1];
      ++i;
    } else {
      out += raw[i];
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Numbers, read by the launcher's rules (strtol in base 0) but keeping what
// the launcher throws away.
struct NumberText {
  bool anyDigit = false;
  bool hexWithoutDigits = false;  // "0x" followed by no hexadecimal digit
  int base = 10;
  std::string_view digits;
  std::string_view rest;  // after the digits, ignored by the launcher
  bool outOfRange = false;
};

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

NumberText ReadNumberText(std::string_view v) {
  NumberText n;
  std::size_t i = 0;
  auto at = [&v](std::size_t k) { return k < v.size() ? v[k] : '\0'; };
  while (i < v.size() && std::strchr(" \t\n\v\f\r", v[i]) != nullptr && v[i] != '\0') ++i;
  bool negative = false;
  if (at(i) == '+' || at(i) == '-') negative = v[i++] == '-';
  if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
    if (DigitValue(at(i + 2)) >= 16) {
      n.anyDigit = true;
      n.hexWithoutDigits = true;
      n.digits = v.substr(i, 1);
      n.rest = v.substr(i + 1);
      return n;
    }
    n.base = 16;
    i += 2;
  } else if (at(i) == '0') {
    n.base = 8;
  }
  std::size_t start = i;
  std::uint64_t magnitude = 0;
  while (i < v.size() && DigitValue(v[i]) < n.base) {
    magnitude = std::min<std::uint64_t>(magnitude * n.base + DigitValue(v[i]), 1ull << 40);
    ++i;
  }
  n.anyDigit = i > start;
  n.digits = v.substr(start, i - start);
  n.rest = v.substr(i);
  n.outOfRange = magnitude > (negative ? 2147483648ull : 2147483647ull);
  return n;
}

// ---------------------------------------------------------------------------
// Text measuring. The launcher asks for "Ariel", which no system has; both
// Windows and the desktop then use Arial or a face with its metrics
// (Liberation Sans). Advance widths in thousandths of an em, from space to
// "~"; anything else is taken as wide as a digit.
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

namespace {

// ---------------------------------------------------------------------------
// Files on the medium, found as the launcher finds them: "\" and "/" both
// separate, and letter case does not matter (Windows ignores it, and the
// desktop launcher matches names ignoring it). Names stay 8-bit texts as the
// settings file holds them, the bytes of a name on Linux and the ANSI code
// page on Windows, which is how either launcher hands them to the system.

bool IsAbsoluteWritten(std::string_view path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool HasSeparator(std::string_view path) {
  return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos;
}

bool HasExtension(std::string_view path) {
  std::size_t last = path.find_last_of("/\\");
  std::string_view name = last == std::string_view::npos ? path : path.substr(last + 1);
  return name.find('.') != std::string_view::npos;
}

// A written relative path as this check shows it: "/" separators.
std::string Slashed(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

class MediumFiles {
 public:
  // The path under which `written` exists below `base`, or nothing.
  std::optional<fs::path> Find(const fs::path& base, std::string_view written) {
    fs::path current = base;
    std::size_t pos = 0;
    while (pos <= written.size()) {
      std::size_t end = written.find_first_of("/\\", pos);
      if (end == std::string_view::npos) end = written.size();
      std::string part(written.substr(pos, end - pos));
      pos = end + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        current = current.parent_path();
        continue;
      }
      fs::path exact = current / fs::path(part);
      if (Exists(exact)) {
        current = exact;
        continue;
      }
      const std::string* match = nullptr;
      for (const std::string& name : Listing(current)) {
        if (EqualNames(name, part)) {
          match = &name;
          break;
        }
      }
      if (match == nullptr) return std::nullopt;
      current = current / fs::path(*match);
    }
    return current;
  }

  bool IsFile(const std::optional<fs::path>& path) {
    return path && fs::is_regular_file(Status(*path));
  }

  bool IsFolder(const std::optional<fs::path>& path) {
    return path && fs::is_directory(Status(*path));
  }

 private:
  // Names in a folder in byte order, so that of several names differing
  // only in letter case the first in byte order wins, as on the desktop.
  const std::vector<std::string>& Listing(const fs::path& folder) {
    auto found = listings_.find(folder.string());
    if (found != listings_.end()) return found->second;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return listings_.emplace(folder.string(), std::move(names)).first->second;
  }

  // Buttons name the same folders and programs again and again; each is
  // looked at once.
  fs::file_status Status(const fs::path& path) {
    auto known = statuses_.find(path.native());
    if (known != statuses_.end()) return known->second;
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    statuses_.emplace(path.native(), status);
    return status;
  }
  bool Exists(const fs::path& path) { return fs::exists(Status(path)); }

  std::map<std::string, std::vector<std::string>> listings_;
  std::unordered_map<fs::path::string_type, fs::file_status> statuses_;
};

// A bare program name on this system's PATH, as the desktop launcher looks
// for it after the medium's root.
bool OnSystemPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
#ifdef _WIN32
  const char separator = ';';
#else
  const char separator = ':';
#endif
  std::string list = path;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(separator, start);
    if (end == std::string::npos) end = list.size();
    std::string folder = list.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    std::error_code error;
    fs::path candidate = fs::path(folder) / fs::path(name);
    if (fs::is_regular_file(candidate, error)) return true;
#ifdef _WIN32
    if (!HasExtension(name) && fs::is_regular_file(candidate.string() + ".exe", error)) return true;
#endif
  }
  return false;
}

// ---------------------------------------------------------------------------

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

enum class Role { kMain, kButton };

class Checker {
 public:
  Checker(const MediumSettings& medium, const IniFile& ini, fs::path root)
      : medium_(medium), ini_(ini), items_(ini.Items()), root_(std::move(root)) {}

  std::vector<Finding> Run() {
    CheckList();
    CheckLines();
    CheckPicture();
    CheckLayout();
    CheckCommands();
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return std::move(findings_);
  }

 private:
  void Add(std::uint32_t line, Severity severity, const char* code, std::string message) {
    // Values inherited from [Main] would otherwise repeat one finding for
    // every button.
    if (!seen_.insert(std::to_string(line) + code + message).second) return;
    findings_.push_back(Finding{line, severity, code, std::move(message)});
  }
  void Warn(std::uint32_t line, const char* code, std::string message) {
    Add(line, Severity::kWarning, code, std::move(message));
  }
  void Error(std::uint32_t line, const char* code, std::string message) {
    Add(line, Severity::kError, code, std::move(message));
  }

  const std::vector<SettingText>& Sections() const { return medium_.buttonSections.names(); }

  std::string ListKey(std::size_t n) const { return "Button." + std::to_string(n); }

  // The line of a key with a value; 0 when it has none there.
  std::uint32_t ValueLine(const char* section, const char* key) const {
    std::string_view value;
    if (!ini_.Find(section, key, value) || value.empty()) return 0;
    return ini_.KeyLine(section, key);
  }

  // Where a button's value came from: its own section, else [Main], else
  // the built-in default, for which the section header (or the list key
  // naming it) stands.
  std::uint32_t ButtonLine(std::size_t index, const char* key, bool inherited = true) const {
    const char* section = Sections()[index].c_str();
    if (std::uint32_t line = ValueLine(section, key)) return line;
    if (inherited) {
      if (std::uint32_t line = ValueLine("Main", key)) return line;
    }
    if (std::uint32_t line = ini_.SectionLine(section)) return line;
    return ini_.KeyLine("Main", ListKey(index));
  }

  std::uint32_t RectLine(std::size_t index, const std::string& prefix) const {
    for (const char* suffix : {".Y", ".X", ".WIDTH"}) {
      std::string key = prefix + suffix;
      const char* section = Sections()[index].c_str();
      if (std::uint32_t line = ValueLine(section, key.c_str())) return line;
    }
    return ButtonLine(index, (prefix + ".Y").c_str());
  }

  std::string Named(std::size_t index) const {
    return "[" + Shown(Sections()[index].c_str()) + "]";
  }

  // Who a value of `key` belongs to, in a message: the button when its own
  // section sets it, else every button that takes it from [Main], so that
  // an inherited mistake is reported once.
  std::string Owner(std::size_t index, const char* key) const {
    if (ValueLine(Sections()[index].c_str(), key) != 0) return Named(index);
    return "the buttons that take it from [Main]";
  }

  // ---- The numbered list of button sections.
  void CheckList() {
    const std::size_t count = Sections().size();
    std::map<std::string, std::size_t> listed;
    for (std::size_t i = 0; i < count; ++i) {
      const std::string name = Sections()[i].c_str();
      const std::uint32_t line = ini_.KeyLine("Main", ListKey(i));
      listedNames_.insert(Lower(name));
      auto first = listed.emplace(Lower(name), i);
      if (!first.second) {
        Warn(line, "M204",
             "[" + Shown(name) + "] is listed again (first as " + ListKey(first.first->second) +
                 "): the launcher makes two identical buttons, one over the other");
        continue;
      }
      if (ini_.SectionLine(name) == 0) {
        std::string also =
            ini_.SectionLine(name + ".Linux") != 0
                ? "; only [" + Shown(name) + ".Linux] exists, which Windows never reads"
                : "";
        Error(line, "M202",
              ListKey(i) + " names [" + Shown(name) +
                  "], which is not in the file: that button shows \"Unlabeled\" with only [Main]'s "
                  "settings" +
                  also);
      }
    }
    // Keys past the end of the list are never read.
    const std::uint32_t endLine = ini_.KeyLine("Main", ListKey(count));
    const std::string why =
        endLine != 0 ? ListKey(count) + " (line " + std::to_string(endLine) + ") is empty"
                     : ListKey(count) + " is missing";
    bool inMain = false;
    for (const IniFile::Item& item : items_) {
      if (item.kind == IniFile::Item::Kind::kSection) {
        inMain = item.found && EqualNames(item.name, "Main");
        continue;
      }
      std::uint64_t n = 0;
      if (!inMain || !item.found || !ListIndex(item.name, n) || n <= count) continue;
      unreadNames_.insert(Lower(item.value));
      Error(item.line, "M201",
            std::string(item.name) + " is never read: the list of buttons ends where " + why +
                ", so [" + Shown(item.value) + "] gets no button; number the keys without a gap");
    }
  }

  // ---- Every line as written: sections, keys and their values.
  void CheckLines() {
    const std::string_view bytes = ini_.bytes();
    const bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) {
      Error(1, "M401",
            "the file starts with a UTF-8 byte order mark: Windows reads it as part of the first "
            "line, so that line's section is not found there; save the file without the mark");
    }
    if (ini_.SectionLine("Main") == 0 && !bytes.empty() && !bom) {
      Warn(1, "M206",
           "there is no [Main] section: the launcher shows an empty 500x300 window without "
           "buttons");
    }
    bool visible = false;
    Role role = Role::kMain;
    std::string section;
    for (const IniFile::Item& item : items_) {
      if (item.kind == IniFile::Item::Kind::kSection) {
        section = std::string(item.name);
        visible = item.found;
        if (!item.found) {
          Warn(item.line, "M107",
               "[" + Shown(item.name) +
                   "] appears again: the launcher reads only the first one "
                   "(line " +
                   std::to_string(ini_.SectionLine(item.name)) +
                   ") and none of the keys below; merge the two");
          continue;
        }
        role = CheckSection(item) ? Role::kMain : Role::kButton;
        continue;
      }
      if (!item.inSection) {
        if (!(bom && item.line == 1)) {
          Warn(item.line, "M105",
               "\"" + Shown(item.name) +
                   "\" comes before the first section and is never read; move it into one");
        }
        continue;
      }
      if (!visible) continue;
      if (!item.found) {
        Warn(item.line, "M106",
             std::string(Shown(item.name)) + " appears again in [" + Shown(section) +
                 "]: only the first (line " + std::to_string(ini_.KeyLine(section, item.name)) +
                 ") is read; remove one");
        continue;
      }
      CheckKey(role, section, item);
    }
  }

  // Reports what is wrong with a section header; true when its keys are
  // read as [Main]'s.
  bool CheckSection(const IniFile::Item& item) {
    std::string_view name = item.name;
    if (EndsWithName(name, ".Linux") && name.size() > 6) {
      std::string_view base = name.substr(0, name.size() - 6);
      if (ini_.SectionLine(base) == 0) {
        Warn(item.line, "M205",
             "[" + Shown(name) + "] overrides [" + Shown(base) +
                 "] on the desktop, but there is no [" + Shown(base) +
                 "]: Windows never reads .Linux sections, so the medium differs there");
      }
      return EqualNames(base, "Main");
    }
    if (EqualNames(name, "Main")) return true;
    const std::string lower = Lower(name);
    if (listedNames_.count(lower) == 0 && unreadNames_.count(lower) == 0) {
      Warn(item.line, "M203",
           "no Button.N key in [Main] names [" + Shown(name) +
               "], so it makes no button; list it or remove it");
    }
    return false;
  }

  void CheckKey(Role role, const std::string& section, const IniFile::Item& item) {
    const std::string_view key = item.name;
    std::uint64_t n = 0;
    const KnownKey* window = FindKnown(kWindowKeys, key);
    const KnownKey* button = FindKnown(kButtonKeys, key);
    const bool list = ListIndex(key, n);
    const KnownKey* known = nullptr;
    if (role == Role::kMain) {
      if (list) {
        CheckEncoding(item, "section name");
        return;
      }
      known = window != nullptr ? window : button;
      if (button != nullptr && (EqualNames(key, "BUTTON_TEXT") || EqualNames(key, "DESC_TEXT"))) {
        Warn(item.line, "M102",
             std::string(button->name) +
                 " in [Main] has no effect: no button takes its text from [Main]; set it in each "
                 "button's section");
        return;
      }
    } else {
      known = button;
      if (window != nullptr || list) {
        Warn(item.line, "M103",
             std::string(Shown(key)) + " is read only in [Main], not in a button's section [" +
                 Shown(section) + "]; move it to [Main]");
        return;
      }
    }
    if (known == nullptr) {
      ReportUnknownKey(role, section, item);
      return;
    }
    if (!item.hasEquals) {
      Warn(item.line, "M104",
           std::string(known->name) +
               " has no \"=\": the launcher reads it as empty and uses the "
               "default; write " +
               std::string(known->name) + "=VALUE");
      return;
    }
    CheckValue(*known, item);
  }

  void ReportUnknownKey(Role role, const std::string& section, const IniFile::Item& item) {
    std::vector<std::string> candidates;
    for (const KnownKey& known : kButtonKeys) candidates.emplace_back(known.name);
    if (role == Role::kMain) {
      for (const KnownKey& known : kWindowKeys) candidates.emplace_back(known.name);
      // "Button0", "Button.01", "Buton.2": the list key with that number.
      std::string_view key = item.name;
      std::size_t digits = key.size();
      while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
      if (digits < key.size() && key.size() - digits <= 9) {
        candidates.push_back(
            "Button." +
            std::to_string(std::strtoul(std::string(key.substr(digits)).c_str(), nullptr, 10)));
      }
    }
    std::string nearest = NearestKey(item.name, candidates);
    std::string message =
        std::string(Shown(item.name)) + " is not a key of [" + Shown(section) + "] and is ignored";
    if (!nearest.empty())
      message = Shown(item.name) + ": did you mean " + nearest + "? (" + message + ")";
    Warn(item.line, "M101", message);
  }

  void CheckValue(const KnownKey& known, const IniFile::Item& item) {
    const std::string_view raw = item.value;
    if (raw.empty()) return;  // empty is the default
    const std::string_view key = known.name;
    if (raw.size() > kSettingBufferSize - 1) {
      Warn(item.line, "M307",
           std::string(key) + " is " + std::to_string(raw.size()) +
               " characters long: the launcher reads only the first 1023; shorten it");
    }
    const std::string_view read = raw.substr(0, kSettingBufferSize - 1);
    switch (known.kind) {
      case Kind::kNumber:
      case Kind::kColor:
        CheckNumber(known, item.line, read);
        break;
      case Kind::kPath:
        CheckEncoding(item, "path");
        if (read.find('\\') != std::string_view::npos &&
            Decoded(read).find('\n') != std::string::npos) {
          Error(item.line, "M306",
                std::string(key) + "=" + Shown(read) +
                    " holds \\n, which the launcher turns into a line feed; write " +
                    std::string(key) + "=" + Shown(WithoutLineFeedEscapes(read)));
        }
        break;
      case Kind::kExit: {
        CheckEncoding(item, "text");
        const std::string text = Decoded(read);
        std::string letters;
        for (char c : text) {
          if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) letters += LowerAscii(c);
        }
        if (!IsExitCommand(text.c_str()) && (letters == "exit" || Distance(text, "exit") <= 1)) {
          Warn(item.line, "M308",
               "EXIT_COMMAND=\"" + Shown(text) +
                   "\" keeps the launcher open: only EXIT, in any letter case and with nothing "
                   "before or after it, closes it; write EXIT, or a word such as STAY");
        }
        break;
      }
      case Kind::kText:
        CheckEncoding(item, "text");
        break;
    }
  }

  void CheckNumber(const KnownKey& known, std::uint32_t line, std::string_view value) {
    // The value as the launcher converts it: zero-terminated, at most 1023
    // characters.
    char text[kSettingBufferSize];
    std::memcpy(text, value.data(), value.size());
    text[value.size()] = '\0';
    const std::int32_t number = ConvertNumber(text);
    const NumberText n = ReadNumberText(value);
    // Built only for a finding: most numbers are fine.
    const std::string_view key = known.name;
    auto shownValue = [key, value] { return std::string(key) + "=" + Shown(value); };
    if (!n.anyDigit || n.hexWithoutDigits) {
      std::string fix = n.hexWithoutDigits ? "write hexadecimal digits after 0x"
                                           : "write a number in decimal or after 0x";
      if (known.kind == Kind::kColor) {
        fix += "; colours are 0x00BBGGRR, red in the low byte: #FF0000 (red) is 0x0000FF";
      }
      Error(line, "M301", shownValue() + " holds no number and reads as 0; " + fix);
      return;
    }
    const bool octalStopped =
        n.base == 8 && !n.rest.empty() && (n.rest[0] == '8' || n.rest[0] == '9');
    if (n.base == 8 && (n.digits.size() > 1 || octalStopped)) {
      std::string decimal(n.digits);
      decimal.append(n.rest.substr(0, n.rest.find_first_not_of("0123456789")));
      const long long asDecimal = std::strtoll(decimal.c_str(), nullptr, 10);
      if (octalStopped || asDecimal != number) {
        Warn(line, "M303",
             shownValue() + " reads as " + std::to_string(number) + ": a leading 0 makes it octal" +
                 (octalStopped ? std::string(", where ") + n.rest[0] + " is no digit" : "") +
                 "; write " + std::to_string(asDecimal) + " without the 0");
      }
    } else if (!n.rest.empty()) {
      Warn(line, "M302",
           shownValue() + " reads as " + std::to_string(number) + ": the launcher ignores \"" +
               Shown(n.rest) + "\"; write the number alone");
    }
    if (n.outOfRange) {
      Warn(line, "M304",
           shownValue() + " is outside the signed 32-bit range and reads as " +
               std::to_string(number));
    }
    const auto bits = static_cast<std::uint32_t>(number);
    if (known.kind == Kind::kColor && (bits >> 24) != 0) {
      char fix[16];
      std::snprintf(fix, sizeof fix, "0x%06X", static_cast<unsigned>(bits & 0xFFFFFFu));
      char top[8];
      std::snprintf(top, sizeof top, "0x%02X", static_cast<unsigned>(bits >> 24));
      Warn(line, "M305",
           shownValue() + " has a top byte of " + top +
               ": a colour is 0x00BBGGRR, and Windows reads a top byte as a palette choice; "
               "write " +
               fix);
    }
  }

  void CheckEncoding(const IniFile::Item& item, const char* what) {
    const std::string_view value = item.value.substr(0, kSettingBufferSize - 1);
    if (std::none_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      return;
    }
    if (ini_.fromUtf16()) {
      // The reader made the file's text UTF-8, which the desktop shows as
      // written; Windows gives it in the system's code page, where a
      // character the code page lacks becomes "?".
      std::uint32_t code = 0;
      for (std::size_t i = 0; i < value.size();) {
        std::size_t length = Utf8SequenceAt(value, i, code);
        if (length == 0) code = static_cast<unsigned char>(value[i]);
        i += length == 0 ? 1 : length;
        if (!InWindows1252(code)) {
          Warn(item.line, "M404",
               std::string(Shown(item.name)) + " holds characters outside Windows-1252 (" + what +
                   " \"" + Shown(value) +
                   "\"): the desktop shows them as written, Windows only on a system whose "
                   "code page has them, and \"?\" in their place elsewhere");
          return;
        }
      }
      return;
    }
    if (IsValidUtf8(value)) {
      Warn(item.line, "M402",
           std::string(Shown(item.name)) + " holds UTF-8 (" + what + " \"" + Shown(value) +
               "\"): the desktop shows it as written, Windows as \"" +
               Shown(Windows1252ToUtf8(value)) +
               "\"; save the file in Windows-1252 so that both show it alike");
    } else {
      Warn(item.line, "M403",
           std::string(Shown(item.name)) + " holds non-ASCII bytes that are not UTF-8 (" + what +
               " \"" + Shown(value) +
               "\" in Windows-1252): the desktop shows them as Windows-1252, Windows in the "
               "system's own code page, which differs outside western systems");
    }
  }

  // ---- The background picture.
  void CheckPicture() {
    const std::string path = medium_.background.c_str();
    if (path.empty() || path == kSmallWhite) return;
    const std::uint32_t line = ini_.KeyLine("Main", "Background");
    if (path.find('\n') != std::string::npos) return;  // reported as M306
    if (IsAbsoluteWritten(path) && !(path[0] == '/' || path[0] == '\\')) return;
    std::optional<fs::path> found = IsAbsoluteWritten(path)
                                        ? std::optional<fs::path>(fs::path(Slashed(path)))
                                        : files_.Find(root_, path);
    std::error_code error;
    if (!found || !fs::exists(*found, error)) {
      Error(line, "M501",
            "the picture " + Shown(path) + " is not on the medium (looked for " +
                Shown(Slashed(path)) +
                " in the medium's folder, letter case aside): the window shows no picture");
      return;
    }
    if (!fs::is_regular_file(*found, error)) {
      Error(line, "M502",
            "the picture " + Shown(path) + " is not a regular file: the window shows no picture");
      return;
    }
    const std::uintmax_t size = fs::file_size(*found, error);
    constexpr std::uintmax_t kLargest = 256u * 1024 * 1024;
    if (error || size > kLargest) {
      Error(line, "M504", "the picture " + Shown(path) + " is too large to load: no picture");
      return;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(*found, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
      Error(line, "M502", "the picture " + Shown(path) + " cannot be read: no picture");
      return;
    }
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
      Error(line, "M503",
            "the picture " + Shown(path) + " is not a BMP file (it does not start with \"BM\")" +
                KnownFormat(bytes) + ": save it as a BMP");
      return;
    }
    PictureHeader header;
    DibView view;
    const PictureVerdict verdict = ValidatePictureFile(bytes.data(), bytes.size(), header, view);
    if (verdict != PictureVerdict::kDrawable) {
      Error(line, "M504",
            "the picture " + Shown(path) + " is refused by the picture checks (" +
                PictureVerdictName(verdict) + "): " + VerdictHelp(verdict) +
                "; the window shows no picture");
      return;
    }
    const std::int64_t width = medium_.width.value;
    const std::int64_t height = medium_.height.value;
    if (width <= 0 || height <= 0) return;
    const std::string sizes = std::to_string(header.width) + "x" + std::to_string(header.rows) +
                              ", the window " + std::to_string(width) + "x" +
                              std::to_string(height);
    const double ratio =
        (static_cast<double>(header.width) * height) / (static_cast<double>(header.rows) * width);
    if (ratio > 1.2 || ratio < 1 / 1.2) {
      Warn(line, "M505",
           "the picture is " + sizes +
               ": it is stretched to the window and looks distorted; make it the window's shape");
    }
    if (header.width >= 2 * width && header.rows >= 2 * static_cast<std::int64_t>(height)) {
      Warn(line, "M506",
           "the picture is " + sizes +
               ": it is read whole at every start and shrunk, which costs time and darkens it; "
               "make it the window's size");
    }
  }

  static std::string KnownFormat(const std::vector<std::uint8_t>& b) {
    auto starts = [&b](const char* magic, std::size_t n) {
      return b.size() >= n && std::memcmp(b.data(), magic, n) == 0;
    };
    if (starts("\x89PNG", 4)) return ", it is a PNG picture";
    if (starts("\xFF\xD8\xFF", 3)) return ", it is a JPEG picture";
    if (starts("GIF8", 4)) return ", it is a GIF picture";
    return "";
  }

  static const char* VerdictHelp(PictureVerdict verdict) {
    switch (verdict) {
      case PictureVerdict::kTooShort:
        return "the file ends inside its headers";
      case PictureVerdict::kBadSignature:
        return "it does not start with \"BM\"";
      case PictureVerdict::kBadHeaderSize:
        return "its information header has a size Windows does not draw";
      case PictureVerdict::kBadWidth:
        return "its width is 0, negative or above 32768";
      case PictureVerdict::kBadHeight:
        return "its height is 0 or above 32768, or it is compressed and stored top-down";
      case PictureVerdict::kBadPlanes:
        return "its plane count is 0";
      case PictureVerdict::kBadFormat:
        return "its bit depth and compression are not drawn together (save as 24-bit "
               "uncompressed)";
      case PictureVerdict::kBadColorTable:
        return "it claims more than 256 colours at 16 bits or more";
      case PictureVerdict::kInfoPastEnd:
        return "its colour masks or colour table reach past the end of the file";
      case PictureVerdict::kPixelOffsetTooSmall:
        return "its pixels start inside its headers";
      case PictureVerdict::kPixelsPastEnd:
        return "its pixels reach past the end of the file (cut short?)";
      case PictureVerdict::kBadImageSize:
        return "it is compressed with a stored image size of 0";
      case PictureVerdict::kPixelsTooLarge:
        return "its pixel data is over 2 GiB, more than the drawing operation takes";
      case PictureVerdict::kDrawable:
        break;
    }
    return "";
  }

  // ---- Layout, with text measured approximately.
  void CheckLayout() {
    const std::int64_t width = medium_.width.value;
    const std::int64_t height = medium_.height.value;
    const std::size_t count = medium_.buttons.size();
    std::vector<Box> buttons(count);
    std::vector<Box> descriptions(count);
    for (std::size_t i = 0; i < count; ++i) {
      const ButtonSettings& b = medium_.buttons[i];
      buttons[i] = MeasuredBox(b.buttonLoc, b.buttonText, b.buttonFontHeight.value);
      descriptions[i] = MeasuredBox(b.descLoc, b.descText, b.descFontHeight.value);
    }
    auto outside = [width, height](const Box& box) {
      return !box.empty() &&
             (box.left < 0 || box.top < 0 || box.right > width || box.bottom > height);
    };
    auto extent = [](const Box& box) {
      return "(" + std::to_string(box.left) + "," + std::to_string(box.top) + ")-(" +
             std::to_string(box.right) + "," + std::to_string(box.bottom) + ")";
    };
    const std::string window =
        "the " + std::to_string(width) + "x" + std::to_string(height) + " window";
    std::set<std::string> done;
    for (std::size_t i = 0; i < count; ++i) {
      if (!done.insert(Lower(Sections()[i].c_str())).second) continue;  // listed twice: M204
      if (outside(buttons[i])) {
        Warn(RectLine(i, "BUTTON_LOC"), "M601",
             "the text of button " + Named(i) + " covers " + extent(buttons[i]) + ", outside " +
                 window +
                 " (text widths approximate): move it or wrap it "
                 "narrower");
      }
      if (outside(descriptions[i])) {
        Warn(RectLine(i, "DESC_LOC"), "M602",
             "the description of " + Named(i) + " covers " + extent(descriptions[i]) +
                 ", outside " + window +
                 " (text widths approximate): move it or wrap it "
                 "narrower");
      }
    }
    // One finding per button and kind, naming the first button met and
    // counting the others: a crowded medium would otherwise give one line
    // for every pair.
    auto others = [](std::size_t more) {
      return more == 0 ? std::string()
                       : " and " + std::to_string(more) + (more == 1 ? " other" : " others");
    };
    std::vector<std::string> lowerNames;
    for (const SettingText& name : Sections()) lowerNames.push_back(Lower(name.c_str()));
    // Only buttons whose tops lie within the tallest button's height of a
    // box can meet it: found by their tops, sorted once.
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
        Warn(RectLine(j, "BUTTON_LOC"), "M603",
             "button " + Named(j) + " overlaps button " + Named(firstOverlap) +
                 others(overlaps - 1) +
                 " (text widths approximate): where they meet, the pointer picks " + Named(j) +
                 "; move them apart");
      }
      if (covered != 0) {
        Warn(RectLine(j, "DESC_LOC"), "M604",
             "the description of " + Named(j) + " is drawn over the text of button " +
                 Named(firstCovered) + others(covered - 1) + " while " + Named(j) +
                 " is lit (text widths approximate); move the description");
      }
    }
  }

  // ---- Commands and folders, looked for as each platform looks for them.
  struct Search {
    bool found = false;
    bool system = false;  // left to the system's search (PATH)
    std::string program;  // the reading of the command line that was found
    std::vector<std::string> looked;
  };

  // Windows: a relative name with a folder is taken from the current
  // folder (the medium's root); a bare name from the launcher's folder and
  // the current folder (both the root), then the system folders and PATH;
  // ".exe" is added to a name without an extension.
  Search SearchWindows(const std::vector<ProgramCandidate>& candidates) {
    Search search;
    for (const ProgramCandidate& c : candidates) {
      std::string name = c.program + (HasExtension(c.program) ? "" : ".exe");
      search.looked.push_back(Slashed(name));
      if (files_.IsFile(files_.Find(root_, name))) {
        search.found = true;
        search.program = c.program;
        return search;
      }
      if (!HasSeparator(name)) search.system = true;
    }
    return search;
  }

  // The desktop: the same readings, nothing added to the name; a bare name
  // is looked for in the root, then along PATH.
  Search SearchDesktop(const std::vector<ProgramCandidate>& candidates) {
    Search search;
    for (const ProgramCandidate& c : candidates) {
      search.looked.push_back(Slashed(c.program));
      if (files_.IsFile(files_.Find(root_, c.program)) ||
          (!HasSeparator(c.program) && OnSystemPath(c.program))) {
        search.found = true;
        search.program = c.program;
        return search;
      }
    }
    return search;
  }

  static std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i != 0) out += i + 1 == names.size() ? " and " : ", ";
      out += Shown(names[i]);
    }
    return out;
  }

  void CheckCommands() {
    for (std::size_t i = 0; i < medium_.buttons.size(); ++i) {
      const ButtonSettings& b = medium_.buttons[i];
      const bool program = !b.progCommand.empty();
      if (!program && b.docCommand.empty()) continue;
      const std::string directory = b.directory.c_str();
      if (directory.find('\n') != std::string::npos) continue;  // M306
      std::optional<fs::path> folder;
      if (!IsAbsoluteWritten(directory)) {
        folder = files_.Find(root_, directory);
        if (!files_.IsFolder(folder)) {
          Error(ButtonLine(i, "DIRECTORY"), "M703",
                "DIRECTORY=" + Shown(directory) + " is not a folder on the medium (looked for " +
                    Shown(Slashed(directory)) + " in the medium's folder): the command of " +
                    Owner(i, "DIRECTORY") + " cannot start there on either platform");
          continue;
        }
      }
      if (program) {
        CheckProgram(i, b.progCommand.c_str(), folder);
      } else {
        CheckDocument(i, b.docCommand.c_str(), folder, directory);
      }
    }
  }

  void CheckProgram(std::size_t index, const std::string& command,
                    const std::optional<fs::path>& folder) {
    if (command.find('\n') != std::string::npos) return;  // M306
    const std::uint32_t line = ButtonLine(index, "PROG_COMMAND");
    const std::vector<ProgramCandidate> candidates = ProgramCandidates(command);
    if (candidates.empty()) return;
    for (const ProgramCandidate& c : candidates) {
      if (IsAbsoluteWritten(c.program)) return;  // outside the medium: not looked for
    }
    const Search windows = SearchWindows(candidates);
    const Search desktop = SearchDesktop(candidates);
    const std::string& first = candidates.front().program;
    const bool quoted = !command.empty() && command[0] == '"';
    if (windows.found && !quoted && windows.program.find(' ') != std::string::npos) {
      Warn(line, "M704",
           "the program path " + Shown(windows.program) +
               " holds spaces and no quotes: Windows first tries " + Shown(first) +
               (HasExtension(first) ? "" : ".exe") + " and starts that if it exists; write \"" +
               Shown(windows.program) + "\" in quotes");
    }
    if (!windows.found && !windows.system) {
      Error(line, "M701",
            "the program of " + Owner(index, "PROG_COMMAND") +
                " is not on the medium: Windows looked for " + Joined(windows.looked) +
                " in the medium's folder" +
                (desktop.found ? "" : ", the desktop for " + Joined(desktop.looked)));
      return;
    }
    if (!desktop.found && windows.found) {
      Error(line, "M701",
            "the program of " + Owner(index, "PROG_COMMAND") + " is found on Windows (" +
                Shown(windows.program) +
                ") but not on the desktop, which adds no \".exe\": it "
                "looked for " +
                Joined(desktop.looked) + " in the medium's folder");
      return;
    }
    if (windows.found) return;
    // A bare name that is not in the root: found, if at all, by the
    // system's search. Say so when the author seems to expect DIRECTORY.
    for (const ProgramCandidate& c : candidates) {
      if (HasSeparator(c.program) || !folder) continue;
      std::string exe = c.program + (HasExtension(c.program) ? "" : ".exe");
      if (files_.IsFile(files_.Find(*folder, exe)) ||
          files_.IsFile(files_.Find(*folder, c.program))) {
        Error(
            line, "M705",
            Shown(c.program) +
                " is in DIRECTORY, but a program name without a folder is not "
                "looked for there (Windows looks in the launcher's folder, the current folder, the "
                "system folders and PATH): write the path from the medium's root, such as " +
                Shown(Slashed(ButtonDirectory(index)) + "\\" + c.program));
        return;
      }
    }
    if (!desktop.found) {
      Warn(
          line, "M706",
          Shown(first) +
              " is neither on the medium nor on this system's PATH: the desktop "
              "launcher does not find it, and Windows only if it is in its system folders or PATH");
    }
  }

  std::string ButtonDirectory(std::size_t index) const {
    std::string directory = medium_.buttons[index].directory.c_str();
    std::replace(directory.begin(), directory.end(), '/', '\\');
    return directory;
  }

  void CheckDocument(std::size_t index, const std::string& document,
                     const std::optional<fs::path>& folder, const std::string& directory) {
    if (document.find('\n') != std::string::npos) return;  // M306
    if (document.find("://") != std::string::npos || IsAbsoluteWritten(document) || !folder) return;
    if (files_.Find(*folder, document)) return;
    std::string where = directory == "." ? std::string() : Slashed(directory) + "/";
    Error(ButtonLine(index, "DOC_COMMAND"), "M702",
          "the document " + Shown(document) + " of " + Owner(index, "DOC_COMMAND") +
              " is not on the medium: both platforms look for it in DIRECTORY, here " +
              Shown(where + Slashed(document)) + " in the medium's folder");
  }

  const MediumSettings& medium_;
  const IniFile& ini_;
  const std::vector<IniFile::Item> items_;
  const fs::path root_;
  MediumFiles files_;
  std::vector<Finding> findings_;
  std::unordered_set<std::string> seen_;  // line, code and message of each finding
  std::set<std::string> listedNames_;     // lower case
  std::set<std::string> unreadNames_;     // named by list keys past a gap
};

}  // namespace

CheckResult CheckMedium(SettingsFile& settings, const ParsedSettingsSource& parsed) {
  CheckResult result;
  // Read first, through the launcher's own code: this fixes the settings
  // file at the current directory, as the launcher's first read does.
  const MediumSettings medium(settings);
  std::error_code error;
  const fs::path root = fs::current_path(error);
  if (error) return result;
  MediumFiles files;
  std::optional<fs::path> file = files.Find(root, kSettingsFileName);
  if (!files.IsFile(file)) return result;
  result.settingsFile = file->filename().string();
  const IniFile* shared = parsed && settings.resolved() ? parsed(settings.path()) : nullptr;
  IniFile own;
  if (shared == nullptr) {
    // The whole file in one read, as the launcher's reader takes it.
    std::ifstream in(*file, std::ios::binary);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) bytes.clear();
    own = IniFile(std::move(bytes));
  }
  const IniFile& ini = shared != nullptr ? *shared : own;
  result.findings = CheckPublishing(root);
  const std::vector<Finding> lines = Checker(medium, ini, root).Run();
  result.findings.insert(result.findings.end(), lines.begin(), lines.end());
  for (const Finding& finding : result.findings) {
    if (finding.severity == Severity::kNote) continue;
    (finding.severity == Severity::kError ? result.errors : result.warnings) += 1;
  }
  return result;
}

}  // namespace mavrel
