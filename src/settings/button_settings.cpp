#include "settings/button_settings.h"

namespace mavrel {

ButtonSettings ReadButtonDefaults(SettingsFile& settings, const char* section) {
  ButtonSettings record;
  record.buttonText = SettingText(settings, kDefaultButtonText, section, "BUTTON_TEXT");
  record.descText = SettingText(settings, "", section, "DESC_TEXT");
  record.buttonLoc = SettingRect(settings, section, "BUTTON_LOC");
  record.descLoc = SettingRect(settings, section, "DESC_LOC");
  record.buttonFontHeight =
      SettingNumber(settings, kDefaultFontHeight, section, "BUTTON_FONT_HEIGHT");
  record.descFontHeight =
      SettingNumber(settings, kDefaultFontHeight, section, "BUTTON_DESC_HEIGHT");
  record.textColor = SettingNumber(settings, kDefaultTextColor, section, "TEXT_COLOR");
  record.highlightColor =
      SettingNumber(settings, kDefaultHighlightColor, section, "HIGHLIGHT_COLOR");
  record.selectColor = SettingNumber(settings, kDefaultSelectColor, section, "SELECT_COLOR");
  record.descColor = SettingNumber(settings, kDefaultDescColor, section, "DESC_COLOR");
  record.directory = SettingText(settings, kDefaultDirectory, section, "DIRECTORY");
  record.progCommand = SettingText(settings, "", section, "PROG_COMMAND");
  record.docCommand = SettingText(settings, "", section, "DOC_COMMAND");
  record.exitCommand = SettingText(settings, kDefaultExitCommand, section, "EXIT_COMMAND");
  record.errorMsg = SettingText(settings, kDefaultErrorMessage, section, "ERROR_MSG");
  return record;
}

ButtonSettings ReadButtonSettings(SettingsFile& settings, const char* section,
                                  const ButtonSettings& defaults) {
  ButtonSettings record;
  // The two texts of a button never come from [Main].
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
