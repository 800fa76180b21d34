#include "author/settings_json.h"

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "settings/medium_settings.h"
#include "settings/setting_keys.h"
#include "settings/settings.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {
namespace {

void AppendEscape(std::string& out, std::uint32_t code) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
  out += escape;
}

// A zero-terminated 8-bit text as a JSON string.
std::string JsonString(const char* text) {
  std::string out = "\"";
  const std::string_view bytes(text);
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    unsigned char c = *p;
    std::uint32_t code = 0;
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
          } else {
            out += static_cast<char>(c);
          }
      }
      ++p;
    } else if (std::size_t length =
                   Utf8SequenceAt(bytes, p - reinterpret_cast<const unsigned char*>(text), code)) {
      if (code < 0xA0) {
        AppendEscape(out, code);  // a C1 control
      } else {
        out.append(reinterpret_cast<const char*>(p), length);
      }
      p += length;
    } else {
      // Not UTF-8: the byte is a character of the Windows code page.
      code = Windows1252Character(c);
      if (code < 0xA0) {
        AppendEscape(out, code);
      } else {
        AppendUtf8(out, code);
      }
      ++p;
    }
  }
  out += '"';
  return out;
}

std::string JsonNumber(std::int32_t value) { return std::to_string(value); }

// Keyed by the rectangle keys' suffixes without their point.
std::string JsonRect(const SettingRect& rect) {
  const std::int32_t values[kRectangleComponentCount] = {rect.x, rect.y, rect.width, rect.height};
  std::string out = "{";
  for (std::size_t i = 0; i < kRectangleComponentCount; ++i) {
    out += std::string(i == 0 ? "" : ", ") + "\"" + (kRectangleSuffixes[i] + 1) +
           "\": " + JsonNumber(values[i]);
  }
  return out + "}";
}

// The fifteen properties of a record, one per line at `indent`, keyed by
// their settings keys; `first` goes before them (the button's section).
std::string JsonButton(const ButtonSettings& b, const std::string& indent,
                       const std::string& first) {
  const std::string properties[] = {
      JsonString(b.buttonText.c_str()),
      JsonString(b.descText.c_str()),
      JsonRect(b.buttonLoc),
      JsonRect(b.descLoc),
      JsonNumber(b.buttonFontHeight.value),
      JsonNumber(b.descFontHeight.value),
      JsonNumber(b.textColor.value),
      JsonNumber(b.highlightColor.value),
      JsonNumber(b.selectColor.value),
      JsonNumber(b.descColor.value),
      JsonString(b.directory.c_str()),
      JsonString(b.progCommand.c_str()),
      JsonString(b.docCommand.c_str()),
      JsonString(b.exitCommand.c_str()),
      JsonString(b.errorMsg.c_str()),
  };
  static_assert(sizeof properties / sizeof properties[0] == kButtonKeyCount,
                "one value for each key, in the table's order");
  std::string out = "{\n";
  if (!first.empty()) out += indent + "  " + first + ",\n";
  for (std::size_t i = 0; i < kButtonKeyCount; ++i) {
    out += indent + "  \"" + kButtonKeys[i].name + "\": " + properties[i];
    out += (i + 1 < kButtonKeyCount) ? ",\n" : "\n";
  }
  out += indent + "}";
  return out;
}

}  // namespace

std::string SettingsJson(FileSystem& files) {
  SettingsFile settings(files);
  const MediumSettings medium(settings);
  const std::vector<SettingText>& sections = medium.buttonSections.names();

  std::string out = "{\n";
  out += "  \"settings_file\": " + JsonString(settings.path()) + ",\n";
  out += "  \"window\": {\"width\": " + JsonNumber(medium.width.value) +
         ", \"height\": " + JsonNumber(medium.height.value) +
         ", \"title\": " + JsonString(medium.title.c_str()) +
         ", \"background\": " + JsonString(medium.background.c_str()) + "},\n";
  out += "  \"button_sections\": [";
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (i != 0) out += ", ";
    out += JsonString(sections[i].c_str());
  }
  out += "],\n";
  out += "  \"defaults\": " + JsonButton(medium.defaults, "  ", "") + ",\n";
  out += "  \"buttons\": [";
  for (std::size_t i = 0; i < sections.size(); ++i) {
    out += (i == 0) ? "\n    " : ",\n    ";
    out += JsonButton(medium.buttons[i], "    ", "\"section\": " + JsonString(sections[i].c_str()));
  }
  out += sections.empty() ? "]\n" : "\n  ]\n";
  out += "}\n";
  return out;
}

}  // namespace mavrel
