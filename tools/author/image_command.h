// `mavrel-inspect image`: a medium's folder as the ISO image people
// receive, checked first, its Windows programs signed on the way in.
#pragma once

#include "author/medium_check.h"
#include "platform/file_system.h"

namespace mavrel {

/// Runs "image" with its own arguments (argv[0] is "image"), checking the
/// medium as "check" does (both platforms' readings, switched with
/// `useLinuxSections`), through `platform` and `parsed`. Gives the exit
/// status: 0 written, 1 when the medium has errors (printed) or signing or
/// writing failed (nothing is written then), 2 for a folder that cannot be
/// read or holds no settings file, or for wrong arguments.
int RunImageCommand(int argc, char** argv, FileSystem& platform,
                    const LinuxSectionsSwitch& useLinuxSections,
                    const ParsedSettingsSource& parsed = {});

/// What `mavrel-inspect image` says in a build without it.
constexpr const char* kImageNotBuilt =
    "mavrel-inspect: image is not built into this mavrel-inspect (it needs libisofs);\n"
    "the Linux tool of a regular build and of the kit has it\n";

}  // namespace mavrel
