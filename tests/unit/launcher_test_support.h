// Helpers shared by the launcher core's tests: expected transcript lines,
// settings for buttons, crafted BMP files and a storage that refuses.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "support/bmp_builder.h"
#include "window/launcher_storage.h"
#include "window/launcher_window.h"

namespace mavrel {
namespace test_support {

// The settings path the fake resolves from its default current directory.
inline const std::string kIniPath = "/media/Mavrel.INI";

inline std::string ReadLine(const std::string& section, const std::string& key) {
  return "GetPrivateProfileString [" + section + "] " + key + " " + kIniPath;
}

// The reads of the fifteen button properties of one section, in the order
// of the record's fields.
inline std::vector<std::string> ButtonPropertyReads(const std::string& section) {
  std::vector<std::string> lines;
  for (const char* key : {"BUTTON_TEXT", "DESC_TEXT"}) lines.push_back(ReadLine(section, key));
  for (const char* prefix : {"BUTTON_LOC", "DESC_LOC"}) {
    for (const char* suffix : {".X", ".Y", ".WIDTH", ".HEIGHT"}) {
      lines.push_back(ReadLine(section, std::string(prefix) + suffix));
    }
  }
  for (const char* key :
       {"BUTTON_FONT_HEIGHT", "BUTTON_DESC_HEIGHT", "TEXT_COLOR", "HIGHLIGHT_COLOR", "SELECT_COLOR",
        "DESC_COLOR", "DIRECTORY", "PROG_COMMAND", "DOC_COMMAND", "EXIT_COMMAND", "ERROR_MSG"}) {
    lines.push_back(ReadLine(section, key));
  }
  return lines;
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Registers the launcher's window procedure with the fake, as the entry
// does, so that messages sent to the fake reach the window; the
// registration is left out of the transcript.
inline void RegisterProcedure(FakePlatform& fake) {
  WindowClassDescription description;
  description.className = "MyMavrelWindowClass";
  description.procedure = &LauncherWindow::WindowProcedure;
  fake.RegisterWindowClass(description);
  fake.ClearCalls();
}

// A button section "<name>" listed as "Button.<index>" with its text at
// (x, y), wrapped at `width`.
inline void AddButton(FakePlatform& fake, int index, const std::string& name,
                      const std::string& text, int x, int y, int width) {
  fake.SetSetting("Main", "Button." + std::to_string(index), name);
  fake.SetSetting(name, "BUTTON_TEXT", text);
  fake.SetSetting(name, "BUTTON_LOC.X", std::to_string(x));
  fake.SetSetting(name, "BUTTON_LOC.Y", std::to_string(y));
  fake.SetSetting(name, "BUTTON_LOC.WIDTH", std::to_string(width));
}

// Storage that refuses on demand: the button record with the given number
// (from 0), or every byte buffer.
class RefusingStorage : public LauncherStorage {
 public:
  int refuseButtonAt = -1;
  bool refuseBytes = false;
  int buttonsGiven = 0;

  std::unique_ptr<LauncherButton> NewButton(WindowSystem& windows) override {
    if (buttonsGiven++ == refuseButtonAt) return nullptr;
    return LauncherStorage::NewButton(windows);
  }
  std::unique_ptr<std::uint8_t[]> NewBytes(std::size_t size) override {
    if (refuseBytes) return nullptr;
    return LauncherStorage::NewBytes(size);
  }
};

}  // namespace test_support
}  // namespace mavrel
