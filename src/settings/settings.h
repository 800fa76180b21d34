// Reading the launcher's configuration: the settings file and the value
// kinds built on one read (text, number, rectangle, numbered list).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mavrel {

constexpr const char* kSettingsFileName = "Mavrel.INI";
constexpr std::size_t kSettingBufferSize = 1024;  // 1023 characters and the terminator

// The settings file of the process. The path is fixed once, at the first
// read, against the directory that is current then; every later read uses
// that full path even if the current directory changes.
class SettingsFile {
 public:
  explicit SettingsFile(FileSystem& files);
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  // The value of `key` in `section`, at most 1023 characters, empty when
  // there is none. Valid only until the next read.
  const char* ReadSetting(const char* section, const char* key);

  // The shared work area in which rectangle keys are built.
  char* KeyBuffer() { return keyBuffer_; }

  bool resolved() const { return resolved_; }
  const char* path() const { return path_; }

 private:
  FileSystem& files_;
  bool resolved_ = false;
  char path_[kSettingBufferSize] = {};
  char value_[kSettingBufferSize] = {};
  char keyBuffer_[kSettingBufferSize] = {};
};

// Writes `source` into `destination` (at least strlen(source) + 1 bytes)
// with "\n"/"\N" turned into a line feed and "\\" into one backslash; every
// other character, lone backslashes included, is copied as it is.
void DecodeEscapes(const char* source, char* destination);

// The number rules of strtol in base 0 in the "C" locale, clamped to the
// signed 32-bit range, whatever the size of `long`: leading white space, one
// sign, "0x"/"0X" hexadecimal, leading "0" octal, else decimal; no digits
// gives 0.
std::int32_t ConvertNumber(const char* text);

// What ConvertNumber reads of a text, for the tools that tell an author
// what it leaves out.
struct NumberScan {
  int base = 10;  // 16 after "0x" and a hexadecimal digit, 8 after a leading "0"
  bool negative = false;
  // "0x" with no hexadecimal digit after it: only its "0" is read, as octal.
  bool hexPrefixWithoutDigits = false;
  // The digits read, as offsets into the text; none when they are equal.
  std::size_t digitsBegin = 0;
  std::size_t digitsEnd = 0;
  // The digits' value, held at just above 2^32 once it passes that.
  std::uint64_t magnitude = 0;
};
NumberScan ScanNumber(const char* text);

// An owned, escape-decoded text; never null once constructed.
class SettingText {
 public:
  // From the settings file; an empty or missing value copies `defaultText`
  // unchanged (the default is never decoded).
  SettingText(SettingsFile& settings, const char* defaultText, const char* section,
              const char* key);
  // A plain copy of `text`.
  explicit SettingText(const char* text);
  SettingText(const SettingText&) = delete;
  SettingText& operator=(const SettingText&) = delete;
  SettingText(SettingText&&) noexcept = default;
  SettingText& operator=(SettingText&&) noexcept = default;

  const char* c_str() const { return text_ ? text_.get() : ""; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  void Assign(const char* text);
  std::unique_ptr<char[]> text_;
  std::size_t size_ = 0;
};

// A signed 32-bit number; the default applies only to an empty or missing
// value.
struct SettingNumber {
  SettingNumber() = default;
  SettingNumber(SettingsFile& settings, std::int32_t defaultNumber, const char* section,
                const char* key);
  std::int32_t value = 0;
};

// Four numbers read from "<prefix>.X", ".Y", ".WIDTH" and ".HEIGHT", each
// defaulted on its own.
struct SettingRect {
  SettingRect() = default;
  // Zero defaults.
  SettingRect(SettingsFile& settings, const char* section, const char* keyPrefix);
  // Defaults taken component by component from `defaults`.
  SettingRect(SettingsFile& settings, const SettingRect& defaults, const char* section,
              const char* keyPrefix);
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The texts of the numbered keys "<prefix>.0", "<prefix>.1", ... in that
// order, up to the first missing or empty key. Names are taken exactly as
// written, without escape decoding.
class SectionNameList {
 public:
  SectionNameList(SettingsFile& settings, const char* section, const char* keyPrefix);
  const std::vector<SettingText>& names() const { return names_; }

 private:
  std::vector<SettingText> names_;
};

}  // namespace mavrel
