// The checks of what publishing a medium breaks: the names, sizes and modes
// of its files as an ISO image (Rock Ridge and Joliet) or a FAT stick keeps
// them, and the files that start the medium on each platform. The launcher
// never sees any of this: it reads the medium after the image or the stick
// has already changed it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "author/medium_check.h"

namespace mavrel {

/// The findings about the files below `root`, in the order of a sorted
/// walk. Each has line 0, since it is about a file and not a line of the
/// settings file, and names the file (from `root`, "/" separated) in its
/// message. A folder that cannot be listed gives no findings for what is
/// in it.
std::vector<Finding> CheckPublishing(const std::filesystem::path& root);

/// The label= of [autorun] in the autorun.inf (any letter case) at `root`,
/// as written; nothing when there is no such file or key.
std::optional<std::string> AutorunLabel(const std::filesystem::path& root);

}  // namespace mavrel
