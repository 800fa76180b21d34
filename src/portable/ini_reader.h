// A settings file parsed once and answered from memory, with the lookup
// rules of the Windows private-profile reader, so that a medium authored for
// Windows reads the same everywhere:
// - lines end at any run of CR and LF; blank lines are skipped;
// - "[name]" opens a section; the name ends at the first "]" (a header
//   without one runs to the end of the line) and is trimmed;
// - lines before the first section belong to none and are never found;
// - a key line splits at its first "="; key and value are trimmed (space,
//   tab, vertical tab); a line without "=" names a key without a value;
// - ";" starts a comment only as the first non-blank character of a line;
// - one pair of matching outer quotes (" or ') around a value is removed;
// - section and key names match ignoring ASCII letter case; values come back
//   exactly as written, bytes as they are (a UTF-8 BOM is part of the first
//   line, as on Windows);
// - only the first of duplicate sections is searched, and within it the
//   first of duplicate keys wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mavrel {

class IniFile {
 public:
  // A file with no sections: every lookup misses.
  IniFile() = default;
  // Parses `bytes`; the file keeps its own copy of them.
  explicit IniFile(std::string_view bytes);

  IniFile(IniFile&&) noexcept = default;
  IniFile& operator=(IniFile&&) noexcept = default;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  /// True when `section` has an entry `key`; then `value` is its value (empty
  /// for a key line without "=" and for "key="). False when the section or
  /// the key is missing.
  bool Find(std::string_view section, std::string_view key, std::string_view& value) const;

  /// Copies the value of `key` in `section` into `buffer` of `bufferSize`
  /// bytes as the private-profile read does: cut to bufferSize - 1
  /// characters (and at a zero byte inside the value) and zero-terminated;
  /// the empty text when the section or key is missing. Gives the count of
  /// characters written. A zero `bufferSize` writes nothing.
  std::uint32_t Read(std::string_view section, std::string_view key, char* buffer,
                     std::uint32_t bufferSize) const;

  /// The number of distinct sections (a duplicate counts once).
  std::size_t sectionCount() const { return sections_.size(); }

 private:
  // Hash and equality of names that ignore ASCII letter case.
  struct NameHash {
    std::size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  struct EntryName {
    std::uint32_t section;
    std::string_view key;
  };
  struct EntryHash {
    std::size_t operator()(const EntryName& name) const;
  };
  struct EntryEqual {
    bool operator()(const EntryName& a, const EntryName& b) const;
  };

  void Parse();
  void ParseLine(std::string_view line, std::uint32_t& section, bool& keysVisible);

  // The file's bytes; every name and value below points into them, and they
  // stay put when the IniFile is moved.
  std::unique_ptr<char[]> text_;
  std::size_t size_ = 0;
  std::unordered_map<std::string_view, std::uint32_t, NameHash, NameEqual> sections_;
  std::unordered_map<EntryName, std::string_view, EntryHash, EntryEqual> entries_;
};

}  // namespace mavrel
