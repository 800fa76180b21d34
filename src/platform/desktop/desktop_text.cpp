#include "platform/desktop/desktop_text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/desktop/paint_region.h"
#include "platform/desktop/text_libraries.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {
namespace {

// Lines of text are rendered whole when their bitmap stays below this many
// pixels, and glyph by glyph (only those in view) when it does not.
constexpr long long kMaxLinePixels = 8ll << 20;
// Laid-out texts kept for later paints.
constexpr std::size_t kLayoutCacheEntries = 4096;
// Measured runs kept. Laying out a line measures it word by word from its
// start, the whole line again at the end, and the buttons of a medium
// share their first words: most runs have been measured before.
constexpr std::size_t kRunWidthEntries = 16384;
// Rendered lines are kept for later paints up to this many bytes.
constexpr std::size_t kLineCacheBytes = 32u << 20;

std::string FaceKey(const std::string& file, int index) {
  return file + "#" + std::to_string(index);
}

// How many times its em a face's cell is (0 when the face cannot be
// opened), measured at a large size, where rounding of the metrics hardly
// counts.
double MeasureCellPerEm(const FontFile* file, int index) {
  constexpr int kReference = 512;
  TtfFontPtr font = file ? file->Open(kReference, index) : nullptr;
  return font ? static_cast<double>(text::TTF_FontHeight(font.get())) / kReference : 0;
}

}  // namespace

std::shared_ptr<const FontFile> FontFile::Load(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::shared_ptr<FontFile> file(new FontFile);
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
  if (ok && static_cast<std::uint64_t>(info.st_size) <= kMaxReadBytes) {
    file->read_.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (ok && got < file->read_.size()) {
      ssize_t n = read(fd, &file->read_[got], file->read_.size() - got);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) got += static_cast<std::size_t>(n);
    }
    file->data_ = file->read_.data();
    file->size_ = file->read_.size();
  } else if (ok && static_cast<std::uint64_t>(info.st_size) <= SIZE_MAX) {
    void* mapped =
        mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ok = mapped != MAP_FAILED;
    if (ok) {
      file->mapped_ = mapped;
      file->data_ = mapped;
      file->size_ = static_cast<std::size_t>(info.st_size);
    }
  } else {
    ok = false;
  }
  close(fd);
  return ok ? file : nullptr;
}

FontFile::~FontFile() {
  if (mapped_) munmap(mapped_, size_);
}

TtfFontPtr FontFile::Open(int pixelsPerEm, int index) const {
  if (size_ > static_cast<std::size_t>(INT_MAX)) return nullptr;
  SDL_RWops* bytes = SDL_RWFromConstMem(data_, static_cast<int>(size_));
  if (!bytes) return nullptr;
  // The face takes the memory stream and closes it with itself.
  return TtfFontPtr(text::TTF_OpenFontIndexRW(bytes, 1, pixelsPerEm, index));
}

void TtfFontCloser::operator()(_TTF_Font* font) const {
  if (font) text::TTF_CloseFont(font);
}

DesktopText::DesktopText() {
  // Beside SDL's start, which mostly waits on the X server: at a lower
  // priority the look-up gives way whenever the launcher's thread or the
  // server has something to do, instead of delaying each round trip.
  HelperOptions options;
  options.niceness = kLookUpNiceness;
  lookUp_ = StartHelper(
      [this] {
        if (text::TTF_Init() != 0) return;
        found_.face = ResolveFontFace(kLauncherFaceName);
        if (!found_.face.file.empty()) found_.file = FontFile::Load(found_.face.file);
        found_.cellPerEm = MeasureCellPerEm(found_.file.get(), found_.face.index);
      },
      options);
}

DesktopText::~DesktopText() {
  FinishLookUp();
  DropLineCache();
  layoutCache_.clear();
  runWidths_.clear();
  scaledFaces_.clear();  // closed while the library is there
  if (text::TTF_WasInit()) text::TTF_Quit();
}

void DesktopText::FinishLookUp() {
  lookUp_.Join();
  if (lookUpKept_) return;
  lookUpKept_ = true;
  if (found_.file) files_[found_.face.file] = found_.file;
  if (found_.cellPerEm > 0) {
    cellPerEm_[FaceKey(found_.face.file, found_.face.index)] = found_.cellPerEm;
  }
  found_ = LookUp{};
}

std::shared_ptr<OpenFace> DesktopText::OpenFaceAt(const std::string& file, int index,
                                                  int pixelsPerEm) {
  auto key = std::make_pair(FaceKey(file, index), pixelsPerEm);
  if (auto existing = openFaces_[key].lock()) return existing;
  std::shared_ptr<const FontFile> bytes = File(file);
  if (!bytes) return nullptr;
  // At 72 dots per inch a point is a pixel, so the size is pixels per em.
  TtfFontPtr font = bytes->Open(pixelsPerEm, index);
  if (!font) return nullptr;
  auto face = std::make_shared<OpenFace>();
  face->file = std::move(bytes);
  face->font = std::move(font);
  face->serial = nextFaceSerial_++;
  face->path = file;
  face->index = index;
  face->pixelsPerEm = pixelsPerEm;
  openFaces_[key] = face;
  return face;
}

std::shared_ptr<const FontFile> DesktopText::File(const std::string& path) {
  auto known = files_.find(path);
  if (known != files_.end()) return known->second;
  std::shared_ptr<const FontFile> file = FontFile::Load(path);
  if (file) files_[path] = file;
  return file;
}

double DesktopText::CellPerEm(const std::string& file, int index) {
  std::string key = FaceKey(file, index);
  auto found = cellPerEm_.find(key);
  if (found != cellPerEm_.end()) return found->second;
  double ratio = MeasureCellPerEm(File(file).get(), index);
  cellPerEm_[key] = ratio;
  return ratio;
}

std::unique_ptr<DesktopFont> DesktopText::MakeFont(int height, const char* faceName) {
  FontSizeRequest request = FontSizeForHeight(height);
  FinishLookUp();
  if (!text::TTF_WasInit() && text::TTF_Init() != 0) return nullptr;
  FontFace face = ResolveFontFace(faceName ? faceName : "");
  if (face.file.empty()) return nullptr;
  int pixelsPerEm = request.pixels;
  if (request.isCellHeight) {
    double ratio = CellPerEm(face.file, face.index);
    if (ratio <= 0) return nullptr;
    pixelsPerEm = PixelsPerEmForCell(request.pixels, ratio);
  }
  std::shared_ptr<OpenFace> open = OpenFaceAt(face.file, face.index, pixelsPerEm);
  if (!open) return nullptr;
  auto font = std::make_unique<DesktopFont>();
  font->face = std::move(open);
  // A cell height asked for is the line height; otherwise the face's own.
  font->lineHeight = std::max(
      1, request.isCellHeight ? request.pixels : text::TTF_FontHeight(font->face->font.get()));
  return font;
}

const TextLayout& DesktopText::Layout(const DesktopFont& font, std::string_view bytes, bool isUtf8,
                                      int maxWidth) {
  std::string key = std::to_string(font.face->serial) + "/" + std::to_string(font.lineHeight) +
                    "/" + std::to_string(maxWidth) + "/";
  key.append(bytes);
  auto cached = layoutCache_.find(key);
  if (cached != layoutCache_.end()) return cached->second;
  TTF_Font* ttf = font.face->font.get();
  std::string runKey = std::to_string(font.face->serial) + (isUtf8 ? "u/" : "a/");
  const std::size_t runKeyPrefix = runKey.size();
  auto measure = [&](const char* run, std::size_t count) {
    runKey.resize(runKeyPrefix);
    runKey.append(run, count);
    auto known = runWidths_.find(runKey);
    if (known != runWidths_.end()) return known->second;
    std::string utf8 = DisplayText(std::string_view(run, count), isUtf8);
    int w = 0, h = 0;
    text::TTF_SizeUTF8(ttf, utf8.c_str(), &w, &h);
    if (runWidths_.size() >= kRunWidthEntries) runWidths_.clear();
    runWidths_.emplace(runKey, w);
    return w;
  };
  if (layoutCache_.size() >= kLayoutCacheEntries) layoutCache_.clear();
  return layoutCache_.emplace(key, LayoutText(bytes, maxWidth, font.lineHeight, measure))
      .first->second;
}

void DesktopText::Draw(SDL_Surface* target, const DesktopFont& font, std::string_view bytes,
                       bool isUtf8, const TextLayout& layout, int left, int top,
                       const SDL_Rect& clip, ColorRef color, const ClientView& view) {
  const OpenFace* face = FaceAt(font, view.scale());
  if (!face) return;
  int glyphHeight = std::max(view.Scaled(font.lineHeight), text::TTF_FontHeight(face->font.get()));
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const LaidOutLine& line = layout.lines[i];
    long long clientTop = static_cast<long long>(top) + static_cast<long long>(i) * font.lineHeight;
    long long lineTop =
        view.PixelY(static_cast<int>(std::clamp<long long>(clientTop, INT_MIN / 4, INT_MAX / 4)));
    if (lineTop >= clip.y + clip.h) break;
    if (lineTop + glyphHeight <= clip.y || line.length == 0) continue;
    std::string utf8 = DisplayText(bytes.substr(line.start, line.length), isUtf8);
    DrawLine(target, *face, utf8, view.PixelX(left), static_cast<int>(lineTop), clip, color);
  }
}

const OpenFace* DesktopText::FaceAt(const DesktopFont& font, double scale) {
  if (scale == 1.0 || !font.face) return font.face.get();
  auto key = std::make_pair(font.face->serial, static_cast<int>(std::lround(scale * 4)));
  auto known = scaledFaces_.find(key);
  if (known != scaledFaces_.end()) return known->second.get();
  int pixelsPerEm = std::clamp(static_cast<int>(std::lround(font.face->pixelsPerEm * scale)), 1,
                               static_cast<int>(kMaxFontPixels * kMaxScale));
  std::shared_ptr<OpenFace> scaled = OpenFaceAt(font.face->path, font.face->index, pixelsPerEm);
  // Without a scaled face the text is still drawn, at its own size.
  if (!scaled) scaled = font.face;
  return (scaledFaces_[key] = std::move(scaled)).get();
}

SDL_Surface* DesktopText::RenderedLine(const OpenFace& face, const std::string& utf8,
                                       ColorRef color) {
  std::string key = std::to_string(face.serial) + "/" + std::to_string(color) + "/" + utf8;
  auto found = lineCache_.find(key);
  if (found != lineCache_.end()) return found->second.get();
  SurfacePtr surface(
      text::TTF_RenderUTF8_Blended(face.font.get(), utf8.c_str(), ToSdlColor(color)));
  if (!surface) return nullptr;
  std::size_t bytes =
      static_cast<std::size_t>(surface->pitch) * static_cast<std::size_t>(surface->h);
  if (lineCacheBytes_ + bytes > kLineCacheBytes) DropLineCache();
  lineCacheBytes_ += bytes;
  return (lineCache_[key] = std::move(surface)).get();
}

void DesktopText::DropLineCache() {
  lineCache_.clear();
  lineCacheBytes_ = 0;
}

void DesktopText::DrawLine(SDL_Surface* target, const OpenFace& face, const std::string& utf8,
                           int x, int y, const SDL_Rect& clip, ColorRef color) {
  TTF_Font* ttf = face.font.get();
  int width = 0, height = 0;
  if (text::TTF_SizeUTF8(ttf, utf8.c_str(), &width, &height) != 0) return;
  SDL_SetClipRect(target, &clip);
  if (static_cast<long long>(width) * height <= kMaxLinePixels) {
    if (SDL_Surface* line = RenderedLine(face, utf8, color)) {
      SDL_Rect to{x, y, line->w, line->h};
      SDL_BlitSurface(line, nullptr, target, &to);
    }
  } else {
    // A line too big to render whole (a huge font, a very long word): only
    // the glyphs that fall inside the clip are rendered.
    long long pen = x;
    for (std::size_t at = 0; at < utf8.size();) {
      std::uint32_t cp = 0;
      std::size_t length = Utf8SequenceAt(utf8, at, cp);
      if (length == 0) {
        cp = static_cast<unsigned char>(utf8[at]);
        length = 1;
      }
      at += length;
      int minX, maxX, minY, maxY, advance;
      if (text::TTF_GlyphMetrics32(ttf, cp, &minX, &maxX, &minY, &maxY, &advance) != 0) continue;
      if (pen + std::max(advance, maxX) >= clip.x && pen + std::min(0, minX) < clip.x + clip.w) {
        if (SurfacePtr glyph{text::TTF_RenderGlyph32_Blended(ttf, cp, ToSdlColor(color))}) {
          SDL_Rect to{static_cast<int>(pen), y, glyph->w, glyph->h};
          SDL_BlitSurface(glyph.get(), nullptr, target, &to);
        }
      }
      pen += advance;
      if (pen >= clip.x + clip.w) break;
    }
  }
  SDL_SetClipRect(target, nullptr);
}

}  // namespace mavrel
