// The settings-file reader against a plain line-by-line reading of the same
// rules: every section and key that occurs in the input is looked up in
// both (and again with its letter case flipped), and the answers must
// agree; each value is also copied out into buffers of several sizes that
// are exactly as big as stated, so any write past them is caught.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "windows_rules/ini_reader.h"
#include "windows_rules/text_encoding.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    if (end > pos) lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// A line's section name, if it is a header.
bool HeaderName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  name = line.substr(1);
  name = Trim(name.substr(0, name.find(']')));
  return true;
}

// The key of a key line (the whole trimmed line when it has no "=").
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  line = Trim(line);
  if (line.empty() || line.front() == ';' || line.front() == '[') return false;
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    key = line;
    value = {};
    return true;
  }
  key = Trim(line.substr(0, equals));
  value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return true;
}

// The lookup read straight off the lines: the first section of the name,
// and in it the first key of the name.
bool ReferenceFind(const std::vector<std::string_view>& lines, std::string_view section,
                   std::string_view key, std::string_view& value) {
  bool inSection = false;
  for (std::string_view line : lines) {
    std::string_view name;
    if (HeaderName(line, name)) {
      if (inSection) return false;  // a later section of the same name is never searched
      inSection = SameName(name, section);
      continue;
    }
    std::string_view lineKey;
    if (inSection && KeyLine(line, lineKey, value) && SameName(lineKey, key)) return true;
  }
  return false;
}

std::string FlipCase(std::string_view text) {
  std::string flipped(text);
  for (char& c : flipped) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 32);
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    }
  }
  return flipped;
}

void CheckLookup(const mavrel::IniFile& file, const std::vector<std::string_view>& lines,
                 std::string_view section, std::string_view key) {
  std::string_view expected;
  bool expectedFound = ReferenceFind(lines, section, key, expected);
  std::string_view found;
  bool wasFound = file.Find(section, key, found);
  FUZZ_CHECK(wasFound == expectedFound);
  if (wasFound) FUZZ_CHECK(found == expected);
  if (!expectedFound) expected = {};

  for (std::uint32_t size : {1u, 2u, 7u, 1024u}) {
    auto buffer = std::make_unique<char[]>(size);
    std::memset(buffer.get(), 'X', size);
    std::uint32_t count = file.Read(section, key, buffer.get(), size);
    std::size_t want = std::min<std::size_t>(expected.size(), size - 1);
    const void* zero = want == 0 ? nullptr : std::memchr(expected.data(), '\0', want);
    if (zero != nullptr) want = static_cast<const char*>(zero) - expected.data();
    FUZZ_CHECK(count == want);
    FUZZ_CHECK(buffer[count] == '\0');
    if (count != 0) FUZZ_CHECK(std::memcmp(buffer.get(), expected.data(), count) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  mavrel::IniFile file(input);
  // A moved file keeps answering from the same bytes.
  mavrel::IniFile moved(std::move(file));
  // A UTF-16 file is read as its text, which comes out as UTF-8; any other
  // file as its bytes.
  const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  FUZZ_CHECK(moved.fromUtf16() == utf16);
  if (utf16) {
    FUZZ_CHECK(mavrel::IsValidUtf8(moved.bytes()));
    FUZZ_CHECK(moved.bytes() == mavrel::Utf16LeToUtf8(input.substr(2)));
  } else {
    FUZZ_CHECK(moved.bytes() == input);
  }
  std::string_view text = moved.bytes();

  std::vector<std::string_view> lines = Lines(text);
  std::vector<std::string_view> sections;
  std::vector<std::string_view> keys;
  for (std::string_view line : lines) {
    std::string_view name;
    std::string_view value;
    if (HeaderName(line, name)) {
      if (sections.size() < 8) sections.push_back(name);
    } else if (KeyLine(line, name, value)) {
      if (keys.size() < 16) keys.push_back(name);
    }
  }
  sections.push_back("Main");
  keys.push_back("Button.0");

  for (std::string_view section : sections) {
    for (std::string_view key : keys) CheckLookup(moved, lines, section, key);
    std::string flipped = FlipCase(section);
    if (!keys.empty()) CheckLookup(moved, lines, flipped, FlipCase(keys.front()));
  }
  // The walk gives every header and key line, in order, with rising line
  // numbers; a line that lookups reach is the one they report.
  std::vector<mavrel::IniFile::Item> items = moved.Items();
  std::size_t next = 0;
  std::uint32_t lastLine = 0;
  std::string_view current;
  for (std::string_view line : lines) {
    std::string_view name;
    std::string_view lineValue;
    bool header = HeaderName(line, name);
    if (!header && !KeyLine(line, name, lineValue)) continue;
    FUZZ_CHECK(next < items.size());
    const mavrel::IniFile::Item& item = items[next++];
    FUZZ_CHECK(item.name == name);
    FUZZ_CHECK(item.line > lastLine);
    lastLine = item.line;
    if (header) {
      current = name;
      FUZZ_CHECK(!item.found || moved.SectionLine(name) == item.line);
    } else if (item.found) {
      FUZZ_CHECK(item.value == lineValue);
      FUZZ_CHECK(moved.KeyLine(current, name) == item.line);
    }
  }
  FUZZ_CHECK(next == items.size());

  mavrel::IniFile empty;
  std::string_view value;
  FUZZ_CHECK(!empty.Find("Main", "Width", value));
  return 0;
}
