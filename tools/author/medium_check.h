// The checks of `mavrel-inspect check`: the mistakes an author can make in a
// medium that the launcher itself never reports, because it reads its
// settings without validating anything. Each finding names the line of the
// settings file it is about and carries a code that AUTHORING.md explains.
//
// The medium is looked at through the launcher's own settings code, once as
// Mavrel.exe reads it ([NAME]) and once as the Linux launcher does
// ([NAME.Linux] over [NAME]), for the values every button really gets on
// each platform; and as the lines the author wrote, for what the launcher
// never looks at (misspelt keys, duplicates, keys after a gap in the button
// list). Where the platform parses the file itself, the lines come from its
// one parse. The checks come in groups (check_groups.h), one file each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mavrel {

enum class Severity { kNote, kWarning, kError };

// Whose reading of the settings a finding holds for.
enum class Platforms { kWindows = 1, kLinux = 2, kBoth = 3 };

struct Finding {
  std::uint32_t line = 0;  // of the settings file, from 1; 0: about the medium's files
  Severity severity = Severity::kWarning;
  const char* code = "";  // "M101", ...
  std::string message;    // UTF-8, no line breaks
  Platforms platforms = Platforms::kBoth;
};

struct CheckResult {
  // The settings file's name as found in the medium's folder ("Mavrel.INI",
  // or another letter case of it); empty when there is none.
  std::string settingsFile;
  // The platforms whose readings were checked; a finding that holds for
  // only one of them says so when both were.
  Platforms checked = Platforms::kBoth;
  std::vector<Finding> findings;  // by line
  int errors = 0;
  int warnings = 0;
  int notes = 0;
};

class IniFile;

/// Gives the settings file at `path` (as SettingsFile::path() names it) as
/// the platform parsed it to answer the reads just made, or null when the
/// platform reads it some other way (the Windows system reader) or cannot.
using ParsedSettingsSource = std::function<const IniFile*(const char* path)>;

/// Makes the platform's settings reads those of the Linux launcher (true:
/// "[NAME.Linux]" over "[NAME]") or of Mavrel.exe (false).
using LinuxSectionsSwitch = std::function<void(bool linuxSections)>;

/// Checks the medium in the current directory as the launchers of
/// `platforms` read it through `files`, switched between the two readings
/// with `useLinuxSections`. The first read fixes the settings file, as in
/// the launcher. The lines are walked in the file that `parsed` gives for
/// it; without one, the file is read and parsed here. A folder without a
/// settings file gives an empty settingsFile and no findings. The findings
/// about the medium's files (publish_checks.h) have line 0 and come first.
CheckResult CheckMedium(FileSystem& files, const LinuxSectionsSwitch& useLinuxSections,
                        const ParsedSettingsSource& parsed = {},
                        Platforms platforms = Platforms::kBoth);

/// The width of `text` in pixels, approximated with the advance widths of
/// the launcher's proportional sans font at `fontHeight` as the launcher
/// passes it (a positive cell height, a negative em height, 0 for a default
/// size). Used for the layout checks.
int ApproximateTextWidth(const char* text, std::size_t length, std::int32_t fontHeight);

/// The cell (line) height of that font.
int ApproximateLineHeight(std::int32_t fontHeight);

}  // namespace mavrel
