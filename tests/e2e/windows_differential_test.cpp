// Our settings reader against the platform's own: every settings file in
// tests/e2e/differential/ (the INI rules that the launcher relies on and the
// edge cases of values, escapes, numbers, lists and defaults) is read by
// this build's mavrel-inspect and by the Windows build's mavrel-inspect.exe (i686
// and x86_64) under Wine, whose reads are GetPrivateProfileStringA. Their JSON must agree
// field by field, except where Wine is known to read differently from
// Windows (kWineDepartures): there our reader must give what Windows gives.
//
// "settings_file" differs by nature (a POSIX path against the Z: path that
// Wine shows for it); it must name the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/x_harness.h"
#include "windows_e2e_support.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

// Where Wine's GetPrivateProfileStringA departs from Windows'. For each
// field, the value that Windows gives and that our reader must give too;
// Wine's value is not checked.
struct WineDeparture {
  const char* file;
  const char* field;
  const char* windowsValue;  // as JSON text
  const char* why;
};
const WineDeparture kWineDepartures[] = {
    {"utf8_bom.ini", "window.width", "500",
     "Windows reads a UTF-8 byte order mark as part of the first line, so \"[Main]\" is not "
     "a header there; Wine skips the mark"},
    {"utf8_bom.ini", "window.title", "\"Dravik Mavrel Screen\"", "as above"},
    {"sections.ini", "defaults.BUTTON_TEXT", "\"Unlabeled\"",
     "Windows takes a header without \"]\" to the end of the line (\"[Open\" starts section "
     "Open); Wine drops the line, so the keys after it stay in the section before"},
    {"sections.ini", "buttons[0].BUTTON_TEXT", "\"header without bracket\"", "as above"},
    {"sections.ini", "buttons[2].BUTTON_TEXT", "\"first bracket ends the name\"",
     "Windows ends a section name at the first \"]\"; Wine at the last, so \"[Tabbed]x]y\" "
     "names \"Tabbed]x\" there"},
};

// ---- The tool's JSON, flattened to field paths --------------------------------

class JsonFlattener {
 public:
  explicit JsonFlattener(const std::string& text) : text_(text) {}

  // Fills `fields` with "a.b[2].c" -> the value's JSON text. False when the
  // text is not one well-formed JSON value.
  bool Flatten(std::map<std::string, std::string>& fields) {
    fields_ = &fields;
    if (!Value("")) return false;
    SkipBlanks();
    return at_ == text_.size();
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool String(std::string& raw) {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != '"') return false;
    const std::size_t start = at_++;
    while (at_ < text_.size() && text_[at_] != '"') {
      if (text_[at_] == '\\') ++at_;
      ++at_;
    }
    if (at_ >= text_.size()) return false;
    ++at_;
    raw = text_.substr(start, at_ - start);
    return true;
  }
  bool Value(const std::string& path) {
    SkipBlanks();
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '{') {
      ++at_;
      if (Take('}')) return true;
      do {
        std::string key;
        if (!String(key) || !Take(':')) return false;
        const std::string name = key.substr(1, key.size() - 2);
        if (!Value(path.empty() ? name : path + "." + name)) return false;
      } while (Take(','));
      return Take('}');
    }
    if (c == '[') {
      ++at_;
      (*fields_)[path + ".length"] = "0";
      if (Take(']')) return true;
      int index = 0;
      do {
        if (!Value(path + "[" + std::to_string(index++) + "]")) return false;
      } while (Take(','));
      (*fields_)[path + ".length"] = std::to_string(index);
      return Take(']');
    }
    std::string raw;
    if (c == '"') {
      if (!String(raw)) return false;
    } else {
      const std::size_t start = at_;
      while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) ||
                                    text_[at_] == '-' || text_[at_] == '+' || text_[at_] == '.'))
        ++at_;
      if (at_ == start) return false;
      raw = text_.substr(start, at_ - start);
    }
    (*fields_)[path] = raw;
    return true;
  }

  const std::string& text_;
  std::size_t at_ = 0;
  std::map<std::string, std::string>* fields_ = nullptr;
};

std::map<std::string, std::string> Fields(const std::string& json) {
  std::map<std::string, std::string> fields;
  EXPECT_TRUE(JsonFlattener(json).Flatten(fields)) << "not JSON:\n" << json;
  return fields;
}

std::string JsonQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

TEST(JsonFlattener, NamesEveryFieldByItsPath) {
  std::map<std::string, std::string> fields;
  ASSERT_TRUE(
      JsonFlattener(R"({"a": 1, "b": {"c": "x\"y", "d": [-2, "z"]}, "e": []})").Flatten(fields));
  const std::map<std::string, std::string> expected = {{"a", "1"},          {"b.c", R"("x\"y")"},
                                                       {"b.d.length", "2"}, {"b.d[0]", "-2"},
                                                       {"b.d[1]", "\"z\""}, {"e.length", "0"}};
  EXPECT_EQ(expected, fields);
  EXPECT_FALSE(JsonFlattener(R"({"a": 1)").Flatten(fields));
  EXPECT_FALSE(JsonFlattener(R"({"a": "open})").Flatten(fields));
  EXPECT_FALSE(JsonFlattener(R"({"a": 1} x)").Flatten(fields));
}

// ---- The comparison ------------------------------------------------------------

class SettingsDifferential : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WineAvailable()) << WineUnavailableReason();
    ASSERT_TRUE(fs::exists(WindowsBuildDir() / "tools" / "mavrel-inspect.exe"));
    ASSERT_TRUE(session_.Start(1024, 768, 15000)) << session_.error();
    wine_ = std::make_unique<Wine>(session_.displayName());
    work_ = FreshFolder("differential");
    fs::copy_file(WindowsBuildDir() / "tools" / "mavrel-inspect.exe", work_ / "mavrel-inspect.exe");
  }
  void TearDown() override {
    if (wine_) wine_->StopServer();
  }

  // Reads the medium in `folder` with both tools and compares. `name` is the
  // settings file's name in the departures table.
  void Compare(const std::string& name, const fs::path& folder) {
    SCOPED_TRACE(name);
    int status = -1;
    const fs::path native = work_ / (name + ".native.json");
    ASSERT_TRUE(
        RunNativeCapturingOutput({MAVREL_NATIVE_INSPECT, folder.string()}, native, 30000, status));
    ASSERT_EQ(0, status);
    const fs::path wine = work_ / (name + ".wine.json");
    ASSERT_TRUE(wine_->RunCapturingOutput({(work_ / "mavrel-inspect.exe").string()}, folder, wine,
                                          60000, status));
    ASSERT_EQ(0, status);
    std::map<std::string, std::string> ours = Fields(ReadText(native));
    std::map<std::string, std::string> theirs = Fields(ReadText(wine));
    ASSERT_FALSE(ours.empty());
    ++compared_;

    // The same file, as each platform names it.
    EXPECT_EQ(JsonQuoted(WindowsPath(folder / "Mavrel.INI")), theirs["settings_file"]);
    EXPECT_EQ(JsonQuoted((fs::absolute(folder) / "Mavrel.INI").lexically_normal().string()),
              ours["settings_file"]);
    ours.erase("settings_file");
    theirs.erase("settings_file");

    for (const WineDeparture& d : kWineDepartures) {
      if (name != d.file) continue;
      EXPECT_EQ(d.windowsValue, ours[d.field]) << d.field << ": " << d.why;
      if (theirs[d.field] == ours[d.field]) {
        std::printf("note: %s %s now reads alike under Wine\n", d.file, d.field);
      }
      ours.erase(d.field);
      theirs.erase(d.field);
      ++departures_;
    }
    for (const auto& [field, value] : ours) {
      const auto other = theirs.find(field);
      EXPECT_TRUE(other != theirs.end()) << field << " only in ours";
      if (other != theirs.end()) {
        EXPECT_EQ(value, other->second) << field << ": ours against the platform's";
      }
    }
    for (const auto& [field, value] : theirs) {
      EXPECT_TRUE(ours.count(field) == 1) << field << " only in the platform's: " << value;
    }
  }

  xharness::XSession session_;
  std::unique_ptr<Wine> wine_;
  fs::path work_;
  int compared_ = 0;
  int departures_ = 0;
};

TEST_F(SettingsDifferential, EverySettingsFileReadsAlikeOnBothPlatforms) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(MAVREL_DIFFERENTIAL_DIR)) {
    if (entry.path().extension() == ".ini") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 15u);
  for (const WineDeparture& d : kWineDepartures) {
    EXPECT_TRUE(fs::exists(fs::path(MAVREL_DIFFERENTIAL_DIR) / d.file)) << d.file;
  }
  for (const fs::path& file : files) {
    const fs::path folder = work_ / file.stem();
    fs::create_directories(folder);
    fs::copy_file(file, folder / "Mavrel.INI");
    Compare(file.filename().string(), folder);
  }
  // No settings file at all.
  fs::create_directories(work_ / "no-settings-file");
  Compare("(no settings file)", work_ / "no-settings-file");

  EXPECT_EQ(static_cast<int>(files.size()) + 1, compared_);
  EXPECT_EQ(static_cast<int>(std::size(kWineDepartures)), departures_);
}

// check of both tools on the author's medium of the tests (its mark and
// comment, its missing installers, its Exit button off the window): the
// Windows tool, reading through the platform and finding files through the
// system, gives the same findings, each for the same platform, as this
// machine's tool with the launcher's own functions.
TEST_F(SettingsDifferential, CheckGivesTheSameFindingsOnBothPlatforms) {
  const fs::path folder = work_ / "author";
  fs::copy(MAVREL_AUTHOR_MEDIUM_DIR, folder, fs::copy_options::recursive);
  int status = -1;
  const fs::path native = work_ / "check.native.json";
  ASSERT_TRUE(RunNativeCapturingOutput(
      {MAVREL_NATIVE_INSPECT, "check", "--format", "json", folder.string()}, native, 30000,
      status));
  EXPECT_EQ(1, status);
  const fs::path wine = work_ / "check.wine.json";
  ASSERT_TRUE(wine_->RunCapturingOutput(
      {(work_ / "mavrel-inspect.exe").string(), "check", "--format", "json"}, folder, wine, 60000,
      status));
  EXPECT_EQ(1, status);
  std::map<std::string, std::string> ours = Fields(ReadText(native));
  std::map<std::string, std::string> theirs = Fields(ReadText(wine));
  ours.erase("settings_file");
  theirs.erase("settings_file");
  EXPECT_EQ("4", ours["findings.length"]);
  EXPECT_EQ(ours, theirs);
}

}  // namespace
}  // namespace mavrel
