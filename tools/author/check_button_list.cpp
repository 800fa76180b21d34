// The numbered list of button sections in [Main] and the sections it names:
// gaps that end the list early, names of sections that are not there,
// sections that no list key names, [NAME.Linux] without [NAME], and a file
// without [Main].
#include <map>
#include <set>

#include "author/check_groups.h"
#include "windows_rules/linux_sections.h"

namespace mavrel {
namespace {

// True when the byte order mark hides the file's first line, and with it
// the [Main] header that may stand there (reported as M401).
bool MarkHidesFirstLine(const IniFile& ini) {
  const std::string_view bytes = ini.bytes();
  return bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

}  // namespace

void CheckButtonList(CheckContext& context) {
  const IniFile& ini = context.ini();
  const std::vector<SettingText>& sections = context.Sections();
  const std::size_t count = sections.size();
  std::map<std::string, std::size_t> listed;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = sections[i].c_str();
    const std::uint32_t line = context.ListKeyLine(i);
    auto first = listed.emplace(Lower(name), i);
    if (!first.second) {
      context.Warn(line, "M204",
                   "[" + Shown(name) + "] is listed again (first as " +
                       ListKey(first.first->second) +
                       "): the launcher makes two identical buttons, one over the other");
      continue;
    }
    if (ini.SectionLine(name) == 0) {
      std::string also =
          ini.SectionLine(name + std::string(kLinuxSectionSuffix)) != 0
              ? "; only [" + Shown(name) + ".Linux] exists, which Windows never reads"
              : "";
      context.Error(line, "M202",
                    ListKey(i) + " names [" + Shown(name) +
                        "], which is not in the file: that button shows \"Unlabeled\" with only "
                        "[Main]'s settings" +
                        also);
    }
  }

  // Keys past the end of the list are never read.
  const std::uint32_t endLine = context.ListKeyLine(count);
  const std::string why = endLine != 0
                              ? ListKey(count) + " (line " + std::to_string(endLine) + ") is empty"
                              : ListKey(count) + " is missing";
  std::set<std::string> unread;
  bool inMain = false;
  for (const IniFile::Item& item : context.items()) {
    if (item.kind == IniFile::Item::Kind::kSection) {
      inMain = item.found && EqualNames(item.name, kMainSection);
      continue;
    }
    std::uint64_t n = 0;
    if (!inMain || !item.found || !ListIndex(item.name, n) || n <= count) continue;
    unread.insert(Lower(item.value));
    context.Error(item.line, "M201",
                  std::string(item.name) + " is never read: the list of buttons ends where " + why +
                      ", so [" + Shown(item.value) +
                      "] gets no button; number the keys without a gap");
  }

  if (ini.SectionLine(kMainSection) == 0 && !ini.bytes().empty() && !MarkHidesFirstLine(ini)) {
    context.Warn(1, "M206",
                 "there is no [Main] section: the launcher shows an empty 500x300 window without "
                 "buttons");
  }
  // Every section header the launcher reaches.
  for (const IniFile::Item& item : context.items()) {
    if (item.kind != IniFile::Item::Kind::kSection || !item.found) continue;
    std::string_view name = item.name;
    if (name.size() > kLinuxSectionSuffix.size() &&
        EqualNames(name.substr(name.size() - kLinuxSectionSuffix.size()), kLinuxSectionSuffix)) {
      const std::string_view base = name.substr(0, name.size() - kLinuxSectionSuffix.size());
      if (ini.SectionLine(base) == 0) {
        context.Warn(item.line, "M205",
                     "[" + Shown(name) + "] overrides [" + Shown(base) +
                         "] on the desktop, but there is no [" + Shown(base) +
                         "]: Windows never reads .Linux sections, so the medium differs there");
      }
      continue;
    }
    const std::string lower = Lower(name);
    if (RoleOf(name) == SectionRole::kButton && listed.count(lower) == 0 &&
        unread.count(lower) == 0) {
      context.Warn(item.line, "M203",
                   "no Button.N key in [Main] names [" + Shown(name) +
                       "], so it makes no button; list it or remove it");
    }
  }
}

}  // namespace mavrel
