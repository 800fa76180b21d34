#include "platform/desktop/font_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace mavrel {
namespace {

// Limits of the walk over the font folders and of what is read per file.
constexpr int kMaxDepth = 12;
constexpr std::size_t kMaxFiles = 20000;
constexpr std::uint32_t kMaxFacesPerFile = 64;
constexpr std::uint32_t kMaxNameTable = 1u << 20;

std::uint32_t Be(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16 (big-endian) to UTF-8; a lone surrogate becomes U+FFFD.
std::string FromUtf16Be(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit = Be(bytes, i, 2);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      std::uint32_t low = Be(bytes, i + 2, 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
  }
  return out;
}

// Macintosh names are read as ASCII; other bytes become '?'.
std::string FromMacRoman(const std::string& bytes) {
  std::string out = bytes;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

// Family (name 1) and style (name 2) from a naming table: the Windows
// Unicode names, US English first; else the Macintosh Roman ones.
bool ParseNames(const std::string& table, std::string& family, std::string& style) {
  if (table.size() < 6) return false;
  std::uint32_t count = Be(table, 2, 2), strings = Be(table, 4, 2);
  if (6 + 12ull * count > table.size()) return false;
  // Rank of each kind of record: lower is better.
  int bestRank[3] = {99, 99, 99};
  std::string* names[3] = {nullptr, &family, &style};
  for (std::uint32_t i = 0; i < count; ++i) {
    std::size_t at = 6 + 12 * i;
    std::uint32_t platform = Be(table, at, 2), encoding = Be(table, at + 2, 2);
    std::uint32_t language = Be(table, at + 4, 2), id = Be(table, at + 6, 2);
    std::uint32_t length = Be(table, at + 8, 2), offset = Be(table, at + 10, 2);
    if (id != 1 && id != 2) continue;
    int rank;
    if (platform == 3 && (encoding == 1 || encoding == 10)) {
      rank = language == 0x409 ? 0 : 1;
    } else if (platform == 0) {
      rank = 2;
    } else if (platform == 1 && encoding == 0) {
      rank = language == 0 ? 3 : 4;
    } else {
      continue;
    }
    if (rank >= bestRank[id]) continue;
    std::uint64_t start = static_cast<std::uint64_t>(strings) + offset;
    if (start + length > table.size()) continue;
    std::string raw = table.substr(start, length);
    std::string text = rank <= 2 ? FromUtf16Be(raw) : FromMacRoman(raw);
    if (text.empty()) continue;
    *names[id] = text;
    bestRank[id] = rank;
  }
  return !family.empty();
}

// The naming table of the font whose table directory is at `base`.
bool ReadFace(const FontFileReader& read, std::uint32_t base, std::string& family,
              std::string& style) {
  std::string header;
  if (!read(base, 12, header)) return false;
  std::uint32_t version = Be(header, 0, 4);
  if (version != 0x00010000 && version != 0x4F54544F /* OTTO */ && version != 0x74727565 /* true */)
    return false;
  std::uint32_t tables = Be(header, 4, 2);
  std::string directory;
  if (tables == 0 || !read(base + 12, 16 * tables, directory)) return false;
  for (std::uint32_t i = 0; i < tables; ++i) {
    if (directory.compare(16 * i, 4, "name") != 0) continue;
    std::uint32_t offset = Be(directory, 16 * i + 8, 4), length = Be(directory, 16 * i + 12, 4);
    if (length > kMaxNameTable) return false;
    std::string table;
    return read(offset, length, table) && ParseNames(table, family, style);
  }
  return false;
}

bool IsFontFileName(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = name.substr(dot + 1);
  for (const char* known : {"ttf", "otf", "ttc", "otc"}) {
    if (strcasecmp(extension.c_str(), known) == 0) return true;
  }
  return false;
}

bool IsRegular(const FolderFace& face) {
  for (const char* style : {"Regular", "Book", "Normal", "Roman", "Standard"}) {
    if (strcasecmp(face.style.c_str(), style) == 0) return true;
  }
  return face.style.empty();
}

void Walk(const std::string& folder, int depth, std::set<std::pair<dev_t, ino_t>>& seen,
          std::vector<std::string>& files) {
  struct stat info;
  if (depth > kMaxDepth || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  if (!seen.insert({info.st_dev, info.st_ino}).second) return;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> folders;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = folder + "/" + name;
    struct stat item;
    if (stat(path.c_str(), &item) != 0) continue;
    if (S_ISDIR(item.st_mode)) {
      folders.push_back(path);
    } else if (S_ISREG(item.st_mode) && IsFontFileName(name) && files.size() < kMaxFiles) {
      files.push_back(path);
    }
  }
  closedir(dir);
  std::sort(folders.begin(), folders.end());
  for (const std::string& sub : folders) Walk(sub, depth + 1, seen, files);
}

}  // namespace

std::vector<FolderFace> ReadFaceNames(const std::string& file, const FontFileReader& read) {
  std::vector<FolderFace> faces;
  std::string header;
  if (!read(0, 12, header)) return faces;
  std::vector<std::uint32_t> bases;
  if (header.compare(0, 4, "ttcf") == 0) {
    std::uint32_t count = std::min(Be(header, 8, 4), kMaxFacesPerFile);
    std::string offsets;
    if (count == 0 || !read(12, 4 * count, offsets)) return faces;
    for (std::uint32_t i = 0; i < count; ++i) bases.push_back(Be(offsets, 4 * i, 4));
  } else {
    bases.push_back(0);
  }
  for (std::size_t i = 0; i < bases.size(); ++i) {
    FolderFace face;
    face.file = file;
    face.index = static_cast<int>(i);
    if (ReadFace(read, bases[i], face.family, face.style)) faces.push_back(std::move(face));
  }
  return faces;
}

std::vector<std::string> StandardFontFolders() {
  std::vector<std::string> folders = {"/usr/share/fonts", "/usr/local/share/fonts"};
  const char* home = std::getenv("HOME");
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') {
    folders.push_back(std::string(dataHome) + "/fonts");
  } else if (home && home[0] == '/') {
    folders.push_back(std::string(home) + "/.local/share/fonts");
  }
  if (home && home[0] == '/') folders.push_back(std::string(home) + "/.fonts");
  return folders;
}

std::vector<FolderFace> FindFolderFaces(const std::vector<std::string>& folders) {
  std::set<std::pair<dev_t, ino_t>> seen;
  std::vector<std::string> files;
  for (const std::string& folder : folders) Walk(folder, 0, seen, files);
  std::sort(files.begin(), files.end());
  std::vector<FolderFace> faces;
  for (const std::string& file : files) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    auto read = [fd](std::uint32_t offset, std::uint32_t length, std::string& out) {
      out.assign(length, '\0');
      std::size_t done = 0;
      while (done < length) {
        ssize_t n = pread(fd, &out[done], length - done, static_cast<off_t>(offset) + done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
      }
      return true;
    };
    for (FolderFace& face : ReadFaceNames(file, read)) faces.push_back(std::move(face));
    close(fd);
  }
  return faces;
}

FontFace ChooseFolderFace(const std::vector<FolderFace>& faces, const std::string& faceName) {
  // The best face of those `matches` accepts: a regular one if any.
  auto best = [&faces](auto matches) -> const FolderFace* {
    const FolderFace* first = nullptr;
    for (const FolderFace& face : faces) {
      if (!matches(face)) continue;
      if (IsRegular(face)) return &face;
      if (!first) first = &face;
    }
    return first;
  };
  auto named = [&best](const char* family) {
    return best(
        [family](const FolderFace& face) { return strcasecmp(face.family.c_str(), family) == 0; });
  };
  const FolderFace* chosen = faceName.empty() ? nullptr : named(faceName.c_str());
  for (const char* family : kArialCompatibleFamilies) {
    if (!chosen) chosen = named(family);
  }
  if (!chosen) chosen = named("DejaVu Sans");
  if (!chosen) chosen = best([](const FolderFace&) { return true; });
  FontFace face;
  if (chosen) {
    face.file = chosen->file;
    face.index = chosen->index;
    face.family = chosen->family;
  }
  return face;
}

}  // namespace mavrel
