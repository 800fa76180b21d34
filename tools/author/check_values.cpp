// The values of the keys the launcher reads: numbers and colours that read
// as something else than written (ConvertNumber's own reading, with what it
// leaves out), "\n" in paths, values cut at 1023 characters, and
// EXIT_COMMAND texts that look like EXIT but keep the launcher open.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "author/check_groups.h"
#include "commands/activation.h"

namespace mavrel {
namespace {

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

void CheckNumber(CheckContext& context, const KnownKey& known, std::uint32_t line,
                 std::string_view value) {
  // The value as the launcher converts it: zero-terminated, at most 1023
  // characters, and only as far as a zero byte in it.
  char text[kSettingBufferSize];
  std::memcpy(text, value.data(), value.size());
  text[value.size()] = '\0';
  const std::int32_t number = ConvertNumber(text);
  const NumberScan scan = ScanNumber(text);
  const std::string_view digits(text + scan.digitsBegin, scan.digitsEnd - scan.digitsBegin);
  const std::string_view rest(text + scan.digitsEnd);
  const std::string& key = known.name;
  auto shownValue = [&key, value] { return key + "=" + Shown(value); };
  if (digits.empty() || scan.hexPrefixWithoutDigits) {
    std::string fix = scan.hexPrefixWithoutDigits ? "write hexadecimal digits after 0x"
                                                  : "write a number in decimal or after 0x";
    if (known.kind == SettingKind::kColor) {
      fix += "; colours are 0x00BBGGRR, red in the low byte: #FF0000 (red) is 0x0000FF";
    }
    context.Error(line, "M301", shownValue() + " holds no number and reads as 0; " + fix);
    return;
  }
  const bool octalStopped = scan.base == 8 && !rest.empty() && (rest[0] == '8' || rest[0] == '9');
  if (scan.base == 8 && (digits.size() > 1 || octalStopped)) {
    std::string decimal(digits);
    decimal.append(rest.substr(0, rest.find_first_not_of("0123456789")));
    const long long asDecimal = std::strtoll(decimal.c_str(), nullptr, 10);
    if (octalStopped || asDecimal != number) {
      context.Warn(line, "M303",
                   shownValue() + " reads as " + std::to_string(number) +
                       ": a leading 0 makes it octal" +
                       (octalStopped ? std::string(", where ") + rest[0] + " is no digit" : "") +
                       "; write " + std::to_string(asDecimal) + " without the 0");
    }
  } else if (!rest.empty()) {
    context.Warn(line, "M302",
                 shownValue() + " reads as " + std::to_string(number) +
                     ": the launcher ignores \"" + Shown(rest) + "\"; write the number alone");
  }
  if (scan.magnitude > (scan.negative ? 2147483648ull : 2147483647ull)) {
    context.Warn(line, "M304",
                 shownValue() + " is outside the signed 32-bit range and reads as " +
                     std::to_string(number));
  }
  const auto bits = static_cast<std::uint32_t>(number);
  if (known.kind == SettingKind::kColor && (bits >> 24) != 0) {
    char fix[16];
    std::snprintf(fix, sizeof fix, "0x%06X", static_cast<unsigned>(bits & 0xFFFFFFu));
    char top[8];
    std::snprintf(top, sizeof top, "0x%02X", static_cast<unsigned>(bits >> 24));
    context.Warn(line, "M305",
                 shownValue() + " has a top byte of " + top +
                     ": a colour is 0x00BBGGRR, and Windows reads a top byte as a palette "
                     "choice; write " +
                     fix);
  }
}

void CheckExitWord(CheckContext& context, std::uint32_t line, std::string_view read) {
  const std::string text = Decoded(read);
  std::string letters;
  for (char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) letters += LowerAscii(c);
  }
  if (!IsExitCommand(text.c_str()) && (letters == "exit" || Distance(text, "exit") <= 1)) {
    context.Warn(line, "M308",
                 "EXIT_COMMAND=\"" + Shown(text) +
                     "\" keeps the launcher open: only EXIT, in any letter case and with nothing "
                     "before or after it, closes it; write EXIT, or a word such as STAY");
  }
}

}  // namespace

void CheckValues(CheckContext& context) {
  for (const KeyLine& line : context.keyLines()) {
    if (line.use != KeyLine::Use::kRead) continue;
    const KnownKey& known = *line.known;
    const IniFile::Item& item = *line.item;
    const std::string_view raw = item.value;
    if (raw.empty()) continue;  // empty is the default
    if (raw.size() > kSettingBufferSize - 1) {
      context.Warn(item.line, "M307",
                   known.name + " is " + std::to_string(raw.size()) +
                       " characters long: the launcher reads only the first 1023; shorten it");
    }
    const std::string_view read = raw.substr(0, kSettingBufferSize - 1);
    switch (known.kind) {
      case SettingKind::kNumber:
      case SettingKind::kColor:
        CheckNumber(context, known, item.line, read);
        break;
      case SettingKind::kPath:
        if (read.find('\\') != std::string_view::npos &&
            Decoded(read).find('\n') != std::string::npos) {
          context.Error(item.line, "M306",
                        known.name + "=" + Shown(read) +
                            " holds \\n, which the launcher turns into a line feed; write " +
                            known.name + "=" + Shown(WithoutLineFeedEscapes(read)));
        }
        break;
      case SettingKind::kExitWord:
        CheckExitWord(context, item.line, read);
        break;
      case SettingKind::kText:
      case SettingKind::kRectangle:
        break;
    }
  }
}

}  // namespace mavrel
