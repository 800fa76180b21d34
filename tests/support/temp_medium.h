// A medium folder of a test's own, with the small file chores of making
// one: files (parent folders made as needed), folders, FIFOs, links, modes.
// Each chore throws std::runtime_error naming the file when it fails, so a
// test that cannot build its medium fails with the reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mavrel::test_support {

/// The whole of a file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

class TempMedium {
 public:
  /// A fresh folder "mavrel-<purpose>-XXXXXX" under $TMPDIR (or /tmp).
  explicit TempMedium(const std::string& purpose = "medium");
  /// The folder `parent`/`name`, emptied first when it is there already.
  TempMedium(const std::string& parent, const std::string& name);
  /// Removes the folder with everything in it, unless kept.
  ~TempMedium();
  TempMedium(const TempMedium&) = delete;
  TempMedium& operator=(const TempMedium&) = delete;

  /// The folder's path, with every link resolved.
  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
  /// Leaves the folder in place, for a look after a failed test.
  void Keep() { keep_ = true; }

  void Write(const std::string& name, const std::string& bytes) const;
  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  void WriteSettings(const std::string& text) const { Write("Mavrel.INI", text); }
  std::string Read(const std::string& name) const;
  /// One folder; its parent must be there.
  void MakeFolder(const std::string& name) const;
  void MakeFifo(const std::string& name) const;
  void Symlink(const std::string& target, const std::string& name) const;
  void SetMode(const std::string& name, unsigned mode) const;

 private:
  std::string path_;
  bool keep_ = false;
};

}  // namespace mavrel::test_support
