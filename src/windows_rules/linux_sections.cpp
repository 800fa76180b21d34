#include "windows_rules/linux_sections.h"

namespace mavrel {

bool MayHaveLinuxSections(std::string_view bytes) {
  for (std::size_t at = bytes.find('.'); at != std::string_view::npos;
       at = bytes.find('.', at + 1)) {
    if (bytes.size() - at >= kLinuxSectionSuffix.size() &&
        EqualNames(bytes.substr(at, kLinuxSectionSuffix.size()), kLinuxSectionSuffix)) {
      return true;
    }
  }
  return false;
}

std::string_view LinuxReadingSection(const IniFile& ini, std::string_view section,
                                     std::string_view key, std::string& scratch) {
  scratch.assign(section).append(kLinuxSectionSuffix);
  std::string_view value;
  if (ini.Find(scratch, key, value) && value.data() != nullptr) return scratch;
  return section;
}

}  // namespace mavrel
