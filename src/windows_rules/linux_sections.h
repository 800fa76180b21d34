// The desktop launcher's one addition to the Windows reading of a settings
// file, so that one medium serves both: a key written in section
// "NAME.Linux" (letter case aside, like every name; only the first such
// section counts) wins over the same key in "NAME", also with nothing after
// its "=", so that an author can blank a Windows-only value there. A line
// without "=" has no value, here as everywhere, and overrides nothing.
// Shared by the desktop's settings reader and the author's tools, which
// point at the line that gives each platform its value.
#pragma once

#include <string>
#include <string_view>

#include "windows_rules/ini_reader.h"

namespace mavrel {

constexpr std::string_view kLinuxSectionSuffix = ".Linux";

/// False only when no section name of the file can end in ".Linux", so
/// that a reader may skip the second lookup. Looks for ".linux" in any
/// letter case anywhere in `bytes`.
bool MayHaveLinuxSections(std::string_view bytes);

/// The section whose `key` the desktop launcher reads for `section`:
/// "`section`.Linux" when that section holds the key with "=", else
/// `section` itself. `scratch` keeps its room between calls; the result
/// points into it or at `section`.
std::string_view LinuxReadingSection(const IniFile& ini, std::string_view section,
                                     std::string_view key, std::string& scratch);

}  // namespace mavrel
