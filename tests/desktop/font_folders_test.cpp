// Faces found without fontconfig: the naming tables of font files (made up
// here byte by byte, truncated and broken), the choice among faces, and the
// walk over font folders (with the machine's own DejaVu and Liberation
// files where installed).
#include "platform/desktop/font_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace mavrel {
namespace {

struct NameRecord {
  int platform, encoding, language, id;
  std::string bytes;  // as stored
};

void Put(std::string& out, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) Put(out, static_cast<unsigned char>(c), 2);
  return out;
}

std::string NameTable(const std::vector<NameRecord>& records) {
  std::string table, strings;
  Put(table, 0, 2);
  Put(table, static_cast<std::uint32_t>(records.size()), 2);
  Put(table, static_cast<std::uint32_t>(6 + 12 * records.size()), 2);
  for (const NameRecord& r : records) {
    Put(table, r.platform, 2);
    Put(table, r.encoding, 2);
    Put(table, r.language, 2);
    Put(table, r.id, 2);
    Put(table, static_cast<std::uint32_t>(r.bytes.size()), 2);
    Put(table, static_cast<std::uint32_t>(strings.size()), 2);
    strings += r.bytes;
  }
  return table + strings;
}

// A font of one table, "name", whose directory starts at `base` in a file
// whose tables start at `tablesAt`.
std::string FontAt(std::uint32_t version, const std::string& name, std::uint32_t tablesAt,
                   std::string& tables) {
  std::string font;
  Put(font, version, 4);
  Put(font, 1, 2);
  Put(font, 16, 2);
  Put(font, 0, 2);
  Put(font, 0, 2);
  font += "name";
  Put(font, 0, 4);
  Put(font, static_cast<std::uint32_t>(tablesAt + tables.size()), 4);
  Put(font, static_cast<std::uint32_t>(name.size()), 4);
  tables += name;
  return font;
}

std::string Font(const std::vector<NameRecord>& records, std::uint32_t version = 0x00010000) {
  std::string tables;
  std::string font = FontAt(version, NameTable(records), 28, tables);
  return font + tables;
}

FontFileReader ReaderOf(const std::string& bytes) {
  return [bytes](std::uint32_t offset, std::uint32_t length, std::string& out) {
    if (offset > bytes.size() || length > bytes.size() - offset) return false;
    out = bytes.substr(offset, length);
    return true;
  };
}

const NameRecord kWinFamily{3, 1, 0x409, 1, Utf16("Win Family")};
const NameRecord kWinStyle{3, 1, 0x409, 2, Utf16("Regular")};
const NameRecord kMacFamily{1, 0, 0, 1, "Mac Family"};

TEST(FontFolders, NamingTablesAreRead) {
  struct Case {
    const char* label;
    std::string file;
    std::vector<std::string> expected;  // "family/style" per face
  };
  std::string surrogate;
  Put(surrogate, 0xD83D, 2);
  Put(surrogate, 0xDE00, 2);
  std::string lone;
  Put(lone, 0xDC00, 2);
  std::string outside = NameTable({kWinFamily});
  outside[6 + 10] = 0x7F;  // the string's offset beyond the table
  std::string tooMany = NameTable({kWinFamily});
  tooMany[3] = static_cast<char>(0xFF);  // more records than the table holds
  std::string collection = "ttcf";
  Put(collection, 0x00010000, 4);
  Put(collection, 2, 4);
  std::uint32_t fontsAt = 12 + 8;
  Put(collection, fontsAt, 4);
  Put(collection, fontsAt + 28, 4);
  // Table offsets count from the start of the file.
  std::string t1, t2;
  std::uint32_t tablesAt = fontsAt + 56;
  std::string n1 = NameTable({{3, 1, 0x409, 1, Utf16("One")}});
  std::string f1 = FontAt(0x00010000, n1, tablesAt, t1);
  std::string f2 = FontAt(0x4F54544F, NameTable({{3, 1, 0x409, 1, Utf16("Two")}}),
                          tablesAt + static_cast<std::uint32_t>(t1.size()), t2);
  collection += f1 + f2 + t1 + t2;
  std::string hugeCollection = "ttcf";
  Put(hugeCollection, 0x00010000, 4);
  Put(hugeCollection, 0xFFFFFFFF, 4);

  const Case cases[] = {
      {"Windows names", Font({kWinFamily, kWinStyle}), {"Win Family/Regular"}},
      {"Windows before Macintosh", Font({kMacFamily, kWinFamily}), {"Win Family/"}},
      {"Macintosh alone", Font({kMacFamily, {1, 0, 0, 2, "Bold"}}), {"Mac Family/Bold"}},
      {"US English first",
       Font({{3, 1, 0x407, 1, Utf16("Deutsch")}, kWinFamily, {3, 1, 0x40C, 1, Utf16("Fr")}}),
       {"Win Family/"}},
      {"other languages when alone", Font({{3, 1, 0x407, 1, Utf16("Deutsch")}}), {"Deutsch/"}},
      {"surrogate pairs", Font({{3, 1, 0x409, 1, surrogate}}), {"\xF0\x9F\x98\x80/"}},
      {"lone surrogates", Font({{3, 1, 0x409, 1, lone}}), {"\xEF\xBF\xBD/"}},
      {"Macintosh high bytes", Font({{1, 0, 0, 1, "Caf\x8E"}}), {"Caf?/"}},
      {"unknown platforms skipped", Font({{7, 1, 0, 1, "X"}}), {}},
      {"no family", Font({kWinStyle}), {}},
      {"OpenType outlines", Font({kWinFamily}, 0x4F54544F), {"Win Family/"}},
      {"not a font", Font({kWinFamily}, 0x12345678), {}},
      {"string outside the table",
       [&] {
         std::string t;
         std::string f = FontAt(0x00010000, outside, 28, t);
         return f + t;
       }(),
       {}},
      {"records beyond the table",
       [&] {
         std::string t;
         std::string f = FontAt(0x00010000, tooMany, 28, t);
         return f + t;
       }(),
       {}},
      {"collection", collection, {"One/", "Two/"}},
      {"collection claiming billions of faces", hugeCollection, {}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const FolderFace& face : ReadFaceNames("f", ReaderOf(c.file))) {
      got.push_back(face.family + "/" + face.style);
      EXPECT_EQ("f", face.file);
    }
    EXPECT_EQ(c.expected, got) << c.label;
  }
  // Every truncation of a good file is refused, never read past.
  std::string whole = Font({kWinFamily, kWinStyle});
  for (std::size_t size = 0; size < whole.size(); ++size) {
    EXPECT_TRUE(ReadFaceNames("f", ReaderOf(whole.substr(0, size))).empty()) << size;
  }
  std::vector<FolderFace> both = ReadFaceNames("c", ReaderOf(collection));
  ASSERT_EQ(2u, both.size());
  EXPECT_EQ(0, both[0].index);
  EXPECT_EQ(1, both[1].index);
}

FolderFace Face(const std::string& family, const std::string& style, const std::string& file) {
  return FolderFace{file, 0, family, style};
}

TEST(FontFolders, TheChoiceFollowsTheDesktopsSubstitution) {
  struct Case {
    const char* label;
    std::vector<FolderFace> faces;
    std::string asked;
    std::string expectedFile;  // empty: none
  };
  const FolderFace dejavu = Face("DejaVu Sans", "Book", "dv.ttf");
  const FolderFace dejavuBold = Face("DejaVu Sans", "Bold", "dvb.ttf");
  const FolderFace liberation = Face("Liberation Sans", "Regular", "ls.ttf");
  const FolderFace liberationBold = Face("Liberation Sans", "Bold", "lsb.ttf");
  const FolderFace arial = Face("Arial", "Regular", "arial.ttf");
  const FolderFace mono = Face("DejaVu Sans Mono", "Book", "mono.ttf");
  const FolderFace ariel = Face("ariel", "Regular", "ariel.ttf");
  const Case cases[] = {
      {"Ariel is Arial first", {dejavu, liberation, arial}, "Ariel", "arial.ttf"},
      {"then Liberation Sans", {dejavu, liberationBold, liberation}, "Ariel", "ls.ttf"},
      {"a bold Liberation Sans before DejaVu", {dejavu, liberationBold}, "Ariel", "lsb.ttf"},
      {"then DejaVu Sans, regular first", {mono, dejavuBold, dejavu}, "Ariel", "dv.ttf"},
      {"then anything", {mono}, "Ariel", "mono.ttf"},
      {"an installed Ariel wins, in any case", {arial, ariel}, "Ariel", "ariel.ttf"},
      {"an exact family", {liberation, mono}, "DejaVu Sans Mono", "mono.ttf"},
      {"no name asked", {dejavu, liberation}, "", "ls.ttf"},
      {"no faces", {}, "Ariel", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expectedFile, ChooseFolderFace(c.faces, c.asked).file) << c.label;
  }
  EXPECT_EQ("Liberation Sans", ChooseFolderFace({dejavu, liberation}, "Ariel").family);
}

class FontFolderWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mavrel-font-folders-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
  }
  void TearDown() override { EXPECT_EQ(0, system(("rm -rf '" + root_ + "'").c_str())); }
  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(root_ + "/" + path, std::ios::binary) << bytes;
  }
  void Folder(const std::string& path) { ASSERT_EQ(0, mkdir((root_ + "/" + path).c_str(), 0755)); }
  std::string root_;
};

TEST_F(FontFolderWalk, FontFilesAreFoundAtAnyDepthOnceEach) {
  Folder("a");
  Folder("a/b");
  Folder("c");
  Write("a/b/One.TTF", Font({{3, 1, 0x409, 1, Utf16("One")}}));
  Write("c/two.otf", Font({{3, 1, 0x409, 1, Utf16("Two")}}));
  Write("c/broken.ttf", "not a font at all");
  Write("c/three.txt", Font({{3, 1, 0x409, 1, Utf16("Three")}}));
  // A loop and a second way to the same folder.
  ASSERT_EQ(0, symlink((root_ + "/a").c_str(), (root_ + "/a/b/loop").c_str()));
  ASSERT_EQ(0, symlink((root_ + "/c").c_str(), (root_ + "/a/c-again").c_str()));
  std::vector<FolderFace> faces = FindFolderFaces({root_, root_ + "/c", root_ + "/missing"});
  std::vector<std::string> families;
  for (const FolderFace& face : faces) families.push_back(face.family);
  EXPECT_EQ((std::vector<std::string>{"One", "Two"}), families);
}

TEST_F(FontFolderWalk, TheMachinesFacesAreNamedAsFontconfigNamesThem) {
  const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  const std::string liberation = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
  if (access(dejavu.c_str(), R_OK) != 0) GTEST_SKIP() << "no " << dejavu;
  Folder("fonts");
  ASSERT_EQ(0, symlink(dejavu.c_str(), (root_ + "/fonts/DejaVuSans.ttf").c_str()));
  FontFace face = ChooseFolderFace(FindFolderFaces({root_}), "Ariel");
  EXPECT_EQ("DejaVu Sans", face.family);
  EXPECT_EQ(root_ + "/fonts/DejaVuSans.ttf", face.file);
  if (access(liberation.c_str(), R_OK) != 0) return;
  ASSERT_EQ(0, symlink(liberation.c_str(), (root_ + "/fonts/LiberationSans.ttf").c_str()));
  face = ChooseFolderFace(FindFolderFaces({root_}), "Ariel");
  EXPECT_EQ("Liberation Sans", face.family);
  EXPECT_EQ(0, face.index);
}

TEST(FontFolders, TheStandardFoldersFollowTheUsersHome) {
  struct Case {
    const char* home;
    const char* dataHome;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> system = {"/usr/share/fonts", "/usr/local/share/fonts"};
  auto with = [&system](std::vector<std::string> more) {
    std::vector<std::string> all = system;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const Case cases[] = {
      {"/home/u", nullptr, with({"/home/u/.local/share/fonts", "/home/u/.fonts"})},
      {"/home/u", "/data", with({"/data/fonts", "/home/u/.fonts"})},
      {"/home/u", "relative", with({"/home/u/.local/share/fonts", "/home/u/.fonts"})},
      {nullptr, nullptr, system},
  };
  std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  bool hadHome = getenv("HOME") != nullptr;
  std::string savedData = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
  bool hadData = getenv("XDG_DATA_HOME") != nullptr;
  for (const Case& c : cases) {
    c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
    c.dataHome ? setenv("XDG_DATA_HOME", c.dataHome, 1) : unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(c.expected, StandardFontFolders()) << (c.home ? c.home : "(no home)");
  }
  hadHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
  hadData ? setenv("XDG_DATA_HOME", savedData.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace mavrel
