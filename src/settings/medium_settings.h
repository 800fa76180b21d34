// A medium's whole configuration read in the launcher's order, for the
// tools that look at a medium without opening a window: the [Main] window
// settings, the button section list, the [Main] button defaults, then every
// listed button in key order. The launcher window reads the picture between
// Background and the list; this record has no picture.
#pragma once

#include <vector>

#include "settings/button_settings.h"
#include "settings/settings.h"

namespace mavrel {

struct MediumSettings {
  explicit MediumSettings(SettingsFile& settings);
  SettingNumber width;
  SettingNumber height;
  SettingText title;
  SettingText background;
  SectionNameList buttonSections;
  ButtonSettings defaults;
  std::vector<ButtonSettings> buttons;  // "Button.0" first
};

}  // namespace mavrel
