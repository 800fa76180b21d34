#include "platform/desktop/files/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace mavrel {
namespace {

bool IsFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder + (folder.back() == '/' ? "" : "/") + name;
}

}  // namespace

std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string folder = list.substr(start, end - start);
    if (folder.empty()) folder = ".";  // an empty PATH entry means the current folder
    std::string candidate = JoinPath(folder, name);
    if (IsFile(candidate) && access(candidate.c_str(), X_OK) == 0) return Absolute(candidate);
    start = end + 1;
  }
  return "";
}

std::string FindProgram(const std::string& name, const std::string& ownFolder,
                        FolderListings* listings) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
    std::string resolved = ResolveMediaPath(name, listings);
    return IsFile(resolved) ? Absolute(resolved) : "";
  }
  // The medium's own programs come first: the current folder is the
  // medium's root, and a program of the launcher's folder (/usr/bin, say)
  // must not stand in for one of the medium's with the same name.
  for (const std::string& folder : {CurrentFolder(), ownFolder}) {
    if (folder.empty()) continue;
    std::string resolved = ResolveMediaPathIn(folder, name, listings);
    if (IsFile(resolved)) return Absolute(resolved);
  }
  return FindInPath(name);
}

}  // namespace mavrel
