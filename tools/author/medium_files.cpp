#include "author/medium_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "windows_rules/ini_reader.h"

#ifndef _WIN32
#include <sys/stat.h>

#include "platform/desktop/files/program_search.h"
#endif

namespace mavrel {
namespace {

namespace fs = std::filesystem;

constexpr int kMissing = 0;
constexpr int kRegularFile = 1;
constexpr int kFolder = 2;
constexpr int kOther = 3;

std::string JoinSystemPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return folder + (last == '/' || last == '\\' ? "" : "/") + name;
}

}  // namespace

bool IsAbsoluteWritten(std::string_view path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool HasSeparator(std::string_view path) {
  return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos;
}

bool HasExtension(std::string_view path) {
  std::size_t last = path.find_last_of("/\\");
  std::string_view name = last == std::string_view::npos ? path : path.substr(last + 1);
  return name.find('.') != std::string_view::npos;
}

std::string Slashed(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

MediumFiles::MediumFiles(std::string root) : root_(std::move(root)) {}

int MediumFiles::Kind(const std::string& path) {
  auto known = kinds_.find(path);
  if (known != kinds_.end()) return known->second;
  int kind = kMissing;
#ifdef _WIN32
  std::error_code error;
  const fs::file_status status = fs::status(fs::path(path), error);
  if (fs::is_regular_file(status)) {
    kind = kRegularFile;
  } else if (fs::is_directory(status)) {
    kind = kFolder;
  } else if (fs::exists(status)) {
    kind = kOther;
  }
#else
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    kind = S_ISREG(info.st_mode) ? kRegularFile : S_ISDIR(info.st_mode) ? kFolder : kOther;
  }
#endif
  kinds_.emplace(path, kind);
  return kind;
}

bool MediumFiles::Exists(const std::string& path) {
  return !path.empty() && Kind(path) != kMissing;
}

bool MediumFiles::IsFile(const std::string& path) {
  return !path.empty() && Kind(path) == kRegularFile;
}

bool MediumFiles::IsFolder(const std::string& path) {
  return !path.empty() && Kind(path) == kFolder;
}

std::string MediumFiles::Find(const std::string& folder, std::string_view written) {
  std::string key = folder;
  key.append(1, '\0').append(written);
  auto known = found_.find(key);
  if (known != found_.end()) return known->second;
#ifdef _WIN32
  // The system separates at both and ignores letter case.
  const std::string path = JoinSystemPath(folder, std::string(written));
#else
  // Relative to the root, the current folder, so that only the medium's own
  // components are looked at.
  const std::string path = folder.empty()
                               ? ResolveMediaPath(std::string(written), &listings_)
                               : ResolveMediaPathIn(folder, std::string(written), &listings_);
#endif
  return found_.emplace(std::move(key), Kind(path) != kMissing ? path : std::string())
      .first->second;
}

bool MediumFiles::ExistsAsWrittenOnLinux(const std::string& folder, std::string_view written,
                                         std::string& nearly) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  nearly.clear();
#ifdef _WIN32
  // Each component must be a name of its folder letter for letter; "\" is
  // part of a name on Linux, and no Windows name holds one. The names the
  // folders do hold, letter case aside, make `nearly`.
  bool exact = true;
  std::string found = folder;
  std::size_t pos = 0;
  while (pos <= written.size()) {
    std::size_t end = written.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = written.size();
    if (end < written.size() && written[end] == '\\') exact = false;
    const std::string part(written.substr(pos, end - pos));
    pos = end + 1;
    std::string name;
    if (part.empty() || part == "." || part == "..") {
      name = part;
    } else {
      std::error_code error;
      for (fs::directory_iterator it(fs::path(found.empty() ? "." : found), error), last;
           !error && it != last && name != part; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (entry == part || (name.empty() && EqualNames(entry, part))) name = entry;
      }
      if (name.empty()) return false;
      exact = exact && name == part;
    }
    found = found.empty() ? name : found + "/" + name;
  }
  if (!exact) nearly = found;
#else
  const bool exact = Kind(JoinSystemPath(base, std::string(written))) != kMissing;
  if (!exact) nearly = Find(folder, written);
#endif
  return exact;
}

MediumFiles::Found MediumFiles::FindLinuxProgram(const std::string& name) {
  auto known = programs_.find(name);
  if (known != programs_.end()) return known->second;
  Found found = Found::kNowhere;
#ifdef _WIN32
  if (IsFile(Find("", name))) {
    found = Found::kOnMedium;
  } else if (!HasSeparator(name)) {
    found = Found::kUnknown;
  }
#else
  // The launcher's folder is the medium's root, where it is copied.
  const std::string path = FindProgram(name, root_, &listings_);
  const std::string prefix = root_ + (root_.back() == '/' ? "" : "/");
  if (!path.empty()) {
    found = path.compare(0, prefix.size(), prefix) == 0 ? Found::kOnMedium : Found::kOnThisSystem;
  }
#endif
  programs_.emplace(name, found);
  return found;
}

std::string MediumFiles::SettingsFileName(const std::string& path) {
#ifdef _WIN32
  const std::string found = path;
#else
  const std::string found = ResolveMediaPath(path, &listings_);
#endif
  if (!IsFile(found)) return std::string();
  return fs::path(found).filename().string();
}

}  // namespace mavrel
