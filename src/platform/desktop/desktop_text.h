// Text of the desktop launcher: fonts made from Windows font heights,
// texts laid out by windows_rules/text_layout.h and drawn anti-aliased, blended
// over what is below. 8-bit texts are shown as UTF-8 when valid, else as
// Windows-1252.
//
// What makes repeated paints cheap is kept: faces opened at one size are
// shared by every font of that size, each face's cell-to-em ratio is
// measured once, laid-out texts, the widths of measured runs and rendered
// lines are cached (the launcher draws the same texts in the same
// rectangles on every paint, and its texts share words).
#pragma once

#include <SDL.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/desktop/desktop_scale.h"
#include "platform/desktop/desktop_surface.h"
#include "platform/desktop/font_resolver.h"
#include "platform/desktop/startup_work.h"
#include "platform/platform.h"
#include "windows_rules/text_layout.h"

struct _TTF_Font;

namespace mavrel {

struct TtfFontCloser {
  void operator()(_TTF_Font* font) const;
};
using TtfFontPtr = std::unique_ptr<_TTF_Font, TtfFontCloser>;

// A font file's bytes, read once and shared by every face opened from it
// (FreeType reads a face's tables again for every size it is opened at).
// Large files (collections of big faces) are mapped rather than read.
class FontFile {
 public:
  /// The file's bytes; null when it cannot be opened or read.
  static std::shared_ptr<const FontFile> Load(const std::string& path);
  ~FontFile();
  FontFile(const FontFile&) = delete;
  FontFile& operator=(const FontFile&) = delete;

  /// A face of this file at `pixelsPerEm`; null when FreeType cannot open it.
  TtfFontPtr Open(int pixelsPerEm, int index) const;

  static constexpr std::size_t kMaxReadBytes = 8u << 20;

 private:
  FontFile() = default;
  std::string read_;
  void* mapped_ = nullptr;
  const void* data_ = nullptr;
  std::size_t size_ = 0;
};

// A face opened at one size, shared by every font of that size.
struct OpenFace {
  std::shared_ptr<const FontFile> file;  // outlives the face
  TtfFontPtr font;
  int serial = 0;    // names the face in the caches
  std::string path;  // where `file` came from, its face index and size
  int index = 0;
  int pixelsPerEm = 0;
};

// What a font handle stands for.
struct DesktopFont {
  std::shared_ptr<OpenFace> face;
  int lineHeight = 0;  // the cell height: one line of laid-out text
};

// The font look-up's niceness beside SDL's start.
constexpr int kLookUpNiceness = 10;

class DesktopText {
 public:
  /// Starts looking up the launcher's face on a helper thread of
  /// startup_work.h (the text libraries are loaded then, and fontconfig
  /// reads its whole configuration the first time, which would otherwise
  /// come on top of SDL's own start). The environment must be as SDL starts
  /// in it.
  DesktopText();
  /// Closes the text libraries; every font must be gone by then.
  ~DesktopText();
  DesktopText(const DesktopText&) = delete;
  DesktopText& operator=(const DesktopText&) = delete;

  /// Waits for the helper thread and keeps what it found.
  void FinishLookUp();

  /// A font of the Windows height `height` (cell height when positive,
  /// character height when negative, a default when 0; at most
  /// kMaxFontPixels either way) for `faceName` (null counts as empty).
  /// Null when no font file can be found or opened.
  std::unique_ptr<DesktopFont> MakeFont(int height, const char* faceName);

  /// `bytes` laid out in `font` within `maxWidth`; valid until the next
  /// call.
  const TextLayout& Layout(const DesktopFont& font, std::string_view bytes, bool isUtf8,
                           int maxWidth);

  /// Draws the lines of `layout` (of `bytes`) that fall inside `clip` onto
  /// `target`, the first line's top left corner at the client position
  /// (left, top). Through a scaled `view` the lines keep the places the
  /// layout gave them, scaled, and are rendered from the face at the scaled
  /// size: sharp, where a stretched line would be blurred.
  void Draw(SDL_Surface* target, const DesktopFont& font, std::string_view bytes, bool isUtf8,
            const TextLayout& layout, int left, int top, const SDL_Rect& clip, ColorRef color,
            const ClientView& view = ClientView());

 private:
  std::shared_ptr<OpenFace> OpenFaceAt(const std::string& file, int index, int pixelsPerEm);
  std::shared_ptr<const FontFile> File(const std::string& path);
  double CellPerEm(const std::string& file, int index);
  // The face `font` is drawn with at `scale`: its own at 1.
  const OpenFace* FaceAt(const DesktopFont& font, double scale);
  void DrawLine(SDL_Surface* target, const OpenFace& face, const std::string& utf8, int x, int y,
                const SDL_Rect& clip, ColorRef color);
  SDL_Surface* RenderedLine(const OpenFace& face, const std::string& utf8, ColorRef color);
  void DropLineCache();

  // What the helper thread finds: the launcher's face and its ratio.
  struct LookUp {
    FontFace face;
    std::shared_ptr<const FontFile> file;
    double cellPerEm = 0;
  };
  LookUp found_;  // written by the look-up until it is joined
  bool lookUpKept_ = false;
  HelperTask lookUp_;
  std::map<std::pair<std::string, int>, std::weak_ptr<OpenFace>> openFaces_;
  // Faces opened at a scaled size, by the serial of the face they scale
  // and the scale in quarters; kept while the text object lives.
  std::map<std::pair<int, int>, std::shared_ptr<OpenFace>> scaledFaces_;
  std::map<std::string, double> cellPerEm_;
  std::map<std::string, std::shared_ptr<const FontFile>> files_;  // every one opened
  std::map<std::string, SurfacePtr> lineCache_;
  std::size_t lineCacheBytes_ = 0;
  std::unordered_map<std::string, TextLayout> layoutCache_;
  std::unordered_map<std::string, int> runWidths_;  // by face and run
  int nextFaceSerial_ = 1;
};

}  // namespace mavrel
