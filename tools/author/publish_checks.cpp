#include "author/publish_checks.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "windows_rules/ini_reader.h"
#include "windows_rules/text_encoding.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

// Joliet with long names (as `mavrel-inspect image` writes it) keeps 103
// UTF-16 units of a name; a longer one is cut, and Windows sees another name.
constexpr std::size_t kJolietNameLimit = 103;
// Windows opens no path longer than MAX_PATH (260 with "D:\" and the final
// zero), whatever the medium holds.
constexpr std::size_t kWindowsPathLimit = 260 - 4;
// FAT32 stores sizes in 32 bits; ISO 9660 needs several extents for more.
constexpr std::uintmax_t kLargestSingleFile = 0xFFFFFFFFu;
constexpr std::uintmax_t kSector = 2048;
// A 80-minute CD-R ("700 MB") and a single-layer DVD+R ("4.7 GB"), the
// smaller of the DVD formats.
constexpr std::uintmax_t kCdBytes = 360000 * kSector;
constexpr std::uintmax_t kDvdBytes = 2295104 * kSector;
constexpr std::size_t kVolumeLabelLimit = 32;

// A name or path for a message: UTF-8 as it is, anything else (bytes that
// are no UTF-8, control characters) as \xNN.
std::string Shown(std::string_view bytes) {
  std::string out;
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint32_t code = 0;
    if (std::size_t length = Utf8SequenceAt(bytes, at, code)) {
      out.append(bytes.substr(at, length));
      at += length;
      continue;
    }
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    }
  }
  return out;
}

// The characters of a UTF-8 name; false when it is not UTF-8.
bool Characters(std::string_view name, std::u32string& characters) {
  characters.clear();
  for (std::size_t at = 0; at < name.size();) {
    std::uint32_t code = static_cast<unsigned char>(name[at]);
    std::size_t length = code < 0x80 ? 1 : Utf8SequenceAt(name, at, code);
    if (length == 0) return false;
    characters.push_back(code);
    at += length;
  }
  return true;
}

std::size_t Utf16Length(const std::u32string& characters) {
  std::size_t units = 0;
  for (char32_t c : characters) units += c > 0xFFFF ? 2 : 1;
  return units;
}

// Letter case as Windows and FAT ignore it, for the western, Greek and
// Cyrillic alphabets (Windows folds a few more).
char32_t Folded(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F)) {
    return c + 0x20;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::u32string FoldedName(std::string_view name) {
  std::u32string characters;
  if (!Characters(name, characters)) {
    characters.assign(name.begin(), name.end());  // bytes, compared as they are
  }
  std::transform(characters.begin(), characters.end(), characters.begin(), Folded);
  return characters;
}

// What Joliet or FAT cannot store in `name` and what Windows makes of it,
// or "" when they can store it.
std::string StorageProblem(std::string_view name) {
  const std::string changed = ": Windows shows the name changed";
  std::u32string characters;
  if (!Characters(name, characters)) {
    return "is not UTF-8 text, and Joliet and FAT store names in Unicode" + changed;
  }
  for (char32_t c : characters) {
    if (c < 0x20 || c == 0x7F) return "holds a control character" + changed;
    if (std::u32string_view(U"\"*:;<>?\\|").find(c) != std::u32string_view::npos) {
      return "holds '" + std::string(1, static_cast<char>(c)) + "', which " +
             (c == ';' ? "Joliet" : "Windows and FAT") + " cannot store" + changed;
    }
    if (c > 0xFFFF) {
      return "holds a character beyond the 16-bit ones (such as an emoji), which Joliet "
             "cannot store" +
             changed;
    }
  }
  const std::string unopened = ": Windows cannot open the file";
  if (name.back() == '.' || name.back() == ' ') {
    return "ends with a dot or a space, which Windows drops" + unopened;
  }
  std::string base(name.substr(0, name.find('.')));
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  bool device = std::find(std::begin(kDevices), std::end(kDevices), base) != std::end(kDevices);
  device = device || (base.size() == 4 &&
                      (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
                      base[3] >= '1' && base[3] <= '9');
  if (device) return "is " + base + ", a name that Windows keeps for a device" + unopened;
  return "";
}

// The root's autorun.inf, found as Windows finds it: in any letter case.
std::optional<fs::path> AutorunInf(const fs::path& root) {
  std::error_code error;
  std::vector<fs::path> found;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    if (EqualNames(it->path().filename().string(), "autorun.inf") && it->is_regular_file(error)) {
      found.push_back(it->path());
    }
  }
  if (found.empty()) return std::nullopt;
  return *std::min_element(found.begin(), found.end());
}

// Windows reads autorun.inf as it reads any settings file, UTF-16 included.
IniFile ReadIni(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return IniFile(std::move(bytes));
}

std::string Megabytes(std::uintmax_t bytes) {
  return std::to_string((bytes + (1u << 19)) >> 20) + " MB";
}

class PublishChecker {
 public:
  explicit PublishChecker(fs::path root) : root_(std::move(root)) {}

  std::vector<Finding> Run() {
    WalkFolder(root_, "");
    CheckStarters();
    CheckAutorunInf();
    CheckSize();
    return std::move(findings_);
  }

 private:
  void Add(Severity severity, const char* code, std::string message) {
    findings_.push_back(Finding{0, severity, code, std::move(message)});
  }

  struct Entry {
    std::string name;  // UTF-8 where the system gives it so
    fs::directory_entry entry;
  };

  static std::string NameOf(const fs::path& path) {
    try {
      return path.filename().u8string();
    } catch (...) {
      return path.filename().string();  // a Windows name no UTF-8 can hold
    }
  }

  void WalkFolder(const fs::path& folder, const std::string& relative) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(Entry{NameOf(it->path()), *it});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    size_ += kSector;  // the folder's own records, in each of the trees
    std::map<std::u32string, std::string> folded;
    for (const Entry& e : entries) {
      const std::string path = relative + e.name;
      if (relative.empty()) rootNames_[e.name] = e.entry;
      const auto twin = folded.emplace(FoldedName(e.name), path);
      if (!twin.second) {
        Add(Severity::kError, "M802",
            Shown(twin.first->second) + " and " + Shown(path) +
                " differ only in letter case: Windows and FAT keep only one of them");
      }
      CheckName(e.name, path);
      const fs::file_status status = e.entry.symlink_status(error);
      if (fs::is_directory(status)) {
        WalkFolder(e.entry.path(), path + "/");
      } else if (fs::is_regular_file(status)) {
        CheckFile(e.entry, path);
      } else {
        Add(Severity::kWarning, "M810",
            Shown(path) + (fs::is_symlink(status)
                               ? " is a symbolic link: Joliet and FAT store no links, so Windows "
                                 "does not see it"
                               : " is no regular file or folder: an image leaves it out"));
      }
    }
  }

  void CheckName(const std::string& name, const std::string& path) {
    const std::string problem = StorageProblem(name);
    if (!problem.empty()) {
      Add(Severity::kError, "M803", "the name of " + Shown(path) + " " + problem);
      return;
    }
    std::u32string characters;
    Characters(name, characters);
    const std::size_t nameUnits = Utf16Length(characters);
    Characters(path, characters);
    const std::size_t pathUnits = Utf16Length(characters);
    if (nameUnits > kJolietNameLimit) {
      Add(Severity::kError, "M801",
          "the name of " + Shown(path) + " is " + std::to_string(nameUnits) +
              " characters long; Joliet keeps " + std::to_string(kJolietNameLimit) +
              ", so Windows sees it cut");
    } else if (pathUnits > kWindowsPathLimit) {
      Add(Severity::kError, "M801",
          "the path " + Shown(path) + " is " + std::to_string(pathUnits) +
              " characters long; Windows opens paths of at most " +
              std::to_string(kWindowsPathLimit) + " on a medium");
    }
  }

  void CheckFile(const fs::directory_entry& entry, const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = entry.file_size(error);
    if (error) return;
    size_ += (size + kSector - 1) / kSector * kSector;
    if (size > kLargestSingleFile) {
      Add(Severity::kWarning, "M804",
          Shown(path) + " is " + Megabytes(size) +
              ", 4 GiB or more: FAT32 sticks cannot hold it, and an ISO image keeps it in "
              "several pieces that older systems read wrong");
    }
  }

  // A medium that starts on Linux has both: autorun.sh runs mavrel.
  void CheckStarters() {
    const bool hasLauncher = rootNames_.count("mavrel") != 0;
    const bool hasStarter = rootNames_.count("autorun.sh") != 0;
    if (!hasLauncher && !hasStarter) return;
    for (const char* name : {"mavrel", "autorun.sh"}) {
      const auto found = rootNames_.find(name);
      std::error_code error;
      if (found == rootNames_.end() || !found->second.is_regular_file(error)) {
        Add(Severity::kError, "M805",
            std::string(name) + " is missing from the medium's root, beside " +
                (hasLauncher ? "mavrel" : "autorun.sh") + ": Linux users cannot start the medium");
        continue;
      }
#ifndef _WIN32
      const fs::perms perms = found->second.status(error).permissions();
      if ((perms & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) ==
          fs::perms::none) {
        Add(Severity::kError, "M806",
            std::string(name) +
                " is not executable: the image keeps it so, and it cannot be run by a "
                "double-click or a file manager's autorun");
      }
#endif
    }
  }

  void CheckAutorunInf() {
    const std::optional<fs::path> file = AutorunInf(root_);
    if (!file) return;
    const IniFile inf = ReadIni(*file);
    const std::string name = Shown(file->filename().string());
    std::string_view value;
    if ((!inf.Find("autorun", "open", value) || value.empty()) &&
        (!inf.Find("autorun", "shellexecute", value) || value.empty())) {
      Add(Severity::kError, "M807",
          name + " has no open= in [autorun]: Windows offers nothing to start");
    }
    if (inf.Find("autorun", "label", value)) {
      std::u32string characters;
      if (!Characters(value, characters)) characters.assign(value.begin(), value.end());
      if (characters.size() > kVolumeLabelLimit) {
        Add(Severity::kWarning, "M808",
            name + ": label= is " + std::to_string(characters.size()) +
                " characters long; a volume label keeps " + std::to_string(kVolumeLabelLimit) +
                ", so the image and Linux show it cut");
      }
    }
  }

  void CheckSize() {
    if (size_ <= kCdBytes) return;
    Add(Severity::kNote, "M809",
        "the medium takes about " + Megabytes(size_) +
            (size_ <= kDvdBytes
                 ? ": more than a CD holds (700 MB); a DVD or a USB stick holds it"
                 : ": more than a DVD holds (4.7 GB); a dual-layer DVD, a BD or a USB stick "
                   "holds it"));
  }

  const fs::path root_;
  std::vector<Finding> findings_;
  std::map<std::string, fs::directory_entry> rootNames_;
  std::uintmax_t size_ = 16 * kSector;  // the system area before the first descriptor
};

}  // namespace

std::vector<Finding> CheckPublishing(const fs::path& root) { return PublishChecker(root).Run(); }

std::optional<std::string> AutorunLabel(const fs::path& root) {
  const std::optional<fs::path> file = AutorunInf(root);
  if (!file) return std::nullopt;
  const IniFile inf = ReadIni(*file);
  std::string_view value;  // points into inf
  if (!inf.Find("autorun", "label", value)) return std::nullopt;
  return std::string(value);
}

}  // namespace mavrel
