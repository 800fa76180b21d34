// `mavrel-inspect check`: the command line around the medium checks.
#pragma once

#include "author/medium_check.h"
#include "platform/file_system.h"

namespace mavrel {

/// Runs "check" with its own arguments (argv[0] is "check"), reading the
/// settings through `platform`, switched between the two launchers'
/// readings with `useLinuxSections`, and walking the lines of the file that
/// `parsed` gives (see CheckMedium). Gives the exit status: 0 clean
/// (warnings and notes allowed unless --strict, which fails on warnings), 1
/// with errors (or warnings and --strict), 2 for a folder that cannot be
/// entered or holds no settings file, or for wrong arguments.
int RunCheckCommand(int argc, char** argv, FileSystem& platform,
                    const LinuxSectionsSwitch& useLinuxSections,
                    const ParsedSettingsSource& parsed = {});

/// Reads a --platform argument, "windows" or "linux", into `platforms`;
/// false for anything else.
bool ParsePlatform(const char* name, Platforms& platforms);

}  // namespace mavrel
