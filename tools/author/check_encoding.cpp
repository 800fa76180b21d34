// How the file's bytes become text on each platform: a UTF-8 byte order
// mark, which Windows reads as part of the first line, and texts that the
// desktop and Windows show differently (UTF-8, other non-ASCII bytes, and
// characters of a UTF-16 file that Windows' code page lacks).
#include <algorithm>

#include "author/check_groups.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// What the first line holds after the mark: nothing, a comment, a section
// header or a key.
enum class FirstLine { kBlank, kComment, kHeader, kKey };

FirstLine AfterMark(std::string_view bytes) {
  std::string_view line = bytes.substr(kUtf8Mark.size());
  line = line.substr(0, line.find_first_of("\r\n"));
  const std::size_t start = line.find_first_not_of(" \t\v");
  if (start == std::string_view::npos) return FirstLine::kBlank;
  if (line[start] == ';') return FirstLine::kComment;
  return line[start] == '[' ? FirstLine::kHeader : FirstLine::kKey;
}

void CheckMark(CheckContext& context) {
  const std::string_view bytes = context.ini().bytes();
  if (bytes.substr(0, kUtf8Mark.size()) != kUtf8Mark) return;
  switch (AfterMark(bytes)) {
    case FirstLine::kHeader:
      context.Error(1, "M401",
                    "the file starts with a UTF-8 byte order mark: Windows reads it as part of the "
                    "first line, so that line's section is not found there; save the file without "
                    "the mark");
      break;
    case FirstLine::kKey:
      context.Error(1, "M401",
                    "the file starts with a UTF-8 byte order mark: Windows reads it as part of the "
                    "first line's key, which is then no key it knows; save the file without the "
                    "mark");
      break;
    case FirstLine::kBlank:
    case FirstLine::kComment:
      context.Note(1, "M401",
                   "the file starts with a UTF-8 byte order mark, which Windows reads as part of "
                   "the first line; that line holds no section or key, so nothing is lost");
      break;
  }
}

void CheckText(CheckContext& context, const IniFile::Item& item, const char* what) {
  const std::string_view value = item.value.substr(0, kSettingBufferSize - 1);
  if (std::none_of(value.begin(), value.end(),
                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return;
  }
  if (context.ini().fromUtf16()) {
    // The reader made the file's text UTF-8, which the desktop shows as
    // written; Windows gives it in the system's code page, where a
    // character the code page lacks becomes "?".
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < value.size();) {
      std::size_t length = Utf8SequenceAt(value, i, code);
      if (length == 0) code = static_cast<unsigned char>(value[i]);
      i += length == 0 ? 1 : length;
      if (!InWindows1252(code)) {
        context.Warn(item.line, "M404",
                     Shown(item.name) + " holds characters outside Windows-1252 (" + what + " \"" +
                         Shown(value) +
                         "\"): the desktop shows them as written, Windows only on a system whose "
                         "code page has them, and \"?\" in their place elsewhere");
        return;
      }
    }
    return;
  }
  if (IsValidUtf8(value)) {
    context.Warn(item.line, "M402",
                 Shown(item.name) + " holds UTF-8 (" + what + " \"" + Shown(value) +
                     "\"): the desktop shows it as written, Windows as \"" +
                     Shown(Windows1252ToUtf8(value)) +
                     "\"; save the file in Windows-1252 so that both show it alike");
  } else {
    context.Warn(item.line, "M403",
                 Shown(item.name) + " holds non-ASCII bytes that are not UTF-8 (" + what + " \"" +
                     Shown(value) +
                     "\" in Windows-1252): the desktop shows them as Windows-1252, Windows in the "
                     "system's own code page, which differs outside western systems");
  }
}

}  // namespace

void CheckEncoding(CheckContext& context) {
  CheckMark(context);
  for (const KeyLine& line : context.keyLines()) {
    if (line.use == KeyLine::Use::kListKey) {
      CheckText(context, *line.item, "section name");
    } else if (line.use == KeyLine::Use::kRead && !line.item->value.empty()) {
      switch (line.known->kind) {
        case SettingKind::kPath:
          CheckText(context, *line.item, "path");
          break;
        case SettingKind::kText:
        case SettingKind::kExitWord:
          CheckText(context, *line.item, "text");
          break;
        case SettingKind::kNumber:
        case SettingKind::kColor:
        case SettingKind::kRectangle:
          break;
      }
    }
  }
}

}  // namespace mavrel
