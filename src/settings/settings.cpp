// The settings file and the value kinds read from it. Every value goes
// through one ReadSetting into one shared buffer, so each reader finishes
// with a value (decodes, copies or converts it) before it reads the next.
#include "settings/settings.h"

#include <climits>
#include <cstring>

#include "settings/setting_keys.h"

namespace mavrel {

SettingsFile::SettingsFile(FileSystem& files) : files_(files) {}

const char* SettingsFile::ReadSetting(const char* section, const char* key) {
  if (!resolved_) {
    // Resolution is tried exactly once per process, whatever its outcome.
    // A path that does not fit leaves the buffer unfilled; both that and a
    // failure leave the path empty for the rest of the process.
    std::uint32_t length = files_.GetFullPathName(kSettingsFileName, kSettingBufferSize, path_);
    if (length == 0 || length >= kSettingBufferSize) {
      path_[0] = '\0';
    } else {
      path_[kSettingBufferSize - 1] = '\0';
    }
    resolved_ = true;
  }
  value_[0] = '\0';
  // Without a path there is no file: every value is empty, and the platform
  // is never asked about a file with no name.
  if (path_[0] == '\0') return value_;
  files_.GetPrivateProfileString(section, key, value_, kSettingBufferSize, path_);
  value_[kSettingBufferSize - 1] = '\0';
  return value_;
}

void DecodeEscapes(const char* source, char* destination) {
  const char* in = source;
  char* out = destination;
  while (*in != '\0') {
    if (in[0] == '\\' && (in[1] == 'n' || in[1] == 'N')) {
      *out++ = '\n';
      in += 2;
    } else if (in[0] == '\\' && in[1] == '\\') {
      *out++ = '\\';
      in += 2;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
}

namespace {

bool IsNumberSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of `c` as a digit, or a value of 16 or more when it is none.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

NumberScan ScanNumber(const char* text) {
  NumberScan scan;
  const char* p = text;
  while (IsNumberSpace(*p)) ++p;
  if (*p == '+' || *p == '-') {
    scan.negative = (*p == '-');
    ++p;
  }
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    // As strtol does, "0x" counts as a prefix only when a hexadecimal digit
    // follows; otherwise the "0" is the whole number.
    if (DigitValue(p[2]) < 16) {
      scan.base = 16;
      p += 2;
    } else {
      scan.base = 8;
      scan.hexPrefixWithoutDigits = true;
      scan.digitsBegin = static_cast<std::size_t>(p - text);
      scan.digitsEnd = scan.digitsBegin + 1;
      return scan;
    }
  } else if (p[0] == '0') {
    scan.base = 8;
  }
  scan.digitsBegin = static_cast<std::size_t>(p - text);
  // The magnitude saturates just above the largest one that can be kept, so
  // any run of digits stays within 64 bits; the clamp in ConvertNumber is
  // our own and does not depend on the size of `long`.
  constexpr std::uint64_t kSaturated = std::uint64_t{1} << 32;
  std::uint64_t magnitude = 0;
  const auto base = static_cast<std::uint64_t>(scan.base);
  for (int digit = DigitValue(*p); digit < scan.base; digit = DigitValue(*++p)) {
    magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
    if (magnitude > kSaturated) magnitude = kSaturated;
  }
  scan.digitsEnd = static_cast<std::size_t>(p - text);
  scan.magnitude = magnitude;
  return scan;
}

std::int32_t ConvertNumber(const char* text) {
  const NumberScan scan = ScanNumber(text);
  if (scan.negative) {
    if (scan.magnitude >= std::uint64_t{2147483648u}) return INT32_MIN;
    return -static_cast<std::int32_t>(scan.magnitude);
  }
  if (scan.magnitude > std::uint64_t{INT32_MAX}) return INT32_MAX;
  return static_cast<std::int32_t>(scan.magnitude);
}

SettingText::SettingText(SettingsFile& settings, const char* defaultText, const char* section,
                         const char* key) {
  const char* value = settings.ReadSetting(section, key);
  char work[kSettingBufferSize];
  if (value[0] != '\0') {
    DecodeEscapes(value, work);
  } else {
    // Defaults are never decoded: one that came from an already decoded
    // setting must not be decoded twice.
    if (defaultText == nullptr) defaultText = "";
    std::size_t length = std::strlen(defaultText);
    if (length > kSettingBufferSize - 1) length = kSettingBufferSize - 1;
    std::memcpy(work, defaultText, length);
    work[length] = '\0';
  }
  Assign(work);
}

SettingText::SettingText(const char* text) { Assign(text); }

void SettingText::Assign(const char* text) {
  size_ = std::strlen(text);
  text_ = std::make_unique<char[]>(size_ + 1);
  std::memcpy(text_.get(), text, size_ + 1);
}

SettingNumber::SettingNumber(SettingsFile& settings, std::int32_t defaultNumber,
                             const char* section, const char* key) {
  const char* text = settings.ReadSetting(section, key);
  value = (text[0] == '\0') ? defaultNumber : ConvertNumber(text);
}

namespace {

// Writes `prefix` and then `suffix` into `key` of kSettingBufferSize bytes,
// cut to fit. Keys are built for every rectangle component and list entry,
// so this avoids the cost of a formatted print.
void BuildKey(char* key, const char* prefix, const char* suffix) {
  std::size_t length = 0;
  for (const char* part : {prefix, suffix}) {
    while (*part != '\0' && length < kSettingBufferSize - 1) key[length++] = *part++;
  }
  key[length] = '\0';
}

// Reads one rectangle component from "<prefix><suffix>", the key built in the
// settings file's shared key buffer just before the read.
std::int32_t ReadRectComponent(SettingsFile& settings, std::int32_t defaultNumber,
                               const char* section, const char* keyPrefix, const char* suffix) {
  char* key = settings.KeyBuffer();
  BuildKey(key, keyPrefix, suffix);
  return SettingNumber(settings, defaultNumber, section, key).value;
}

}  // namespace

SettingRect::SettingRect(SettingsFile& settings, const char* section, const char* keyPrefix)
    : SettingRect(settings, SettingRect(), section, keyPrefix) {}

SettingRect::SettingRect(SettingsFile& settings, const SettingRect& defaults, const char* section,
                         const char* keyPrefix) {
  // Copied first: `defaults` may be this very rectangle's old value.
  const SettingRect fallback = defaults;
  x = ReadRectComponent(settings, fallback.x, section, keyPrefix, kRectangleSuffixes[kRectX]);
  y = ReadRectComponent(settings, fallback.y, section, keyPrefix, kRectangleSuffixes[kRectY]);
  width = ReadRectComponent(settings, fallback.width, section, keyPrefix,
                            kRectangleSuffixes[kRectWidth]);
  height = ReadRectComponent(settings, fallback.height, section, keyPrefix,
                             kRectangleSuffixes[kRectHeight]);
}

SectionNameList::SectionNameList(SettingsFile& settings, const char* section,
                                 const char* keyPrefix) {
  // The key is "%s.%d" of the prefix and the number: a point and the number
  // in decimal without leading zeros.
  char key[kSettingBufferSize];
  for (int n = 0; n < INT_MAX; ++n) {
    char number[16];
    char* digits = number + sizeof number;
    *--digits = '\0';
    int rest = n;
    do {
      *--digits = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest != 0);
    *--digits = '.';
    BuildKey(key, keyPrefix, digits);
    const char* value = settings.ReadSetting(section, key);
    if (value[0] == '\0') break;
    names_.emplace_back(value);
  }
}

}  // namespace mavrel
