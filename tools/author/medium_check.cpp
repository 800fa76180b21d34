#include "author/medium_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

#include "author/check_context.h"
#include "author/check_groups.h"
#include "author/medium_files.h"
#include "settings/medium_settings.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {
namespace {

bool Holds(Platforms set, Platforms platform) {
  return (static_cast<int>(set) & static_cast<int>(platform)) != 0;
}

// A finding that each platform's run of a group gives alike holds for both
// and is kept once, where the first of the two stood.
std::vector<Finding> Merged(std::vector<Finding> findings) {
  using Key = std::tuple<std::uint32_t, Severity, std::string, std::string>;
  std::map<Key, std::size_t> windowsOnly;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    if (f.platforms == Platforms::kWindows) {
      windowsOnly.emplace(Key{f.line, f.severity, f.code, f.message}, i);
    }
  }
  std::vector<bool> dropped(findings.size(), false);
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    if (f.platforms != Platforms::kLinux) continue;
    auto twin = windowsOnly.find(Key{f.line, f.severity, f.code, f.message});
    if (twin == windowsOnly.end()) continue;
    findings[twin->second].platforms = Platforms::kBoth;
    dropped[i] = true;
    windowsOnly.erase(twin);
  }
  std::vector<Finding> out;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    if (!dropped[i]) out.push_back(std::move(findings[i]));
  }
  return out;
}

// The whole file in one read, as the launcher's reader takes it.
IniFile ReadIniFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) bytes.clear();
  return IniFile(std::move(bytes));
}

}  // namespace

CheckResult CheckMedium(FileSystem& files, const LinuxSectionsSwitch& useLinuxSections,
                        const ParsedSettingsSource& parsed, Platforms platforms) {
  CheckResult result;
  result.checked = platforms;
  // Read first, through the launcher's own code: the first read fixes the
  // settings file at the current directory, as the launcher's does.
  SettingsFile windowsSettings(files);
  SettingsFile linuxSettings(files);
  std::optional<MediumSettings> windowsMedium;
  std::optional<MediumSettings> linuxMedium;
  if (Holds(platforms, Platforms::kWindows)) {
    useLinuxSections(false);
    windowsMedium.emplace(windowsSettings);
  }
  if (Holds(platforms, Platforms::kLinux)) {
    useLinuxSections(true);
    linuxMedium.emplace(linuxSettings);
  }
  const SettingsFile& settings = windowsMedium ? windowsSettings : linuxSettings;

  std::error_code error;
  const std::string root = std::filesystem::current_path(error).string();
  if (error || !settings.resolved()) return result;
  MediumFiles mediumFiles(root);
  result.settingsFile = mediumFiles.SettingsFileName(settings.path());
  if (result.settingsFile.empty()) return result;
  const IniFile* shared = parsed ? parsed(settings.path()) : nullptr;
  IniFile own;
  if (shared == nullptr) own = ReadIniFile(root + "/" + result.settingsFile);
  const IniFile& ini = shared != nullptr ? *shared : own;

  // The first reading stands for the file as written.
  std::vector<Reading> readings;
  if (windowsMedium) readings.push_back(Reading{Platforms::kWindows, &*windowsMedium});
  if (linuxMedium) readings.push_back(Reading{Platforms::kLinux, &*linuxMedium});
  CheckContext context(ini, readings, mediumFiles);
  for (const CheckGroup& group : CheckGroups()) {
    if (!group.perPlatform) {
      context.Use(context.readings().front(), Platforms::kBoth);
      group.run(context);
      continue;
    }
    for (const Reading& reading : context.readings()) {
      context.Use(reading, reading.platform);
      group.run(context);
    }
  }
  result.findings = Merged(context.TakeFindings());
  std::stable_sort(result.findings.begin(), result.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& finding : result.findings) {
    switch (finding.severity) {
      case Severity::kError:
        ++result.errors;
        break;
      case Severity::kWarning:
        ++result.warnings;
        break;
      case Severity::kNote:
        ++result.notes;
        break;
    }
  }
  return result;
}

}  // namespace mavrel
