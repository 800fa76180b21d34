// The settings subsystem on the fake platform: escapes, numbers, the value
// kinds, numbered lists and the three levels of button defaults.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"
#include "settings/button_settings.h"
#include "settings/main_settings.h"
#include "settings/medium_settings.h"

namespace mavrel {
namespace {

std::string Decode(const std::string& source) {
  std::vector<char> out(source.size() + 1, '#');
  DecodeEscapes(source.c_str(), out.data());
  return std::string(out.data());
}

TEST(DecodeEscapesTest, Table) {
  struct Row {
    const char* source;
    const char* decoded;
  } rows[] = {
      {"Line one\\nLine two", "Line one\nLine two"},
      {"Line one\\NLine two", "Line one\nLine two"},
      {"C:\\\\Setup", "C:\\Setup"},
      {"C:\\Setup", "C:\\Setup"},
      {"D:\\new", "D:\new"},
      {"a\\\\\\nb", "a\\\nb"},  // three backslashes and n: a backslash and a line feed
      {"a\\\\nb", "a\\nb"},     // two backslashes and n: a backslash and the letter n
      {"ends\\", "ends\\"},
      {"\\", "\\"},
      {"\\\\", "\\"},
      {"\\t\\r\\\"\\1", "\\t\\r\\\"\\1"},
      {"\\\\\\", "\\\\"},
      {"\\n\\n", "\n\n"},
      {"", ""},
      {"plain", "plain"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.decoded, Decode(row.source)) << "source: " << row.source;
  }
}

TEST(DecodeEscapesTest, NeverLongerThanSourceAndTerminated) {
  const std::string source = "x\\n\\\\\\y\\";
  std::vector<char> out(source.size() + 1, '#');
  DecodeEscapes(source.c_str(), out.data());
  std::size_t length = std::strlen(out.data());
  EXPECT_LE(length, source.size());
}

TEST(ConvertNumberTest, Table) {
  struct Row {
    const char* text;
    std::int32_t value;
  } rows[] = {
      {"255", 255},
      {"0xFF", 255},
      {"0XFF", 255},
      {"0xff", 255},
      {"0377", 255},
      {"  +255", 255},
      {"\t\n\v\f\r 255", 255},
      {"-20", -20},
      {"08", 0},
      {"09", 0},
      {"012", 10},
      {"0", 0},
      {"12px", 12},
      {"abc", 0},
      {"0x", 0},
      {"0xg", 0},
      {"-0x", 0},
      {"+", 0},
      {"-", 0},
      {"+-5", 0},
      {" - 5", 0},
      {"4294967295", INT32_MAX},
      {"0xFFFFFFFF", INT32_MAX},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {"-2147483647", -2147483647},
      {"99999999999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999999999", INT32_MIN},
      {"0x7FFFFFFF", INT32_MAX},
      {"-0x80000000", INT32_MIN},
      {"0x0080FF", 0x80FF},
      {"65535", 0xFFFF},
      {"0xFFFF", 0xFFFF},
      {"0177777", 0xFFFF},
      {"1,000", 1},
      {"1.5", 1},
      {"0x1g", 1},
      {"", 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.value, ConvertNumber(row.text)) << "text: '" << row.text << "'";
  }
}

// What ConvertNumber reads of a text and what it leaves: the tools tell an
// author about the rest.
TEST(ScanNumberTest, Table) {
  struct Row {
    const char* text;
    int base;
    const char* digits;
    const char* rest;
    bool hexPrefixWithoutDigits;
    bool negative;
  } rows[] = {
      {"255", 10, "255", "", false, false},   {" -12px", 10, "12", "px", false, true},
      {"0xFFz", 16, "FF", "z", false, false}, {"010", 8, "010", "", false, false},
      {"08", 8, "0", "8", false, false},      {"0", 8, "0", "", false, false},
      {"0x", 8, "0", "x", true, false},       {"-0xg", 8, "0", "xg", true, true},
      {"abc", 10, "", "abc", false, false},   {"+", 10, "", "", false, false},
      {"", 10, "", "", false, false},
  };
  for (const Row& row : rows) {
    const NumberScan scan = ScanNumber(row.text);
    const std::string text = row.text;
    EXPECT_EQ(row.base, scan.base) << row.text;
    EXPECT_EQ(row.digits, text.substr(scan.digitsBegin, scan.digitsEnd - scan.digitsBegin))
        << row.text;
    EXPECT_EQ(row.rest, text.substr(scan.digitsEnd)) << row.text;
    EXPECT_EQ(row.hexPrefixWithoutDigits, scan.hexPrefixWithoutDigits) << row.text;
    EXPECT_EQ(row.negative, scan.negative) << row.text;
  }
  // Far past the 32-bit range the magnitude stays just above it.
  EXPECT_EQ(std::uint64_t{1} << 32, ScanNumber("99999999999999999999").magnitude);
  EXPECT_EQ(2147483648u, ScanNumber("-2147483648").magnitude);
}

class SettingsTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  SettingsFile settings{fake};
};

TEST_F(SettingsTest, FirstReadFixesThePath) {
  fake.SetSetting("Main", "Title", "Hello");
  EXPECT_FALSE(settings.resolved());
  EXPECT_STREQ("Hello", settings.ReadSetting("Main", "Title"));
  EXPECT_TRUE(settings.resolved());
  EXPECT_STREQ("/media/Mavrel.INI", settings.path());
  fake.currentDirectory = "/elsewhere";
  EXPECT_STREQ("", settings.ReadSetting("Main", "Width"));
  std::vector<std::string> expected = {
      "GetFullPathName Mavrel.INI 1024",
      "GetPrivateProfileString [Main] Title /media/Mavrel.INI",
      "GetPrivateProfileString [Main] Width /media/Mavrel.INI",
  };
  EXPECT_EQ(expected, fake.calls());
}

TEST_F(SettingsTest, FailedResolutionIsTriedOnceAndEveryValueIsEmpty) {
  fake.failFullPath = true;
  fake.SetSetting("Main", "Title", "Hello");
  EXPECT_STREQ("", settings.ReadSetting("Main", "Title"));
  fake.failFullPath = false;
  EXPECT_STREQ("", settings.ReadSetting("Main", "Title"));
  EXPECT_TRUE(settings.resolved());
  EXPECT_STREQ("", settings.path());
  // The platform is never asked about a file with no name.
  std::vector<std::string> expected = {"GetFullPathName Mavrel.INI 1024"};
  EXPECT_EQ(expected, fake.calls());
  EXPECT_EQ(kDefaultTitle,
            std::string(SettingText(settings, kDefaultTitle, "Main", "Title").c_str()));
}

TEST_F(SettingsTest, PathThatDoesNotFitCountsAsFailure) {
  fake.fullPathLengthOverride = 5000;
  fake.SetSetting("Main", "Width", "640");
  EXPECT_EQ(500, SettingNumber(settings, 500, "Main", "Width").value);
  EXPECT_STREQ("", settings.path());
}

TEST_F(SettingsTest, ValueIsCutAt1023Characters) {
  fake.SetSetting("Main", "Title", std::string(1500, 'a'));
  EXPECT_EQ(std::string(1023, 'a'), settings.ReadSetting("Main", "Title"));
  SettingText title(settings, "x", "Main", "Title");
  EXPECT_EQ(1023u, title.size());
}

TEST_F(SettingsTest, TextDecodesValueButNotDefault) {
  fake.SetSetting("Main", "Title", "one\\ntwo");
  SettingText fromFile(settings, "d\\nd", "Main", "Title");
  EXPECT_STREQ("one\ntwo", fromFile.c_str());
  SettingText missing(settings, "d\\nd", "Main", "Nothing");
  EXPECT_STREQ("d\\nd", missing.c_str());
  fake.SetSetting("Main", "Empty", "");
  SettingText empty(settings, "fallback", "Main", "Empty");
  EXPECT_STREQ("fallback", empty.c_str());
}

TEST_F(SettingsTest, TextOwnsItsCopy) {
  fake.SetSetting("Main", "A", "first");
  fake.SetSetting("Main", "B", "second");
  SettingText a(settings, "", "Main", "A");
  SettingText b(settings, "", "Main", "B");
  EXPECT_STREQ("first", a.c_str());
  EXPECT_EQ(5u, a.size());
  EXPECT_STREQ("second", b.c_str());
}

TEST_F(SettingsTest, NumberDefaultOnlyForEmptyOrMissing) {
  fake.SetSetting("Main", "Empty", "");
  fake.SetSetting("Main", "Words", "wide");
  fake.SetSetting("Main", "Hex", "0x20");
  EXPECT_EQ(7, SettingNumber(settings, 7, "Main", "Missing").value);
  EXPECT_EQ(7, SettingNumber(settings, 7, "Main", "Empty").value);
  EXPECT_EQ(0, SettingNumber(settings, 7, "Main", "Words").value);
  EXPECT_EQ(32, SettingNumber(settings, 7, "Main", "Hex").value);
}

TEST_F(SettingsTest, RectangleComponentsDefaultOneByOne) {
  fake.SetSetting("B", "BUTTON_LOC.X", "11");
  SettingRect zero(settings, "B", "BUTTON_LOC");
  EXPECT_EQ(11, zero.x);
  EXPECT_EQ(0, zero.y);
  EXPECT_EQ(0, zero.width);
  EXPECT_EQ(0, zero.height);

  SettingRect defaults;
  defaults.x = 1;
  defaults.y = 2;
  defaults.width = 3;
  defaults.height = 4;
  fake.SetSetting("C", "BUTTON_LOC.HEIGHT", "-9");
  fake.SetSetting("C", "BUTTON_LOC.Y", "");
  fake.ClearCalls();
  SettingRect fromDefaults(settings, defaults, "C", "BUTTON_LOC");
  EXPECT_EQ(1, fromDefaults.x);
  EXPECT_EQ(2, fromDefaults.y);
  EXPECT_EQ(3, fromDefaults.width);
  EXPECT_EQ(-9, fromDefaults.height);
  std::vector<std::string> expected = {
      "GetPrivateProfileString [C] BUTTON_LOC.X /media/Mavrel.INI",
      "GetPrivateProfileString [C] BUTTON_LOC.Y /media/Mavrel.INI",
      "GetPrivateProfileString [C] BUTTON_LOC.WIDTH /media/Mavrel.INI",
      "GetPrivateProfileString [C] BUTTON_LOC.HEIGHT /media/Mavrel.INI",
  };
  EXPECT_EQ(expected, fake.calls());
  EXPECT_STREQ("BUTTON_LOC.HEIGHT", settings.KeyBuffer());
}

std::vector<std::string> Names(const SectionNameList& list) {
  std::vector<std::string> out;
  for (const SettingText& name : list.names()) out.push_back(name.c_str());
  return out;
}

TEST_F(SettingsTest, ListStopsAtTheFirstGap) {
  fake.SetSetting("Main", "Button.0", "Install");
  fake.SetSetting("Main", "Button.1", "Readme");
  fake.SetSetting("Main", "Button.3", "Close");
  SectionNameList list(settings, "Main", "Button");
  EXPECT_EQ((std::vector<std::string>{"Install", "Readme"}), Names(list));
  std::vector<std::string> expected = {
      "GetFullPathName Mavrel.INI 1024",
      "GetPrivateProfileString [Main] Button.0 /media/Mavrel.INI",
      "GetPrivateProfileString [Main] Button.1 /media/Mavrel.INI",
      "GetPrivateProfileString [Main] Button.2 /media/Mavrel.INI",
  };
  EXPECT_EQ(expected, fake.calls());
}

TEST_F(SettingsTest, ListWithoutKeyZeroIsEmptyAndEmptyValueEndsIt) {
  fake.SetSetting("Main", "Button.1", "Readme");
  EXPECT_TRUE(SectionNameList(settings, "Main", "Button").names().empty());
  fake.SetSetting("Main", "Button.0", "A");
  fake.SetSetting("Main", "Button.1", "");
  fake.SetSetting("Main", "Button.2", "C");
  EXPECT_EQ((std::vector<std::string>{"A"}), Names(SectionNameList(settings, "Main", "Button")));
}

TEST_F(SettingsTest, ListNamesAreNotDecodedAndNumbersHaveNoLeadingZeros) {
  for (int i = 0; i <= 11; ++i) {
    fake.SetSetting("Main", "Button." + std::to_string(i), "S" + std::to_string(i));
  }
  fake.SetSetting("Main", "Button.0", "Setup\\New");
  fake.SetSetting("Main", "Button.01", "wrong");
  SectionNameList list(settings, "Main", "Button");
  ASSERT_EQ(12u, list.names().size());
  EXPECT_STREQ("Setup\\New", list.names()[0].c_str());
  EXPECT_STREQ("S1", list.names()[1].c_str());
  EXPECT_STREQ("S11", list.names()[11].c_str());
}

// The fifteen configured properties of a record, as text, for comparisons.
std::vector<std::string> Describe(const ButtonSettings& b) {
  auto rect = [](const SettingRect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height);
  };
  return {b.buttonText.c_str(),
          b.descText.c_str(),
          rect(b.buttonLoc),
          rect(b.descLoc),
          std::to_string(b.buttonFontHeight.value),
          std::to_string(b.descFontHeight.value),
          std::to_string(b.textColor.value),
          std::to_string(b.highlightColor.value),
          std::to_string(b.selectColor.value),
          std::to_string(b.descColor.value),
          b.directory.c_str(),
          b.progCommand.c_str(),
          b.docCommand.c_str(),
          b.exitCommand.c_str(),
          b.errorMsg.c_str()};
}

const std::vector<std::string> kBuiltIn = {
    "Unlabeled",
    "",
    "0,0,0,0",
    "0,0,0,0",
    "20",
    "20",
    "0",
    "65535",
    "255",
    "0",
    ".",
    "",
    "",
    "EXIT",
    "Errors have occurred attempting to perform the requested action.  Your media or O/S may be "
    "corrupted."};

TEST_F(SettingsTest, BuiltInDefaultsWithoutAFile) {
  ButtonSettings main = ReadButtonDefaults(settings, "Main");
  EXPECT_EQ(kBuiltIn, Describe(main));
  ButtonSettings button = ReadButtonSettings(settings, "Absent", main);
  EXPECT_EQ(kBuiltIn, Describe(button));
}

TEST_F(SettingsTest, ReadersReadFifteenPropertiesInRecordOrder) {
  ButtonSettings main = ReadButtonDefaults(settings, "Main");
  fake.ClearCalls();
  ButtonSettings button = ReadButtonSettings(settings, "B", main);
  std::vector<std::string> keys;
  for (const std::string& call : fake.calls()) {
    std::string rest = call.substr(std::strlen("GetPrivateProfileString [B] "));
    keys.push_back(rest.substr(0, rest.find(' ')));
  }
  std::vector<std::string> expected = {
      "BUTTON_TEXT",      "DESC_TEXT",         "BUTTON_LOC.X",       "BUTTON_LOC.Y",
      "BUTTON_LOC.WIDTH", "BUTTON_LOC.HEIGHT", "DESC_LOC.X",         "DESC_LOC.Y",
      "DESC_LOC.WIDTH",   "DESC_LOC.HEIGHT",   "BUTTON_FONT_HEIGHT", "BUTTON_DESC_HEIGHT",
      "TEXT_COLOR",       "HIGHLIGHT_COLOR",   "SELECT_COLOR",       "DESC_COLOR",
      "DIRECTORY",        "PROG_COMMAND",      "DOC_COMMAND",        "EXIT_COMMAND",
      "ERROR_MSG"};
  EXPECT_EQ(expected, keys);
}

// Each row sets one property at some levels and gives the value the button
// must end up with.
TEST_F(SettingsTest, ThreeLevelsOfDefaults) {
  struct Row {
    const char* key;
    const char* mainValue;    // nullptr: not in [Main]
    const char* buttonValue;  // nullptr: not in the button's section
    int field;                // index into Describe()
    const char* expected;
  } rows[] = {
      {"BUTTON_FONT_HEIGHT", "24", nullptr, 4, "24"},
      {"BUTTON_FONT_HEIGHT", "24", "30", 4, "30"},
      {"BUTTON_FONT_HEIGHT", "24", "", 4, "24"},
      {"BUTTON_FONT_HEIGHT", "", "", 4, "20"},
      {"BUTTON_DESC_HEIGHT", "0x10", nullptr, 5, "16"},
      {"TEXT_COLOR", "0xFF", nullptr, 6, "255"},
      {"HIGHLIGHT_COLOR", "0x0080FF", nullptr, 7, "33023"},
      {"HIGHLIGHT_COLOR", nullptr, "0177777", 7, "65535"},
      {"SELECT_COLOR", "junk", nullptr, 8, "0"},
      {"DESC_COLOR", "1", "2", 9, "2"},
      {"DIRECTORY", "setup", nullptr, 10, "setup"},
      {"DIRECTORY", "", nullptr, 10, "."},
      {"DIRECTORY", "a\\\\b", nullptr, 10, "a\\b"},  // decoded once, at [Main]
      {"DIRECTORY", "a\\\\\\\\n", nullptr, 10, "a\\\\n"},
      {"PROG_COMMAND", "run.sh", nullptr, 11, "run.sh"},
      {"DOC_COMMAND", nullptr, "doc.txt", 12, "doc.txt"},
      {"EXIT_COMMAND", "", "", 13, "EXIT"},
      {"EXIT_COMMAND", "STAY", "", 13, "STAY"},
      {"EXIT_COMMAND", "STAY", "exit", 13, "exit"},
      {"ERROR_MSG", "Oops\\nagain", nullptr, 14, "Oops\nagain"},
      {"BUTTON_TEXT", "From main", nullptr, 0, "Unlabeled"},
      {"BUTTON_TEXT", "From main", "Mine\\n", 0, "Mine\n"},
      {"DESC_TEXT", "From main", nullptr, 1, ""},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    SettingsFile file(platform);
    if (row.mainValue) platform.SetSetting("Main", row.key, row.mainValue);
    if (row.buttonValue) platform.SetSetting("B", row.key, row.buttonValue);
    ButtonSettings main = ReadButtonDefaults(file, "Main");
    ButtonSettings button = ReadButtonSettings(file, "B", main);
    std::vector<std::string> expected = kBuiltIn;
    expected[row.field] = row.expected;
    EXPECT_EQ(expected, Describe(button))
        << row.key << " main=" << (row.mainValue ? row.mainValue : "-")
        << " button=" << (row.buttonValue ? row.buttonValue : "-");
  }
}

TEST_F(SettingsTest, ButtonRectangleInheritsComponentByComponent) {
  fake.SetSetting("Main", "BUTTON_LOC.X", "40");
  fake.SetSetting("Main", "BUTTON_LOC.WIDTH", "300");
  fake.SetSetting("Main", "DESC_LOC.HEIGHT", "9");
  fake.SetSetting("B", "BUTTON_LOC.Y", "100");
  fake.SetSetting("B", "BUTTON_LOC.WIDTH", "");
  fake.SetSetting("B", "DESC_LOC.X", "5");
  ButtonSettings main = ReadButtonDefaults(settings, "Main");
  ButtonSettings button = ReadButtonSettings(settings, "B", main);
  EXPECT_EQ("40,100,300,0", Describe(button)[2]);
  EXPECT_EQ("5,0,0,9", Describe(button)[3]);
}

// Members are destroyed in the reverse of their declaration order, so the
// seven texts go last read first: ERROR_MSG, EXIT_COMMAND, DOC_COMMAND,
// PROG_COMMAND, DIRECTORY, DESC_TEXT, BUTTON_TEXT.
TEST(ButtonSettingsTest, TextsAreReleasedLastReadFirst) {
  const std::size_t offsets[] = {
      offsetof(ButtonSettings, buttonText), offsetof(ButtonSettings, descText),
      offsetof(ButtonSettings, directory),  offsetof(ButtonSettings, progCommand),
      offsetof(ButtonSettings, docCommand), offsetof(ButtonSettings, exitCommand),
      offsetof(ButtonSettings, errorMsg),
  };
  for (std::size_t i = 1; i < sizeof offsets / sizeof offsets[0]; ++i) {
    EXPECT_LT(offsets[i - 1], offsets[i]) << i;
  }
}

TEST_F(SettingsTest, SameSectionTwiceGivesIdenticalButtons) {
  fake.SetSetting("Main", "Button.0", "Twin");
  fake.SetSetting("Main", "Button.1", "Twin");
  fake.SetSetting("Twin", "BUTTON_TEXT", "Hi");
  SectionNameList list(settings, "Main", "Button");
  ButtonSettings main = ReadButtonDefaults(settings, "Main");
  ASSERT_EQ(2u, list.names().size());
  ButtonSettings a = ReadButtonSettings(settings, list.names()[0].c_str(), main);
  ButtonSettings b = ReadButtonSettings(settings, list.names()[1].c_str(), main);
  EXPECT_EQ(Describe(a), Describe(b));
  EXPECT_EQ("Hi", Describe(a)[0]);
}

// The example medium of the launcher's documentation, read in the launcher's
// order.
TEST_F(SettingsTest, WorkedExampleEndToEnd) {
  const char* lines[][3] = {
      {"Main", "Width", "640"},
      {"Main", "Height", "480"},
      {"Main", "Title", "Product Setup"},
      {"Main", "Background", "setup.bmp"},
      {"Main", "BUTTON_FONT_HEIGHT", "24"},
      {"Main", "HIGHLIGHT_COLOR", "0x0080FF"},
      {"Main", "BUTTON_LOC.X", "40"},
      {"Main", "Button.0", "Install"},
      {"Main", "Button.1", "Readme"},
      {"Main", "Button.2", "Close"},
      {"Install", "BUTTON_TEXT", "Install the product"},
      {"Install", "DESC_TEXT", "Copies the program\\nto your computer."},
      {"Install", "BUTTON_LOC.Y", "100"},
      {"Install", "BUTTON_LOC.WIDTH", "300"},
      {"Install", "DESC_LOC.X", "40"},
      {"Install", "DESC_LOC.Y", "400"},
      {"Install", "DESC_LOC.WIDTH", "560"},
      {"Install", "DIRECTORY", "setup"},
      {"Install", "PROG_COMMAND", "setup\\setup.exe"},
      {"Readme", "BUTTON_TEXT", "Read me first"},
      {"Readme", "BUTTON_LOC.Y", "150"},
      {"Readme", "BUTTON_LOC.WIDTH", "300"},
      {"Readme", "DOC_COMMAND", "readme.txt"},
      {"Readme", "EXIT_COMMAND", "STAY"},
      {"Close", "BUTTON_TEXT", "Close"},
      {"Close", "BUTTON_LOC.Y", "200"},
      {"Close", "BUTTON_LOC.WIDTH", "300"},
  };
  for (auto& line : lines) fake.SetSetting(line[0], line[1], line[2]);

  EXPECT_EQ(640, SettingNumber(settings, kDefaultWidth, "Main", "Width").value);
  EXPECT_EQ(480, SettingNumber(settings, kDefaultHeight, "Main", "Height").value);
  EXPECT_STREQ("Product Setup", SettingText(settings, kDefaultTitle, "Main", "Title").c_str());
  EXPECT_STREQ("setup.bmp", SettingText(settings, "", "Main", "Background").c_str());
  SectionNameList list(settings, "Main", "Button");
  EXPECT_EQ((std::vector<std::string>{"Install", "Readme", "Close"}), Names(list));
  ButtonSettings main = ReadButtonDefaults(settings, "Main");
  std::vector<std::vector<std::string>> buttons;
  for (const SettingText& name : list.names()) {
    ButtonSettings b = ReadButtonSettings(settings, name.c_str(), main);
    buttons.push_back(Describe(b));
  }
  const std::string error = kBuiltIn[14];
  std::vector<std::vector<std::string>> expected = {
      {"Install the product", "Copies the program\nto your computer.", "40,100,300,0",
       "40,400,560,0", "24", "20", "0", "33023", "255", "0", "setup", "setup\\setup.exe", "",
       "EXIT", error},
      {"Read me first", "", "40,150,300,0", "0,0,0,0", "24", "20", "0", "33023", "255", "0", ".",
       "", "readme.txt", "STAY", error},
      {"Close", "", "40,200,300,0", "0,0,0,0", "24", "20", "0", "33023", "255", "0", ".", "", "",
       "EXIT", error},
  };
  EXPECT_EQ(expected, buttons);
  // One path resolution, before the first read, and nothing else but reads.
  EXPECT_EQ(1u, fake.CallsStartingWith("GetFullPathName").size());
  EXPECT_EQ("GetFullPathName Mavrel.INI 1024", fake.calls().front());
  EXPECT_EQ(fake.calls().size() - 1, fake.CallsStartingWith("GetPrivateProfileString").size());
}

// The tools' reading of a medium is the launcher's own order without the
// picture file: the window settings, the list, the [Main] defaults, then each
// listed button in key order.
TEST_F(SettingsTest, MediumSettingsReadInTheLaunchersOrderWithoutThePicture) {
  using test_support::Append;
  using test_support::ButtonPropertyReads;
  using test_support::ReadLine;
  fake.SetSetting("Main", "Background", "setup.bmp");
  fake.SetSetting("Main", "Button.0", "Install");
  fake.SetSetting("Main", "Button.1", "Readme");
  fake.SetSetting("Readme", "BUTTON_TEXT", "Read me");
  fake.files["setup.bmp"] = {'B', 'M'};
  MediumSettings medium(settings);
  std::vector<std::string> expected = {
      "GetFullPathName Mavrel.INI 1024", ReadLine("Main", "Width"),
      ReadLine("Main", "Height"),        ReadLine("Main", "Title"),
      ReadLine("Main", "Background"),    ReadLine("Main", "Button.0"),
      ReadLine("Main", "Button.1"),      ReadLine("Main", "Button.2"),
  };
  Append(expected, ButtonPropertyReads("Main"));
  Append(expected, ButtonPropertyReads("Install"));
  Append(expected, ButtonPropertyReads("Readme"));
  EXPECT_EQ(expected, fake.calls());
  EXPECT_STREQ("setup.bmp", medium.background.c_str());
  ASSERT_EQ(2u, medium.buttons.size());
  EXPECT_STREQ("Unlabeled", medium.buttons[0].buttonText.c_str());
  EXPECT_STREQ("Read me", medium.buttons[1].buttonText.c_str());
}

}  // namespace
}  // namespace mavrel
