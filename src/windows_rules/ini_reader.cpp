#include "windows_rules/ini_reader.h"

#include <cstring>

#include "windows_rules/text_encoding.h"

namespace mavrel {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNames(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// FNV-1a over the lower-cased bytes, so that names differing only in letter
// case hash alike.
std::uint64_t HashName(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(LowerAscii(c));
    hash *= 1099511628211ull;
  }
  return hash;
}

std::uint64_t HashEntry(std::uint64_t keyHash, std::uint32_t section) {
  std::uint64_t hash = keyHash ^ (static_cast<std::uint64_t>(section) * 0x9E3779B97F4A7C15ull);
  hash ^= hash >> 29;
  hash *= 0xBF58476D1CE4E5B9ull;
  hash ^= hash >> 32;
  return hash;
}

std::size_t SlotOf(std::uint64_t hash, const std::vector<std::uint32_t>& slots) {
  return static_cast<std::size_t>(hash) & (slots.size() - 1);
}

// One non-blank line split by the reader's rules.
struct SplitLine {
  enum class Kind { kNothing, kHeader, kKey };
  Kind kind = Kind::kNothing;
  std::string_view name;
  std::string_view value;
  bool hasEquals = false;
};

SplitLine Split(std::string_view line) {
  SplitLine split;
  line = Trim(line);
  if (line.empty() || line.front() == ';') return split;
  if (line.front() == '[') {
    std::string_view name = line.substr(1);
    std::size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    split.kind = SplitLine::Kind::kHeader;
    split.name = Trim(name);
    return split;
  }
  split.kind = SplitLine::Kind::kKey;
  split.name = line;
  std::size_t equals = line.find('=');
  if (equals != std::string_view::npos) {
    split.hasEquals = true;
    split.name = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    split.value = value;
  }
  return split;
}

// Calls visit(line, number) for every line of `text` that holds anything,
// numbered from 1. Lines end at any run of CR and LF; within a run, each LF
// and each CR not followed by LF ends one line, as editors count them.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::uint32_t number = 1;
  std::size_t pos = 0;
  while (pos < size) {
    std::size_t end = pos;
    while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
    if (end > pos) visit(std::string_view(data + pos, end - pos), number);
    pos = end;
    while (pos < size && (data[pos] == '\n' || data[pos] == '\r')) {
      if (data[pos] == '\n' || pos + 1 == size || data[pos + 1] != '\n') ++number;
      ++pos;
    }
  }
}

}  // namespace

IniFile::IniFile(std::string_view bytes) : IniFile(std::string(bytes)) {}

IniFile::IniFile(std::string&& bytes) {
  constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
  if (std::string_view(bytes).substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
    text_ = std::make_unique<std::string>(
        Utf16LeToUtf8(std::string_view(bytes).substr(kUtf16LeMark.size())));
    fromUtf16_ = true;
  } else {
    text_ = std::make_unique<std::string>(std::move(bytes));
  }
  Parse();
}

void IniFile::Parse() {
  // Until the first header there is no section, and keys go nowhere.
  std::uint32_t section = 0;
  bool keysVisible = false;
  // Settings lines take some 20 to 30 bytes; reserving for one in 16 bytes
  // saves most regrowing and costs little on odd files.
  entries_.reserve(text_->size() / 16 + 16);
  keyHashes_.reserve(text_->size() / 16 + 16);
  ForEachLine(*text_, [&](std::string_view line, std::uint32_t number) {
    ParseLine(line, number, section, keysVisible);
  });
}

void IniFile::ParseLine(std::string_view line, std::uint32_t lineNumber, std::uint32_t& section,
                        bool& keysVisible) {
  const SplitLine split = Split(line);
  if (split.kind == SplitLine::Kind::kHeader) {
    // Only the first section of a name is ever searched: the keys of a
    // later one with the same name are dropped.
    std::string_view name = split.name;
    std::uint64_t hash = HashName(name);
    keysVisible = FindSection(name, hash) < 0 && sections_.size() < 0xFFFFFFFEu;
    if (!keysVisible) return;
    if ((sections_.size() + 1) * 2 > sectionSlots_.size()) {
      // Kept at most half full; doubling places every section again.
      sectionSlots_.assign(sectionSlots_.empty() ? 16 : sectionSlots_.size() * 2, 0);
      for (std::size_t i = 0; i < sections_.size(); ++i) {
        std::size_t slot = SlotOf(sections_[i].hash, sectionSlots_);
        while (sectionSlots_[slot] != 0) slot = (slot + 1) & (sectionSlots_.size() - 1);
        sectionSlots_[slot] = static_cast<std::uint32_t>(i + 1);
      }
    }
    sections_.push_back(
        Section{name, hash, static_cast<std::uint32_t>(entries_.size()), 0, lineNumber});
    std::size_t slot = SlotOf(hash, sectionSlots_);
    while (sectionSlots_[slot] != 0) slot = (slot + 1) & (sectionSlots_.size() - 1);
    sectionSlots_[slot] = static_cast<std::uint32_t>(sections_.size());
    section = static_cast<std::uint32_t>(sections_.size() - 1);
    return;
  }
  if (split.kind == SplitLine::Kind::kKey && keysVisible) {
    AddEntry(section, split.name, split.value, lineNumber);
  }
}

void IniFile::AddEntry(std::uint32_t section, std::string_view key, std::string_view value,
                       std::uint32_t line) {
  // The first of duplicate keys is the one found.
  std::uint64_t keyHash = HashName(key);
  if (FindEntry(section, key, keyHash) >= 0 || entries_.size() >= 0xFFFFFFFEu) return;
  auto entry = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(Entry{key, value, section, line});
  keyHashes_.push_back(keyHash);
  Section& owner = sections_[section];
  ++owner.entryCount;
  if (owner.entryCount == kScanLimit + 1) {
    for (std::uint32_t i = owner.firstEntry; i <= entry; ++i) IndexEntry(i);
  } else if (owner.entryCount > kScanLimit + 1) {
    IndexEntry(entry);
  }
}

void IniFile::IndexEntry(std::uint32_t entry) {
  indexedEntries_.push_back(entry);
  auto place = [this](std::uint32_t index) {
    std::size_t slot = SlotOf(HashEntry(keyHashes_[index], entries_[index].section), entrySlots_);
    while (entrySlots_[slot] != 0) slot = (slot + 1) & (entrySlots_.size() - 1);
    entrySlots_[slot] = index + 1;
  };
  if (indexedEntries_.size() * 2 > entrySlots_.size()) {
    entrySlots_.assign(entrySlots_.empty() ? 64 : entrySlots_.size() * 2, 0);
    for (std::uint32_t index : indexedEntries_) place(index);
  } else {
    place(entry);
  }
}

std::int64_t IniFile::FindSection(std::string_view name, std::uint64_t hash) const {
  if (sectionSlots_.empty()) return -1;
  const std::size_t mask = sectionSlots_.size() - 1;
  for (std::size_t slot = SlotOf(hash, sectionSlots_);; slot = (slot + 1) & mask) {
    std::uint32_t index = sectionSlots_[slot];
    if (index == 0) return -1;
    const Section& candidate = sections_[index - 1];
    if (candidate.hash == hash && EqualNames(candidate.name, name)) return index - 1;
  }
}

std::int64_t IniFile::FindEntry(std::uint32_t section, std::string_view key,
                                std::uint64_t keyHash) const {
  const Section& owner = sections_[section];
  if (owner.entryCount <= kScanLimit) {
    const std::uint32_t end = owner.firstEntry + owner.entryCount;
    for (std::uint32_t i = owner.firstEntry; i < end; ++i) {
      if (keyHashes_[i] == keyHash && EqualNames(entries_[i].key, key)) return i;
    }
    return -1;
  }
  const std::size_t mask = entrySlots_.size() - 1;
  for (std::size_t slot = SlotOf(HashEntry(keyHash, section), entrySlots_);;
       slot = (slot + 1) & mask) {
    std::uint32_t index = entrySlots_[slot];
    if (index == 0) return -1;
    const std::uint32_t i = index - 1;
    if (keyHashes_[i] == keyHash && entries_[i].section == section &&
        EqualNames(entries_[i].key, key)) {
      return i;
    }
  }
}

std::int64_t IniFile::Lookup(std::string_view section, std::string_view key) const {
  std::int64_t found;
  if (lastSection_ != 0 && EqualNames(sections_[lastSection_ - 1].name, section)) {
    found = lastSection_ - 1;
  } else {
    found = FindSection(section, HashName(section));
    if (found < 0) return -1;
    lastSection_ = static_cast<std::uint32_t>(found + 1);
  }
  return FindEntry(static_cast<std::uint32_t>(found), key, HashName(key));
}

bool IniFile::Find(std::string_view section, std::string_view key, std::string_view& value) const {
  std::int64_t entry = Lookup(section, key);
  if (entry < 0) return false;
  value = entries_[static_cast<std::size_t>(entry)].value;
  return true;
}

std::uint32_t IniFile::KeyLine(std::string_view section, std::string_view key) const {
  std::int64_t entry = Lookup(section, key);
  return entry < 0 ? 0 : entries_[static_cast<std::size_t>(entry)].line;
}

std::uint32_t IniFile::SectionLine(std::string_view section) const {
  std::int64_t found = FindSection(section, HashName(section));
  return found < 0 ? 0 : sections_[static_cast<std::size_t>(found)].line;
}

std::vector<IniFile::Item> IniFile::Items() const {
  std::vector<Item> items;
  if (!text_) return items;
  items.reserve(entries_.size() + sections_.size() + 16);
  // The parse kept the sections and keys that lookups reach in file order,
  // so walking the lines again meets them in the same order: a line is
  // reached exactly when it is the next one kept.
  std::size_t nextSection = 0;
  std::size_t nextEntry = 0;
  bool inSection = false;
  ForEachLine(*text_, [&](std::string_view line, std::uint32_t number) {
    const SplitLine split = Split(line);
    if (split.kind == SplitLine::Kind::kNothing) return;
    Item item;
    item.line = number;
    item.name = split.name;
    item.value = split.value;
    item.hasEquals = split.hasEquals;
    if (split.kind == SplitLine::Kind::kHeader) {
      item.kind = Item::Kind::kSection;
      item.found = nextSection < sections_.size() && sections_[nextSection].line == number;
      if (item.found) ++nextSection;
      inSection = true;
    } else {
      item.kind = Item::Kind::kKey;
      item.inSection = inSection;
      item.found = nextEntry < entries_.size() && entries_[nextEntry].line == number;
      if (item.found) ++nextEntry;
    }
    items.push_back(item);
  });
  return items;
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
