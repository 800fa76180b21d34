// The effective settings of a medium as JSON, as `mavrel-inspect` prints
// them: read in the launcher's order through its own settings code, the
// same bytes on every platform, so that two builds can be compared.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace mavrel {

/// Reads the medium in the current directory through `files` as the
/// launcher does and gives the JSON text: the settings file path, the
/// window, the button sections, the [Main] button defaults and every
/// button's fifteen properties.
std::string SettingsJson(FileSystem& files);

}  // namespace mavrel
