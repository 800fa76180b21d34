// Finding faces without fontconfig: the font files in the standard font
// folders, and the names their faces carry. Used when fontconfig cannot be
// loaded (the portable launcher on a system without it), so that the
// launcher still shows its texts in the face fontconfig would have chosen
// on most systems.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/desktop/font_resolver.h"

namespace mavrel {

// One face of a font file, with the names its naming table gives.
struct FolderFace {
  std::string file;
  int index = 0;       // face index within a collection
  std::string family;  // name 1, as UTF-8
  std::string style;   // name 2 ("Regular", "Bold", "Book", ...)
};

// Reads `length` bytes at `offset` of a font file into `out`; false when
// the file is shorter or cannot be read.
using FontFileReader =
    std::function<bool(std::uint32_t offset, std::uint32_t length, std::string& out)>;

/// The faces of a TrueType or OpenType font or collection read through
/// `read`, each with its family and style names; faces whose tables are
/// missing or broken are left out. `file` names the file in the results.
std::vector<FolderFace> ReadFaceNames(const std::string& file, const FontFileReader& read);

/// The folders fontconfig looks in by default: /usr/share/fonts,
/// /usr/local/share/fonts, $XDG_DATA_HOME/fonts (~/.local/share/fonts) and
/// ~/.fonts.
std::vector<std::string> StandardFontFolders();

/// Every face of the font files (.ttf, .otf, .ttc, .otc) under `folders`,
/// ordered by file and index. The walk is bounded (depth, file count) and
/// visits each folder once, however the folders link to each other.
std::vector<FolderFace> FindFolderFaces(const std::vector<std::string>& folders);

/// The face to use for `faceName`, as fontconfig would choose it on most
/// systems: a face of exactly that family; else a face with Arial's
/// metrics (Arial, then Liberation Sans, ...); else DejaVu Sans; else any
/// face. Regular faces are preferred within each. An empty file when
/// `faces` is empty.
FontFace ChooseFolderFace(const std::vector<FolderFace>& faces, const std::string& faceName);

}  // namespace mavrel
