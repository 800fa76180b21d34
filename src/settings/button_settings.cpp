#include "settings/button_settings.h"

#include "settings/setting_keys.h"

namespace mavrel {

ButtonSettings BuiltInButtonSettings() {
  ButtonSettings record;
  record.buttonText = SettingText(kDefaultButtonText);
  record.buttonFontHeight.value = kDefaultFontHeight;
  record.descFontHeight.value = kDefaultFontHeight;
  record.textColor.value = kDefaultTextColor;
  record.highlightColor.value = kDefaultHighlightColor;
  record.selectColor.value = kDefaultSelectColor;
  record.descColor.value = kDefaultDescColor;
  record.directory = SettingText(kDefaultDirectory);
  record.exitCommand = SettingText(kDefaultExitCommand);
  record.errorMsg = SettingText(kDefaultErrorMessage);
  return record;
}

ButtonSettings ReadButtonSettings(SettingsFile& settings, const char* section,
                                  const ButtonSettings& defaults) {
  ButtonSettings record;
  record.buttonText =
      SettingText(settings, kDefaultButtonText, section, ButtonKeyName(kButtonTextKey));
  record.descText = SettingText(settings, "", section, ButtonKeyName(kDescTextKey));
  record.buttonLoc =
      SettingRect(settings, defaults.buttonLoc, section, ButtonKeyName(kButtonLocKey));
  record.descLoc = SettingRect(settings, defaults.descLoc, section, ButtonKeyName(kDescLocKey));
  record.buttonFontHeight = SettingNumber(settings, defaults.buttonFontHeight.value, section,
                                          ButtonKeyName(kButtonFontHeightKey));
  record.descFontHeight = SettingNumber(settings, defaults.descFontHeight.value, section,
                                        ButtonKeyName(kDescFontHeightKey));
  record.textColor =
      SettingNumber(settings, defaults.textColor.value, section, ButtonKeyName(kTextColorKey));
  record.highlightColor = SettingNumber(settings, defaults.highlightColor.value, section,
                                        ButtonKeyName(kHighlightColorKey));
  record.selectColor =
      SettingNumber(settings, defaults.selectColor.value, section, ButtonKeyName(kSelectColorKey));
  record.descColor =
      SettingNumber(settings, defaults.descColor.value, section, ButtonKeyName(kDescColorKey));
  record.directory =
      SettingText(settings, defaults.directory.c_str(), section, ButtonKeyName(kDirectoryKey));
  record.progCommand =
      SettingText(settings, defaults.progCommand.c_str(), section, ButtonKeyName(kProgCommandKey));
  record.docCommand =
      SettingText(settings, defaults.docCommand.c_str(), section, ButtonKeyName(kDocCommandKey));
  record.exitCommand =
      SettingText(settings, defaults.exitCommand.c_str(), section, ButtonKeyName(kExitCommandKey));
  record.errorMsg =
      SettingText(settings, defaults.errorMsg.c_str(), section, ButtonKeyName(kErrorMsgKey));
  return record;
}

}  // namespace mavrel
