// A medium's whole configuration read in the launcher's order, for the
// tools that look at a medium without opening a window: the [Main]
// settings (without the picture), then every listed button in key order.
#pragma once

#include <vector>

#include "settings/button_settings.h"
#include "settings/main_settings.h"

namespace mavrel {

struct MediumSettings : MainSettings<NoPicture> {
  explicit MediumSettings(SettingsFile& settings);
  std::vector<ButtonSettings> buttons;  // "Button.0" first
};

}  // namespace mavrel
