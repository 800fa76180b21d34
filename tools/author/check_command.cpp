#include "author/check_command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "author/medium_check.h"
#include "settings/settings.h"

namespace mavrel {
namespace {

constexpr const char* kCheckUsage =
    "Usage: mavrel-inspect check [DIRECTORY] [--platform windows|linux] [--format text|json]\n"
    "                            [--strict]\n"
    "Checks the medium in DIRECTORY (default: the current directory) for mistakes\n"
    "the launcher never reports: unknown keys, gaps in the button list, numbers\n"
    "and colours that do not read as meant, encodings, the picture, the layout\n"
    "(text widths approximate) and the programs, documents and folders the buttons\n"
    "name, looked for as Windows and the desktop launcher look for them; and the\n"
    "files' names, sizes and modes as an ISO image or a USB stick keeps them.\n"
    "Both platforms' readings are checked: Mavrel.exe's ([NAME]) and the Linux\n"
    "launcher's ([NAME.Linux] over [NAME]); a finding that holds on one of them\n"
    "only says which. --platform checks one of them alone.\n"
    "Prints one line per finding, FILE:LINE: error|warning|note: message [CODE],\n"
    "or DIRECTORY: ... for a finding about the files, then a count (a note is no\n"
    "mistake); the codes are explained in AUTHORING.md. --format json prints\n"
    "them as JSON.\n"
    "Exit status: 0 when there is no error (with --strict: no error or warning),\n"
    "1 when there is, 2 when DIRECTORY cannot be entered, holds no Mavrel.INI or\n"
    "the arguments are wrong.\n";

// Messages are UTF-8 already; only JSON's own characters are escaped.
std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(u));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      break;
  }
  return "note";
}

const char* PlatformName(Platforms platforms) {
  switch (platforms) {
    case Platforms::kWindows:
      return "windows";
    case Platforms::kLinux:
      return "linux";
    case Platforms::kBoth:
      break;
  }
  return "both";
}

std::string Counted(int count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// A finding about the medium's files (line 0) names the folder, and the
// file in its message.
std::string FormatText(const CheckResult& result, const std::string& file,
                       const std::string& folder) {
  std::string out;
  for (const Finding& f : result.findings) {
    // Which platform, where both were checked and one alone has it.
    std::string platform;
    if (result.checked == Platforms::kBoth && f.platforms != Platforms::kBoth) {
      platform = f.platforms == Platforms::kWindows ? "on Windows: " : "on Linux: ";
    }
    out += (f.line == 0 ? folder : file + ":" + std::to_string(f.line)) + ": " +
           SeverityName(f.severity) + ": " + platform + f.message + " [" + f.code + "]\n";
  }
  if (result.findings.empty()) {
    out += file + ": no findings\n";
  } else {
    out += file + ": " + Counted(result.errors, "error") + ", " +
           Counted(result.warnings, "warning") +
           (result.notes != 0 ? ", " + Counted(result.notes, "note") : std::string()) + "\n";
  }
  return out;
}

std::string FormatJson(const CheckResult& result, const std::string& file) {
  std::string out = "{\n  \"settings_file\": " + JsonText(file) +
                    ",\n  \"errors\": " + std::to_string(result.errors) +
                    ",\n  \"warnings\": " + std::to_string(result.warnings) +
                    ",\n  \"findings\": [";
  for (std::size_t i = 0; i < result.findings.size(); ++i) {
    const Finding& f = result.findings[i];
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"line\": " + std::to_string(f.line) + ", \"severity\": \"" +
           SeverityName(f.severity) + "\", \"code\": \"" + f.code +
           "\", \"message\": " + JsonText(f.message) + ", \"platform\": \"" +
           PlatformName(f.platforms) + "\"}";
  }
  out += result.findings.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

}  // namespace

bool ParsePlatform(const char* name, Platforms& platforms) {
  if (std::strcmp(name, "windows") == 0) {
    platforms = Platforms::kWindows;
  } else if (std::strcmp(name, "linux") == 0) {
    platforms = Platforms::kLinux;
  } else {
    return false;
  }
  return true;
}

int RunCheckCommand(int argc, char** argv, FileSystem& platform,
                    const LinuxSectionsSwitch& useLinuxSections,
                    const ParsedSettingsSource& parsed) {
  const char* directory = nullptr;
  bool json = false;
  bool strict = false;
  Platforms platforms = Platforms::kBoth;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kCheckUsage, stdout);
      return 0;
    }
    if (std::strcmp(arg, "--strict") == 0) {
      strict = true;
    } else if (std::strcmp(arg, "--format") == 0 && i + 1 < argc &&
               (std::strcmp(argv[i + 1], "json") == 0 || std::strcmp(argv[i + 1], "text") == 0)) {
      json = std::strcmp(argv[++i], "json") == 0;
    } else if (std::strcmp(arg, "--format=json") == 0 || std::strcmp(arg, "--format=text") == 0) {
      json = std::strcmp(arg, "--format=json") == 0;
    } else if (std::strcmp(arg, "--platform") == 0) {
      if (i + 1 >= argc || !ParsePlatform(argv[++i], platforms)) {
        std::fprintf(stderr, "mavrel-inspect check: --platform takes windows or linux\n%s",
                     kCheckUsage);
        return 2;
      }
    } else if (arg[0] == '-' || directory != nullptr) {
      std::fprintf(stderr, "mavrel-inspect check: unexpected argument \"%s\"\n%s", arg,
                   kCheckUsage);
      return 2;
    } else {
      directory = arg;
    }
  }
  std::error_code error;
  if (directory != nullptr) {
    std::filesystem::current_path(std::filesystem::path(directory), error);
    if (directory[0] == '\0' || error) {
      std::fprintf(stderr,
                   "mavrel-inspect check: cannot enter the directory \"%s\" (missing, not a "
                   "directory, or not accessible)\n",
                   directory);
      return 2;
    }
  }
  const CheckResult result = CheckMedium(platform, useLinuxSections, parsed, platforms);
  if (result.settingsFile.empty()) {
    std::fprintf(stderr, "mavrel-inspect check: no %s in \"%s\"\n", kSettingsFileName,
                 directory != nullptr ? directory : ".");
    return 2;
  }
  // Named from where the tool was started, so that an editor finds it.
  std::string file = result.settingsFile;
  if (directory != nullptr) {
    std::string folder = directory;
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    file = folder + file;
  }
  const std::string out = json ? FormatJson(result, file)
                               : FormatText(result, file, directory != nullptr ? directory : ".");
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "mavrel-inspect check: cannot write the output\n");
    return 2;
  }
  return (result.errors > 0 || (strict && result.warnings > 0)) ? 1 : 0;
}

}  // namespace mavrel
