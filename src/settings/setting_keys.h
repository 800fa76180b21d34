// The names of the keys the launcher reads, with the kind of value each
// holds: one table for the settings reader (button_settings.cpp,
// main_settings.h) and for the tools that look at a medium as its author
// wrote it, so that a key the launcher reads is never missing from a check
// and a checked key is always one the launcher reads.
#pragma once

#include <cstddef>

namespace mavrel {

enum class SettingKind {
  kText,       // escape-decoded text
  kNumber,     // a signed 32-bit number (ConvertNumber)
  kColor,      // a number holding 0x00BBGGRR
  kRectangle,  // four numbers, under the name followed by each of kRectangleSuffixes
  kPath,       // text naming a file or folder
  kExitWord,   // text compared with "EXIT"
};

struct SettingKey {
  const char* name;
  SettingKind kind;
};

constexpr const char* kMainSection = "Main";

// The window's keys, read only in [Main], in reading order.
enum WindowKey { kWidthKey, kHeightKey, kTitleKey, kBackgroundKey, kWindowKeyCount };
inline constexpr SettingKey kWindowKeys[kWindowKeyCount] = {
    {"Width", SettingKind::kNumber},
    {"Height", SettingKind::kNumber},
    {"Title", SettingKind::kText},
    {"Background", SettingKind::kPath},
};

// The button sections' list in [Main]: "Button.0", "Button.1", ... ("%s.%d"
// of this prefix and the number).
constexpr const char* kButtonListPrefix = "Button";

// The fifteen properties of a button, read in [Main] as every button's
// defaults and in each button's section, in reading order (the order of
// ButtonSettings' fields).
enum ButtonKey {
  kButtonTextKey,
  kDescTextKey,
  kButtonLocKey,
  kDescLocKey,
  kButtonFontHeightKey,
  kDescFontHeightKey,
  kTextColorKey,
  kHighlightColorKey,
  kSelectColorKey,
  kDescColorKey,
  kDirectoryKey,
  kProgCommandKey,
  kDocCommandKey,
  kExitCommandKey,
  kErrorMsgKey,
  kButtonKeyCount
};
inline constexpr SettingKey kButtonKeys[kButtonKeyCount] = {
    {"BUTTON_TEXT", SettingKind::kText},
    {"DESC_TEXT", SettingKind::kText},
    {"BUTTON_LOC", SettingKind::kRectangle},
    {"DESC_LOC", SettingKind::kRectangle},
    {"BUTTON_FONT_HEIGHT", SettingKind::kNumber},
    {"BUTTON_DESC_HEIGHT", SettingKind::kNumber},
    {"TEXT_COLOR", SettingKind::kColor},
    {"HIGHLIGHT_COLOR", SettingKind::kColor},
    {"SELECT_COLOR", SettingKind::kColor},
    {"DESC_COLOR", SettingKind::kColor},
    {"DIRECTORY", SettingKind::kPath},
    {"PROG_COMMAND", SettingKind::kPath},
    {"DOC_COMMAND", SettingKind::kPath},
    {"EXIT_COMMAND", SettingKind::kExitWord},
    {"ERROR_MSG", SettingKind::kText},
};

constexpr const char* WindowKeyName(WindowKey key) { return kWindowKeys[key].name; }
constexpr const char* ButtonKeyName(ButtonKey key) { return kButtonKeys[key].name; }

// The four numbers of a rectangle, in reading order.
enum RectangleComponent { kRectX, kRectY, kRectWidth, kRectHeight, kRectangleComponentCount };
inline constexpr const char* kRectangleSuffixes[kRectangleComponentCount] = {".X", ".Y", ".WIDTH",
                                                                             ".HEIGHT"};

}  // namespace mavrel
