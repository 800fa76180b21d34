// Paths written on a medium, found on a POSIX file system. Media authored on
// Windows use "\" as a separator and do not care about letter case, so a
// name such as "Setup\SETUP.EXE" or a settings file that arrived as
// "MAVREL.INI" must still be found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mavrel {

/// The folders read to match names ignoring letter case, kept so that a
/// series of resolutions (one launch trying every reading of its command
/// line in two folders) reads each folder at most once, however large. The
/// folders are taken not to change while it is kept.
class FolderListings {
 public:
  /// The entry of `folder` ("" for the current one) whose name equals
  /// `name` ignoring ASCII letter case, the first in byte order when several
  /// do; "" when none does or the folder cannot be read.
  std::string FindIgnoringCase(const std::string& folder, const std::string& name);

 private:
  // Folder (device and inode) -> the names of its entries.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::string>> folders_;
};

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
/// they are. A relative path stays relative to the current directory. The
/// start of an absolute path that is the current directory's own name (or
/// that of a folder above it) is the system's text, not the medium's: a "\"
/// there is part of a name. Folders already read into `listings` are not
/// read again.
std::string ResolveMediaPath(const std::string& path, FolderListings* listings = nullptr);

/// As ResolveMediaPath for the medium's `path` inside `folder`, a path of
/// this system taken as it is ("\" in it is part of a name).
std::string ResolveMediaPathIn(const std::string& folder, const std::string& path,
                               FolderListings* listings = nullptr);

/// The current folder's full path, or "" when it cannot be known.
std::string CurrentFolder();

/// `path` made full against the current folder when it is relative (a
/// started program runs in another folder); as it is when it is absolute,
/// empty, or the current folder is unknown.
std::string Absolute(const std::string& path);

/// How many times a folder has been read to match a name ignoring letter
/// case, for the checks that a search reads each folder at most once.
std::size_t FolderReadCount();

}  // namespace mavrel
