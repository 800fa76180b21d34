#include "settings/medium_settings.h"

namespace mavrel {

MediumSettings::MediumSettings(SettingsFile& settings)
    : width(settings, kDefaultWidth, "Main", "Width"),
      height(settings, kDefaultHeight, "Main", "Height"),
      title(settings, kDefaultTitle, "Main", "Title"),
      background(settings, "", "Main", "Background"),
      buttonSections(settings, "Main", "Button"),
      defaults(ReadButtonDefaults(settings, "Main")) {
  buttons.reserve(buttonSections.names().size());
  for (const SettingText& name : buttonSections.names()) {
    buttons.push_back(ReadButtonSettings(settings, name.c_str(), defaults));
  }
}

}  // namespace mavrel
