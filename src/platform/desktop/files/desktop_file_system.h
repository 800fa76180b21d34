// The part of the desktop backend that needs no display: paths, the
// settings file and plain file reading on a POSIX system. mavrel-inspect
// uses it alone; the SDL desktop platform holds one for its file half.
//
// Implements: GetFullPathName (textual, against getcwd), GetPrivateProfileString
// (our INI reader with the Windows rules, one parse per file), OpenFileForReading,
// GetFileSize, ReadFile, CloseFile. Paths a medium names go through
// ResolveMediaPath, so "\" separates and letter case does not matter.
#pragma once

#include <chrono>
#include <map>
#include <string>

#include "platform/file_system.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {

class DesktopFileSystem : public FileSystem {
 public:
  DesktopFileSystem() = default;

  /// Makes `name` absolute against getcwd() and normalises it as text: "\"
  /// and "/" both separate, doubled separators and "." components go, ".."
  /// removes the component before it (never above the root), a trailing
  /// separator stays. Nothing needs to exist. Gives the length without the
  /// terminator; the length plus one, buffer untouched, when it does not
  /// fit; 0 for an empty name or when the current directory is unknown.
  std::uint32_t GetFullPathName(const char* name, std::uint32_t bufferSize, char* buffer) override;

  /// Answers from the parsed file at `path` (found with ResolveMediaPath).
  /// A key written in section "NAME.Linux" wins over the same key in "NAME"
  /// (see SetLinuxSections).
  /// The file is parsed at its first read; later reads are answered from
  /// memory, and the file is looked at again, and parsed again if its
  /// modification time or size changed, when the last look is older than
  /// the recheck interval. A file that cannot be read reads as empty.
  std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                        std::uint32_t bufferSize, const char* path) override;

  /// The parsed file that reads of `path` are answered from, found, parsed
  /// and looked at again exactly as for a read, so that a tool that also
  /// walks the file's lines sees the bytes the reads saw without a second
  /// parse. The sections as written: "NAME.Linux" is not merged into
  /// "NAME". Null when the file cannot be read. Valid until the next call
  /// or read of that path.
  const IniFile* ParsedSettings(const char* path);

  /// Opens without ever blocking (a FIFO or a device does not hang the
  /// launcher) and only a regular file: a folder, FIFO, socket or device is
  /// a failed open.
  FileHandle OpenFileForReading(const char* path) override;
  /// 0xFFFFFFFF on failure and for a file too big to describe in 32 bits.
  std::uint32_t GetFileSize(FileHandle file) override;
  /// Reads from the start of the file until `size` bytes or its end,
  /// whichever comes first; false on a read error.
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t size) override;
  bool CloseFile(FileHandle file) override;

  /// How long a parsed settings file is trusted before its modification
  /// time and size are checked again. A look at the file costs far more than
  /// a lookup in memory, and the launcher makes tens of thousands of reads
  /// in its first milliseconds; zero looks at every read.
  void SetSettingsRecheckInterval(std::chrono::milliseconds interval) {
    recheckInterval_ = interval;
  }
  /// Whether "[NAME.Linux]" sections override "[NAME]" key by key, as the
  /// desktop launcher reads (the default); off, the file reads as on
  /// Windows, which never looks at them.
  void SetLinuxSections(bool on) { linuxSections_ = on; }
  /// How many times a settings file has been parsed, for tests and tuning.
  int settingsParseCount() const { return parseCount_; }

 private:
  struct CachedSettings {
    IniFile ini;
    bool exists = false;
    std::string resolvedPath;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t size = -1;
    std::int64_t checkedAtMilliseconds = 0;
    bool mayHaveLinuxSections = false;
  };
  void Refresh(const std::string& path, CachedSettings& cached);
  // The cache entry of `path`, refreshed when its last look is too old.
  CachedSettings& Cached(const char* path);

  std::map<std::string, CachedSettings> settingsCache_;
  // The entry of the most recent read: reads come in long runs on one file.
  const std::string* lastPath_ = nullptr;
  CachedSettings* lastCached_ = nullptr;
  std::chrono::milliseconds recheckInterval_{100};
  int parseCount_ = 0;
  bool linuxSections_ = true;
  std::string linuxSection_;  // "NAME.Linux" of the latest read
};

}  // namespace mavrel
