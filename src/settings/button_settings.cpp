#include "settings/button_settings.h"

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
  record.buttonText = SettingText(settings, kDefaultButtonText, section, "BUTTON_TEXT");
  record.descText = SettingText(settings, "", section, "DESC_TEXT");
  record.buttonLoc = SettingRect(settings, defaults.buttonLoc, section, "BUTTON_LOC");
  record.descLoc = SettingRect(settings, defaults.descLoc, section, "DESC_LOC");
  record.buttonFontHeight =
      SettingNumber(settings, defaults.buttonFontHeight.value, section, "BUTTON_FONT_HEIGHT");
  record.descFontHeight =
      SettingNumber(settings, defaults.descFontHeight.value, section, "BUTTON_DESC_HEIGHT");
  record.textColor = SettingNumber(settings, defaults.textColor.value, section, "TEXT_COLOR");
  record.highlightColor =
      SettingNumber(settings, defaults.highlightColor.value, section, "HIGHLIGHT_COLOR");
  record.selectColor = SettingNumber(settings, defaults.selectColor.value, section, "SELECT_COLOR");
  record.descColor = SettingNumber(settings, defaults.descColor.value, section, "DESC_COLOR");
  record.directory = SettingText(settings, defaults.directory.c_str(), section, "DIRECTORY");
  record.progCommand = SettingText(settings, defaults.progCommand.c_str(), section, "PROG_COMMAND");
  record.docCommand = SettingText(settings, defaults.docCommand.c_str(), section, "DOC_COMMAND");
  record.exitCommand = SettingText(settings, defaults.exitCommand.c_str(), section, "EXIT_COMMAND");
  record.errorMsg = SettingText(settings, defaults.errorMsg.c_str(), section, "ERROR_MSG");
  return record;
}

}  // namespace mavrel
