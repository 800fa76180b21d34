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
// - a file that starts with the UTF-16 little-endian mark (FF FE) is read as
//   the text it holds, which Windows hands to its 8-bit calls in the system's
//   code page; here that text is UTF-8, the texts the desktop shows. The file
//   is converted once, before anything else looks at it, so line numbers are
//   those of the text. Big-endian UTF-16 is taken as bytes, like any file
//   without that mark;
// - only the first of duplicate sections is searched, and within it the
//   first of duplicate keys wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mavrel {

// Section and key names ignore letter case, ASCII letters only.
char LowerAscii(char c);
bool EqualNames(std::string_view a, std::string_view b);

class IniFile {
 public:
  // A file with no sections: every lookup misses.
  IniFile() = default;
  // Parses `bytes`; the file keeps its own copy of them.
  explicit IniFile(std::string_view bytes);
  explicit IniFile(const char* bytes) : IniFile(std::string_view(bytes)) {}
  // Parses `bytes`, taking them over without a copy.
  explicit IniFile(std::string&& bytes);

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

  /// The line of the key that Find gives, or 0 when Find gives false.
  std::uint32_t KeyLine(std::string_view section, std::string_view key) const;
  /// The line of the header of the section that lookups search, or 0 when
  /// there is none.
  std::uint32_t SectionLine(std::string_view section) const;

  /// One section header or key line of the file, for tools that look at the
  /// file as its author wrote it. Lines are counted from 1; a line feed, a
  /// CR LF pair and a lone CR each end one line.
  struct Item {
    enum class Kind { kSection, kKey };
    Kind kind = Kind::kKey;
    std::uint32_t line = 0;
    std::string_view name;   // the section name or the key, trimmed
    std::string_view value;  // a key's value as Find gives it; empty for a header
    bool hasEquals = false;  // a key line with "="
    bool inSection = false;  // a key line after a header (false before the first)
    // Lookups reach this line: the first header of its name, or the first
    // key of its name inside such a section.
    bool found = false;
  };
  /// Every header and key line in file order, duplicates and lines before
  /// the first header included; comments and blank lines are left out. The
  /// file is walked again for this, so lookups pay nothing for it.
  std::vector<Item> Items() const;

  /// The file's text: its bytes as given, or the UTF-8 of a UTF-16 file
  /// (without its mark).
  std::string_view bytes() const { return text_ ? std::string_view(*text_) : std::string_view(); }

  /// True when the file was UTF-16 and bytes() is its text in UTF-8.
  bool fromUtf16() const { return fromUtf16_; }

 private:
  // Reads come in runs on one section (a button's 21 keys), so the section
  // of the last lookup is tried first, and a small section is searched by
  // scanning its keys' hashes, which lie side by side in memory. Sections
  // with many keys ([Main] with a long button list) are also indexed in a
  // flat open-addressing table. Slots hold an index plus one; 0 is free.
  static constexpr std::uint32_t kScanLimit = 24;
  struct Section {
    std::string_view name;
    std::uint64_t hash;
    std::uint32_t firstEntry;  // a section's entries are consecutive
    std::uint32_t entryCount;
    std::uint32_t line;
  };
  struct Entry {
    std::string_view key;
    std::string_view value;
    std::uint32_t section;
    std::uint32_t line;
  };

  void Parse();
  void ParseLine(std::string_view line, std::uint32_t lineNumber, std::uint32_t& section,
                 bool& keysVisible);
  void AddEntry(std::uint32_t section, std::string_view key, std::string_view value,
                std::uint32_t line);
  // The index of the entry that Find gives, or -1.
  std::int64_t Lookup(std::string_view section, std::string_view key) const;
  void IndexEntry(std::uint32_t entry);
  // The index of the section named `name` (letter case aside), or -1.
  std::int64_t FindSection(std::string_view name, std::uint64_t hash) const;
  // The index of the entry `key` of `section`, or -1.
  std::int64_t FindEntry(std::uint32_t section, std::string_view key, std::uint64_t keyHash) const;

  // The file's bytes; every name and value below points into them, and they
  // stay put when the IniFile is moved.
  // Held through a pointer because a moved short string moves its bytes.
  std::unique_ptr<std::string> text_;
  std::vector<Section> sections_;
  std::vector<std::uint32_t> sectionSlots_;
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> keyHashes_;  // of entries_, side by side
  std::vector<std::uint32_t> indexedEntries_;
  std::vector<std::uint32_t> entrySlots_;
  mutable std::uint32_t lastSection_ = 0;  // index plus one; 0 = none yet
  bool fromUtf16_ = false;
};

}  // namespace mavrel
