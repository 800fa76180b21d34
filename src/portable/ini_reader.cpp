#include "portable/ini_reader.h"

#include <cstring>

namespace mavrel {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::size_t IniFile::NameHash::operator()(std::string_view name) const {
  // FNV-1a over the lower-cased bytes.
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(LowerAscii(c));
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash);
}

bool IniFile::NameEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::size_t IniFile::EntryHash::operator()(const EntryName& name) const {
  return NameHash()(name.key) ^ (static_cast<std::size_t>(name.section) * 0x9E3779B97F4A7C15ull);
}

bool IniFile::EntryEqual::operator()(const EntryName& a, const EntryName& b) const {
  return a.section == b.section && NameEqual()(a.key, b.key);
}

IniFile::IniFile(std::string_view bytes) : size_(bytes.size()) {
  text_ = std::make_unique<char[]>(size_ + 1);
  if (size_ != 0) std::memcpy(text_.get(), bytes.data(), size_);
  text_[size_] = '\0';
  Parse();
}

void IniFile::Parse() {
  // A rough line count sizes the tables once instead of rehashing as they
  // grow; a settings file is almost all key lines.
  std::size_t lines = 1;
  for (std::size_t i = 0; i < size_; ++i) {
    if (text_[i] == '\n' || text_[i] == '\r') ++lines;
  }
  entries_.reserve(lines);

  // Until the first header there is no section, and keys go nowhere.
  std::uint32_t section = 0;
  bool keysVisible = false;
  const char* data = text_.get();
  std::size_t pos = 0;
  while (pos < size_) {
    std::size_t end = pos;
    while (end < size_ && data[end] != '\n' && data[end] != '\r') ++end;
    if (end > pos) ParseLine(std::string_view(data + pos, end - pos), section, keysVisible);
    pos = end;
    while (pos < size_ && (data[pos] == '\n' || data[pos] == '\r')) ++pos;
  }
}

void IniFile::ParseLine(std::string_view line, std::uint32_t& section, bool& keysVisible) {
  line = Trim(line);
  if (line.empty() || line.front() == ';') return;
  if (line.front() == '[') {
    std::string_view name = line.substr(1);
    std::size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    name = Trim(name);
    // Only the first section of a name is ever searched: the keys of a
    // later one with the same name are dropped.
    auto inserted = sections_.emplace(name, static_cast<std::uint32_t>(sections_.size()));
    section = inserted.first->second;
    keysVisible = inserted.second;
    return;
  }
  if (!keysVisible) return;
  std::string_view key = line;
  std::string_view value;
  std::size_t equals = line.find('=');
  if (equals != std::string_view::npos) {
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
  }
  // emplace keeps the first of duplicate keys.
  entries_.emplace(EntryName{section, key}, value);
}

bool IniFile::Find(std::string_view section, std::string_view key, std::string_view& value) const {
  auto found = sections_.find(section);
  if (found == sections_.end()) return false;
  auto entry = entries_.find(EntryName{found->second, key});
  if (entry == entries_.end()) return false;
  value = entry->second;
  return true;
}

std::uint32_t IniFile::Read(std::string_view section, std::string_view key, char* buffer,
                            std::uint32_t bufferSize) const {
  if (bufferSize == 0) return 0;
  std::string_view value;
  if (!Find(section, key, value)) value = std::string_view();
  std::size_t length = value.size();
  if (length > bufferSize - 1) length = bufferSize - 1;
  // The caller sees a zero-terminated text, which ends at a zero byte.
  const void* zero = length == 0 ? nullptr : std::memchr(value.data(), '\0', length);
  if (zero != nullptr) length = static_cast<const char*>(zero) - value.data();
  if (length != 0) std::memcpy(buffer, value.data(), length);
  buffer[length] = '\0';
  return static_cast<std::uint32_t>(length);
}

}  // namespace mavrel
