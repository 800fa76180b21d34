#include "platform/desktop/font_resolver.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "platform/desktop/font_folders.h"
#include "platform/desktop/text_libraries.h"

namespace mavrel {
namespace {

// Matches `family` (with the usual substitutions) and gives the best face.
FontFace Match(const char* family) {
  FontFace face;
  FcPattern* pattern = text::FcPatternCreate();
  if (!pattern) return face;
  // Added as a plain string: a name with "-", ":" or "," is not parsed.
  text::FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  text::FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  text::FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  text::FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  text::FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = text::FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int index = 0;
    if (text::FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
      face.file = reinterpret_cast<const char*>(file);
    }
    if (text::FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name) {
      face.family = reinterpret_cast<const char*>(name);
    }
    if (text::FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) face.index = index;
    text::FcPatternDestroy(match);
  }
  text::FcPatternDestroy(pattern);
  return face;
}

// Whether an installed face has `family` among its family names. Unlike a
// match, a listing applies none of the configuration's substitution rules
// (most of a match's cost); a match can only give back a family that some
// face has.
bool HasFamily(const char* family) {
  bool found = false;
  FcPattern* pattern = text::FcPatternCreate();
  FcObjectSet* objects = text::FcObjectSetCreate();
  if (pattern && objects &&
      text::FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family)) &&
      text::FcObjectSetAdd(objects, FC_FAMILY)) {
    if (FcFontSet* faces = text::FcFontList(nullptr, pattern, objects)) {
      found = faces->nfont > 0;
      text::FcFontSetDestroy(faces);
    }
  }
  if (objects) text::FcObjectSetDestroy(objects);
  if (pattern) text::FcPatternDestroy(pattern);
  return found;
}

}  // namespace

bool IsArialCompatible(const std::string& family) {
  for (const char* known : kArialCompatibleFamilies) {
    if (strcasecmp(family.c_str(), known) == 0) return true;
  }
  return false;
}

FontFace ResolveFontFace(const std::string& faceName) {
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  static std::map<std::string, FontFace> resolved;
  auto found = resolved.find(faceName);
  if (found != resolved.end()) return found->second;
  FontFace face;
  if (text::FcInit()) {
    FontFace exact = HasFamily(faceName.c_str()) ? Match(faceName.c_str()) : FontFace{};
    if (!exact.file.empty() && strcasecmp(exact.family.c_str(), faceName.c_str()) == 0) {
      face = exact;
    } else {
      // Asked for Arial itself, the answer may be the one just had.
      bool hadArial = !exact.file.empty() && strcasecmp(faceName.c_str(), "Arial") == 0;
      FontFace arial = hadArial ? exact : Match("Arial");
      face = (!arial.file.empty() && IsArialCompatible(arial.family)) ? arial : Match("sans-serif");
    }
  } else {
    // No fontconfig: the font folders, walked once.
    static const std::vector<FolderFace> faces = FindFolderFaces(StandardFontFolders());
    face = ChooseFolderFace(faces, faceName);
  }
  resolved[faceName] = face;
  return face;
}

FontSizeRequest FontSizeForHeight(std::int32_t height) {
  if (height == 0) return {true, kDefaultCellHeight};
  std::int64_t magnitude = std::abs(static_cast<std::int64_t>(height));
  return {height > 0, static_cast<int>(std::min<std::int64_t>(magnitude, kMaxFontPixels))};
}

int PixelsPerEmForCell(int cellHeight, double cellPerEm) {
  if (!(cellPerEm > 0.1)) cellPerEm = 1.0;
  long ppem = std::lround(cellHeight / cellPerEm);
  return ppem < 1 ? 1 : static_cast<int>(ppem);
}

}  // namespace mavrel
