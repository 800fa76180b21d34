// A folder as an ISO 9660 image with Rock Ridge and Joliet, written by
// libisofs, the library under xorriso. What goes into the image is fixed
// here so that the same folder always gives the same bytes: entries in
// sorted order, file contents in that order, owner 0, modes read-only with
// the execute bits kept, and (given an epoch) every time the same.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace mavrel {

struct IsoImageOptions {
  std::string label;  // the volume label, valid as it is (see VolumeLabel)
  // Every time in the image (files, folders, the volume); without one the
  // files keep their modification times and the volume gets the time of
  // writing.
  std::optional<std::int64_t> epoch;
  // Names at the folder's root whose bytes are taken from another file (a
  // signed copy); the entry keeps its own name, mode and time.
  std::map<std::string, std::filesystem::path> replacements;
  // Media at least this large get a progress line on standard error.
  std::uint64_t progressFrom = 64u << 20;
};

/// The volume label made valid: upper case, characters other than A-Z,
/// 0-9 and "_" as "_", at most 32 characters; "MEDIUM" when nothing is
/// left.
std::string VolumeLabel(const std::string& wanted);

/// Writes the image of `folder` to the descriptor `fd`, from its current
/// position. Symbolic links stay links (Rock Ridge only); other special
/// files are left out. Gives "" when the whole image is written, else what
/// went wrong; `bytes` is the image's size either way.
std::string WriteIsoImage(const std::filesystem::path& folder, int fd,
                          const IsoImageOptions& options, std::uint64_t& bytes);

}  // namespace mavrel
