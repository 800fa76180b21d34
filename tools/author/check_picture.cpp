// The background picture, as each platform's reading names it: there, a
// regular file, a BMP that the launcher's picture checks let it draw, and of
// the window's shape and about its size.
#include <cstring>
#include <fstream>

#include "author/check_groups.h"
#include "picture/picture_validation.h"
#include "window/background_picture.h"

namespace mavrel {
namespace {

std::string KnownFormat(const std::vector<std::uint8_t>& b) {
  auto starts = [&b](const char* magic, std::size_t n) {
    return b.size() >= n && std::memcmp(b.data(), magic, n) == 0;
  };
  if (starts("\x89PNG", 4)) return ", it is a PNG picture";
  if (starts("\xFF\xD8\xFF", 3)) return ", it is a JPEG picture";
  if (starts("GIF8", 4)) return ", it is a GIF picture";
  return "";
}

const char* VerdictHelp(PictureVerdict verdict) {
  switch (verdict) {
    case PictureVerdict::kTooShort:
      return "the file ends inside its headers";
    case PictureVerdict::kBadSignature:
      return "it does not start with \"BM\"";
    case PictureVerdict::kBadHeaderSize:
      return "its information header has a size Windows does not draw";
    case PictureVerdict::kBadWidth:
      return "its width is 0, negative or above 32768";
    case PictureVerdict::kBadHeight:
      return "its height is 0 or above 32768, or it is compressed and stored top-down";
    case PictureVerdict::kBadPlanes:
      return "its plane count is 0";
    case PictureVerdict::kBadFormat:
      return "its bit depth and compression are not drawn together (save as 24-bit "
             "uncompressed)";
    case PictureVerdict::kBadColorTable:
      return "it claims more than 256 colours at 16 bits or more";
    case PictureVerdict::kInfoPastEnd:
      return "its colour masks or colour table reach past the end of the file";
    case PictureVerdict::kPixelOffsetTooSmall:
      return "its pixels start inside its headers";
    case PictureVerdict::kPixelsPastEnd:
      return "its pixels reach past the end of the file (cut short?)";
    case PictureVerdict::kBadImageSize:
      return "it is compressed with a stored image size of 0";
    case PictureVerdict::kPixelsTooLarge:
      return "its pixel data is over 2 GiB, more than the drawing operation takes";
    case PictureVerdict::kDrawable:
      break;
  }
  return "";
}

void CheckShape(CheckContext& context, std::uint32_t line, const PictureHeader& header) {
  const std::int64_t width = context.medium().width.value;
  const std::int64_t height = context.medium().height.value;
  if (width <= 0 || height <= 0) return;
  const std::string sizes = std::to_string(header.width) + "x" + std::to_string(header.rows) +
                            ", the window " + std::to_string(width) + "x" + std::to_string(height);
  const double ratio =
      (static_cast<double>(header.width) * height) / (static_cast<double>(header.rows) * width);
  if (ratio > 1.2 || ratio < 1 / 1.2) {
    context.Warn(line, "M505",
                 "the picture is " + sizes +
                     ": it is stretched to the window and looks distorted; make it the window's "
                     "shape");
  }
  if (header.width >= 2 * width && header.rows >= 2 * static_cast<std::int64_t>(height)) {
    context.Warn(line, "M506",
                 "the picture is " + sizes +
                     ": it is read whole at every start and shrunk, which costs time and darkens "
                     "it; make it the window's size");
  }
}

}  // namespace

void CheckPicture(CheckContext& context) {
  const std::string path = context.medium().background.c_str();
  if (path.empty() || path == kSmallWhite) return;
  if (path.find('\n') != std::string::npos) return;  // reported as M306
  const std::uint32_t line = context.ReadLine(kMainSection, WindowKeyName(kBackgroundKey));
  if (IsAbsoluteWritten(path) && !(path[0] == '/' || path[0] == '\\')) return;
  MediumFiles& files = context.files();
  const std::string found = IsAbsoluteWritten(path) ? Slashed(path) : files.Find("", path);
  if (!files.Exists(found)) {
    context.Error(line, "M501",
                  "the picture " + Shown(path) + " is not on the medium (looked for " +
                      Shown(Slashed(path)) +
                      " in the medium's folder, letter case aside): the window shows no picture");
    return;
  }
  if (!files.IsFile(found)) {
    context.Error(
        line, "M502",
        "the picture " + Shown(path) + " is not a regular file: the window shows no picture");
    return;
  }
  std::ifstream in(found, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  constexpr std::streamoff kLargest = 256ll * 1024 * 1024;
  if (size < 0 || size > kLargest) {
    context.Error(line, "M504", "the picture " + Shown(path) + " is too large to load: no picture");
    return;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    context.Error(line, "M502", "the picture " + Shown(path) + " cannot be read: no picture");
    return;
  }
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
    context.Error(line, "M503",
                  "the picture " + Shown(path) + " is not a BMP file (it does not start with " +
                      "\"BM\")" + KnownFormat(bytes) + ": save it as a BMP");
    return;
  }
  PictureHeader header;
  DibView view;
  const PictureVerdict verdict = ValidatePictureFile(bytes.data(), bytes.size(), header, view);
  if (verdict != PictureVerdict::kDrawable) {
    context.Error(line, "M504",
                  "the picture " + Shown(path) + " is refused by the picture checks (" +
                      PictureVerdictName(verdict) + "): " + VerdictHelp(verdict) +
                      "; the window shows no picture");
    return;
  }
  CheckShape(context, line, header);
}

}  // namespace mavrel
