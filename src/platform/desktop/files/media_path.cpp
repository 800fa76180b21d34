#include "platform/desktop/files/media_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace mavrel {
namespace {

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

// The entry of `folder` whose name equals `name` ignoring letter case; the
// first in byte order when several do, so that the choice does not depend on
// the order in which the file system lists them. Empty when none does.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return std::string();
  std::string best;
  while (const dirent* entry = ::readdir(dir)) {
    if (!EqualIgnoringCase(entry->d_name, name)) continue;
    if (best.empty() || std::string(entry->d_name) < best) best = entry->d_name;
  }
  ::closedir(dir);
  return best;
}

}  // namespace

std::string ResolveMediaPath(const std::string& path) {
  std::string written = path;
  std::replace(written.begin(), written.end(), '\\', '/');
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
        std::string match = FindIgnoringCase(folder, component);
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

}  // namespace mavrel
