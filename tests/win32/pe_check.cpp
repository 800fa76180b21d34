// Checks a built Windows program from its file alone, so that the i686
// build, which these machines cannot run, is checked as well as the x86_64
// one:
//   - the machine type and the subsystem (GUI or console);
//   - every DLL it imports (directly or delay-loaded) is one that Windows
//     itself provides: KERNEL32, USER32, GDI32, SHELL32 and msvcrt;
//   - optionally, that it carries icon group 107 with a 32x32 and a 16x16
//     image of 16 colours, and an application manifest asking for no
//     elevation (asInvoker) and listing the supported Windows versions;
//   - optionally, that its version resource names the product "Mavrel",
//     gives VERSION (as "1.2.3" and as the four numbers 1.2.3.0 of both
//     fixed versions) and describes the file.
//
// mavrel-pe-check --machine x86_64|i686 --subsystem gui|console
//                 [--icon-group ID] [--manifest] [--version-info VERSION] FILE
// Prints what it found; exits 0 when every check passes, 1 otherwise.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

class PeFile {
 public:
  explicit PeFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  bool Parse(std::string& error) {
    std::uint32_t peOffset = 0;
    if (!U16(0, magic_) || magic_ != 0x5A4D || !U32(0x3C, peOffset)) {
      error = "no MZ header";
      return false;
    }
    std::uint32_t signature = 0;
    if (!U32(peOffset, signature) || signature != 0x00004550) {
      error = "no PE signature";
      return false;
    }
    const std::size_t fileHeader = peOffset + 4;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalSize = 0;
    if (!U16(fileHeader, machine_) || !U16(fileHeader + 2, sectionCount) ||
        !U16(fileHeader + 16, optionalSize)) {
      error = "truncated file header";
      return false;
    }
    const std::size_t optional = fileHeader + 20;
    std::uint16_t optionalMagic = 0;
    if (!U16(optional, optionalMagic) || (optionalMagic != 0x10B && optionalMagic != 0x20B)) {
      error = "unknown optional header";
      return false;
    }
    const bool plus = optionalMagic == 0x20B;
    if (!U16(optional + 68, subsystem_)) {
      error = "truncated optional header";
      return false;
    }
    const std::size_t directories = optional + (plus ? 112 : 96);
    std::uint32_t directoryCount = 0;
    if (!U32(optional + (plus ? 108 : 92), directoryCount)) {
      error = "truncated optional header";
      return false;
    }
    for (std::uint32_t i = 0; i < directoryCount && i < 16; ++i) {
      DataDirectory d;
      if (!U32(directories + 8 * i, d.rva) || !U32(directories + 8 * i + 4, d.size)) {
        error = "truncated data directories";
        return false;
      }
      directories_.push_back(d);
    }
    const std::size_t sections = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
      const std::size_t s = sections + 40 * i;
      Section section;
      if (!U32(s + 8, section.virtualSize) || !U32(s + 12, section.rva) ||
          !U32(s + 16, section.rawSize) || !U32(s + 20, section.rawOffset)) {
        error = "truncated section table";
        return false;
      }
      sections_.push_back(section);
    }
    return true;
  }

  std::uint16_t machine() const { return machine_; }
  std::uint16_t subsystem() const { return subsystem_; }

  // The DLL names of the import (1) and delay-import (13) directories.
  bool ImportedDlls(std::vector<std::string>& dlls, std::string& error) const {
    if (Directory(1).rva != 0) {
      for (std::uint32_t entry = Directory(1).rva;; entry += 20) {
        std::uint32_t nameRva = 0;
        std::uint32_t thunks = 0;
        if (!U32Rva(entry + 12, nameRva) || !U32Rva(entry, thunks)) {
          error = "import directory runs off the file";
          return false;
        }
        if (nameRva == 0) break;
        std::string name;
        if (!StringRva(nameRva, name)) {
          error = "import name runs off the file";
          return false;
        }
        dlls.push_back(name);
      }
    }
    if (Directory(13).rva != 0) {
      for (std::uint32_t entry = Directory(13).rva;; entry += 32) {
        std::uint32_t nameRva = 0;
        if (!U32Rva(entry + 4, nameRva)) {
          error = "delay-import directory runs off the file";
          return false;
        }
        if (nameRva == 0) break;
        std::string name;
        if (!StringRva(nameRva, name)) {
          error = "delay-import name runs off the file";
          return false;
        }
        dlls.push_back(name);
      }
    }
    return true;
  }

  // The data of resource (type, id), language ignored; false when absent.
  bool Resource(std::uint32_t type, std::uint32_t id, std::vector<std::uint8_t>& data) const {
    const std::uint32_t root = Directory(2).rva;
    if (root == 0) return false;
    std::uint32_t typeDir = 0;
    std::uint32_t idDir = 0;
    if (!FindEntry(root, root, type, true, typeDir)) return false;
    if (!FindEntry(root, typeDir, id, true, idDir)) return false;
    std::uint32_t leaf = 0;
    if (!FindEntry(root, idDir, 0, false, leaf)) return false;  // first language
    std::uint32_t dataRva = 0;
    std::uint32_t size = 0;
    if (!U32Rva(leaf, dataRva) || !U32Rva(leaf + 4, size)) return false;
    std::size_t offset = 0;
    if (!RvaToOffset(dataRva, offset) || offset + size > bytes_.size() || offset + size < offset)
      return false;
    data.assign(bytes_.begin() + offset, bytes_.begin() + offset + size);
    return true;
  }

 private:
  struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
  };
  struct Section {
    std::uint32_t virtualSize = 0, rva = 0, rawSize = 0, rawOffset = 0;
  };

  DataDirectory Directory(std::size_t index) const {
    return index < directories_.size() ? directories_[index] : DataDirectory{};
  }

  bool U16(std::size_t offset, std::uint16_t& value) const {
    if (offset + 2 > bytes_.size() || offset + 2 < offset) return false;
    value = static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    return true;
  }
  bool U32(std::size_t offset, std::uint32_t& value) const {
    if (offset + 4 > bytes_.size() || offset + 4 < offset) return false;
    value = static_cast<std::uint32_t>(bytes_[offset]) |
            (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
            (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    return true;
  }
  bool RvaToOffset(std::uint32_t rva, std::size_t& offset) const {
    for (const Section& s : sections_) {
      const std::uint32_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.rva && rva - s.rva < extent && rva - s.rva < s.rawSize) {
        offset = static_cast<std::size_t>(s.rawOffset) + (rva - s.rva);
        return true;
      }
    }
    return false;
  }
  bool U32Rva(std::uint32_t rva, std::uint32_t& value) const {
    std::size_t offset = 0;
    return RvaToOffset(rva, offset) && U32(offset, value);
  }
  bool U16Rva(std::uint32_t rva, std::uint16_t& value) const {
    std::size_t offset = 0;
    return RvaToOffset(rva, offset) && U16(offset, value);
  }
  bool StringRva(std::uint32_t rva, std::string& text) const {
    std::size_t offset = 0;
    if (!RvaToOffset(rva, offset)) return false;
    for (std::size_t i = offset; i < bytes_.size() && i - offset < 256; ++i) {
      if (bytes_[i] == 0) return true;
      text.push_back(static_cast<char>(bytes_[i]));
    }
    return false;
  }
  // In the resource directory at `dir`, the entry with numeric `id` (or the
  // first entry when !byId); `target` is the RVA of what it points at.
  bool FindEntry(std::uint32_t root, std::uint32_t dir, std::uint32_t id, bool byId,
                 std::uint32_t& target) const {
    std::uint16_t named = 0;
    std::uint16_t numbered = 0;
    if (!U16Rva(dir + 12, named) || !U16Rva(dir + 14, numbered)) return false;
    const std::uint32_t count = static_cast<std::uint32_t>(named) + numbered;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t name = 0;
      std::uint32_t offset = 0;
      if (!U32Rva(dir + 16 + 8 * i, name) || !U32Rva(dir + 20 + 8 * i, offset)) return false;
      if (byId && ((name & 0x80000000u) != 0 || name != id)) continue;
      target = root + (offset & 0x7FFFFFFFu);
      return true;
    }
    return false;
  }

  std::vector<std::uint8_t> bytes_;
  std::uint16_t magic_ = 0;
  std::uint16_t machine_ = 0;
  std::uint16_t subsystem_ = 0;
  std::vector<DataDirectory> directories_;
  std::vector<Section> sections_;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failures;
}

// The icon group's entries: (width, height, colour count, bits per pixel, id).
void CheckIconGroup(const PeFile& pe, std::uint32_t groupId) {
  std::vector<std::uint8_t> group;
  if (!pe.Resource(14, groupId, group)) {
    Check(false, "icon group " + std::to_string(groupId) + " present");
    return;
  }
  Check(true, "icon group " + std::to_string(groupId) + " present");
  if (group.size() < 6) {
    Check(false, "icon group header complete");
    return;
  }
  const unsigned count = group[4] | (group[5] << 8);
  Check(group.size() >= 6 + 14 * count, "icon group entries complete");
  std::set<unsigned> sizes;
  for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
    const std::uint8_t* e = group.data() + 6 + 14 * i;
    const unsigned width = e[0] ? e[0] : 256;
    const unsigned height = e[1] ? e[1] : 256;
    const unsigned colours = e[2];
    const unsigned bits = e[6] | (e[7] << 8);
    const unsigned iconId = e[12] | (e[13] << 8);
    std::vector<std::uint8_t> image;
    const bool present = pe.Resource(3, iconId, image);
    char line[160];
    std::snprintf(line, sizeof(line), "icon image %ux%u, %u colours, %u bits, id %u, %s", width,
                  height, colours, bits, iconId, present ? "present" : "missing");
    Check(present && width == height && colours == 16 && bits == 4, line);
    sizes.insert(width);
  }
  Check(count == 2 && sizes == std::set<unsigned>{16, 32}, "a 32x32 and a 16x16 image");
}

void CheckManifest(const PeFile& pe) {
  std::vector<std::uint8_t> data;
  const bool present = pe.Resource(24, 1, data);
  Check(present, "application manifest present");
  const std::string text(data.begin(), data.end());
  Check(text.find("level=\"asInvoker\"") != std::string::npos, "manifest asks for asInvoker");
  std::size_t versions = 0;
  for (std::size_t at = text.find("<supportedOS"); at != std::string::npos;
       at = text.find("<supportedOS", at + 1))
    ++versions;
  Check(versions >= 1,
        "manifest lists " + std::to_string(versions) + " supported Windows versions");
}

// One node of a version resource: a key, its value (text as UTF-16 or
// bytes) and the nodes inside it.
struct VersionNode {
  std::string key;
  std::vector<std::uint8_t> value;
  bool text = false;
  std::vector<VersionNode> children;
};

std::size_t Align4(std::size_t at) { return (at + 3) & ~static_cast<std::size_t>(3); }

// A UTF-16 text at `at` up to its zero or `end`; other than ASCII becomes '?'.
std::string Utf16Text(const std::vector<std::uint8_t>& data, std::size_t& at, std::size_t end) {
  std::string text;
  while (at + 2 <= end) {
    const unsigned unit = data[at] | (data[at + 1] << 8);
    at += 2;
    if (unit == 0) break;
    text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return text;
}

// Reads the node at `at` that must end by `end`; false when it is malformed.
bool ReadVersionNode(const std::vector<std::uint8_t>& data, std::size_t at, std::size_t end,
                     int depth, VersionNode& node) {
  if (depth > 8 || at + 6 > end) return false;
  const std::size_t length = data[at] | (data[at + 1] << 8);
  const std::size_t valueLength = data[at + 2] | (data[at + 3] << 8);
  const unsigned type = data[at + 4] | (data[at + 5] << 8);
  if (length < 6 || at + length > end) return false;
  end = at + length;
  std::size_t p = at + 6;
  node.key = Utf16Text(data, p, end);
  p = Align4(p);
  node.text = type == 1;
  const std::size_t valueBytes = node.text ? 2 * valueLength : valueLength;
  if (p + valueBytes > end) return false;
  node.value.assign(data.begin() + p, data.begin() + p + valueBytes);
  p = Align4(p + valueBytes);
  while (p + 6 <= end) {
    VersionNode child;
    const std::size_t childLength = data[p] | (data[p + 1] << 8);
    if (!ReadVersionNode(data, p, end, depth + 1, child)) return false;
    node.children.push_back(std::move(child));
    p = Align4(p + childLength);
  }
  return true;
}

// "1.2.3" as the four numbers of a fixed version; false for anything else.
bool VersionNumbers(const std::string& version, unsigned (&numbers)[4]) {
  std::size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    numbers[i] = 0;
    if (at >= version.size()) continue;
    std::size_t used = 0;
    const unsigned long n = std::stoul(version.substr(at), &used);
    if (used == 0 || n > 0xFFFF) return false;
    numbers[i] = static_cast<unsigned>(n);
    at += used;
    if (at < version.size() && version[at++] != '.') return false;
  }
  return at >= version.size();
}

void CheckVersionInfo(const PeFile& pe, const std::string& version) {
  std::vector<std::uint8_t> data;
  const bool present = pe.Resource(16, 1, data);
  Check(present, "version resource present");
  if (!present) return;
  VersionNode root;
  const bool formed = ReadVersionNode(data, 0, data.size(), 0, root);
  Check(formed && root.key == "VS_VERSION_INFO",
        "version resource well formed: \"" + root.key + "\"");
  unsigned expected[4];
  if (!VersionNumbers(version, expected)) {
    Check(false, "\"" + version + "\" is a version of up to four numbers");
    return;
  }
  const std::vector<std::uint8_t>& fixed = root.value;
  auto u32 = [&fixed](std::size_t at) {
    return static_cast<std::uint32_t>(fixed[at] | (fixed[at + 1] << 8) | (fixed[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(fixed[at + 3]) << 24));
  };
  if (fixed.size() < 52 || u32(0) != 0xFEEF04BDu) {
    Check(false, "fixed file information present");
    return;
  }
  const char* names[2] = {"file", "product"};
  for (int which = 0; which < 2; ++which) {
    const std::uint32_t high = u32(8 + 8 * which);
    const std::uint32_t low = u32(12 + 8 * which);
    const unsigned got[4] = {high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF};
    char line[160];
    std::snprintf(line, sizeof line, "fixed %s version %u.%u.%u.%u (expected %u.%u.%u.%u)",
                  names[which], got[0], got[1], got[2], got[3], expected[0], expected[1],
                  expected[2], expected[3]);
    Check(std::equal(got, got + 4, expected), line);
  }
  // StringFileInfo, then its one table of strings.
  std::vector<std::pair<std::string, std::string>> strings;
  for (const VersionNode& info : root.children) {
    if (info.key != "StringFileInfo") continue;
    for (const VersionNode& table : info.children) {
      for (const VersionNode& entry : table.children) {
        std::size_t at = 0;
        strings.emplace_back(entry.key, Utf16Text(entry.value, at, entry.value.size()));
      }
    }
  }
  auto value = [&strings](const std::string& key) {
    for (const auto& entry : strings)
      if (entry.first == key) return entry.second;
    return std::string("(missing)");
  };
  Check(value("ProductName") == "Mavrel", "product name \"" + value("ProductName") + "\"");
  Check(value("ProductVersion") == version, "product version \"" + value("ProductVersion") + "\"");
  Check(value("FileVersion") == version, "file version \"" + value("FileVersion") + "\"");
  const std::string description = value("FileDescription");
  Check(!description.empty() && description != "(missing)",
        "file description \"" + description + "\"");
}

}  // namespace

int main(int argc, char** argv) {
  std::string machine;
  std::string subsystem;
  std::string path;
  long iconGroup = -1;
  bool manifest = false;
  std::string versionInfo;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--machine" && i + 1 < argc) {
      machine = argv[++i];
    } else if (arg == "--subsystem" && i + 1 < argc) {
      subsystem = argv[++i];
    } else if (arg == "--icon-group" && i + 1 < argc) {
      iconGroup = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "--manifest") {
      manifest = true;
    } else if (arg == "--version-info" && i + 1 < argc) {
      versionInfo = argv[++i];
    } else {
      path = arg;
    }
  }
  if (path.empty() || (machine != "x86_64" && machine != "i686") ||
      (subsystem != "gui" && subsystem != "console")) {
    std::fprintf(stderr,
                 "usage: mavrel-pe-check --machine x86_64|i686 --subsystem gui|console "
                 "[--icon-group ID] [--manifest] [--version-info VERSION] FILE\n");
    return 2;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  PeFile pe(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
  std::string error;
  if (!pe.Parse(error)) {
    Check(false, path + " is a PE file (" + error + ")");
    return 1;
  }
  std::printf("%s\n", path.c_str());
  Check(pe.machine() == (machine == "x86_64" ? 0x8664 : 0x14C), "machine " + machine);
  Check(pe.subsystem() == (subsystem == "gui" ? 2 : 3), "subsystem " + subsystem);

  const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll",
                                         "msvcrt.dll"};
  std::vector<std::string> dlls;
  if (!pe.ImportedDlls(dlls, error)) {
    Check(false, "import table readable (" + error + ")");
  } else {
    Check(!dlls.empty(), "imports " + std::to_string(dlls.size()) + " DLLs");
    for (const std::string& dll : dlls) {
      Check(allowed.count(Lower(dll)) == 1, "imports " + dll);
    }
  }
  if (iconGroup >= 0) CheckIconGroup(pe, static_cast<std::uint32_t>(iconGroup));
  if (manifest) CheckManifest(pe);
  if (!versionInfo.empty()) CheckVersionInfo(pe, versionInfo);
  return failures == 0 ? 0 : 1;
}
