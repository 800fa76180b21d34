// Files on the medium, found as each launcher finds them. Paths that a
// medium names use "\" and "/" as separators and ignore letter case on both
// platforms: Windows by nature, the Linux launcher through ResolveMediaPath;
// here, on Linux, both go through ResolveMediaPath, the launcher's own
// function, and on Windows through the system. Programs that the Linux
// launcher starts are found with its own FindProgram. Names stay 8-bit texts
// as the settings file holds them, which is how either launcher hands them to
// the system.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#ifndef _WIN32
#include "platform/desktop/files/media_path.h"
#endif

namespace mavrel {

// A path as written on the medium that starts at a drive or a separator:
// outside the medium, so not looked for.
bool IsAbsoluteWritten(std::string_view path);
bool HasSeparator(std::string_view path);
// The last component holds a ".".
bool HasExtension(std::string_view path);
// A written path as the checks show it: "/" separators.
std::string Slashed(std::string_view path);

class MediumFiles {
 public:
  /// `root`: the medium's root, the current folder, as a full path of this
  /// system.
  explicit MediumFiles(std::string root);

  const std::string& root() const { return root_; }

  /// The path under which `written` (the medium's path, "\" and "/"
  /// separating, letter case aside) exists inside `folder` (a path of this
  /// system, relative to the medium's root, which is the current folder;
  /// the root itself when empty), or "" when nothing is there. The path is
  /// relative when `folder` is.
  std::string Find(const std::string& folder, std::string_view written);

  /// Whether `written` exists inside `folder` exactly as written, the way a
  /// program that gets it as an argument opens it on Linux: "/" alone
  /// separates and letter case counts. When it does not, `nearly` gets what
  /// Find finds for it, or "".
  bool ExistsAsWrittenOnLinux(const std::string& folder, std::string_view written,
                              std::string& nearly);

  bool Exists(const std::string& path);
  bool IsFile(const std::string& path);
  bool IsFolder(const std::string& path);

  enum class Found { kOnMedium, kOnThisSystem, kNowhere, kUnknown };
  /// Where the Linux launcher finds the program `name` of a command line,
  /// started in the medium's root: on the medium (its root or, for a bare
  /// name, the launcher's folder, which is the root too), along this
  /// system's PATH, or nowhere. kUnknown for a bare name that is not on the
  /// medium where no Linux PATH can be looked at (the Windows tool).
  Found FindLinuxProgram(const std::string& name);

  /// The name, in the medium's root, of the file that the settings path
  /// `path` reads; "" when there is no such regular file.
  std::string SettingsFileName(const std::string& path);

 private:
  // Buttons name the same folders and programs again and again; each is
  // looked at once, and each lookup made once.
  int Kind(const std::string& path);

  std::string root_;
  std::unordered_map<std::string, int> kinds_;
  std::unordered_map<std::string, std::string> found_;  // folder, "\0", written
  std::unordered_map<std::string, Found> programs_;
#ifndef _WIN32
  FolderListings listings_;
#endif
};

}  // namespace mavrel
