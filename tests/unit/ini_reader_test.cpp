// The INI reader against a table of file snippets and the answer each lookup
// must give, following the Windows private-profile rules.
#include "windows_rules/ini_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "../common/utf16_text.h"

namespace mavrel {
namespace {

constexpr const char* kMissing = "<missing>";
using test_support::Utf16Le;

struct Lookup {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  const char* expected;    // kMissing: Find gives false and Read gives ""
  std::uint32_t line = 0;  // of the key found; checked when not 0
};

class IniLookupTest : public ::testing::TestWithParam<Lookup> {};

TEST_P(IniLookupTest, GivesTheExpectedValue) {
  const Lookup& row = GetParam();
  IniFile ini(row.file);
  std::string_view value;
  bool found = ini.Find(row.section, row.key, value);
  char buffer[1024];
  std::memset(buffer, '#', sizeof buffer);
  std::uint32_t count = ini.Read(row.section, row.key, buffer, sizeof buffer);
  if (std::string(row.expected) == kMissing) {
    EXPECT_FALSE(found);
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0u, count);
  } else {
    EXPECT_TRUE(found);
    EXPECT_EQ(row.expected, std::string(value));
    EXPECT_STREQ(row.expected, buffer);
    EXPECT_EQ(std::string(row.expected).size(), count);
  }
  if (row.line != 0) {
    EXPECT_EQ(row.line, ini.KeyLine(row.section, row.key));
  }
  if (!found) {
    EXPECT_EQ(0u, ini.KeyLine(row.section, row.key));
  }
}

const Lookup kLookups[] = {
    {"Plain", "[Main]\nWidth=640\n", "Main", "Width", "640"},
    {"SectionCaseIgnored", "[main]\nWidth=640\n", "MAIN", "Width", "640"},
    {"KeyCaseIgnored", "[Main]\nwIdTh=640\n", "Main", "WIDTH", "640"},
    {"ValueCaseKept", "[Main]\nTitle=MiXeD\n", "Main", "Title", "MiXeD"},
    {"CrLf", "[Main]\r\nA=1\r\nB=2\r\n", "Main", "B", "2"},
    {"LoneCr", "[Main]\rA=1\rB=2\r", "Main", "B", "2"},
    {"LfCr", "[Main]\n\rA=1\n\rB=2", "Main", "B", "2"},
    {"NoFinalLineEnd", "[Main]\nA=last", "Main", "A", "last"},
    {"BlankLines", "\n\n[Main]\n\n\r\n  \nA=1\n", "Main", "A", "1"},
    {"KeyAndValueTrimmed", "[Main]\n \t A \t= \t v w \t\n", "Main", "A", "v w"},
    {"VerticalTabTrimmed", "[Main]\n\vA\v=\vv\v\n", "Main", "A", "v"},
    {"HeaderTrimmed", "[ \tMain \t]\nA=1\n", "Main", "A", "1"},
    {"HeaderIndented", "   [Main]\nA=1\n", "Main", "A", "1"},
    {"TextAfterHeaderIgnored", "[Main] ; note ] x\nA=1\n", "Main", "A", "1"},
    {"HeaderEndsAtFirstBracket", "[Ma]in]\nA=1\n", "Ma", "A", "1"},
    {"HeaderWithoutCloseRunsToEnd", "[Main\nA=1\n", "Main", "A", "1"},
    {"HeaderWithoutCloseTrimmed", "[Main  \nA=1\n", "Main", "A", "1"},
    {"BeforeFirstSectionNeverFound", "A=1\n[Main]\nB=2\n", "Main", "A", kMissing},
    {"BeforeFirstSectionNotInEmptyName", "A=1\n[Main]\n", "", "A", kMissing},
    {"SplitAtFirstEquals", "[Main]\nA=b=c\n", "Main", "A", "b=c"},
    {"EmptyValue", "[Main]\nA=\n", "Main", "A", ""},
    {"BlankValue", "[Main]\nA=   \n", "Main", "A", ""},
    {"NoEqualsNoValue", "[Main]\nA\n", "Main", "A", ""},
    {"NoEqualsShadowsLaterKey", "[Main]\nA\nA=1\n", "Main", "A", ""},
    {"CommentLine", "[Main]\n;A=1\nA=2\n", "Main", "A", "2"},
    {"IndentedComment", "[Main]\n  ;A=1\n", "Main", "A", kMissing},
    {"SemicolonInValueLiteral", "[Main]\nA=1 ; not a comment\n", "Main", "A", "1 ; not a comment"},
    {"SemicolonInKeyLiteral", "[Main]\nA;B=1\n", "Main", "A;B", "1"},
    {"HashIsNoComment", "[Main]\n#A=1\n", "Main", "#A", "1"},
    {"CommentedHeader", "[Main]\nA=1\n;[Other]\nB=2\n", "Main", "B", "2"},
    {"DoubleQuotesRemoved", "[Main]\nA=\"quoted text\"\n", "Main", "A", "quoted text"},
    {"SingleQuotesRemoved", "[Main]\nA='quoted'\n", "Main", "A", "quoted"},
    {"QuotesAfterTrim", "[Main]\nA=  \" spaced \"  \n", "Main", "A", " spaced "},
    {"OnlyOnePairRemoved", "[Main]\nA=\"\"x\"\"\n", "Main", "A", "\"x\""},
    {"EmptyQuotes", "[Main]\nA=\"\"\n", "Main", "A", ""},
    {"LoneQuoteKept", "[Main]\nA=\"\n", "Main", "A", "\""},
    {"MismatchedQuotesKept", "[Main]\nA=\"x'\n", "Main", "A", "\"x'"},
    {"QuoteOnlyAtStartKept", "[Main]\nA=\"x\n", "Main", "A", "\"x"},
    {"InnerQuotesKept", "[Main]\nA=a\"b\"c\n", "Main", "A", "a\"b\"c"},
    {"FirstDuplicateKeyWins", "[Main]\nA=1\nA=2\n", "Main", "A", "1"},
    {"FirstDuplicateKeyWinsAcrossCase", "[Main]\na=1\nA=2\n", "Main", "A", "1"},
    {"LaterDuplicateSectionInvisible", "[Main]\nA=1\n[Main]\nA=2\nB=3\n", "Main", "B", kMissing},
    {"LaterDuplicateSectionCaseInvisible", "[Main]\nA=1\n[MAIN]\nB=3\n", "Main", "B", kMissing},
    {"EmptyFirstSectionStillFirst", "[Main]\n[Other]\nA=1\n[Main]\nA=2\n", "Main", "A", kMissing},
    {"SectionAfterDuplicateVisible", "[Main]\n[Main]\nA=2\n[B]\nC=3\n", "B", "C", "3"},
    {"KeysBelongToTheirSection", "[A]\nX=1\n[B]\nY=2\n", "A", "Y", kMissing},
    {"MissingSection", "[A]\nX=1\n", "B", "X", kMissing},
    {"MissingKey", "[A]\nX=1\n", "A", "Y", kMissing},
    {"EmptyFile", "", "Main", "A", kMissing},
    {"Utf8BomHidesFirstSection", "\xEF\xBB\xBF[Main]\nA=1\n", "Main", "A", kMissing},
    {"Utf8BomLaterSectionsFine", "\xEF\xBB\xBF[Main]\nA=1\n[B]\nC=2\n", "B", "C", "2"},
    {"BytesKept", "[Main]\nA=caf\xE9 \x80\xFF\n", "Main", "A", "caf\xE9 \x80\xFF"},
    {"NonAsciiNamesExact", "[M\xC4in]\nA=1\n", "m\xC4IN", "a", "1"},
    {"NonAsciiCaseNotFolded", "[M\xC4in]\nA=1\n", "M\xE4in", "A", kMissing},
    {"BackslashesKept", "[Main]\nA=C:\\\\x\\n\n", "Main", "A", "C:\\\\x\\n"},
    {"EqualsOnlyKeyIsEmptyName", "[Main]\n=v\n", "Main", "", "v"},
    {"TabInsideValueKept", "[Main]\nA=a\tb\n", "Main", "A", "a\tb"},
    // Line numbers of the key found: LF, CR LF and a lone CR end one line
    // each, LF CR two; blank lines and comments count.
    {"LineAfterLf", "[Main]\nA=1\nB=2\n", "Main", "B", "2", 3},
    {"LineAfterCrLf", "[Main]\r\nA=1\r\nB=2\r\n", "Main", "B", "2", 3},
    {"LineAfterLoneCr", "[Main]\rA=1\rB=2", "Main", "B", "2", 3},
    {"LineAfterLfCr", "[Main]\n\rB=2", "Main", "B", "2", 3},
    {"LineAfterBlankAndComment", "\n\r\n;x\n[Main]\n\n  \nB=2", "Main", "B", "2", 7},
    {"LineOfFirstDuplicate", "[Main]\nB=1\nB=2\n", "Main", "B", "1", 2},
    {"LineInFirstOfDuplicateSections", "[M]\n[X]\n[m]\nB=2\n[M2]\n", "M", "B", kMissing},
    {"LineOfKeyWithoutEquals", "[Main]\r\n\r\nB\r\n", "Main", "B", "", 3},
    // UTF-16 LE with its mark is read as text, which comes back as UTF-8;
    // its lines are counted as in any other file.
    {"Utf16LeRead", Utf16Le(u"[Main]\r\nA=1\r\nB=caf\u00E9\r\n"), "Main", "B", "caf\xC3\xA9", 3},
    {"Utf16LeAnyLineEnd", Utf16Le(u"[Main]\rA=1\n\nB = \"x\" \n"), "Main", "B", "x", 4},
    {"Utf16LeCaseIgnored", Utf16Le(u"[main]\nwidth=640"), "MAIN", "Width", "640"},
    {"Utf16LeEuroAndCjk", Utf16Le(u"[Main]\nT=\u20AC \u65E5\n"), "Main", "T",
     "\xE2\x82\xAC \xE6\x97\xA5"},
    {"Utf16LeSurrogatePair", Utf16Le(u"[Main]\nT=\U0001F600\n"), "Main", "T", "\xF0\x9F\x98\x80"},
    // A surrogate without its partner is no character: it becomes U+FFFD.
    {"Utf16LeLoneHighSurrogate", Utf16Le(u"[Main]\nT=a\xD83D\nU=1\n"), "Main", "T",
     "a\xEF\xBF\xBD"},
    {"Utf16LeLoneLowSurrogate",
     Utf16Le(u"[Main]\nT=\xDE00"
             u"b\n"),
     "Main", "T",
     "\xEF\xBF\xBD"
     "b"},
    {"Utf16LeHighSurrogateAtEnd", Utf16Le(u"[Main]\nT=a\xD83D"), "Main", "T", "a\xEF\xBF\xBD"},
    // An odd last byte is half a character and is dropped.
    {"Utf16LeOddLastByteDropped", Utf16Le(u"[Main]\nT=ab") + "c", "Main", "T", "ab"},
    // The mark itself is no part of the first line.
    {"Utf16LeMarkOnly", Utf16Le(u""), "Main", "A", kMissing},
    {"Utf16LeFirstSectionFound", Utf16Le(u"[Main]\nA=1\n"), "Main", "A", "1", 2},
    // Big-endian UTF-16 is taken as bytes, like any other file.
    {"Utf16BeIsBytes", std::string("\xFE\xFF\0[\0M\0]\0\n\0A\0=\0\x31\0\n", 18), "M", "A",
     kMissing},
    {"LoneFFIsBytes", "\xFF\n[Main]\nA=1\n", "Main", "A", "1", 3},
};

INSTANTIATE_TEST_SUITE_P(Snippets, IniLookupTest, ::testing::ValuesIn(kLookups),
                         [](const ::testing::TestParamInfo<Lookup>& info) {
                           return std::string(info.param.name);
                         });

// The walk over every header and key line, in file order, written as one
// text: "line:[name]" for a header, "line:key=value" for a key ("line:key"
// without "="), "?" after a line that lookups never reach, "^" after a key
// before the first header.
struct Walk {
  const char* name;
  std::string file;
  const char* expected;
};

class IniWalkTest : public ::testing::TestWithParam<Walk> {};

TEST_P(IniWalkTest, GivesEveryLineInOrder) {
  const Walk& row = GetParam();
  IniFile ini(row.file);
  std::string walked;
  for (const IniFile::Item& item : ini.Items()) {
    if (!walked.empty()) walked += ' ';
    walked += std::to_string(item.line) + ":";
    if (item.kind == IniFile::Item::Kind::kSection) {
      walked += "[" + std::string(item.name) + "]";
    } else {
      walked += std::string(item.name);
      if (item.hasEquals) walked += "=" + std::string(item.value);
      if (!item.inSection) walked += "^";
    }
    if (!item.found) walked += "?";
    // A line that lookups reach gives the line they report.
    if (item.found && item.kind == IniFile::Item::Kind::kKey) {
      EXPECT_NE(0u, item.line);
    }
  }
  EXPECT_EQ(row.expected, walked);
}

const Walk kWalks[] = {
    {"Empty", "", ""},
    {"Plain", "[Main]\nA=1\nB\n", "1:[Main] 2:A=1 3:B"},
    {"CommentsAndBlanksCounted", ";c\n\n[Main]\n  ;x\nA = \"q\" \n", "3:[Main] 5:A=q"},
    {"LineEnds", "[A]\r\nk=1\rl=2\n\rm=3\r\n\r\nn=4", "1:[A] 2:k=1 3:l=2 5:m=3 7:n=4"},
    {"BeforeFirstSection", "x=1\ny\n[A]\n", "1:x=1^? 2:y^? 3:[A]"},
    {"DuplicateKeys", "[A]\nk=1\nK=2\nk\n", "1:[A] 2:k=1 3:K=2? 4:k?"},
    {"DuplicateSection", "[A]\nk=1\n[B]\n[a]\nk=2\nz=3\n[C]\nk=4\n",
     "1:[A] 2:k=1 3:[B] 4:[a]? 5:k=2? 6:z=3? 7:[C] 8:k=4"},
    {"Utf8BomLine", "\xEF\xBB\xBF[Main]\nA=1\n", "1:\xEF\xBB\xBF[Main]^? 2:A=1^?"},
    {"HeaderForms", "[ A ] tail\n[B\n[]\n", "1:[A] 2:[B] 3:[]"},
    {"Utf16LeLines", Utf16Le(u"x=1\r\n[A]\r\n\r\nk=\u00E9\rK=2\n"),
     "1:x=1^? 2:[A] 4:k=\xC3\xA9 5:K=2?"},
};

INSTANTIATE_TEST_SUITE_P(Files, IniWalkTest, ::testing::ValuesIn(kWalks),
                         [](const ::testing::TestParamInfo<Walk>& info) {
                           return std::string(info.param.name);
                         });

TEST(IniFileTest, SectionLineIsTheSearchedHeader) {
  IniFile ini("x=1\n[A]\n[B]\r\n\r\n[a]\n");
  EXPECT_EQ(2u, ini.SectionLine("a"));
  EXPECT_EQ(3u, ini.SectionLine("B"));
  EXPECT_EQ(0u, ini.SectionLine("C"));
  // Many sections go through the hashed index; the lines still come out.
  std::string many;
  for (int s = 0; s < 300; ++s)
    many += "[S" + std::to_string(s) + "]\nk=" + std::to_string(s) + "\n";
  IniFile big(many);
  EXPECT_EQ(2u * 171 + 1, big.SectionLine("s171"));
  EXPECT_EQ(2u * 171 + 2, big.KeyLine("S171", "K"));
}

TEST(IniFileTest, ReadCutsLongValuesAtTheBuffer) {
  std::string file = "[Main]\nA=" + std::string(2000, 'v') + "\n";
  IniFile ini(file);
  std::vector<char> buffer(1024, '#');
  EXPECT_EQ(1023u, ini.Read("Main", "A", buffer.data(), 1024));
  EXPECT_EQ(std::string(1023, 'v'), std::string(buffer.data()));
  char small[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(3u, ini.Read("Main", "A", small, 4));
  EXPECT_STREQ("vvv", small);
  char one = '#';
  EXPECT_EQ(0u, ini.Read("Main", "A", &one, 1));
  EXPECT_EQ('\0', one);
  char untouched = '#';
  EXPECT_EQ(0u, ini.Read("Main", "A", &untouched, 0));
  EXPECT_EQ('#', untouched);
}

TEST(IniFileTest, ZeroByteEndsTheReadValue) {
  IniFile ini(std::string("[Main]\nA=ab\0cd\n", 15));
  std::string_view value;
  ASSERT_TRUE(ini.Find("Main", "A", value));
  EXPECT_EQ(std::string("ab\0cd", 5), std::string(value));
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(2u, ini.Read("Main", "A", buffer, sizeof buffer));
  EXPECT_STREQ("ab", buffer);
}

TEST(IniFileTest, DefaultConstructedMissesEverything) {
  IniFile ini;
  std::string_view value;
  EXPECT_FALSE(ini.Find("Main", "A", value));
  EXPECT_EQ(0u, ini.sectionCount());
}

TEST(IniFileTest, MovedFileStillAnswers) {
  // Values point into the file's own copy of the bytes, which must survive
  // a move and the caller's buffer going away.
  std::string bytes = "[s]\nk=v\n";
  IniFile first(bytes);
  bytes.assign(bytes.size(), 'x');
  IniFile second = std::move(first);
  std::vector<IniFile> many;
  many.push_back(std::move(second));
  for (int i = 0; i < 20; ++i) many.emplace_back("[t]\nk=w\n");
  std::string_view value;
  ASSERT_TRUE(many[0].Find("S", "K", value));
  EXPECT_EQ("v", value);
}

TEST(IniFileTest, ManySectionsAndKeys) {
  std::string file;
  for (int s = 0; s < 500; ++s) {
    file += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < 20; ++k) {
      file += "Key" + std::to_string(k) + " = " + std::to_string(s * 100 + k) + "\r\n";
    }
  }
  IniFile ini(file);
  EXPECT_EQ(500u, ini.sectionCount());
  for (int s = 0; s < 500; s += 37) {
    for (int k = 0; k < 20; k += 3) {
      std::string_view value;
      ASSERT_TRUE(ini.Find("SECTION" + std::to_string(s), "key" + std::to_string(k), value));
      EXPECT_EQ(std::to_string(s * 100 + k), value);
    }
  }
  std::string_view value;
  EXPECT_FALSE(ini.Find("Section500", "Key0", value));
  EXPECT_FALSE(ini.Find("Section1", "Key20", value));
}

// Small sections are scanned and large ones indexed; both must give the
// same answers, duplicates included, on each side of the limit.
TEST(IniFileTest, SectionsOfEverySizeKeepTheRules) {
  for (int keys : {1, 23, 24, 25, 26, 200, 3000}) {
    std::string file = "[Before]\nKey0=before\n[Big]\n";
    for (int k = 0; k < keys; ++k) {
      file += "Key" + std::to_string(k) + "=" + std::to_string(k) + "\n";
      if (k % 10 == 3) file += "KEY" + std::to_string(k) + "=duplicate\n";
    }
    file += "[After]\nKey0=after\n[BIG]\nKey0=hidden\nExtra=hidden\n";
    IniFile ini(file);
    for (int k = 0; k < keys; ++k) {
      std::string_view value;
      ASSERT_TRUE(ini.Find("big", "key" + std::to_string(k), value)) << keys << " " << k;
      ASSERT_EQ(std::to_string(k), value) << keys << " " << k;
    }
    std::string_view value;
    EXPECT_FALSE(ini.Find("Big", "Key" + std::to_string(keys), value)) << keys;
    EXPECT_FALSE(ini.Find("Big", "Extra", value)) << keys;
    // Alternating sections, and a missing one in between, after the last
    // lookup's section was remembered.
    ASSERT_TRUE(ini.Find("After", "Key0", value));
    EXPECT_EQ("after", value);
    EXPECT_FALSE(ini.Find("Nowhere", "Key0", value));
    ASSERT_TRUE(ini.Find("Before", "KEY0", value));
    EXPECT_EQ("before", value);
    ASSERT_TRUE(ini.Find("BIG", "Key0", value));
    EXPECT_EQ("0", value);
    EXPECT_EQ(3u, ini.sectionCount());
  }
}

// A plain, slow reading of the same rules, line by line for every lookup,
// to check the indexed reader against on generated files.
std::string LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\v')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\v')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::string> ReferenceLookup(const std::string& file, const std::string& section,
                                           const std::string& key) {
  std::vector<std::string> seen;
  bool inTarget = false;
  std::size_t pos = 0;
  while (pos < file.size()) {
    std::size_t end = file.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = file.size();
    std::string_view line = TrimBlanks(std::string_view(file).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      std::string_view name = line.substr(1);
      name = TrimBlanks(name.substr(0, name.find(']')));
      std::string lower = LowerText(name);
      bool first = std::find(seen.begin(), seen.end(), lower) == seen.end();
      if (first) seen.push_back(lower);
      inTarget = first && lower == LowerText(section);
      continue;
    }
    if (!inTarget) continue;
    std::size_t equals = line.find('=');
    std::string_view name = TrimBlanks(line.substr(0, equals));
    if (LowerText(name) != LowerText(key)) continue;
    if (equals == std::string_view::npos) return std::string();
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

TEST(IniFileTest, AgreesWithAPlainReadingOnGeneratedFiles) {
  std::mt19937 random(20261209);
  auto pick = [&random](const std::vector<std::string>& choices) {
    return choices[random() % choices.size()];
  };
  const std::vector<std::string> sections = {"a", "A", " b ", "B", "ab", "", "a]x"};
  const std::vector<std::string> blanks = {"", " ", "\t", "\v"};
  const std::vector<std::string> breaks = {"\n", "\r\n", "\r", "\n\n", "\n\r"};
  const std::vector<std::string> values = {"v", "", " v w ", "\"q\"", "'q'", "\"", "x=y", ";c"};
  std::vector<std::string> keys;
  for (int k = 0; k < 40; ++k) keys.push_back((k % 3 == 0 ? "K" : "k") + std::to_string(k));
  for (int round = 0; round < 400; ++round) {
    std::string file;
    int lines = static_cast<int>(random() % 120);
    for (int i = 0; i < lines; ++i) {
      // Every other file has few headers, so that sections grow past the
      // size at which they are indexed rather than scanned.
      switch (random() % (round % 2 ? 60 : 8)) {
        case 0:
          file += pick(blanks) + "[" + pick(sections) + (random() % 4 ? "]" : "") + pick(blanks);
          break;
        case 1:
          file += pick(blanks) + ";" + pick(keys) + "=c";
          break;
        case 2:
          file += pick(blanks) + pick(keys);  // no "="
          break;
        default:
          file += pick(blanks) + pick(keys) + pick(blanks) + "=" + pick(blanks) + pick(values) +
                  pick(blanks);
      }
      file += pick(breaks);
    }
    IniFile ini(file);
    for (const char* section : {"a", "b", "ab", "", "a]x", "c"}) {
      for (const std::string& key : keys) {
        std::optional<std::string> expected = ReferenceLookup(file, section, key);
        std::string_view value;
        bool found = ini.Find(section, key, value);
        ASSERT_EQ(expected.has_value(), found) << "[" << section << "] " << key << "\n" << file;
        if (found) {
          ASSERT_EQ(*expected, value) << "[" << section << "] " << key << "\n" << file;
        }
      }
    }
  }
}

TEST(IniFileTest, HostileBytesDoNotCrash) {
  // Every byte value, in every position a parser cares about.
  std::string file;
  for (int round = 0; round < 3; ++round) {
    for (int c = 0; c < 256; ++c) {
      file += static_cast<char>(c);
      if (c % 7 == 0) file += "[";
      if (c % 11 == 0) file += "=";
      if (c % 13 == 0) file += "]\"";
    }
  }
  IniFile ini(file);
  char buffer[16];
  ini.Read("", "", buffer, sizeof buffer);
  EXPECT_LT(std::strlen(buffer), sizeof buffer);
  IniFile unterminated(std::string_view("[", 1));
  IniFile onlyQuote(std::string_view("[a]\nk=\"", 7));
  std::string_view value;
  ASSERT_TRUE(onlyQuote.Find("a", "k", value));
  EXPECT_EQ("\"", value);
}

}  // namespace
}  // namespace mavrel
