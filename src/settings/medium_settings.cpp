#include "settings/medium_settings.h"

namespace mavrel {

MediumSettings::MediumSettings(SettingsFile& settings)
    : MainSettings<NoPicture>(settings, [](const char*) { return NoPicture{}; }) {
  buttons.reserve(buttonSections.names().size());
  for (const SettingText& name : buttonSections.names()) {
    buttons.push_back(ReadButtonSettings(settings, name.c_str(), defaults));
  }
}

}  // namespace mavrel
