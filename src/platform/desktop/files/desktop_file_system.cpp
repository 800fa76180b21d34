#include "platform/desktop/files/desktop_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/desktop/files/media_path.h"
#include "windows_rules/linux_sections.h"

namespace mavrel {
namespace {

// A settings file bigger than this is treated as unreadable: no medium
// needs one (10,000 fully described buttons take about 7 MB), and reading a
// huge file whole would stall the launcher and eat its memory.
constexpr std::int64_t kMaxSettingsFileSize = 16 * 1024 * 1024;

// File handles carry the descriptor plus one, so that no open file is null
// and none is InvalidFileHandle().
FileHandle HandleFromDescriptor(int fd) {
  return reinterpret_cast<FileHandle>(static_cast<std::uintptr_t>(fd) + 1);
}

int DescriptorFromHandle(FileHandle file) {
  auto value = reinterpret_cast<std::uintptr_t>(file);
  if (file == InvalidFileHandle() || value == 0 || value > 0x7FFFFFFF) return -1;
  return static_cast<int>(value - 1);
}

// Opens a regular file for reading without blocking on FIFOs or devices.
// Gives -1 for anything else.
int OpenRegularFile(const std::string& path, struct stat& info) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads from the start of the file until `size` bytes or the end of the file; gives the
// count read, or -1 on an error.
std::int64_t ReadFully(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = ::pread(fd, buffer + done, size - done, static_cast<off_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

// A monotonic clock in milliseconds. The coarse clock is enough for an
// interval of many milliseconds and costs a small fraction of a precise read,
// which matters at one look per settings read.
std::int64_t NowMilliseconds() {
  struct timespec now;
#ifdef CLOCK_MONOTONIC_COARSE
  if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0)
#endif
    ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::uint32_t DesktopFileSystem::GetFullPathName(const char* name, std::uint32_t bufferSize,
                                                 char* buffer) {
  if (name == nullptr || name[0] == '\0') return 0;
  // The current folder's name is the system's text, where "\" is part of a
  // name; only `name`, the medium's, has it as a separator.
  std::string joined;
  std::size_t systemPart = 0;
  if (!IsSeparator(name[0])) {
    std::vector<char> cwd(4096);
    while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (errno != ERANGE || cwd.size() > (1u << 20)) return 0;
      cwd.resize(cwd.size() * 2);
    }
    joined = cwd.data();
    joined += '/';
    systemPart = joined.size();
  }
  joined += name;

  // Normalise as text; nothing is looked up on disk.
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= joined.size()) {
    std::size_t end = pos;
    while (end < joined.size() && joined[end] != '/' &&
           (end < systemPart || !IsSeparator(joined[end]))) {
      ++end;
    }
    std::string part = joined.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    pos = end + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  if (full.empty() || IsSeparator(joined.back())) full += '/';

  if (full.size() + 1 > bufferSize) return static_cast<std::uint32_t>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  return static_cast<std::uint32_t>(full.size());
}

void DesktopFileSystem::Refresh(const std::string& path, CachedSettings& cached) {
  std::int64_t now = NowMilliseconds();
  struct stat info;
  if (cached.exists && ::stat(cached.resolvedPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      info.st_size == cached.size && info.st_mtim.tv_sec == cached.modifiedSeconds &&
      info.st_mtim.tv_nsec == cached.modifiedNanoseconds) {
    cached.checkedAtMilliseconds = now;
    return;
  }

  // Looked for afresh each time: a file may appear, or one under another
  // letter case may take the place of the one that went.
  cached = CachedSettings();
  cached.checkedAtMilliseconds = now;
  std::string resolved = ResolveMediaPath(path);
  int fd = OpenRegularFile(resolved, info);
  if (fd < 0) return;
  if (info.st_size <= kMaxSettingsFileSize) {
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::int64_t got = ReadFully(fd, bytes.data(), bytes.size());
    if (got >= 0) {
      bytes.resize(static_cast<std::size_t>(got));
      // The reader's text, which for a UTF-16 file is not the bytes read.
      cached.ini = IniFile(std::move(bytes));
      cached.mayHaveLinuxSections = MayHaveLinuxSections(cached.ini.bytes());
      cached.exists = true;
      cached.resolvedPath = resolved;
      cached.size = info.st_size;
      cached.modifiedSeconds = info.st_mtim.tv_sec;
      cached.modifiedNanoseconds = info.st_mtim.tv_nsec;
      ++parseCount_;
    }
  }
  ::close(fd);
}

DesktopFileSystem::CachedSettings& DesktopFileSystem::Cached(const char* path) {
  if (lastPath_ == nullptr || std::strcmp(lastPath_->c_str(), path) != 0) {
    auto found = settingsCache_.find(path);
    if (found == settingsCache_.end()) {
      found = settingsCache_.emplace(path, CachedSettings()).first;
      Refresh(found->first, found->second);
    }
    lastPath_ = &found->first;
    lastCached_ = &found->second;
  }
  if (NowMilliseconds() - lastCached_->checkedAtMilliseconds >= recheckInterval_.count()) {
    Refresh(*lastPath_, *lastCached_);
  }
  return *lastCached_;
}

std::uint32_t DesktopFileSystem::GetPrivateProfileString(const char* section, const char* key,
                                                         char* buffer, std::uint32_t bufferSize,
                                                         const char* path) {
  if (bufferSize == 0) return 0;
  buffer[0] = '\0';
  if (path == nullptr || path[0] == '\0' || section == nullptr || key == nullptr) return 0;
  const CachedSettings& cached = Cached(path);
  if (linuxSections_ && cached.mayHaveLinuxSections) {
    return cached.ini.Read(LinuxReadingSection(cached.ini, section, key, linuxSection_), key,
                           buffer, bufferSize);
  }
  return cached.ini.Read(section, key, buffer, bufferSize);
}

const IniFile* DesktopFileSystem::ParsedSettings(const char* path) {
  if (path == nullptr || path[0] == '\0') return nullptr;
  const CachedSettings& cached = Cached(path);
  return cached.exists ? &cached.ini : nullptr;
}

FileHandle DesktopFileSystem::OpenFileForReading(const char* path) {
  if (path == nullptr || path[0] == '\0') return InvalidFileHandle();
  struct stat info;
  int fd = OpenRegularFile(ResolveMediaPath(path), info);
  if (fd < 0) return InvalidFileHandle();
  return HandleFromDescriptor(fd);
}

std::uint32_t DesktopFileSystem::GetFileSize(FileHandle file) {
  int fd = DescriptorFromHandle(file);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) return 0xFFFFFFFFu;
  if (info.st_size < 0 || info.st_size >= 0xFFFFFFFFll) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(info.st_size);
}

bool DesktopFileSystem::ReadFile(FileHandle file, void* buffer, std::uint32_t size) {
  int fd = DescriptorFromHandle(file);
  if (fd < 0 || (buffer == nullptr && size != 0)) return false;
  return ReadFully(fd, static_cast<char*>(buffer), size) >= 0;
}

bool DesktopFileSystem::CloseFile(FileHandle file) {
  int fd = DescriptorFromHandle(file);
  if (fd < 0) return false;
  return ::close(fd) == 0;
}

}  // namespace mavrel
