// `mavrel-inspect check`: the command line around the medium checks.
#pragma once

#include "author/medium_check.h"
#include "platform/file_system.h"

namespace mavrel {

/// Runs "check" with its own arguments (argv[0] is "check"), reading the
/// settings through `platform` and walking the lines of the file that
/// `parsed` gives (see CheckMedium). Gives the exit status: 0 clean (warnings
/// allowed unless --strict), 1 with errors (or warnings and --strict), 2
/// for a folder that cannot be entered or holds no settings file, or for
/// wrong arguments.
int RunCheckCommand(int argc, char** argv, FileSystem& platform,
                    const ParsedSettingsSource& parsed = {});

}  // namespace mavrel
