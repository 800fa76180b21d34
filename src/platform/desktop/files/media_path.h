// Paths written on a medium, found on a POSIX file system. Media authored on
// Windows use "\" as a separator and do not care about letter case, so a
// name such as "Setup\SETUP.EXE" or a settings file that arrived as
// "MAVREL.INI" must still be found.
#pragma once

#include <string>

namespace mavrel {

/// Gives the path under which `path` exists here, or `path` itself (with
/// "\" turned into "/") when it cannot be found:
/// - every "\" is a separator, like "/";
/// - a path that exists as written is taken as written;
/// - otherwise it is matched component by component: a component that does
///   not exist as written is replaced by the entry of its folder whose name
///   equals it ignoring ASCII letter case (the first such name in byte
///   order, when several do). From the first component that matches nothing,
///   the rest is kept as written.
/// "." and ".." components and empty ones (doubled separators) are kept as
/// they are. A relative path stays relative to the current directory.
std::string ResolveMediaPath(const std::string& path);

}  // namespace mavrel
