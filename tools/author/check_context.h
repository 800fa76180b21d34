// What every group of checks works with: the file's lines as written, each
// platform's reading of the settings, the medium's files, and the findings
// gathered so far, with the lines and names that messages point at.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "author/medium_check.h"
#include "author/medium_files.h"
#include "settings/medium_settings.h"
#include "settings/setting_keys.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {

// ---- Texts in messages -------------------------------------------------------

// UTF-8 as it is, other bytes as the Windows-1252 characters the desktop
// launcher shows, control characters escaped, long texts shortened.
std::string Shown(std::string_view bytes);
std::string Lower(std::string_view text);
// `raw` with its escapes decoded as the launcher decodes a setting.
std::string Decoded(std::string_view raw);
// "a", "a and b", "a, b and c", each Shown.
std::string Joined(const std::vector<std::string>& names);
// Edit distance with transpositions, letter case aside.
std::size_t Distance(std::string_view a, std::string_view b);

// ---- Keys as the launcher reads them -------------------------------------------

// A key of the shared table, a rectangle's four numbers each on its own.
struct KnownKey {
  std::string name;
  SettingKind kind;
};
// The window's keys, and the keys every button has.
const std::vector<KnownKey>& KnownWindowKeys();
const std::vector<KnownKey>& KnownButtonKeys();
const KnownKey* FindKnownKey(const std::vector<KnownKey>& keys, std::string_view name);

// The number n of a list key "Button.n" as the launcher forms it with
// "%s.%d": decimal digits without a leading zero (letter case aside in
// "Button", as every lookup).
bool ListIndex(std::string_view key, std::uint64_t& n);
std::string ListKey(std::size_t n);

// Whose keys a section holds: [Main] and [Main.Linux] the window's and the
// defaults, any other section a button's.
enum class SectionRole { kMain, kButton };
SectionRole RoleOf(std::string_view section);

// A key line that the launcher reaches (the first of its name, in the first
// section of that name) and how it is read there.
struct KeyLine {
  enum class Use {
    kRead,        // a known key with "=": its value is read
    kListKey,     // a Button.N key of [Main]
    kTextInMain,  // BUTTON_TEXT or DESC_TEXT in [Main], which no button takes
    kMainOnly,    // a window key or list key in a button's section
    kNoEquals,    // a known key without "="
    kUnknown,     // no key of this section
  };
  const IniFile::Item* item = nullptr;
  std::string_view section;
  SectionRole role = SectionRole::kMain;
  Use use = Use::kUnknown;
  const KnownKey* known = nullptr;  // for kRead, kTextInMain and kNoEquals
};

// ---- The checks' shared state -------------------------------------------------

// One platform's reading of the medium.
struct Reading {
  Platforms platform = Platforms::kWindows;  // kWindows or kLinux
  const MediumSettings* medium = nullptr;
};

class CheckContext {
 public:
  /// `readings`: one or both platforms', the first of which stands for the
  /// file as written (Mavrel.exe's reading, unless only Linux is checked).
  CheckContext(const IniFile& ini, std::vector<Reading> readings, MediumFiles& files);

  const IniFile& ini() const { return ini_; }
  const std::vector<IniFile::Item>& items() const { return items_; }
  /// Every key line that the launcher reaches, classified.
  const std::vector<KeyLine>& keyLines() const { return keyLines_; }
  MediumFiles& files() { return files_; }

  const std::vector<Reading>& readings() const { return readings_; }
  /// The reading the running group looks at, and its settings.
  const Reading& reading() const { return *current_; }
  const MediumSettings& medium() const { return *current_->medium; }
  /// Whose findings the running group adds: the reading's platform, or both
  /// for the groups that look at the file as written.
  Platforms platforms() const { return platforms_; }
  /// Looks at `reading` and adds findings for `platforms`.
  void Use(const Reading& reading, Platforms platforms);

  void Add(std::uint32_t line, Severity severity, const char* code, std::string message,
           Platforms platforms);
  void Note(std::uint32_t line, const char* code, std::string message) {
    Add(line, Severity::kNote, code, std::move(message), platforms_);
  }
  void Warn(std::uint32_t line, const char* code, std::string message) {
    Add(line, Severity::kWarning, code, std::move(message), platforms_);
  }
  void Error(std::uint32_t line, const char* code, std::string message) {
    Add(line, Severity::kError, code, std::move(message), platforms_);
  }
  std::vector<Finding> TakeFindings() { return std::move(findings_); }

  // ---- Lines and names, in the current reading.

  const std::vector<SettingText>& Sections() const { return medium().buttonSections.names(); }
  /// The line of a key with a value in [section] as written; 0 when it has
  /// none there.
  std::uint32_t ValueLine(std::string_view section, std::string_view key) const;
  /// The line that gives `key` of `section` its value in the current
  /// reading ([section.Linux] first on Linux); 0 when none does.
  std::uint32_t ReadLine(std::string_view section, std::string_view key) const;
  /// Where a button's value came from: its own section, else [Main], else
  /// the built-in default, for which the section header (or the list key
  /// naming it) stands; never 0 for a listed button.
  std::uint32_t ButtonLine(std::size_t index, std::string_view key, bool inherited = true) const;
  /// The line of the list key "Button.N" of the button `index` in the
  /// current reading ([Main.Linux]'s first on Linux); 0 when the key is not
  /// written (the end of the list).
  std::uint32_t ListKeyLine(std::size_t index) const;
  /// The line of the first of a rectangle's .Y, .X and .WIDTH that the
  /// button's own section sets, else where its .Y comes from.
  std::uint32_t RectLine(std::size_t index, std::string_view prefix) const;
  /// "[Section]" of the button.
  std::string Named(std::size_t index) const;
  /// Who a value of `key` belongs to, in a message: the button when its own
  /// section sets it, else every button that takes it from [Main], so that
  /// an inherited mistake is reported once.
  std::string Owner(std::size_t index, std::string_view key) const;

 private:
  const IniFile& ini_;
  const std::vector<IniFile::Item> items_;
  std::vector<KeyLine> keyLines_;
  std::vector<Reading> readings_;
  MediumFiles& files_;
  const Reading* current_ = nullptr;
  Platforms platforms_ = Platforms::kBoth;
  std::vector<Finding> findings_;
  std::unordered_set<std::string> seen_;  // platforms, line, code and message of each finding
  mutable std::string scratch_;
};

}  // namespace mavrel
