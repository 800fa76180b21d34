// The medium checks of "mavrel-inspect check": a table of small media, each
// written into a fresh folder, with every finding it must give (line and
// code, nothing more), and the command's exit status and output format.
#include "author/medium_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "author/check_command.h"
#include "common/utf16_text.h"
#ifdef MAVREL_INSPECT_RENDER
#include "author/png_file.h"
#include "author/render_command.h"
#endif
#include "platform/desktop/files/desktop_file_system.h"
#include "support/bmp_builder.h"
#include "support/command_line.h"
#include "support/temp_medium.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

// A fresh medium folder, made current while it lives.
class MediumFolder : public test_support::TempMedium {
 public:
  MediumFolder() : TempMedium("check"), previous_(fs::current_path()) { fs::current_path(path()); }
  ~MediumFolder() { fs::current_path(previous_); }
  // A name ending in "/" makes a folder.
  void Write(const std::string& name, const std::string& bytes) const {
    if (!name.empty() && name.back() == '/') {
      fs::create_directories(fs::path(path()) / name);
      return;
    }
    TempMedium::Write(name, bytes);
  }
  fs::path root() const { return path(); }

 private:
  fs::path previous_;
};

std::string Bmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount = 1) {
  test_support::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bitCount;
  std::vector<std::uint8_t> bytes = test_support::MakeBmp(layout);
  return std::string(bytes.begin(), bytes.end());
}

// Findings as "LINE:CODE", in the order given.
std::vector<std::string> Codes(const CheckResult& result) {
  std::vector<std::string> codes;
  for (const Finding& f : result.findings) codes.push_back(std::to_string(f.line) + ":" + f.code);
  return codes;
}

// Findings as "SEVERITY/PLATFORMS", in the order given.
std::string Details(const CheckResult& result) {
  std::string out;
  for (const Finding& f : result.findings) {
    const char* severity = f.severity == Severity::kError     ? "error"
                           : f.severity == Severity::kWarning ? "warning"
                                                              : "note";
    const char* platforms = f.platforms == Platforms::kWindows ? "windows"
                            : f.platforms == Platforms::kLinux ? "linux"
                                                               : "both";
    out += std::string(out.empty() ? "" : " ") + severity + "/" + platforms;
  }
  return out;
}

std::string Messages(const CheckResult& result) {
  std::string all;
  for (const Finding& f : result.findings) all += f.message + "\n";
  return all;
}

// With `sharedParse`, the lines are walked in the platform's own parse, as
// the Linux tool does; without, the checker parses the file itself, as the
// Windows tool does.
CheckResult CheckCurrentFolder(bool sharedParse = true, Platforms platforms = Platforms::kBoth) {
  DesktopFileSystem platform;
  auto useLinuxSections = [&platform](bool on) { platform.SetLinuxSections(on); };
  if (!sharedParse) return CheckMedium(platform, useLinuxSections, {}, platforms);
  CheckResult result = CheckMedium(
      platform, useLinuxSections,
      [&platform](const char* path) { return platform.ParsedSettings(path); }, platforms);
  EXPECT_LE(platform.settingsParseCount(), 1);
  return result;
}

struct MediumCase {
  const char* name;
  std::string ini;
  std::map<std::string, std::string> files;
  std::vector<std::string> expected;           // "LINE:CODE"
  const char* mentions = "";                   // a text one of the messages holds
  const char* details = "";                    // when given: Details() of the findings
  std::map<std::string, unsigned> modes = {};  // of files above; others are 0644
};

class MediumCheckTest : public ::testing::TestWithParam<MediumCase> {};

TEST_P(MediumCheckTest, GivesExactlyTheExpectedFindings) {
  const MediumCase& row = GetParam();
  MediumFolder folder;
  folder.Write("Mavrel.INI", row.ini);
  for (const auto& file : row.files) folder.Write(file.first, file.second);
  for (const auto& mode : row.modes) folder.SetMode(mode.first, mode.second);
  CheckResult result = CheckCurrentFolder();
  EXPECT_EQ("Mavrel.INI", result.settingsFile);
  EXPECT_EQ(row.expected, Codes(result)) << Messages(result);
  EXPECT_EQ(row.expected, Codes(CheckCurrentFolder(false)));
  EXPECT_NE(std::string::npos, Messages(result).find(row.mentions)) << Messages(result);
  if (row.details[0] != '\0') {
    EXPECT_EQ(row.details, Details(result)) << Messages(result);
  }
  int errors = 0;
  for (const Finding& f : result.findings) {
    errors += f.severity == Severity::kError;
    EXPECT_EQ(std::string::npos, f.message.find('\n')) << f.message;
  }
  EXPECT_EQ(errors, result.errors);
  int notes = 0;
  for (const Finding& f : result.findings) notes += f.severity == Severity::kNote;
  EXPECT_EQ(notes, result.notes);
  EXPECT_EQ(static_cast<int>(result.findings.size()) - errors - notes, result.warnings);
}

// A window of 500 x 300 (the defaults) and buttons 40 pixels apart unless
// a row says otherwise.
const MediumCase kMedia[] = {
    {"Clean",
     "[Main]\nButton.0=A\nButton.1=B\n[A]\nBUTTON_TEXT=Go\n[B]\nBUTTON_LOC.Y=40\n",
     {},
     {}},
    {"CleanWithEveryKind",
     "[Main]\nWidth=640\nHeight=0x190\nTitle=T\nBackground=pic.bmp\nTEXT_COLOR=0xFFFFFF\n"
     "BUTTON_FONT_HEIGHT=-20\nDESC_LOC.Y=300\nEXIT_COMMAND=exit\nButton.0=A\nbutton.1=B\n"
     "[A]\nBUTTON_TEXT=Install\nDESC_TEXT=Copies\\nfiles\nDIRECTORY=Setup\n"
     "PROG_COMMAND=\"setup\\my setup.exe\" /q\nEXIT_COMMAND=STAY\nSELECT_COLOR=0\n"
     "[B]\nBUTTON_LOC.Y=100\nDOC_COMMAND=Readme.TXT\nDIRECTORY=.\nHIGHLIGHT_COLOR= +255\n",
     {{"pic.bmp", Bmp(640, 400)}, {"SETUP/My Setup.EXE", ""}, {"readme.txt", ""}},
     {}},

    // Keys.
    {"UnknownKey",
     "[Main]\nButton.0=A\n[A]\nBUTON_TEXT=Go\n",
     {},
     {"4:M101"},
     "did you mean BUTTON_TEXT?"},
    {"ListKeyWithoutPoint",
     "[Main]\nButton0=A\nButton.0=A\n[A]\n",
     {},
     {"2:M101"},
     "did you mean Button.0?"},
    {"ListKeyWithLeadingZero",
     "[Main]\nButton.0=A\nButton.01=A\n[A]\n",
     {},
     {"3:M101"},
     "did you mean Button.1?"},
    {"RectSuffixCut",
     "[Main]\nButton.0=A\n[A]\nBUTTON_LOC.W=30\n",
     {},
     {"4:M101"},
     "did you mean BUTTON_LOC.WIDTH?"},
    {"UnknownKeyFarFromAll",
     "[Main]\nButton.0=A\n[A]\nCOLOUR_OF_SKY=1\n",
     {},
     {"4:M101"},
     "is not a key of [A]"},
    {"UnknownKeyHuge",
     "[Main]\nButton.0=A\n[A]\n" + std::string(200000, 'K') + "=1\n",
     {},
     {"4:M101"},
     "KKK..."},
    {"ButtonTextInMain",
     "[Main]\nBUTTON_TEXT=x\nDESC_TEXT=y\nButton.0=A\n[A]\n",
     {},
     {"2:M102", "3:M102"}},
    {"MainDefaultsAreValidInMain",
     "[Main]\nBUTTON_LOC.X=5\nDESC_LOC.WIDTH=100\nERROR_MSG=e\nBUTTON_DESC_HEIGHT=12\n"
     "Button.0=A\n[A]\n",
     {},
     {}},
    {"WindowKeyInButton",
     "[Main]\nButton.0=A\n[A]\nTitle=x\nButton.1=A\n",
     {},
     {"4:M103", "5:M103"}},
    {"KeyWithoutEquals", "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT\n", {}, {"4:M104"}},
    {"KeyBeforeFirstSection", "Width=640\n\n[Main]\nButton.0=A\n[A]\n", {}, {"1:M105"}},
    {"DuplicateKey",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=a\nbutton_text=b\n",
     {},
     {"5:M106"},
     "line 4"},
    {"DuplicateSection",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=a\n[a]\nNOT_A_KEY=1\n",
     {},
     {"5:M107"},
     "line 3"},

    // The numbered list.
    {"GapInList",
     "[Main]\nButton.0=A\nButton.2=B\n[A]\n[B]\n",
     {},
     {"3:M201"},
     "Button.1 is missing"},
    {"EmptyEntryEndsList",
     "[Main]\nButton.0=\nButton.1=A\n[A]\n",
     {},
     {"3:M201"},
     "Button.0 (line 2) is empty"},
    {"ListedSectionMissing",
     "[Main]\nButton.0=Nope\n[Nope.Linux]\n",
     {},
     {"2:M202", "3:M205"},
     "only [Nope.Linux] exists"},
    {"SectionNotListed", "[Main]\nButton.0=A\n[A]\n[Spare]\nBUTTON_TEXT=s\n", {}, {"4:M203"}},
    {"SectionListedTwice", "[Main]\nButton.0=A\nButton.1=a\n[A]\n", {}, {"3:M204"}},
    {"LinuxOverrides",
     "[Main]\nButton.0=A\n[Main.Linux]\nWidth=600\n[A]\n[A.linux]\n[Z.Linux]\n",
     {},
     {"7:M205"}},
    {"NoMainSection", "[A]\nX=1\n", {}, {"1:M206", "1:M203", "2:M101"}},

    // Values.
    {"NumberWithoutDigits",
     "[Main]\nButton.0=A\n[A]\nTEXT_COLOR=FF0000\nHIGHLIGHT_COLOR=#FF0000\nSELECT_COLOR=0xG\n",
     {},
     {"4:M301", "5:M301", "6:M301"},
     "0x0000FF"},
    {"NumberWithTrailingText",
     "[Main]\nButton.0=A\n[A]\nBUTTON_FONT_HEIGHT=12px\n",
     {},
     {"4:M302"},
     "reads as 12"},
    {"LeadingZeroOctal",
     "[Main]\nButton.0=A\n[A]\nBUTTON_LOC.X=010\nBUTTON_LOC.Y=08\nDESC_LOC.X=00\nDESC_LOC.Y=0\n",
     {},
     {"4:M303", "5:M303"},
     "reads as 8"},
    {"OutOfRange",
     "[Main]\nButton.0=A\n[A]\nDESC_LOC.X=4294967296\nDESC_LOC.Y=-2147483649\n"
     "DESC_LOC.WIDTH=-2147483648\n",
     {},
     {"4:M304", "5:M304"},
     "reads as 2147483647"},
    {"ColourTopByte",
     "[Main]\nTEXT_COLOR=0x01FF0000\nDESC_COLOR=-1\nHIGHLIGHT_COLOR=0xFFFFFFFF\nButton.0=A\n[A]\n",
     {},
     {"2:M305", "3:M305", "4:M304", "4:M305"},
     "write 0xFF0000"},
    {"LineFeedInPaths",
     "[Main]\nBackground=pics\\new.bmp\nButton.0=A\n[A]\nDIRECTORY=D:\\new\n"
     "DOC_COMMAND=docs\\Notes.txt\nERROR_MSG=Fine:\\nshown\n",
     {},
     {"2:M306", "5:M306", "6:M306"},
     "write DIRECTORY=D:\\\\new"},
    {"DoubledBackslashIsNoLineFeed",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=C:\\\\new\nPROG_COMMAND=C:\\\\new\\\\x.exe\n",
     {},
     {}},
    {"ValueCut",
     "[Main]\nButton.0=A\n[A]\nERROR_MSG=" + std::string(1100, 'e') + "\n",
     {},
     {"4:M307"},
     "1100 characters"},
    {"ExitAlmost",
     "[Main]\nEXIT_COMMAND=Exit.\nButton.0=A\nButton.1=B\nButton.2=C\n[A]\nEXIT_COMMAND=\"EXIT \"\n"
     "[B]\nBUTTON_LOC.Y=40\nEXIT_COMMAND=eXiT\n[C]\nBUTTON_LOC.Y=80\nEXIT_COMMAND=STAY\n",
     {},
     {"2:M308", "7:M308"}},

    // Encoding.
    {"Utf8ByteOrderMark",
     "\xEF\xBB\xBF[Main]\nButton.0=A\n[A]\n",
     {},
     {"1:M401", "2:M105", "3:M203"}},
    // Before a comment or a blank line the mark hides nothing: the guide's
    // own way round it.
    {"ByteOrderMarkBeforeComment",
     "\xEF\xBB\xBF; Product medium\n[Main]\nButton.0=A\n[A]\n",
     {},
     {"1:M401"},
     "nothing is lost",
     "note/both"},
    {"ByteOrderMarkBeforeBlankLine", "\xEF\xBB\xBF \r\n[Main]\n", {}, {"1:M401"}, "", "note/both"},
    {"ByteOrderMarkBeforeKey",
     "\xEF\xBB\xBFWidth=640\n[Main]\n",
     {},
     {"1:M401"},
     "first line's key",
     "error/both"},
    {"Utf8Text",
     "[Main]\nButton.0=A\n[A]\nDESC_TEXT=caf\xC3\xA9\n",
     {},
     {"4:M402"},
     "caf\xC3\x83\xC2\xA9"},
    {"Windows1252Text", "[Main]\nTitle=Caf\xE9\nButton.0=A\n[A]\n", {}, {"2:M403"}, "Caf\xC3\xA9"},
    // UTF-16 shows alike on both as far as Windows' code page reaches.
    {"Utf16Text",
     test_support::Utf16Le(u"[Main]\r\nTitle=Caf\u00E9 \u20AC\r\nButton.0=A\r\n[A]\r\n"),
     {},
     {}},
    {"Utf16TextBeyondTheCodePage",
     test_support::Utf16Le(u"[Main]\r\nButton.0=A\r\n[A]\r\n\r\nDESC_TEXT=\u65E5\u672C\r\n"),
     {},
     {"5:M404"},
     "\xE6\x97\xA5"},

    // The picture.
    {"PictureMissing",
     "[Main]\nBackground=pics\\back.bmp\n",
     {{"pics/", ""}},
     {"2:M501"},
     "pics/back.bmp"},
    {"PictureIsAFolder", "[Main]\nBackground=pics\n", {{"pics/", ""}}, {"2:M502"}},
    {"PictureNotBmp",
     "[Main]\nBackground=back.bmp\n",
     {{"back.bmp", "\x89PNG\r\n"}},
     {"2:M503"},
     "PNG"},
    {"PictureRefused",
     "[Main]\nBackground=back.bmp\n",
     {{"back.bmp", Bmp(8, 8, 7)}},
     {"2:M504"},
     "bad format"},
    {"PictureCutShort",
     "[Main]\nBackground=back.bmp\n",
     {{"back.bmp", Bmp(64, 64, 24).substr(0, 200)}},
     {"2:M504"},
     "pixels past end"},
    {"PictureCaseAndSeparator",
     "[Main]\nBackground=Pics\\BACK.bmp\n",
     {{"pics/back.BMP", Bmp(500, 300)}},
     {}},
    {"PictureSmallWhite", "[Main]\nBackground=SMALLWHITE\n", {}, {}},
    {"PictureAspect", "[Main]\nBackground=back.bmp\n", {{"back.bmp", Bmp(300, 300)}}, {"2:M505"}},
    {"PictureFarLarger",
     "[Main]\nBackground=back.bmp\n",
     {{"back.bmp", Bmp(1000, 600)}},
     {"2:M506"}},

    // Layout: a 20-pixel font is a 20-pixel line, "Install" some 60 pixels wide.
    {"ButtonOutside",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=Install\nBUTTON_LOC.X=480\n",
     {},
     {"5:M601"}},
    // Partly outside is a warning (above); wholly outside, nobody can click it.
    {"ButtonWhollyOutside",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=Exit\nBUTTON_LOC.X=600\n",
     {},
     {"5:M601"},
     "nobody can see or click it",
     "error/both"},
    {"ButtonWhollyOutsideAbove",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=Exit\nBUTTON_LOC.Y=-40\n",
     {},
     {"5:M601"},
     "wholly outside",
     "error/both"},
    {"ButtonOutsideOnLinuxOnly",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=Go\n[A.Linux]\nBUTTON_LOC.X=600\n",
     {},
     {"6:M601"},
     "",
     "error/linux"},
    {"PictureMissingOnLinuxOnly",
     "[Main]\nBackground=back.bmp\n[Main.Linux]\nBackground=linux.bmp\n",
     {{"back.bmp", Bmp(500, 300)}},
     {"4:M501"},
     "linux.bmp",
     "error/linux"},
    {"DescriptionOutside",
     "[Main]\nButton.0=A\n[A]\nDESC_TEXT=Copies files\nDESC_LOC.X=10\nDESC_LOC.Y=290\n",
     {},
     {"6:M602"}},
    {"ButtonsOverlap",
     "[Main]\nButton.0=A\nButton.1=B\n[A]\nBUTTON_LOC.Y=10\n[B]\nBUTTON_LOC.Y=20\n",
     {},
     {"7:M603"}},
    {"DescriptionOverButton",
     "[Main]\nButton.0=A\nButton.1=B\n[A]\nDESC_TEXT=About A\nDESC_LOC.Y=100\n[B]\n"
     "BUTTON_LOC.Y=110\n",
     {},
     {"6:M604"}},
    {"WrappedTextInside",
     "[Main]\nButton.0=A\n[A]\nBUTTON_TEXT=one two three four five six\nBUTTON_LOC.X=400\n"
     "BUTTON_LOC.WIDTH=90\n",
     {},
     {}},

    // Commands.
    {"ProgramMissing",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=setup\\setup.exe /q\n",
     {},
     {"4:M701"},
     "setup/setup.exe"},
    {"ProgramFoundInAnyCase",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=setup\\setup.exe /q\n",
     {{"Setup/SETUP.EXE", ""}},
     {}},
    {"ProgramOnlyWindowsAddsExe",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=setup\\setup\n",
     {{"setup/setup.exe", ""}},
     {"4:M701"},
     "not on the desktop"},
    {"ProgramPathWithSpaces",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=my tools\\setup.exe\n",
     {{"my tools/setup.exe", ""}},
     {"4:M704"},
     "my.exe"},
    {"BareProgramInDirectory",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=setup.exe\n",
     {{"setup/setup.exe", ""}},
     {"5:M705"},
     "setup\\setup.exe"},
    {"BareProgramNowhere",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=no-such-program-m706 /x\n",
     {},
     {"4:M706"}},
    {"BareProgramOnPath", "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=sh -c true\n", {}, {}},
    {"DirectoryMissing",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=nothere\nPROG_COMMAND=sh\n",
     {},
     {"4:M703"}},
    {"DirectoryUnusedWithoutCommand", "[Main]\nButton.0=A\n[A]\nDIRECTORY=nothere\n", {}, {}},
    {"DocumentMissing",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=docs\nDOC_COMMAND=readme.txt\n",
     {{"docs/", ""}, {"readme.txt", ""}},
     {"5:M702"},
     "docs/readme.txt"},
    {"DocumentInDirectory",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=Docs\nDOC_COMMAND=README.txt\n",
     {{"docs/readme.txt", ""}},
     {}},
    {"DocumentIgnoredWithProgram",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=sh\nDOC_COMMAND=missing.txt\n",
     {},
     {}},
    // Each finding on its own: a missing DIRECTORY does not hide a program
    // that is nowhere.
    {"BrokenDirectoryHidesNoProgram",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=nothere\nPROG_COMMAND=setup\\setup.exe\n",
     {},
     {"4:M703", "5:M701"},
     "setup/setup.exe",
     "error/both error/both"},
    // Each platform's own reading of the button: the installers of both are
    // missing, the Linux one run by sh from DIRECTORY.
    {"InstallersMissingOnBothPlatforms",
     "[Main]\nButton.0=Install\n[Install]\nDIRECTORY=setup\nPROG_COMMAND=setup\\setup.exe\n"
     "[Install.Linux]\nPROG_COMMAND=sh install.sh\n",
     {{"setup/", ""}},
     {"5:M701", "7:M707"},
     "no setup/install.sh on the medium",
     "error/windows error/linux"},
    {"InstallersOnTheMedium",
     "[Main]\nButton.0=Install\n[Install]\nDIRECTORY=setup\nPROG_COMMAND=setup\\setup.exe\n"
     "[Install.Linux]\nPROG_COMMAND=sh install.sh\n",
     {{"setup/setup.exe", ""}, {"setup/install.sh", ""}},
     {}},
    {"ScriptMissingOnBoth",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=sh -e install.sh\n",
     {{"setup/", ""}},
     {"5:M707"},
     "sh runs install.sh",
     "error/both"},
    // The interpreter opens the name as written: Windows finds it in any
    // letter case, Linux does not.
    {"ScriptInAnotherLetterCase",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=sh install.sh\n",
     {{"setup/Install.SH", ""}},
     {"5:M707"},
     "the medium has setup/Install.SH",
     "error/linux"},
    {"ScriptNamedFromTheRoot",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=sh setup/install.sh\n",
     {{"setup/install.sh", ""}},
     {"5:M707"},
     "no setup/setup/install.sh",
     "error/both"},
    {"InterpretersOfScriptsThatAreThere",
     "[Main]\nButton.0=A\nButton.1=B\nButton.2=C\n[A]\nPROG_COMMAND=python3 -u -W ignore setup.py\n"
     "[B]\nBUTTON_LOC.Y=40\nPROG_COMMAND=perl -w tools/setup.pl\n[C]\nBUTTON_LOC.Y=80\n"
     "PROG_COMMAND=bash --rcfile none -- install.sh\n",
     {{"setup.py", ""}, {"tools/setup.pl", ""}, {"install.sh", ""}},
     {}},
    {"InterpretersWithoutScriptFiles",
     "[Main]\nButton.0=A\nButton.1=B\nButton.2=C\nButton.3=D\n[A]\nPROG_COMMAND=sh -c \"exit 0\"\n"
     "[B]\nBUTTON_LOC.Y=40\nPROG_COMMAND=python3 -m http.server\n[C]\nBUTTON_LOC.Y=80\n"
     "PROG_COMMAND=perl -le \"print 1\"\n[D]\nBUTTON_LOC.Y=120\nPROG_COMMAND=dash\n",
     {},
     {}},
    // cmd is no Linux program; its script is Windows' to find.
    {"CmdScriptMissing",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=cmd /q /c \"install.bat\" /s\n",
     {{"setup/", ""}},
     {"5:M706", "5:M707"},
     "cmd runs install.bat",
     "warning/linux error/windows"},
    {"CmdScriptThere",
     "[Main]\nButton.0=A\n[A]\nDIRECTORY=setup\nPROG_COMMAND=cmd /c install\n",
     {{"setup/INSTALL.CMD", ""}},
     {"5:M706"}},
    {"CmdBuiltin",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=cmd /c start readme.txt\n",
     {},
     {"4:M706"}},
    {"DocumentsThatAreFoldersAndAddresses",
     "[Main]\nButton.0=A\nButton.1=B\nButton.2=C\n[A]\nDOC_COMMAND=Drivers\n[B]\nBUTTON_LOC.Y=40\n"
     "DOC_COMMAND=https://example.com/product\n[C]\nBUTTON_LOC.Y=80\n"
     "DOC_COMMAND=mailto:help@example.com\n",
     {{"drivers/", ""}},
     {}},
    {"DocumentMissingOnLinuxOnly",
     "[Main]\nButton.0=A\n[A]\nDOC_COMMAND=readme.txt\n[A.Linux]\nDOC_COMMAND=readme-linux.txt\n",
     {{"readme.txt", ""}},
     {"6:M702"},
     "readme-linux.txt",
     "error/linux"},
    {"InheritedProgramReportedOnce",
     "[Main]\nPROG_COMMAND=setup\\x.exe\nButton.0=A\nButton.1=B\n[A]\n[B]\nBUTTON_LOC.Y=40\n",
     {},
     {"2:M701"}},
    // What publishing keeps of the medium's files (line 0, before the lines).
    {"JolietNameTooLong",
     "[Main]\nTitel=x\n",
     {{std::string(103, 'a'), ""}, {std::string(100, 'b') + ".txt", ""}},
     {"0:M801", "2:M101"},
     "is 104 characters long; Joliet keeps 103"},
    {"PathTooLongForWindows",
     "[Main]\n",
     {{std::string(60, 'a') + "/" + std::string(60, 'b') + "/" + std::string(60, 'c') + "/" +
           std::string(60, 'd') + "/" + std::string(13, 'e'),
       ""}},
     {"0:M801"},
     "is 257 characters long; Windows opens paths of at most 256"},
    {"NamesDifferingInLetterCase",
     "[Main]\n",
     {{"Setup.exe", ""},
      {"setup.EXE", ""},
      {"docs/\xC3\x89t\xC3\xA9.txt", ""},  // Été.txt and été.txt
      {"docs/\xC3\xA9t\xC3\xA9.txt", ""},
      {"docs/\xCE\xA9.txt", ""},  // Ω and ω
      {"docs/\xCF\x89.txt", ""},
      {"docs/ss.txt", ""},  // no letter case: ß is not "ss"
      {"docs/\xC3\x9F.txt", ""}},
     {"0:M802", "0:M802", "0:M802"},
     "Setup.exe and setup.EXE differ only in letter case"},
    {"CharactersJolietOrFatCannotStore",
     "[Main]\n",
     {{"a:b", ""},
      {"x;y", ""},
      {"what?.txt", ""},
      {"pipe|d", ""},
      {"tab\tname", ""},
      {"smile\xF0\x9F\x98\x80", ""},  // beyond 16 bits
      {"latin\xE9", ""},              // Windows-1252, not UTF-8
      {"dot.", ""},
      {"space ", ""},
      {"Con.txt", ""},
      {"lpt1", ""},
      {"com10.txt", ""},  // no device
      {"caf\xC3\xA9 & co (1).txt", ""}},
     {"0:M803", "0:M803", "0:M803", "0:M803", "0:M803", "0:M803", "0:M803", "0:M803", "0:M803",
      "0:M803", "0:M803"},
     "is CON, a name that Windows keeps for a device"},
    {"LauncherWithoutStarter",
     "[Main]\n",
     {{"mavrel", "#!/bin/sh\n"}},
     {"0:M805"},
     "autorun.sh is missing from the medium's root",
     "",
     {{"mavrel", 0755}}},
    {"StarterWithoutLauncherAndNotExecutable",
     "[Main]\n",
     {{"autorun.sh", "#!/bin/sh\n"}, {"MAVREL", ""}},
     {"0:M805", "0:M806"},
     "autorun.sh is not executable"},
    {"StarterAndLauncherExecutable",
     "[Main]\n",
     {{"autorun.sh", ""}, {"mavrel", ""}, {"setup/install.sh", ""}},
     {},
     "",
     "",
     {{"autorun.sh", 0500}, {"mavrel", 0711}}},
    {"LauncherAFolder",
     "[Main]\n",
     {{"autorun.sh", ""}, {"mavrel/", ""}},
     {"0:M805"},
     "mavrel is missing",
     "",
     {{"autorun.sh", 0755}}},
    {"AutorunInfWithoutOpen",
     "[Main]\n",
     {{"AUTORUN.INF", "[autorun]\r\nicon=Mavrel.exe,0\r\nlabel=Product\r\n"}},
     {"0:M807"},
     "AUTORUN.INF has no open= in [autorun]"},
    {"AutorunInfOpenElsewhere",
     "[Main]\n",
     {{"autorun.inf", "[other]\nopen=Mavrel.exe\n"}},
     {"0:M807"}},
    {"AutorunInfShellExecuteAndLongestLabel",
     "[Main]\n",
     {{"autorun.inf", "[AutoRun]\nshellexecute=Mavrel.exe\nlabel=" + std::string(32, 'L') + "\n"}},
     {}},
    {"AutorunInfLabelTooLong",
     "[Main]\n",
     {{"autorun.inf", "[autorun]\nopen=Mavrel.exe\nlabel=" + std::string(33, 'L') + "\n"}},
     {"0:M808"},
     "label= is 33 characters long; a volume label keeps 32"},
};

INSTANTIATE_TEST_SUITE_P(Media, MediumCheckTest, ::testing::ValuesIn(kMedia),
                         [](const ::testing::TestParamInfo<MediumCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(MediumCheckTest, DemoMediumIsClean) {
  fs::path previous = fs::current_path();
  fs::current_path(fs::path(MAVREL_SOURCE_DIR) / "examples" / "demo");
  CheckResult result = CheckCurrentFolder();
  fs::current_path(previous);
  EXPECT_EQ("Mavrel.INI", result.settingsFile);
  EXPECT_EQ(std::vector<std::string>{}, Codes(result)) << Messages(result);
}

// Programs along PATH as the Linux launcher finds them: a file there counts
// only with its execute bit (else the launcher shows its "Error" box), and
// with PATH unset it searches the usual folders.
TEST(MediumCheckTest, ProgramsAlongPathAsTheLauncherFindsThem) {
  test_support::TempMedium tools("check-path");
  tools.Write("plain-tool", "");
  tools.Write("runnable-tool", "#!/bin/sh\n");
  tools.SetMode("runnable-tool", 0755);
  const char* saved = std::getenv("PATH");
  const std::string previous = saved != nullptr ? saved : "";
  struct Row {
    bool unset;
    const char* program;
    std::vector<std::string> expected;
  } rows[] = {
      {false, "plain-tool", {"4:M706"}},
      {false, "runnable-tool", {}},
      {true, "sh -c true", {}},
  };
  for (const Row& row : rows) {
    MediumFolder folder;
    folder.Write("Mavrel.INI",
                 std::string("[Main]\nButton.0=A\n[A]\nPROG_COMMAND=") + row.program + "\n");
    if (row.unset) {
      unsetenv("PATH");
    } else {
      setenv("PATH", (tools.path() + ":" + previous).c_str(), 1);
    }
    const CheckResult result = CheckCurrentFolder();
    setenv("PATH", previous.c_str(), 1);
    EXPECT_EQ(row.expected, Codes(result)) << row.program << "\n" << Messages(result);
  }
}

// The medium of an author's first try with only the kit and the guide
// (tests/tools/author_medium): saved with a byte order mark before a
// comment, neither platform's installer on the medium, the Exit button off
// the window. Each platform's reading gives its own findings.
TEST(MediumCheckTest, AuthorsMediumGivesEachPlatformsFindings) {
  fs::path previous = fs::current_path();
  fs::current_path(fs::path(MAVREL_SOURCE_DIR) / "tests" / "tools" / "author_medium");
  struct Row {
    Platforms platforms;
    std::vector<std::string> expected;
    std::string details;
  } rows[] = {
      {Platforms::kBoth,
       {"1:M401", "32:M701", "35:M707", "62:M601"},
       "note/both error/windows error/linux error/both"},
      {Platforms::kWindows,
       {"1:M401", "32:M701", "62:M601"},
       "note/both error/windows error/windows"},
      {Platforms::kLinux, {"1:M401", "35:M707", "62:M601"}, "note/both error/linux error/linux"},
  };
  for (const Row& row : rows) {
    const CheckResult result = CheckCurrentFolder(true, row.platforms);
    EXPECT_EQ(row.expected, Codes(result)) << Messages(result);
    EXPECT_EQ(row.details, Details(result)) << Messages(result);
    EXPECT_EQ(row.platforms, result.checked);
  }
  fs::current_path(previous);
}

// The examples of AUTHORING.md's "Paths" section, each written into a
// medium and checked on both platforms: the guide and the checks (and
// through them the launchers' own rules) must say the same thing.
TEST(MediumCheckTest, TheGuidesPathExamplesHoldOnBothPlatforms) {
  std::ifstream guide(fs::path(MAVREL_SOURCE_DIR) / "AUTHORING.md");
  ASSERT_TRUE(guide.is_open());
  // The `quoted` parts of a table cell.
  auto quoted = [](const std::string& cell) {
    std::vector<std::string> parts;
    for (std::size_t at = cell.find('`'); at != std::string::npos;) {
      std::size_t end = cell.find('`', at + 1);
      if (end == std::string::npos) break;
      parts.push_back(cell.substr(at + 1, end - at - 1));
      at = cell.find('`', end + 1);
    }
    return parts;
  };
  auto codes = [](const std::string& cell) {
    std::set<std::string> found;
    for (std::size_t at = cell.find("(M"); at != std::string::npos; at = cell.find("(M", at + 1)) {
      found.insert(cell.substr(at + 1, 4));
    }
    return found;
  };
  std::string line;
  bool inTable = false;
  int examples = 0;
  while (std::getline(guide, line)) {
    if (line.rfind("| `DIRECTORY` | Setting |", 0) == 0) {
      inTable = true;
      continue;
    }
    if (!inTable || line.rfind("|---", 0) == 0) continue;
    if (line.rfind("| ", 0) != 0) break;
    std::vector<std::string> cells;
    for (std::size_t at = 2; at < line.size();) {
      std::size_t end = line.find(" | ", at);
      if (end == std::string::npos) end = line.rfind(" |");
      cells.push_back(line.substr(at, end - at));
      at = end + 3;
    }
    ASSERT_EQ(5u, cells.size()) << line;
    const std::string directory = quoted(cells[0]).at(0);
    const std::string setting = quoted(cells[1]).at(0);
    MediumFolder folder;
    folder.Write("Mavrel.INI",
                 "[Main]\nButton.0=A\n[A]\nDIRECTORY=" + directory + "\n" + setting + "\n");
    for (const std::string& file : quoted(cells[2])) folder.Write(file, "");
    const CheckResult result = CheckCurrentFolder();
    for (const auto& [platform, expected] : {std::make_pair(Platforms::kWindows, codes(cells[3])),
                                             std::make_pair(Platforms::kLinux, codes(cells[4]))}) {
      std::set<std::string> given;
      for (const Finding& f : result.findings) {
        if (f.platforms == platform || f.platforms == Platforms::kBoth) given.insert(f.code);
      }
      EXPECT_EQ(expected, given) << line << "\n" << Messages(result);
    }
    ++examples;
  }
  EXPECT_GE(examples, 12);
}

TEST(MediumCheckTest, FolderWithoutSettingsGivesNoFile) {
  MediumFolder folder;
  EXPECT_EQ("", CheckCurrentFolder().settingsFile);
  folder.Write("mavrel.ini", "[Main]\nBUTON_TEXT=x\n");
  CheckResult result = CheckCurrentFolder();
  EXPECT_EQ("mavrel.ini", result.settingsFile);
  EXPECT_EQ(std::vector<std::string>{"2:M101"}, Codes(result));
}

TEST(MediumCheckTest, LinesComeFromTheParseThatAnsweredTheReads) {
  MediumFolder folder;
  folder.Write("Mavrel.INI", "[Main]\nTitle=x\n");
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::hours(1));
  auto useLinuxSections = [&platform](bool on) { platform.SetLinuxSections(on); };
  CheckResult result = CheckMedium(platform, useLinuxSections, [&](const char* path) {
    // Changed after the reads: the lines walked are still the ones read.
    folder.Write("Mavrel.INI", "[Main]\nBUTON_TEXT=x\n");
    return platform.ParsedSettings(path);
  });
  EXPECT_EQ(std::vector<std::string>{}, Codes(result)) << Messages(result);
  EXPECT_EQ(1, platform.settingsParseCount());
  EXPECT_EQ(std::vector<std::string>{"2:M101"}, Codes(CheckMedium(platform, useLinuxSections)));
}

TEST(MediumCheckTest, ApproximateMetricsFollowTheFontHeight) {
  EXPECT_EQ(20, ApproximateLineHeight(20));
  EXPECT_EQ(22, ApproximateLineHeight(-20));
  EXPECT_EQ(16, ApproximateLineHeight(0));
  // "Install" in a 20-pixel cell: 2,612 thousandths of an em of 17.9 pixels.
  EXPECT_EQ(47, ApproximateTextWidth("Install", 7, 20));
  EXPECT_LT(ApproximateTextWidth("iiii", 4, 20), ApproximateTextWidth("MMMM", 4, 20));
  EXPECT_EQ(0, ApproximateTextWidth("", 0, 20));
}

TEST(MediumCheckTest, LinksAndSpecialFilesAreNamed) {
  MediumFolder folder;
  folder.Write("Mavrel.INI", "[Main]\n");
  folder.Write("readme.txt", "");
  folder.Symlink("readme.txt", "liesmich.txt");
  folder.MakeFifo("pipe");
  CheckResult result = CheckCurrentFolder();
  EXPECT_EQ((std::vector<std::string>{"0:M810", "0:M810"}), Codes(result)) << Messages(result);
  EXPECT_NE(std::string::npos, Messages(result).find("liesmich.txt is a symbolic link"));
  EXPECT_NE(std::string::npos, Messages(result).find("pipe is no regular file or folder"));
}

// Sizes come from sparse files, which take no room on the disk.
TEST(MediumCheckTest, LargeFilesAndMediaGiveWarningsAndNotes) {
  const struct {
    std::uintmax_t size;
    std::vector<std::string> expected;
    const char* mentions;
  } rows[] = {
      {700'000'000, {}, ""},
      {760'000'000, {"0:M809"}, "more than a CD holds (700 MB); a DVD"},
      {(4ull << 30) - 1, {"0:M809"}, "a DVD or a USB stick holds it"},
      {4ull << 30, {"0:M804", "0:M809"}, "4 GiB or more"},
      {4'800'000'000, {"0:M804", "0:M809"}, "more than a DVD holds (4.7 GB)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    MediumFolder folder;
    folder.Write("Mavrel.INI", "[Main]\n");
    folder.Write("data/big.bin", "");
    fs::resize_file(folder.root() / "data" / "big.bin", row.size);
    CheckResult result = CheckCurrentFolder();
    EXPECT_EQ(row.expected, Codes(result)) << Messages(result);
    EXPECT_NE(std::string::npos, Messages(result).find(row.mentions)) << Messages(result);
    // A note is no mistake: it counts as neither.
    EXPECT_EQ(0, result.errors);
    EXPECT_EQ(row.size >= (4ull << 30) ? 1 : 0, result.warnings);
  }
}

// The command as an author runs it: exit status and output.
struct CommandCase {
  const char* name;
  std::string ini;  // empty: no settings file
  std::vector<std::string> arguments;
  int status;
  std::string output;  // expected start of standard output; @ stands for the folder
  std::map<std::string, std::string> files = {};
};

class CheckCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CheckCommandTest, GivesStatusAndOutput) {
  const CommandCase& row = GetParam();
  MediumFolder folder;
  if (!row.ini.empty()) folder.Write("Mavrel.INI", row.ini);
  for (const auto& file : row.files) folder.Write(file.first, file.second);
  const std::string root = folder.root().string();
  test_support::CommandLine line("check", row.arguments, root);
  DesktopFileSystem platform;
  ::testing::internal::CaptureStdout();
  int status = RunCheckCommand(
      line.argc(), line.argv(), platform, [&platform](bool on) { platform.SetLinuxSections(on); },
      [&platform](const char* path) { return platform.ParsedSettings(path); });
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(row.status, status);
  const std::string expected = test_support::WithFolder(row.output, root);
  EXPECT_EQ(expected, out.substr(0, expected.size())) << out;
}

const CommandCase kCommands[] = {
    {"Clean", "[Main]\n", {"@"}, 0, ""},
    {"WarningOnly",
     "[Main]\nTitel=x\n",
     {"@"},
     0,
     "@/Mavrel.INI:2: warning: Titel: did you mean Title? (Titel is not a key of [Main] and is "
     "ignored) [M101]\n"},
    {"WarningStrict", "[Main]\nTitel=x\n", {"--strict", "@"}, 1, "@/Mavrel.INI:2: warning:"},
    {"Error", "[Main]\nButton.0=Nope\n", {"@"}, 1, "@/Mavrel.INI:2: error:"},
    {"CurrentFolder", "[Main]\nButton.0=Nope\n", {}, 1, "Mavrel.INI:2: error:"},
    {"Json",
     "[Main]\nButton.0=\"x\"\n",
     {"--format", "json", "@"},
     1,
     "{\n  \"settings_file\": \"@/Mavrel.INI\",\n  \"errors\": 1,\n  \"warnings\": 0,\n"
     "  \"findings\": [\n    {\"line\": 2, \"severity\": \"error\", \"code\": \"M202\", "
     "\"message\": \"Button.0 names [x], which is not in the file"},
    {"JsonClean",
     "[Main]\n",
     {"--format=json", "@"},
     0,
     "{\n  \"settings_file\": \"@/Mavrel.INI\",\n  \"errors\": 0,\n  \"warnings\": 0,\n"
     "  \"findings\": []\n}\n"},
    {"FileFindingNamesTheFolder",
     "[Main]\nTitel=x\n",
     {"@"},
     1,
     "@: error: A.txt and a.txt differ only in letter case: Windows and FAT keep only one of "
     "them [M802]\n@/Mavrel.INI:2: warning: Titel:",
     {{"A.txt", ""}, {"a.txt", ""}}},
    {"FileFindingInCurrentFolder",
     "[Main]\n",
     {},
     1,
     ".: error: A.txt and a.txt",
     {{"A.txt", ""}, {"a.txt", ""}}},
    {"FileFindingJson",
     "[Main]\n",
     {"--format=json", "@"},
     1,
     "{\n  \"settings_file\": \"@/Mavrel.INI\",\n  \"errors\": 1,\n  \"warnings\": 0,\n"
     "  \"findings\": [\n    {\"line\": 0, \"severity\": \"error\", \"code\": \"M802\"",
     {{"A.txt", ""}, {"a.txt", ""}}},
    {"NoSettingsFile", "", {"@"}, 2, ""},
    {"BadFolder", "[Main]\n", {"@/missing"}, 2, ""},
    {"BadOption", "[Main]\n", {"--colour", "@"}, 2, ""},
    {"TwoFolders", "[Main]\n", {"@", "@"}, 2, ""},
    // The text output ends with a count, or says that there is nothing.
    {"CountOfNone", "[Main]\n", {"@"}, 0, "@/Mavrel.INI: no findings\n"},
    {"CountOfEach",
     "\xEF\xBB\xBF;\n[Main]\nTitel=x\nButton.0=Nope\n",
     {"@"},
     1,
     "@/Mavrel.INI:1: note: the file starts with a UTF-8 byte order mark, which Windows reads as "
     "part of the first line; that line holds no section or key, so nothing is lost [M401]\n"
     "@/Mavrel.INI:3: warning: Titel: did you mean Title? (Titel is not a key of [Main] and is "
     "ignored) [M101]\n"
     "@/Mavrel.INI:4: error: Button.0 names [Nope], which is not in the file: that button shows "
     "\"Unlabeled\" with only [Main]'s settings [M202]\n"
     "@/Mavrel.INI: 1 error, 1 warning, 1 note\n"},
    {"NoteAlonePasses", "\xEF\xBB\xBF\n[Main]\n", {"--strict", "@"}, 0, "@/Mavrel.INI:1: note:"},
    // A finding of one platform's reading says so; asked for one platform,
    // there is nothing to tell apart.
    {"PlatformLeftToWindows",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=setup.exe\n[A.Linux]\nPROG_COMMAND=sh -c true\n",
     {"@"},
     0,
     "@/Mavrel.INI: no findings\n"},
    {"PlatformNamedInText",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=go\\setup.exe\n[A.Linux]\nPROG_COMMAND=sh -c true\n",
     {"@"},
     1,
     "@/Mavrel.INI:4: error: on Windows: the program of [A] is not on the medium"},
    {"PlatformWindowsOnly",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=go\\setup.exe\n[A.Linux]\nPROG_COMMAND=sh -c true\n",
     {"--platform", "windows", "@"},
     1,
     "@/Mavrel.INI:4: error: the program of [A] is not on the medium"},
    {"PlatformLinuxOnly",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=go\\setup.exe\n[A.Linux]\nPROG_COMMAND=sh -c true\n",
     {"@", "--platform", "linux"},
     0,
     "@/Mavrel.INI: no findings\n"},
    {"PlatformInJson",
     "[Main]\nButton.0=A\n[A]\nPROG_COMMAND=go\\setup.exe\n[A.Linux]\nPROG_COMMAND=sh -c true\n",
     {"--format", "json", "@"},
     1,
     "{\n  \"settings_file\": \"@/Mavrel.INI\",\n  \"errors\": 1,\n  \"warnings\": 0,\n"
     "  \"findings\": [\n    {\"line\": 4, \"severity\": \"error\", \"code\": \"M701\", "
     "\"message\": \"the program of [A] is not on the medium: Windows looked for go/setup.exe in "
     "the medium's folder\", \"platform\": \"windows\"}\n  ]\n}\n"},
    {"PlatformUnknown", "[Main]\n", {"--platform", "macos", "@"}, 2, ""},
    {"PlatformMissing", "[Main]\n", {"@", "--platform"}, 2, ""},
};

INSTANTIATE_TEST_SUITE_P(Commands, CheckCommandTest, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                           return std::string(info.param.name);
                         });

#ifdef MAVREL_INSPECT_RENDER
// "mavrel-inspect render": the same command table, and the pictures it draws
// of a small medium compared state against state.

int RunRender(const std::string& root, const std::vector<std::string>& arguments) {
  test_support::CommandLine line("render", arguments, root);
  fs::path previous = fs::current_path();
  int status = RunRenderCommand(line.argc(), line.argv());
  fs::current_path(previous);
  return status;
}

// Two buttons on the left, one description place on the right (boxes with
// room for the text's exact extent).
const char* const kRenderMedium =
    "[Main]\nWidth=200\nHeight=120\nBackground=pic.bmp\nBUTTON_FONT_HEIGHT=20\n"
    "BUTTON_DESC_HEIGHT=14\nTEXT_COLOR=0x00FF00\nHIGHLIGHT_COLOR=0x00FFFF\n"
    "SELECT_COLOR=0xFFFFFF\nDESC_COLOR=0xFFFF00\nDESC_LOC.X=110\nDESC_LOC.Y=70\n"
    "DESC_LOC.WIDTH=80\nBUTTON_LOC.X=10\nBUTTON_LOC.WIDTH=80\nButton.0=Go\nButton.1=Stop\n"
    "[Go]\nBUTTON_TEXT=Go\nDESC_TEXT=Goes\nBUTTON_LOC.Y=10\n"
    "[Stop]\nBUTTON_TEXT=Stop\nDESC_TEXT=Ends\nBUTTON_LOC.Y=50\n";
struct Box {
  int x, y, width, height;
  bool Holds(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};
constexpr Box kGoBox{10, 10, 80, 35};
constexpr Box kStopBox{10, 50, 80, 35};
constexpr Box kDescBox{110, 70, 90, 50};

class RenderCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(RenderCommandTest, GivesStatusAndWritesOnlyOnSuccess) {
  const CommandCase& row = GetParam();
  MediumFolder folder;
  if (!row.ini.empty()) folder.Write("Mavrel.INI", row.ini);
  folder.Write("pic.bmp", Bmp(40, 30, 24));
  fs::remove(folder.root() / "out.png");
  EXPECT_EQ(row.status, RunRender(folder.root().string(), row.arguments));
  RgbImage image;
  std::string error;
  EXPECT_EQ(row.status == 0, ReadPng((folder.root() / "out.png").string(), image, error)) << error;
  if (row.status == 0) {
    EXPECT_EQ(200, image.width);
    EXPECT_EQ(120, image.height);
  }
}

std::string WithCover() {
  std::string ini = kRenderMedium;
  ini.insert(ini.find("[Go]"), "Button.2=Cover\n");
  return ini + "[Cover]\nBUTTON_TEXT=Go Go Go\nBUTTON_LOC.Y=0\nBUTTON_FONT_HEIGHT=30\n";
}
const CommandCase kRenderCommands[] = {
    {"AtRest", kRenderMedium, {"@", "-o", "@/out.png"}, 0, ""},
    {"HotInOtherCase", kRenderMedium, {"--hot", "stop", "-o", "@/out.png", "@"}, 0, ""},
    {"RelativeOutput", kRenderMedium, {"--output", "out.png"}, 0, ""},
    {"UnknownSection", kRenderMedium, {"@", "--hot", "Nope", "-o", "@/out.png"}, 2, ""},
    {"NoOutput", kRenderMedium, {"@", "--pressed", "Go"}, 2, ""},
    {"HotWithoutSection", kRenderMedium, {"@", "-o", "@/out.png", "--hot"}, 2, ""},
    {"BadFolder", kRenderMedium, {"@/missing", "-o", "@/out.png"}, 2, ""},
    {"NoSettingsFile", "", {"@", "-o", "@/out.png"}, 2, ""},
    {"TwoStates", kRenderMedium, {"@", "--hot", "Go", "--sheet", "-o", "@/out.png"}, 2, ""},
    {"BadOption", kRenderMedium, {"@", "--colour", "-o", "@/out.png"}, 2, ""},
    // Button.2 lies over Go: a pointer there is on Button.2 first.
    {"CoveredButton", WithCover(), {"@", "--hot", "Go", "-o", "@/out.png"}, 1, ""},
    // Stop is drawn under Button.2 but keeps a free part to be pointed at.
    {"PartlyCoveredButton", WithCover(), {"@", "--hot", "Stop", "-o", "@/out.png"}, 0, ""},
    {"ButtonOutsideTheWindow",
     std::string(kRenderMedium) + "[Stop.Linux]\nBUTTON_LOC.X=300\n",
     {"@", "--pressed", "Stop", "-o", "@/out.png"},
     1,
     ""},
    {"UnwritableOutput", kRenderMedium, {"@", "-o", "@/no/such/folder/out.png"}, 1, ""},
    // Mavrel.exe's reading has no [Stop.Linux]: Stop is in the window there.
    {"WindowsReading",
     std::string(kRenderMedium) + "[Stop.Linux]\nBUTTON_LOC.X=300\n",
     {"@", "--pressed", "Stop", "--platform", "windows", "-o", "@/out.png"},
     0,
     ""},
    {"LinuxReading",
     std::string(kRenderMedium) + "[Stop.Linux]\nBUTTON_LOC.X=300\n",
     {"@", "--platform", "linux", "--pressed", "Stop", "-o", "@/out.png"},
     1,
     ""},
    {"UnknownPlatform", kRenderMedium, {"@", "--platform", "macos", "-o", "@/out.png"}, 2, ""},
};

// Why the pointer cannot reach a button, in render's own words.
TEST(RenderCommandTest, SaysWhyThePointerCannotReachAButton) {
  struct Row {
    std::string ini;
    const char* section;
    const char* why;
  } rows[] = {
      {std::string(kRenderMedium) + "[Stop.Linux]\nBUTTON_LOC.X=300\n", "Stop",
       "wholly outside the 200 x 120 window"},
      {WithCover(), "Go", "free of the buttons of higher key numbers"},
      {std::string(kRenderMedium) + "[Stop.Linux]\nBUTTON_TEXT=\\n\n", "Stop", "takes no room"},
  };
  for (const Row& row : rows) {
    MediumFolder folder;
    folder.Write("Mavrel.INI", row.ini);
    folder.Write("pic.bmp", Bmp(40, 30, 24));
    ::testing::internal::CaptureStderr();
    const int status =
        RunRender(folder.root().string(), {"@", "--hot", row.section, "-o", "@/out.png"});
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, status) << row.ini;
    EXPECT_NE(std::string::npos, said.find(row.why)) << said;
  }
}

// The author's medium (tests/tools/author_medium) drawn: at rest, and the
// Exit button that no pointer can reach.
TEST(RenderCommandTest, DrawsTheAuthorsMedium) {
  const std::string medium =
      (fs::path(MAVREL_SOURCE_DIR) / "tests" / "tools" / "author_medium").string();
  test_support::TempMedium out("render-out");
  const std::string png = out.PathOf("author.png");
  EXPECT_EQ(0, RunRender(medium, {medium, "-o", png}));
  RgbImage image;
  std::string error;
  ASSERT_TRUE(ReadPng(png, image, error)) << error;
  EXPECT_EQ(720, image.width);
  EXPECT_EQ(480, image.height);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(1, RunRender(medium, {medium, "--hot", "exit", "-o", png}));
  EXPECT_NE(std::string::npos,
            ::testing::internal::GetCapturedStderr().find("wholly outside the 720 x 480 window"));
  EXPECT_EQ(0, RunRender(medium, {medium, "--hot", "Install", "--platform", "windows", "-o", png}));
}

INSTANTIATE_TEST_SUITE_P(Render, RenderCommandTest, ::testing::ValuesIn(kRenderCommands),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                           return std::string(info.param.name);
                         });

class RenderPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Mavrel.INI", kRenderMedium);
    folder_.Write("pic.bmp", Bmp(40, 30, 24));
  }
  RgbImage Render(const std::vector<std::string>& state) {
    std::vector<std::string> arguments{"@", "-o", "@/out.png"};
    arguments.insert(arguments.end(), state.begin(), state.end());
    EXPECT_EQ(0, RunRender(folder_.root().string(), arguments));
    RgbImage image;
    std::string error;
    EXPECT_TRUE(ReadPng((folder_.root() / "out.png").string(), image, error)) << error;
    return image;
  }
  // How many pixels differ inside each box, and outside all of them.
  static std::vector<int> Differences(const RgbImage& a, const RgbImage& b,
                                      const std::vector<Box>& boxes) {
    std::vector<int> counts(boxes.size() + 1, 0);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height) return counts;
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        if (a.At(x, y) == b.At(x, y)) continue;
        std::size_t i = 0;
        while (i < boxes.size() && !boxes[i].Holds(x, y)) ++i;
        ++counts[i];
      }
    }
    return counts;
  }
  // Where `part` lies within `whole`, pixel for pixel; (-1, -1) if nowhere.
  static std::pair<int, int> Find(const RgbImage& whole, const RgbImage& part) {
    for (int y = 0; y + part.height <= whole.height; ++y) {
      for (int x = 0; x + part.width <= whole.width; ++x) {
        bool same = true;
        for (int py = 0; same && py < part.height; ++py) {
          for (int px = 0; same && px < part.width; ++px) {
            same = whole.At(x + px, y + py) == part.At(px, py);
          }
        }
        if (same) return {x, y};
      }
    }
    return {-1, -1};
  }
  MediumFolder folder_;
};

TEST_F(RenderPictureTest, EachStateChangesExactlyItsButtonAndDescription) {
  RgbImage rest = Render({});
  RgbImage goHot = Render({"--hot", "Go"});
  RgbImage goPressed = Render({"--pressed", "Go"});
  RgbImage stopHot = Render({"--hot", "Stop"});
  // Hot: the button's colour and the description, nothing else.
  std::vector<int> hot = Differences(rest, goHot, {kGoBox, kDescBox, kStopBox});
  EXPECT_GE(hot[0], 20);
  EXPECT_GE(hot[1], 20);
  EXPECT_EQ(0, hot[2]);
  EXPECT_EQ(0, hot[3]);
  // Pressed: only the button's colour changes from hot; the description
  // is drawn the same.
  std::vector<int> pressed = Differences(goHot, goPressed, {kGoBox, kDescBox});
  EXPECT_GE(pressed[0], 20);
  EXPECT_EQ(0, pressed[1]);
  EXPECT_EQ(0, pressed[2]);
  std::vector<int> other = Differences(rest, stopHot, {kStopBox, kDescBox, kGoBox});
  EXPECT_GE(other[0], 20);
  EXPECT_GE(other[1], 20);
  EXPECT_EQ(0, other[2] + other[3]);
  // Two descriptions in one place: each its own text.
  EXPECT_GT(Differences(goHot, stopHot, {kDescBox})[0], 20);
}

TEST_F(RenderPictureTest, SheetHoldsEveryStateLabelledInRows) {
  const RgbImage panels[] = {Render({}), Render({"--hot", "Go"}), Render({"--pressed", "Go"}),
                             Render({"--hot", "Stop"}), Render({"--pressed", "Stop"})};
  RgbImage sheet = Render({"--sheet"});
  std::vector<std::pair<int, int>> at;
  for (const RgbImage& panel : panels) {
    at.push_back(Find(sheet, panel));
    EXPECT_GE(at.back().first, 0) << "panel " << at.size() - 1 << " is not on the sheet";
  }
  // At rest alone on the first row; then per button hot and pressed side
  // by side, each row under the last, each panel with room for its label.
  EXPECT_EQ(at[0].first, at[1].first);
  EXPECT_EQ(at[1].second, at[2].second);
  EXPECT_GE(at[2].first, at[1].first + 200);
  EXPECT_GE(at[1].second, at[0].second + 120 + 10);
  EXPECT_GE(at[3].second, at[1].second + 120 + 10);
  EXPECT_EQ(at[3].second, at[4].second);
  EXPECT_GE(at[0].second, 10);
  // The labels are drawn in the label colour between the panels.
  int label = 0;
  for (int y = at[1].second - 20; y < at[1].second; ++y) {
    for (int x = at[1].first; x < at[1].first + 100; ++x) label += sheet.At(x, y) == 0xF0F0F0;
  }
  EXPECT_GE(label, 10);
}
#endif

}  // namespace
}  // namespace mavrel
