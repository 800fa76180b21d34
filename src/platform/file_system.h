// The file-system half of the platform boundary: full paths, the settings
// file read, and whole-file reading. The settings and the picture need
// nothing else, so tools that only read a medium implement just this half.
// The contracts are written for the launcher's callers: what is passed and
// what the launcher relies on, not how any one backend does it.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"

namespace mavrel {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // ---- Paths and settings --------------------------------------------------

  /// Makes `name` a full path against the process's current directory and
  /// writes it, zero-terminated, into `buffer` of `bufferSize` bytes. Gives
  /// the length of the full path without its terminator on success; a value
  /// of `bufferSize` or more when the path does not fit (the buffer is then
  /// not filled); 0 on failure. The named file or folder need not exist.
  virtual std::uint32_t GetFullPathName(const char* name, std::uint32_t bufferSize,
                                        char* buffer) = 0;

  /// Reads the value of `key` in `section` of the settings file at `path`
  /// into `buffer` of `bufferSize` bytes. Afterwards the buffer holds a
  /// zero-terminated text of at most bufferSize - 1 characters: the value,
  /// or the empty text when the file, the section or the key is missing or
  /// the value is empty. Gives the count of characters written.
  virtual std::uint32_t GetPrivateProfileString(const char* section, const char* key, char* buffer,
                                                std::uint32_t bufferSize, const char* path) = 0;

  // ---- Files -----------------------------------------------------------------

  /// Opens the file at `path` (relative to the current directory) for
  /// reading, unshared. Gives InvalidFileHandle() on failure. Opening never
  /// blocks, whatever kind of file the path names.
  virtual FileHandle OpenFileForReading(const char* path) = 0;

  /// The size of an open file in bytes, or 0xFFFFFFFF on failure (also for a
  /// file of 4 GiB or more, which the launcher cannot hold).
  virtual std::uint32_t GetFileSize(FileHandle file) = 0;

  /// Reads up to `size` bytes from the start of an open file into `buffer`.
  /// True on success; the count read is not reported.
  virtual bool ReadFile(FileHandle file, void* buffer, std::uint32_t size) = 0;

  /// Closes an open file. True on success.
  virtual bool CloseFile(FileHandle file) = 0;
};

}  // namespace mavrel
