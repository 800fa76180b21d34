// One settings file and what each platform reads from it, shared by the
// desktop reader's tests and the Windows backend's checks (under wine64):
// "[NAME.Linux]" overrides "[NAME]" key by key when Linux sections are on,
// and is never looked at when they are off.
#pragma once

namespace mavrel {
namespace linux_sections {

constexpr const char kFile[] =
    "[Main]\r\n"
    "Title=Windows title\r\n"
    "Width=640\r\n"
    "Background=win.bmp\r\n"
    "Blanked=windows only\r\n"
    "NoEquals=kept\r\n"
    "Quoted=plain\r\n"
    "; the suffix in any letter case\r\n"
    "[main.LINUX]\r\n"
    "Title=Linux title\r\n"
    "Blanked=\r\n"
    "NoEquals\r\n"
    "Quoted=\"linux quoted\"\r\n"
    "Extra=linux only\r\n"
    "[Main.Linux]\r\n"
    "Width=999\r\n"
    "Background=duplicate\r\n"
    "[Install]\r\n"
    "PROG_COMMAND=setup\\setup.exe\r\n"
    "DIRECTORY=setup\r\n"
    "[  Install.Linux  ]\r\n"
    "PROG_COMMAND=sh install.sh\r\n"
    "[Lonely.Linux]\r\n"
    "BUTTON_TEXT=only here\r\n"
    "[Odd]\r\n"
    "Title=a.linux in a value is no section\r\n";

struct Case {
  const char* section;
  const char* key;
  const char* linuxValue;    // read with Linux sections on
  const char* windowsValue;  // read with them off
  const char* why;
};

constexpr Case kCases[] = {
    {"Main", "Title", "Linux title", "Windows title", "override, suffix in another case"},
    {"MAIN", "title", "Linux title", "Windows title", "names in any case"},
    {"Main", "Width", "640", "640", "a later duplicate .Linux section is not searched"},
    {"Main", "Background", "win.bmp", "win.bmp", "fallback to [Main]"},
    {"Main", "Blanked", "", "windows only", "an empty value in .Linux wins"},
    {"Main", "NoEquals", "kept", "kept", "a line without = overrides nothing"},
    {"Main", "Quoted", "linux quoted", "plain", "quotes removed as everywhere"},
    {"Main", "Extra", "linux only", "", "a key only in .Linux"},
    {"Install", "PROG_COMMAND", "sh install.sh", "setup\\setup.exe", "a button section"},
    {"Install", "DIRECTORY", "setup", "setup", "button fallback"},
    {"Lonely", "BUTTON_TEXT", "only here", "", "a .Linux section without its base"},
    {"Main.Linux", "Title", "Linux title", "Linux title", "the section read by its own name"},
    {"Odd", "Title", "a.linux in a value is no section", "a.linux in a value is no section",
     "no such section"},
    {"Nowhere", "Title", "", "", "missing everywhere"},
};

}  // namespace linux_sections
}  // namespace mavrel
