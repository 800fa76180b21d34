#include "platform/desktop/files/media_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace mavrel {
namespace {

std::size_t folderReads = 0;

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

bool EqualIgnoringCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] != '\0' && i < b.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return a[i] == '\0' && i == b.size();
}

// The names of the entries of `folder` ("" for the current one); none when
// it cannot be read.
std::vector<std::string> ReadFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  ++folderReads;
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

// The entry of `names` that equals `name` ignoring letter case; the first in
// byte order when several do, so that the choice does not depend on the
// order in which the file system lists them. Empty when none does.
std::string FirstIgnoringCase(const std::vector<std::string>& names, const std::string& name) {
  const std::string* best = nullptr;
  for (const std::string& entry : names) {
    if (entry.size() == name.size() && EqualIgnoringCase(entry.c_str(), name) &&
        (best == nullptr || entry < *best)) {
      best = &entry;
    }
  }
  return best ? *best : std::string();
}

}  // namespace

std::string FolderListings::FindIgnoringCase(const std::string& folder, const std::string& name) {
  // Known by its identity, not its text: "." and the current folder's full
  // path are one folder.
  struct stat info;
  if (::stat(folder.empty() ? "." : folder.c_str(), &info) != 0) return std::string();
  auto key = std::make_pair(static_cast<std::uint64_t>(info.st_dev),
                            static_cast<std::uint64_t>(info.st_ino));
  auto found = folders_.find(key);
  if (found == folders_.end()) found = folders_.emplace(key, ReadFolder(folder)).first;
  return FirstIgnoringCase(found->second, name);
}

std::size_t FolderReadCount() { return folderReads; }

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return "";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string current = CurrentFolder();
  if (current.empty()) return path;
  return current + (current.back() == '/' ? "" : "/") + path;
}

namespace {

// The text of a medium with "\" as the separator it is there.
std::string MediaText(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

// How much of the start of the absolute `path` is the current folder's own
// text, or that of one of the folders above it, up to a "/" or the end; 0
// when none is. That text is the system's, where "\" is an ordinary
// character of a name.
std::size_t CurrentFolderPart(const std::string& path) {
  if (path.empty() || path[0] != '/' || path.find('\\') == std::string::npos) return 0;
  const std::string current = CurrentFolder();
  if (current.empty()) return 0;
  std::size_t part = 0;
  for (std::size_t length = 1; length <= current.size() && length <= path.size(); ++length) {
    if (length < current.size() && current[length] != '/') continue;
    if (path.compare(0, length, current, 0, length) != 0) break;
    if (length == path.size() || path[length] == '/') part = length;
  }
  return part;
}

// Resolves a path whose separators are all "/".
std::string ResolveWritten(const std::string& written, FolderListings* listings) {
  if (written.empty() || Exists(written)) return written;

  // Walk the components; `resolved` is always a prefix that exists (or the
  // start of the path) followed by a separator where one was written.
  std::string resolved;
  std::size_t pos = 0;
  if (written[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= written.size()) {
    std::size_t end = written.find('/', pos);
    if (end == std::string::npos) end = written.size();
    std::string component = written.substr(pos, end - pos);
    bool last = (end == written.size());
    if (!component.empty() && component != "." && component != "..") {
      std::string candidate = resolved + component;
      if (!Exists(candidate)) {
        std::string folder = resolved;
        if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        std::string match = listings ? listings->FindIgnoringCase(folder, component)
                                     : FirstIgnoringCase(ReadFolder(folder), component);
        if (match.empty()) return resolved + written.substr(pos);
        component = match;
      }
    }
    resolved += component;
    if (last) break;
    resolved += '/';
    pos = end + 1;
  }
  return resolved;
}

}  // namespace

std::string ResolveMediaPath(const std::string& path, FolderListings* listings) {
  std::size_t kept = CurrentFolderPart(path);
  return ResolveWritten(path.substr(0, kept) + MediaText(path.substr(kept)), listings);
}

std::string ResolveMediaPathIn(const std::string& folder, const std::string& path,
                               FolderListings* listings) {
  if (folder.empty()) return ResolveMediaPath(path, listings);
  return ResolveWritten(folder + (folder.back() == '/' ? "" : "/") + MediaText(path), listings);
}

}  // namespace mavrel
