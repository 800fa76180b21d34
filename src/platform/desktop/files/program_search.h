// Where the desktop launcher finds the program a command line names, with
// the rules a medium written for Windows expects:
// - a program name with "/" or "\" is taken relative to the current
//   directory (the medium's root), "\" separating and letter case aside
//   (ResolveMediaPath);
// - a bare name is looked for in the current directory, then in the
//   launcher's own folder (both letter case aside), then along PATH.
// The launcher starts what it finds here, and `mavrel-inspect check` asks
// the same question, so the two never disagree.
#pragma once

#include <string>

#include "platform/desktop/files/media_path.h"

namespace mavrel {

/// The file that `name` (as written in a command line) starts, made full,
/// or "" when none is found: see the rules above. `ownFolder` is the
/// launcher's own folder. A file of the medium is found whatever its
/// permissions (starting it then fails, and the launcher says so); along
/// PATH only an executable one counts. Folders already read into
/// `listings` are not read again.
std::string FindProgram(const std::string& name, const std::string& ownFolder,
                        FolderListings* listings = nullptr);

/// A bare program name along PATH as the shells look for it: the first
/// entry holding a file of that name (exactly) that is no folder and may be
/// executed; an empty entry is the current folder, and without PATH the
/// search runs along /usr/local/bin:/usr/bin:/bin. The file made full, or
/// "" when none.
std::string FindInPath(const std::string& name);

}  // namespace mavrel
