// The configured half of a launcher button: its fifteen properties, read
// with three levels of defaults (built-in value, then [Main], then the
// button's own section).
#pragma once

#include <cstdint>

#include "settings/settings.h"

namespace mavrel {

constexpr const char* kDefaultButtonText = "Unlabeled";
constexpr const char* kDefaultDirectory = ".";
constexpr const char* kDefaultExitCommand = "EXIT";
constexpr const char* kDefaultErrorMessage =
    "Errors have occurred attempting to perform the requested action.  Your media or O/S may be "
    "corrupted.";
constexpr std::int32_t kDefaultFontHeight = 20;
constexpr std::int32_t kDefaultTextColor = 0;
constexpr std::int32_t kDefaultHighlightColor = 0xFFFF;
constexpr std::int32_t kDefaultSelectColor = 255;
constexpr std::int32_t kDefaultDescColor = 0;

// The fields in reading order. The texts are released in the reverse of
// that order when the record goes, so the order of the members below is
// also the order of release.
struct ButtonSettings {
  SettingText buttonText{""};      // BUTTON_TEXT
  SettingText descText{""};        // DESC_TEXT
  SettingRect buttonLoc;           // BUTTON_LOC
  SettingRect descLoc;             // DESC_LOC
  SettingNumber buttonFontHeight;  // BUTTON_FONT_HEIGHT
  SettingNumber descFontHeight;    // BUTTON_DESC_HEIGHT
  SettingNumber textColor;         // TEXT_COLOR
  SettingNumber highlightColor;    // HIGHLIGHT_COLOR
  SettingNumber selectColor;       // SELECT_COLOR
  SettingNumber descColor;         // DESC_COLOR
  SettingText directory{""};       // DIRECTORY
  SettingText progCommand{""};     // PROG_COMMAND
  SettingText docCommand{""};      // DOC_COMMAND
  SettingText exitCommand{""};     // EXIT_COMMAND
  SettingText errorMsg{""};        // ERROR_MSG
};

/// The built-in values of the fifteen properties: what a button has when
/// neither [Main] nor its own section sets a key.
ButtonSettings BuiltInButtonSettings();

/// The fifteen properties of `section`, each defaulting to its value in
/// `defaults`, except the two texts, whose defaults are always "Unlabeled"
/// and empty: a button's texts never come from [Main].
ButtonSettings ReadButtonSettings(SettingsFile& settings, const char* section,
                                  const ButtonSettings& defaults);

/// The [Main]-level record: `section` read over the built-in values.
inline ButtonSettings ReadButtonDefaults(SettingsFile& settings, const char* section) {
  return ReadButtonSettings(settings, section, BuiltInButtonSettings());
}

}  // namespace mavrel
