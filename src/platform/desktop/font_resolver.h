// Finding a font file for a face name through fontconfig, and the pixel
// sizes that a Windows font height asks for.
//
// The launcher asks for a misspelt face name (kButtonFontFace). Windows'
// font mapper answers an unknown name with a proportional sans face, Arial
// where it is installed, and the media are laid out for Arial's metrics.
// So: a face installed under exactly the asked name wins; else a face
// metric-compatible with Arial (Liberation Sans, Arimo, ...) that
// fontconfig offers for "Arial"; else the default sans face.
#pragma once

#include <cstdint>
#include <string>

#include "window/launcher_button.h"

namespace mavrel {

// The face name the launcher asks for.
constexpr const char* kLauncherFaceName = kButtonFontFace;

struct FontFace {
  std::string file;    // empty when no font could be found at all
  int index = 0;       // face index within a collection
  std::string family;  // as fontconfig names it
};

/// The face to use for `faceName` (see above). Asks fontconfig once per name
/// for the life of the process; where fontconfig cannot be loaded, chooses
/// the same way among the faces of the standard font folders
/// (font_folders.h). Safe to call from any thread.
FontFace ResolveFontFace(const std::string& faceName);

// Arial and the faces made with its metrics, in the order they stand in for
// it.
inline constexpr const char* kArialCompatibleFamilies[] = {"Arial", "Liberation Sans", "Arimo",
                                                           "Albany AMT", "Albany"};

/// True when `family` is Arial or a face with Arial's metrics.
bool IsArialCompatible(const std::string& family);

// The largest height (cell or character height) in pixels the renderer
// makes; larger heights get it. One line of such glyphs already takes
// megabytes, and Windows shows a font of any height rather than fail.
constexpr int kMaxFontPixels = 1024;
// The cell height that height 0 stands for.
constexpr int kDefaultCellHeight = 16;

// What a Windows font height asks for: a cell height (ascent plus descent)
// or a character (em) height, in pixels.
struct FontSizeRequest {
  bool isCellHeight = false;
  int pixels = 0;
};

/// Interprets a height with the Windows meaning: positive, the cell height;
/// negative, the character height (its magnitude); 0, a default cell
/// height. Magnitudes beyond kMaxFontPixels give kMaxFontPixels.
FontSizeRequest FontSizeForHeight(std::int32_t height);

/// The pixels per em that give `cellHeight` for a face whose cell is
/// `cellPerEm` times its em, rounded, at least 1.
int PixelsPerEmForCell(int cellHeight, double cellPerEm);

}  // namespace mavrel
