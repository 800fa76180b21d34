// mavrel-inspect's own readers of a medium, on fuzzed media: the input (up
// to a line "#BMP") is the settings file, whatever follows that line the
// picture "pic.bmp", in a folder of the fuzzer's own that also holds a few
// files and folders that settings may name (setup/, docs/, a script). The
// checks run on both platforms' readings and on one alone, and the JSON of
// the effective settings is made for both readings. Whatever the bytes, each
// must end; every finding must have a known code, a line of the file and a
// message of one line; the counts must add up; and the JSON must be valid.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "author/medium_check.h"
#include "author/settings_json.h"
#include "fuzz_check.h"
#include "platform/desktop/files/desktop_file_system.h"
#include "windows_rules/ini_reader.h"
#include "windows_rules/text_encoding.h"

namespace {

void WriteFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  FUZZ_CHECK(out.good());
}

// A JSON value as the tools print it: objects, arrays, strings, integers.
class JsonChecker {
 public:
  explicit JsonChecker(std::string_view text) : text_(text) {}
  bool Valid() {
    Space();
    if (!Value(0)) return false;
    Space();
    return pos_ == text_.size();
  }

 private:
  void Space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n')) ++pos_;
  }
  bool Take(char c) {
    Space();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool String() {
    if (!Take('"')) return false;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++pos_ >= text_.size()) return false;
        const char e = text_[pos_];
        if (e == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (++pos_ >= text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[pos_])))
              return false;
          }
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
      }
      ++pos_;
    }
    return Take('"');
  }
  bool Value(int depth) {
    if (depth > 8) return false;
    Space();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '"') return String();
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++pos_;
      if (Take(close)) return true;
      do {
        if (c == '{' && (!String() || !Take(':'))) return false;
        if (!Value(depth + 1)) return false;
      } while (Take(','));
      return Take(close);
    }
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start && text_[pos_ - 1] != '-';
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// Lines end at a line feed, a CR LF pair or a lone CR, as the reader counts.
std::uint32_t LineCount(std::string_view text) {
  std::uint32_t lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++lines;
    }
  }
  return lines;
}

void CheckResultIsSound(const mavrel::CheckResult& result, std::uint32_t lines) {
  FUZZ_CHECK(result.settingsFile == "Mavrel.INI");
  int errors = 0;
  int warnings = 0;
  int notes = 0;
  std::uint32_t previous = 0;
  for (const mavrel::Finding& f : result.findings) {
    const std::string_view code = f.code;
    FUZZ_CHECK(code.size() == 4 && code[0] == 'M' && code[1] >= '1' && code[1] <= '7' &&
               code[2] == '0' && code[3] >= '1' && code[3] <= '9');
    FUZZ_CHECK(f.line >= 1 && f.line <= lines);
    FUZZ_CHECK(f.line >= previous);
    previous = f.line;
    FUZZ_CHECK(!f.message.empty() && f.message.find('\n') == std::string::npos);
    FUZZ_CHECK(mavrel::IsValidUtf8(f.message));
    errors += f.severity == mavrel::Severity::kError;
    warnings += f.severity == mavrel::Severity::kWarning;
    notes += f.severity == mavrel::Severity::kNote;
  }
  FUZZ_CHECK(errors == result.errors && warnings == result.warnings && notes == result.notes);
}

// The medium's folder, one for the whole run, holding what settings commonly
// name; each input is checked in it, as the tool checks the current folder,
// and the fuzzer's own folder is current again afterwards.
char medium[] = "/tmp/mavrel-check-fuzz-XXXXXX";
int startFolder = -1;

void RemoveMedium() { std::filesystem::remove_all(medium); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  startFolder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (startFolder < 0 || mkdtemp(medium) == nullptr || chdir(medium) != 0) std::abort();
  std::atexit(RemoveMedium);
  for (const char* name : {"setup", "docs", "drivers"}) {
    if (mkdir(name, 0755) != 0) std::abort();
  }
  WriteFile("setup/setup.exe", "MZ");
  WriteFile("setup/install.sh", "#!/bin/sh\n");
  WriteFile("docs/readme.txt", "read me\n");
  FUZZ_CHECK(fchdir(startFolder) == 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(chdir(medium) == 0);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t marker = input.find("\n#BMP\n");
  const std::string_view settings = input.substr(0, marker);
  WriteFile("Mavrel.INI", settings);
  if (marker != std::string_view::npos) {
    WriteFile("pic.bmp", input.substr(marker + 6));
  } else {
    std::remove("pic.bmp");
  }
  const std::uint32_t lines = LineCount(mavrel::IniFile(settings).bytes());

  for (const mavrel::Platforms platforms :
       {mavrel::Platforms::kBoth,
        size % 2 == 0 ? mavrel::Platforms::kWindows : mavrel::Platforms::kLinux}) {
    mavrel::DesktopFileSystem files;
    const mavrel::CheckResult result = mavrel::CheckMedium(
        files, [&files](bool on) { files.SetLinuxSections(on); },
        [&files](const char* path) { return files.ParsedSettings(path); }, platforms);
    FUZZ_CHECK(files.settingsParseCount() <= 1);
    CheckResultIsSound(result, lines);
    if (platforms != mavrel::Platforms::kBoth) {
      for (const mavrel::Finding& f : result.findings) {
        FUZZ_CHECK(f.platforms == platforms || f.platforms == mavrel::Platforms::kBoth);
      }
    }
  }
  for (const bool linuxSections : {false, true}) {
    mavrel::DesktopFileSystem files;
    files.SetLinuxSections(linuxSections);
    const std::string json = mavrel::SettingsJson(files);
    FUZZ_CHECK(mavrel::IsValidUtf8(json));
    FUZZ_CHECK(JsonChecker(json).Valid());
  }
  FUZZ_CHECK(fchdir(startFolder) == 0);
  return 0;
}
