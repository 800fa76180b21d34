#include "author/check_context.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "windows_rules/linux_sections.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {

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

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string Decoded(std::string_view raw) {
  std::string source(raw.substr(0, kSettingBufferSize - 1));
  std::string out(source.size() + 1, '\0');
  DecodeEscapes(source.c_str(), out.data());
  out.resize(std::strlen(out.c_str()));
  return out;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) out += i + 1 == names.size() ? " and " : ", ";
    out += Shown(names[i]);
  }
  return out;
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

namespace {

std::vector<KnownKey> Expanded(const SettingKey* keys, std::size_t count) {
  std::vector<KnownKey> out;
  for (std::size_t i = 0; i < count; ++i) {
    if (keys[i].kind != SettingKind::kRectangle) {
      out.push_back(KnownKey{keys[i].name, keys[i].kind});
      continue;
    }
    for (const char* suffix : kRectangleSuffixes) {
      out.push_back(KnownKey{std::string(keys[i].name) + suffix, SettingKind::kNumber});
    }
  }
  return out;
}

}  // namespace

const std::vector<KnownKey>& KnownWindowKeys() {
  static const std::vector<KnownKey> keys = Expanded(kWindowKeys, kWindowKeyCount);
  return keys;
}

const std::vector<KnownKey>& KnownButtonKeys() {
  static const std::vector<KnownKey> keys = Expanded(kButtonKeys, kButtonKeyCount);
  return keys;
}

const KnownKey* FindKnownKey(const std::vector<KnownKey>& keys, std::string_view name) {
  for (const KnownKey& known : keys) {
    if (EqualNames(known.name, name)) return &known;
  }
  return nullptr;
}

bool ListIndex(std::string_view key, std::uint64_t& n) {
  const std::string prefix = std::string(kButtonListPrefix) + ".";
  if (key.size() <= prefix.size() || !EqualNames(key.substr(0, prefix.size()), prefix)) {
    return false;
  }
  std::string_view digits = key.substr(prefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return false;
  n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n < 0x7FFFFFFF;
}

std::string ListKey(std::size_t n) {
  return std::string(kButtonListPrefix) + "." + std::to_string(n);
}

SectionRole RoleOf(std::string_view section) {
  if (section.size() > kLinuxSectionSuffix.size() &&
      EqualNames(section.substr(section.size() - kLinuxSectionSuffix.size()),
                 kLinuxSectionSuffix)) {
    section.remove_suffix(kLinuxSectionSuffix.size());
  }
  return EqualNames(section, kMainSection) ? SectionRole::kMain : SectionRole::kButton;
}

namespace {

KeyLine Classify(const IniFile::Item& item, std::string_view section, SectionRole role) {
  KeyLine line;
  line.item = &item;
  line.section = section;
  line.role = role;
  const KnownKey* window = FindKnownKey(KnownWindowKeys(), item.name);
  const KnownKey* button = FindKnownKey(KnownButtonKeys(), item.name);
  std::uint64_t n = 0;
  const bool list = ListIndex(item.name, n);
  if (role == SectionRole::kMain) {
    if (list) {
      line.use = KeyLine::Use::kListKey;
      return line;
    }
    line.known = window != nullptr ? window : button;
    if (button != nullptr && (EqualNames(item.name, ButtonKeyName(kButtonTextKey)) ||
                              EqualNames(item.name, ButtonKeyName(kDescTextKey)))) {
      line.use = KeyLine::Use::kTextInMain;
      return line;
    }
  } else {
    line.known = button;
    if (window != nullptr || list) {
      line.known = nullptr;
      line.use = KeyLine::Use::kMainOnly;
      return line;
    }
  }
  if (line.known == nullptr) {
    line.use = KeyLine::Use::kUnknown;
  } else {
    line.use = item.hasEquals ? KeyLine::Use::kRead : KeyLine::Use::kNoEquals;
  }
  return line;
}

}  // namespace

CheckContext::CheckContext(const IniFile& ini, std::vector<Reading> readings, MediumFiles& files)
    : ini_(ini), items_(ini.Items()), readings_(std::move(readings)), files_(files) {
  current_ = &readings_.front();
  bool visible = false;
  std::string_view section;
  SectionRole role = SectionRole::kMain;
  for (const IniFile::Item& item : items_) {
    if (item.kind == IniFile::Item::Kind::kSection) {
      section = item.name;
      visible = item.found;
      role = RoleOf(section);
      continue;
    }
    if (item.inSection && visible && item.found) keyLines_.push_back(Classify(item, section, role));
  }
}

void CheckContext::Use(const Reading& reading, Platforms platforms) {
  current_ = &reading;
  platforms_ = platforms;
}

void CheckContext::Add(std::uint32_t line, Severity severity, const char* code, std::string message,
                       Platforms platforms) {
  // Values inherited from [Main] would otherwise repeat one finding for
  // every button.
  const std::string key =
      std::to_string(static_cast<int>(platforms)) + ":" + std::to_string(line) + code + message;
  if (!seen_.insert(key).second) return;
  findings_.push_back(Finding{line, severity, code, std::move(message), platforms});
}

std::uint32_t CheckContext::ValueLine(std::string_view section, std::string_view key) const {
  std::string_view value;
  if (!ini_.Find(section, key, value) || value.empty()) return 0;
  return ini_.KeyLine(section, key);
}

std::uint32_t CheckContext::ReadLine(std::string_view section, std::string_view key) const {
  if (reading().platform == Platforms::kLinux) {
    // The section the Linux launcher reads the key from, its .Linux
    // section's even when the value there is empty (then not set).
    const std::string_view from = LinuxReadingSection(ini_, section, key, scratch_);
    if (from.data() != section.data()) return ValueLine(std::string(from), key);
  }
  return ValueLine(section, key);
}

std::uint32_t CheckContext::ButtonLine(std::size_t index, std::string_view key,
                                       bool inherited) const {
  const std::string_view section = Sections()[index].c_str();
  if (std::uint32_t line = ReadLine(section, key)) return line;
  if (inherited) {
    if (std::uint32_t line = ReadLine(kMainSection, key)) return line;
  }
  if (std::uint32_t line = ini_.SectionLine(section)) return line;
  return ListKeyLine(index);
}

std::uint32_t CheckContext::ListKeyLine(std::size_t index) const {
  const std::string listKey = ListKey(index);
  std::string_view main = kMainSection;
  if (reading().platform == Platforms::kLinux) {
    main = LinuxReadingSection(ini_, kMainSection, listKey, scratch_);
  }
  return ini_.KeyLine(std::string(main), listKey);
}

std::uint32_t CheckContext::RectLine(std::size_t index, std::string_view prefix) const {
  const std::string_view section = Sections()[index].c_str();
  for (RectangleComponent component : {kRectY, kRectX, kRectWidth}) {
    const std::string key = std::string(prefix) + kRectangleSuffixes[component];
    if (std::uint32_t line = ReadLine(section, key)) return line;
  }
  return ButtonLine(index, std::string(prefix) + kRectangleSuffixes[kRectY]);
}

std::string CheckContext::Named(std::size_t index) const {
  return "[" + Shown(Sections()[index].c_str()) + "]";
}

std::string CheckContext::Owner(std::size_t index, std::string_view key) const {
  if (ReadLine(Sections()[index].c_str(), key) != 0) return Named(index);
  return "the buttons that take it from [Main]";
}

}  // namespace mavrel
