// The desktop backend's paths, settings and files on real temporary
// folders: media paths with "\" and any letter case, full paths, the parsed
// settings cache, and file reading that never blocks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../common/linux_sections_cases.h"
#include "../common/utf16_text.h"
#include "platform/desktop/files/desktop_file_system.h"
#include "platform/desktop/files/media_path.h"
#include "platform/desktop/files/program_search.h"
#include "settings/button_settings.h"
#include "settings/main_settings.h"
#include "settings/settings.h"
#include "support/temp_medium.h"

namespace mavrel {
namespace {

// A fresh folder for each test, made current; the previous current folder
// comes back afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char previous[4096];
    ASSERT_NE(nullptr, ::getcwd(previous, sizeof previous));
    previous_ = previous;
    root_ = folder_.path();
    ASSERT_EQ(0, ::chdir(root_.c_str()));
  }
  void TearDown() override { EXPECT_EQ(0, ::chdir(previous_.c_str())); }
  void Write(const std::string& relative, const std::string& bytes) {
    folder_.Write(relative, bytes);
  }
  void MakeFolder(const std::string& relative) { folder_.MakeFolder(relative); }
  void SetModified(const std::string& relative, long seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, (root_ + "/" + relative).c_str(), times, 0));
  }

  test_support::TempMedium folder_{"files"};
  std::string root_;
  std::string previous_;
};

using MediaPathTest = TempFolderTest;

TEST_F(MediaPathTest, Table) {
  MakeFolder("Setup");
  MakeFolder("Setup/Bin");
  Write("Setup/SETUP.EXE", "x");
  Write("Setup/Bin/Tool.sh", "x");
  Write("MAVREL.INI", "x");
  Write("README.txt", "x");
  Write("readme.TXT", "x");
  struct Row {
    std::string written;
    std::string expected;
  } rows[] = {
      {"Setup/SETUP.EXE", "Setup/SETUP.EXE"},
      {"Setup\\SETUP.EXE", "Setup/SETUP.EXE"},
      {"setup\\setup.exe", "Setup/SETUP.EXE"},
      {"SETUP/bin/TOOL.SH", "Setup/Bin/Tool.sh"},
      {"Mavrel.INI", "MAVREL.INI"},
      {"mavrel.ini", "MAVREL.INI"},
      {"Readme.Txt", "README.txt"},  // two candidates: the first in byte order
      {"readme.TXT", "readme.TXT"},  // exists as written
      {"setup/Missing.txt", "Setup/Missing.txt"},
      {"nothing\\at\\all", "nothing/at/all"},
      {"Nothing/setup", "Nothing/setup"},
      {"./setup/../SETUP", "./Setup/../Setup"},
      {"setup\\", "Setup/"},
      {"setup//bin", "Setup//Bin"},
      {"", ""},
      {root_ + "\\SETUP\\setup.exe", root_ + "/Setup/SETUP.EXE"},
      {"/definitely-not-here/x", "/definitely-not-here/x"},
  };
  // The same answers with the folders read once and kept for every row.
  FolderListings listings;
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, ResolveMediaPath(row.written)) << row.written;
    EXPECT_EQ(row.expected, ResolveMediaPath(row.written, &listings)) << row.written << ", kept";
  }
}

TEST_F(MediaPathTest, UnreadableFolderKeepsTheRestAsWritten) {
  MakeFolder("Locked");
  ASSERT_EQ(0, ::chmod((root_ + "/Locked").c_str(), 0));
  std::string result = ResolveMediaPath("locked/x");
  ::chmod((root_ + "/Locked").c_str(), 0755);
  EXPECT_EQ("Locked/x", result);
}

// A "\" in the current folder's own name is part of that name: only the
// medium's text is Windows text. Both readings exist here, so taking the
// wrong one shows.
TEST_F(MediaPathTest, TheCurrentFoldersNameIsTakenAsItIs) {
  MakeFolder("we\\ird");
  MakeFolder("we\\ird/Sub");
  Write("we\\ird/Mavrel.INI", "[S]\nK=right\n");
  MakeFolder("we");
  MakeFolder("we/ird");
  MakeFolder("we/ird/Sub");
  Write("we/ird/Mavrel.INI", "[S]\nK=wrong\n");
  ASSERT_EQ(0, ::chdir((root_ + "/we\\ird").c_str()));
  const std::string here = root_ + "/we\\ird";
  DesktopFileSystem platform;
  struct Row {
    std::string name;
    std::string full;
    std::string resolved;
  } rows[] = {
      {"Mavrel.INI", here + "/Mavrel.INI", here + "/Mavrel.INI"},
      {"MAVREL.ini", here + "/MAVREL.ini", here + "/Mavrel.INI"},
      {".", here, here},
      {"sub\\", here + "/sub/", here + "/Sub/"},
      {"sub\\new", here + "/sub/new", here + "/Sub/new"},
      {"..\\we\\ird\\mavrel.ini", root_ + "/we/ird/mavrel.ini", root_ + "/we/ird/Mavrel.INI"},
  };
  for (const Row& row : rows) {
    char buffer[1024];
    std::uint32_t length = platform.GetFullPathName(row.name.c_str(), sizeof buffer, buffer);
    ASSERT_EQ(row.full.size(), length) << row.name;
    EXPECT_EQ(row.full, std::string(buffer)) << row.name;
    EXPECT_EQ(row.resolved, ResolveMediaPath(buffer)) << row.name;
  }
  char value[16] = {};
  platform.GetPrivateProfileString("S", "K", value, sizeof value, (here + "/MAVREL.INI").c_str());
  EXPECT_STREQ("right", value);
}

// PATH as the shells read it: each entry in turn, an empty one being the
// current folder, and a file counts only with its execute permission; with
// no PATH at all, the usual folders.
using PathSearchTest = TempFolderTest;

TEST_F(PathSearchTest, Table) {
  MakeFolder("a");
  MakeFolder("b");
  MakeFolder("b/folder");
  Write("a/plain", "");
  Write("b/plain", "");
  Write("here", "");
  ASSERT_EQ(0, ::chmod((root_ + "/b/plain").c_str(), 0755));
  ASSERT_EQ(0, ::chmod((root_ + "/here").c_str(), 0755));
  const char* saved = std::getenv("PATH");
  const std::string previous = saved != nullptr ? saved : "";
  struct Row {
    const char* path;  // nullptr: PATH unset
    const char* name;
    std::string found;
  } rows[] = {
      {"a:b", "plain", root_ + "/b/plain"},  // not executable in a: the search goes on
      {"a", "plain", ""},
      {"b", "folder", ""},                  // a folder is no program
      {"a::b", "here", root_ + "/./here"},  // the empty entry is the current folder
      {"a:", "here", root_ + "/./here"},
      {"a:b", "here", ""},
      {nullptr, "sh", "/bin/sh"},  // unset: /usr/local/bin:/usr/bin:/bin
  };
  for (const Row& row : rows) {
    if (row.path == nullptr) {
      ::unsetenv("PATH");
    } else {
      ::setenv("PATH", (std::string(row.path)).c_str(), 1);
    }
    std::string found = FindInPath(row.name);
    if (row.path == nullptr && found == "/usr/bin/sh") found = "/bin/sh";  // a merged /usr
    EXPECT_EQ(row.found, found) << (row.path ? row.path : "(unset)") << " " << row.name;
  }
  ::setenv("PATH", previous.c_str(), 1);
}

using FullPathTest = TempFolderTest;

TEST_F(FullPathTest, Table) {
  DesktopFileSystem platform;
  struct Row {
    std::string name;
    std::string expected;
  } rows[] = {
      {"Mavrel.INI", root_ + "/Mavrel.INI"},
      {".", root_},
      {"./", root_ + "/"},
      {"a/./b//c", root_ + "/a/b/c"},
      {"a\\..\\b", root_ + "/b"},
      {"setup\\", root_ + "/setup/"},
      {"/x/../../y", "/y"},
      {"/", "/"},
      {"..", root_.substr(0, root_.rfind('/')) == "" ? "/" : root_.substr(0, root_.rfind('/'))},
      {"\\abs\\path", "/abs/path"},
      {"does/not/exist", root_ + "/does/not/exist"},
  };
  for (const Row& row : rows) {
    char buffer[1024];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t length = platform.GetFullPathName(row.name.c_str(), sizeof buffer, buffer);
    EXPECT_EQ(row.expected, std::string(buffer)) << row.name;
    EXPECT_EQ(row.expected.size(), length) << row.name;
  }
}

TEST_F(FullPathTest, TooSmallBufferIsLeftAloneAndEmptyNameFails) {
  DesktopFileSystem platform;
  char small[8];
  std::memset(small, '#', sizeof small);
  std::string expected = root_ + "/Mavrel.INI";
  EXPECT_EQ(expected.size() + 1, platform.GetFullPathName("Mavrel.INI", sizeof small, small));
  EXPECT_EQ('#', small[0]);
  char buffer[64];
  EXPECT_EQ(0u, platform.GetFullPathName("", sizeof buffer, buffer));
  // Exactly fitting, terminator included.
  std::vector<char> exact(expected.size() + 1);
  EXPECT_EQ(expected.size(), platform.GetFullPathName("Mavrel.INI", exact.size(), exact.data()));
  EXPECT_EQ(expected, exact.data());
}

using ProfileTest = TempFolderTest;

std::string Read(FileSystem& platform, const std::string& path, const char* section,
                 const char* key, std::uint32_t size = 1024) {
  std::vector<char> buffer(size + 1, '#');
  std::uint32_t count =
      platform.GetPrivateProfileString(section, key, buffer.data(), size, path.c_str());
  EXPECT_EQ(std::strlen(buffer.data()), count);
  EXPECT_EQ('#', buffer[size]) << "wrote past the buffer";
  return buffer.data();
}

TEST_F(ProfileTest, SettingsFileUnderAnotherLetterCase) {
  Write("MAVREL.INI", "[MAIN]\r\nTITLE=Found\r\n");
  DesktopFileSystem platform;
  EXPECT_EQ("Found", Read(platform, root_ + "/Mavrel.INI", "Main", "Title"));
}

TEST_F(ProfileTest, ExactNameWinsOverOtherCases) {
  Write("mavrel.ini", "[Main]\nTitle=lower\n");
  Write("Mavrel.INI", "[Main]\nTitle=exact\n");
  DesktopFileSystem platform;
  EXPECT_EQ("exact", Read(platform, root_ + "/Mavrel.INI", "Main", "Title"));
}

TEST_F(ProfileTest, MissingFileFolderAndFifoReadEmpty) {
  DesktopFileSystem platform;
  EXPECT_EQ("", Read(platform, root_ + "/Mavrel.INI", "Main", "Title"));
  MakeFolder("Folder.INI");
  EXPECT_EQ("", Read(platform, root_ + "/Folder.INI", "Main", "Title"));
  ASSERT_EQ(0, ::mkfifo((root_ + "/Fifo.INI").c_str(), 0644));
  // Would hang in open() if the reader blocked on a FIFO with no writer.
  EXPECT_EQ("", Read(platform, root_ + "/Fifo.INI", "Main", "Title"));
  EXPECT_EQ("", Read(platform, "/dev/zero", "Main", "Title"));
  EXPECT_EQ(nullptr, platform.ParsedSettings((root_ + "/Mavrel.INI").c_str()));
  EXPECT_EQ(nullptr, platform.ParsedSettings((root_ + "/Fifo.INI").c_str()));
  EXPECT_EQ(nullptr, platform.ParsedSettings(""));
  EXPECT_EQ(0, platform.settingsParseCount());
}

TEST_F(ProfileTest, ValueCutToBuffer) {
  Write("Mavrel.INI", "[Main]\nLong=" + std::string(3000, 'x') + "\n");
  DesktopFileSystem platform;
  EXPECT_EQ(std::string(1023, 'x'), Read(platform, root_ + "/Mavrel.INI", "Main", "Long"));
  EXPECT_EQ("xxxx", Read(platform, root_ + "/Mavrel.INI", "Main", "Long", 5));
  EXPECT_EQ("", Read(platform, root_ + "/Mavrel.INI", "Main", "Long", 1));
}

TEST_F(ProfileTest, OversizedFileReadsAsMissing) {
  std::string head = "[Main]\nTitle=big\n;";
  Write("Mavrel.INI", head + std::string(16 * 1024 * 1024 - head.size(), 'x'));
  Write("Small.INI", head);
  DesktopFileSystem platform;
  EXPECT_EQ("big", Read(platform, root_ + "/Small.INI", "Main", "Title"));
  EXPECT_EQ("big", Read(platform, root_ + "/Mavrel.INI", "Main", "Title"));  // 16 MiB exactly
  Write("Mavrel.INI", head + std::string(16 * 1024 * 1024 - head.size() + 1, 'x'));
  DesktopFileSystem fresh;
  EXPECT_EQ("", Read(fresh, root_ + "/Mavrel.INI", "Main", "Title"));
}

TEST_F(ProfileTest, ParsedOnceForManyReads) {
  std::string file = "[Main]\n";
  for (int i = 0; i < 50; ++i) file += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  Write("Mavrel.INI", file);
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::hours(1));
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < 50; ++i) {
      ASSERT_EQ(std::to_string(i),
                Read(platform, root_ + "/Mavrel.INI", "main", ("KEY" + std::to_string(i)).c_str()));
    }
  }
  // A tool walking the lines gets the same parse, not a second one.
  const IniFile* parsed = platform.ParsedSettings((root_ + "/Mavrel.INI").c_str());
  ASSERT_NE(nullptr, parsed);
  EXPECT_EQ(file, parsed->bytes());
  EXPECT_EQ(51u, parsed->KeyLine("Main", "Key49"));
  EXPECT_EQ(1, platform.settingsParseCount());
}

TEST_F(ProfileTest, ReparsedWhenSizeOrTimeChanges) {
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::milliseconds(0));
  const std::string path = root_ + "/Mavrel.INI";
  Write("Mavrel.INI", "[Main]\nTitle=one\n");
  SetModified("Mavrel.INI", 1000000);
  EXPECT_EQ("one", Read(platform, path, "Main", "Title"));
  EXPECT_EQ("one", Read(platform, path, "Main", "Title"));
  EXPECT_EQ(1, platform.settingsParseCount());

  Write("Mavrel.INI", "[Main]\nTitle=three\n");  // another size
  SetModified("Mavrel.INI", 1000000);
  EXPECT_EQ("three", Read(platform, path, "Main", "Title"));
  EXPECT_EQ(2, platform.settingsParseCount());
  Write("Mavrel.INI", "[Main]\nTitle=four\n");  // looked at again as for a read
  SetModified("Mavrel.INI", 1000000);
  ASSERT_NE(nullptr, platform.ParsedSettings(path.c_str()));
  EXPECT_EQ("[Main]\nTitle=four\n", platform.ParsedSettings(path.c_str())->bytes());
  EXPECT_EQ("four", Read(platform, path, "Main", "Title"));
  EXPECT_EQ(3, platform.settingsParseCount());

  Write("Mavrel.INI", "[Main]\nTitle=seven\n");  // the same size, a new time
  SetModified("Mavrel.INI", 2000000);
  EXPECT_EQ("seven", Read(platform, path, "Main", "Title"));
  EXPECT_EQ(4, platform.settingsParseCount());

  ASSERT_EQ(0, ::unlink(path.c_str()));
  EXPECT_EQ("", Read(platform, path, "Main", "Title"));
  Write("MAVREL.INI", "[Main]\nTitle=upper\n");  // appears under another case
  EXPECT_EQ("upper", Read(platform, path, "Main", "Title"));
}

TEST_F(ProfileTest, TrustedWithinTheRecheckInterval) {
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::hours(1));
  const std::string path = root_ + "/Mavrel.INI";
  Write("Mavrel.INI", "[Main]\nTitle=one\n");
  EXPECT_EQ("one", Read(platform, path, "Main", "Title"));
  Write("Mavrel.INI", "[Main]\nTitle=changed\n");
  EXPECT_EQ("one", Read(platform, path, "Main", "Title"));
  EXPECT_EQ(1, platform.settingsParseCount());
}

TEST_F(ProfileTest, EmptyPathAndArgumentsAreHarmless) {
  DesktopFileSystem platform;
  EXPECT_EQ("", Read(platform, "", "Main", "Title"));
  char untouched = '#';
  EXPECT_EQ(0u, platform.GetPrivateProfileString("Main", "Title", &untouched, 0, "x"));
  EXPECT_EQ('#', untouched);
}

// "[NAME.Linux]" over "[NAME]", key by key, and the same file read as on
// Windows when the Linux sections are off.
TEST_F(ProfileTest, LinuxSectionsOverrideKeyByKey) {
  Write("Mavrel.INI", linux_sections::kFile);
  const std::string path = root_ + "/Mavrel.INI";
  DesktopFileSystem linuxReader;
  DesktopFileSystem windowsReader;
  windowsReader.SetLinuxSections(false);
  for (const linux_sections::Case& row : linux_sections::kCases) {
    EXPECT_EQ(row.linuxValue, Read(linuxReader, path, row.section, row.key))
        << row.section << " " << row.key << ": " << row.why;
    EXPECT_EQ(row.windowsValue, Read(windowsReader, path, row.section, row.key))
        << row.section << " " << row.key << ": " << row.why;
  }
  // An overriding value is cut to the buffer like any other.
  EXPECT_EQ("sh i", Read(linuxReader, path, "Install", "PROG_COMMAND", 5));
  EXPECT_EQ(1, linuxReader.settingsParseCount());
}

// A file with no ".Linux" anywhere reads the same, and the check for one
// follows the file when it changes.
TEST_F(ProfileTest, LinuxSectionAddedLater) {
  DesktopFileSystem platform;
  platform.SetSettingsRecheckInterval(std::chrono::milliseconds(0));
  const std::string path = root_ + "/Mavrel.INI";
  Write("Mavrel.INI", "[Main]\nTitle=one\n");
  SetModified("Mavrel.INI", 1000000);
  EXPECT_EQ("one", Read(platform, path, "Main", "Title"));
  Write("Mavrel.INI", "[Main]\nTitle=one\n[MAIN.linux]\nTitle=two\n");
  SetModified("Mavrel.INI", 2000000);
  EXPECT_EQ("two", Read(platform, path, "Main", "Title"));
}

// A file saved in UTF-16 LE reads as its text, in UTF-8, and its ".Linux"
// sections count as in any other file.
TEST_F(ProfileTest, Utf16FileReadsAsText) {
  Write("Mavrel.INI", test_support::Utf16Le(u"[Main]\r\nTitle=Caf\u00E9\r\nWidth=640\r\n"
                                            u"[Main.Linux]\r\nWidth=800\r\n"));
  const std::string path = root_ + "/Mavrel.INI";
  DesktopFileSystem platform;
  EXPECT_EQ("Caf\xC3\xA9", Read(platform, path, "Main", "Title"));
  EXPECT_EQ("800", Read(platform, path, "Main", "Width"));
  platform.SetLinuxSections(false);
  EXPECT_EQ("640", Read(platform, path, "Main", "Width"));
}

// The settings subsystem over the real reader: the file is found and read
// the way the launcher reads it, and later folder changes do not matter.
TEST_F(ProfileTest, SettingsSubsystemOverTheDesktopReader) {
  Write("mavrel.ini",
        "\xEF\xBB\xBF; authored on Windows\r\n"
        "[main]\r\n"
        "width = 640\r\n"
        "Title=\"Product Setup\"\r\n"
        "Button.0=Install\r\n"
        "Button.1=Readme\r\n"
        "BUTTON_LOC.X=40\r\n"
        "[Install]\r\n"
        "BUTTON_TEXT=Install\\nnow\r\n"
        "BUTTON_LOC.Y=100\r\n"
        "[INSTALL]\r\n"
        "BUTTON_LOC.Y=999\r\n");
  DesktopFileSystem platform;
  SettingsFile settings(platform);
  EXPECT_EQ(640, SettingNumber(settings, 500, "Main", "Width").value);
  EXPECT_EQ(root_ + "/Mavrel.INI", settings.path());
  ASSERT_EQ(0, ::chdir("/"));
  EXPECT_STREQ("Product Setup", SettingText(settings, kDefaultTitle, "Main", "Title").c_str());
  SectionNameList list(settings, "Main", "Button");
  ASSERT_EQ(2u, list.names().size());
  ButtonSettings defaults = ReadButtonDefaults(settings, "Main");
  ButtonSettings install = ReadButtonSettings(settings, list.names()[0].c_str(), defaults);
  EXPECT_STREQ("Install\nnow", install.buttonText.c_str());
  EXPECT_EQ(40, install.buttonLoc.x);
  EXPECT_EQ(100, install.buttonLoc.y);
}

using FileReadTest = TempFolderTest;

TEST_F(FileReadTest, ReadsARegularFileWhole) {
  MakeFolder("Pics");
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i * 7);
  Write("Pics/Demo.BMP", bytes);
  DesktopFileSystem platform;
  FileHandle file = platform.OpenFileForReading("pics\\demo.bmp");
  ASSERT_NE(InvalidFileHandle(), file);
  ASSERT_NE(nullptr, file);
  ASSERT_EQ(bytes.size(), platform.GetFileSize(file));
  std::vector<char> buffer(bytes.size());
  ASSERT_TRUE(platform.ReadFile(file, buffer.data(), static_cast<std::uint32_t>(buffer.size())));
  EXPECT_EQ(bytes, std::string(buffer.data(), buffer.size()));
  // A second read starts at the beginning again.
  char head[4] = {};
  ASSERT_TRUE(platform.ReadFile(file, head, sizeof head));
  EXPECT_EQ(0, std::memcmp(head, bytes.data(), sizeof head));
  EXPECT_TRUE(platform.CloseFile(file));
}

TEST_F(FileReadTest, ReadingPastTheEndStopsThere) {
  Write("short.bin", "abc");
  DesktopFileSystem platform;
  FileHandle file = platform.OpenFileForReading("short.bin");
  ASSERT_NE(InvalidFileHandle(), file);
  char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
  EXPECT_TRUE(platform.ReadFile(file, buffer, sizeof buffer));
  EXPECT_EQ(0, std::memcmp(buffer, "abc#####", 8));
  EXPECT_TRUE(platform.CloseFile(file));
}

TEST_F(FileReadTest, OnlyRegularFilesOpenAndNothingBlocks) {
  MakeFolder("folder");
  ASSERT_EQ(0, ::mkfifo((root_ + "/fifo").c_str(), 0644));
  DesktopFileSystem platform;
  for (const char* path : {"folder", "fifo", "/dev/null", "/dev/zero", "missing.bmp", ""}) {
    EXPECT_EQ(InvalidFileHandle(), platform.OpenFileForReading(path)) << path;
  }
}

TEST_F(FileReadTest, FourGibibytesOrMoreIsAFailedSize) {
  struct Row {
    off_t size;
    std::uint32_t expected;
  } rows[] = {
      {0, 0},
      {0xFFFFFFFEll, 0xFFFFFFFEu},
      {0xFFFFFFFFll, 0xFFFFFFFFu},
      {0x100000000ll, 0xFFFFFFFFu},
      {0x100000010ll, 0xFFFFFFFFu},
  };
  DesktopFileSystem platform;
  for (const Row& row : rows) {
    int fd = ::open((root_ + "/sparse").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, row.size) != 0) {
      ::close(fd);
      GTEST_SKIP() << "no sparse files here";
    }
    ::close(fd);
    FileHandle file = platform.OpenFileForReading("sparse");
    ASSERT_NE(InvalidFileHandle(), file);
    EXPECT_EQ(row.expected, platform.GetFileSize(file)) << row.size;
    EXPECT_TRUE(platform.CloseFile(file));
  }
}

TEST_F(FileReadTest, BadHandlesFail) {
  DesktopFileSystem platform;
  char byte;
  EXPECT_EQ(0xFFFFFFFFu, platform.GetFileSize(InvalidFileHandle()));
  EXPECT_FALSE(platform.ReadFile(InvalidFileHandle(), &byte, 1));
  EXPECT_FALSE(platform.CloseFile(InvalidFileHandle()));
  EXPECT_FALSE(platform.CloseFile(nullptr));
  Write("f", "x");
  FileHandle file = platform.OpenFileForReading("f");
  ASSERT_NE(InvalidFileHandle(), file);
  EXPECT_TRUE(platform.CloseFile(file));
  EXPECT_FALSE(platform.CloseFile(file));  // already closed
}

}  // namespace
}  // namespace mavrel
