// The [Main] section in the launcher's reading order: the window settings,
// then the picture, then the button section list and the [Main] button
// defaults. The first read fixes the settings file path, and the picture
// file is opened relative to the directory that is current then.
#pragma once

#include <cstdint>

#include "settings/button_settings.h"
#include "settings/setting_keys.h"
#include "settings/settings.h"

namespace mavrel {

constexpr std::int32_t kDefaultWidth = 500;
constexpr std::int32_t kDefaultHeight = 300;
constexpr const char* kDefaultTitle = "Dravik Mavrel Screen";

// For readers that look at a medium's settings without its picture.
struct NoPicture {};

// `Picture` is made by `makePicture(background path)` right after
// "Background" is read and before "Button.0": the launcher window reads its
// picture file there.
template <typename Picture>
struct MainSettings {
  template <typename MakePicture>
  MainSettings(SettingsFile& settings, MakePicture&& makePicture)
      : width(settings, kDefaultWidth, kMainSection, WindowKeyName(kWidthKey)),
        height(settings, kDefaultHeight, kMainSection, WindowKeyName(kHeightKey)),
        title(settings, kDefaultTitle, kMainSection, WindowKeyName(kTitleKey)),
        background(settings, "", kMainSection, WindowKeyName(kBackgroundKey)),
        picture(makePicture(background.c_str())),
        buttonSections(settings, kMainSection, kButtonListPrefix),
        defaults(ReadButtonDefaults(settings, kMainSection)) {}
  MainSettings(const MainSettings&) = delete;
  MainSettings& operator=(const MainSettings&) = delete;

  SettingNumber width;
  SettingNumber height;
  SettingText title;
  SettingText background;
  Picture picture;
  SectionNameList buttonSections;
  ButtonSettings defaults;
};

}  // namespace mavrel
