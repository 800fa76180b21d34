// The checks of `mavrel-inspect check`: the mistakes an author can make in a
// medium that the launcher itself never reports, because it reads its
// settings without validating anything. Each finding names the line of the
// settings file it is about and carries a code that AUTHORING.md explains.
//
// The medium is looked at twice: through the launcher's own settings code,
// for the values every button really gets (defaults, inheritance from
// [Main], escapes and numbers as the launcher sees them), and as the lines
// the author wrote, for what the launcher never looks at (misspelt keys,
// duplicates, keys after a gap in the button list). Where the platform
// parses the file itself, both come from its one parse.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace mavrel {

// A note tells something worth knowing that is no mistake; it counts as
// neither an error nor a warning.
enum class Severity { kWarning, kError, kNote };

struct Finding {
  std::uint32_t line = 0;  // of the settings file, from 1; 0: about the medium's files
  Severity severity = Severity::kWarning;
  const char* code = "";  // "M101", ...
  std::string message;    // UTF-8, no line breaks
};

struct CheckResult {
  // The settings file's name as found in the medium's folder ("Mavrel.INI",
  // or another letter case of it); empty when there is none.
  std::string settingsFile;
  std::vector<Finding> findings;  // by line
  int errors = 0;
  int warnings = 0;
};

class IniFile;

/// Gives the settings file at `path` (as SettingsFile::path() names it) as
/// the platform parsed it to answer the reads just made, or null when the
/// platform reads it some other way (the Windows system reader) or cannot.
using ParsedSettingsSource = std::function<const IniFile*(const char* path)>;

/// Checks the medium in the current directory. `settings` has not been read
/// from yet; its first read fixes the settings file, as in the launcher.
/// The lines are walked in the file that `parsed` gives for it; without
/// one, the file is read and parsed here. A folder without a settings file
/// gives an empty settingsFile and no findings. The findings about the
/// medium's files (publish_checks.h, line 0) come first.
CheckResult CheckMedium(SettingsFile& settings, const ParsedSettingsSource& parsed = {});

/// The width of `text` in pixels, approximated with the advance widths of
/// the launcher's proportional sans font at `fontHeight` as the launcher
/// passes it (a positive cell height, a negative em height, 0 for a default
/// size). Used for the layout checks.
int ApproximateTextWidth(const char* text, std::size_t length, std::int32_t fontHeight);

/// The cell (line) height of that font.
int ApproximateLineHeight(std::int32_t fontHeight);

}  // namespace mavrel
