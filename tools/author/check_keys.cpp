// Sections and keys as written: keys the launcher does not read where they
// stand (with the known key most likely meant), keys without "=", keys
// before the first section, and duplicate keys and sections, of which the
// launcher reads only the first.
#include <algorithm>
#include <cstdlib>

#include "author/check_groups.h"

namespace mavrel {

namespace {

// The known key an unknown `key` most likely meant, or "" when none is
// close. A key that a known one starts with ("BUTTON_LOC.W") wins over
// edit distance, which would pick a one-letter suffix.
std::string NearestKey(std::string_view key, const std::vector<std::string>& candidates) {
  // No key is this long; a line of junk is not worth a suggestion.
  if (key.size() > 64) return std::string();
  if (key.size() >= 3) {
    for (const std::string& candidate : candidates) {
      if (candidate.size() > key.size() && EqualNames(candidate.substr(0, key.size()), key)) {
        return candidate;
      }
    }
  }
  const std::size_t limit = key.size() <= 4 ? 1 : std::max<std::size_t>(2, key.size() / 4);
  std::string best;
  std::size_t bestDistance = limit + 1;
  for (const std::string& candidate : candidates) {
    std::size_t distance = Distance(key, candidate);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

void ReportUnknownKey(CheckContext& context, const KeyLine& line) {
  std::vector<std::string> candidates;
  for (const KnownKey& known : KnownButtonKeys()) candidates.push_back(known.name);
  const std::string_view key = line.item->name;
  if (line.role == SectionRole::kMain) {
    for (const KnownKey& known : KnownWindowKeys()) candidates.push_back(known.name);
    // "Button0", "Button.01", "Buton.2": the list key with that number.
    std::size_t digits = key.size();
    while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
    if (digits < key.size() && key.size() - digits <= 9) {
      candidates.push_back(
          ListKey(std::strtoul(std::string(key.substr(digits)).c_str(), nullptr, 10)));
    }
  }
  const std::string nearest = NearestKey(key, candidates);
  std::string message =
      Shown(key) + " is not a key of [" + Shown(line.section) + "] and is ignored";
  if (!nearest.empty()) message = Shown(key) + ": did you mean " + nearest + "? (" + message + ")";
  context.Warn(line.item->line, "M101", message);
}

}  // namespace

void CheckKeys(CheckContext& context) {
  const IniFile& ini = context.ini();
  // The byte order mark's line is the encoding checks' (M401).
  const bool mark = ini.bytes().substr(0, 3) == "\xEF\xBB\xBF";
  bool visible = false;
  std::string section;
  for (const IniFile::Item& item : context.items()) {
    if (item.kind == IniFile::Item::Kind::kSection) {
      section = std::string(item.name);
      visible = item.found;
      if (!item.found) {
        context.Warn(item.line, "M107",
                     "[" + Shown(item.name) +
                         "] appears again: the launcher reads only the first "
                         "one (line " +
                         std::to_string(ini.SectionLine(item.name)) +
                         ") and none of the keys below; merge the two");
      }
      continue;
    }
    if (!item.inSection) {
      if (!(mark && item.line == 1)) {
        context.Warn(item.line, "M105",
                     "\"" + Shown(item.name) +
                         "\" comes before the first section and is never read; move it into one");
      }
      continue;
    }
    if (visible && !item.found) {
      context.Warn(item.line, "M106",
                   Shown(item.name) + " appears again in [" + Shown(section) +
                       "]: only the first (line " +
                       std::to_string(ini.KeyLine(section, item.name)) + ") is read; remove one");
    }
  }

  for (const KeyLine& line : context.keyLines()) {
    const IniFile::Item& item = *line.item;
    switch (line.use) {
      case KeyLine::Use::kTextInMain:
        context.Warn(item.line, "M102",
                     line.known->name +
                         " in [Main] has no effect: no button takes its text from [Main]; set it "
                         "in each button's section");
        break;
      case KeyLine::Use::kMainOnly:
        context.Warn(item.line, "M103",
                     Shown(item.name) + " is read only in [Main], not in a button's section [" +
                         Shown(line.section) + "]; move it to [Main]");
        break;
      case KeyLine::Use::kUnknown:
        ReportUnknownKey(context, line);
        break;
      case KeyLine::Use::kNoEquals:
        context.Warn(item.line, "M104",
                     line.known->name +
                         " has no \"=\": the launcher reads it as empty and uses the default; "
                         "write " +
                         line.known->name + "=VALUE");
        break;
      case KeyLine::Use::kRead:
      case KeyLine::Use::kListKey:
        break;
    }
  }
}

}  // namespace mavrel
