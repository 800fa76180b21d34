#include "windows_rules/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mavrel {
namespace {

struct ArgumentCase {
  std::string text;
  std::vector<std::string> arguments;
};

const ArgumentCase kArgumentCases[] = {
    {"", {}},
    {"   \t ", {}},
    {"a b c", {"a", "b", "c"}},
    {"  a\t\tb  ", {"a", "b"}},
    {R"("a b" c)", {"a b", "c"}},
    {R"(x"a b"y)", {"xa by"}},
    {R"("")", {""}},
    {R"(a "" b)", {"a", "", "b"}},
    {R"("a ""quoted"" word")", {R"(a "quoted" word)"}},
    {R"("unclosed quote runs on)", {"unclosed quote runs on"}},
    {R"(a\b c\\d)", {R"(a\b)", R"(c\\d)"}},
    {R"(a\"b)", {R"(a"b)"}},
    {R"(a\\"b c")", {R"(a\b c)"}},
    {R"(a\\\"b)", {R"(a\"b)"}},
    {R"(a\\\\"b c")", {R"(a\\b c)"}},
    {R"("trailing\\" next)", {R"(trailing\)", "next"}},
    {R"(C:\Program Files\x)", {R"(C:\Program)", R"(Files\x)"}},
    {R"("C:\Program Files\x" /s)", {R"(C:\Program Files\x)", "/s"}},
    {R"(\\server\share)", {R"(\\server\share)"}},
    {"a&b |c", {"a&b", "|c"}},
    {"\xE9t\xE9 caf\xC3\xA9", {"\xE9t\xE9", "caf\xC3\xA9"}},
};

TEST(CommandLine, SplitsArgumentsByTheRuntimeRules) {
  for (const ArgumentCase& c : kArgumentCases) {
    EXPECT_EQ(c.arguments, SplitArguments(c.text)) << c.text;
  }
}

struct CandidateCase {
  std::string line;
  std::vector<ProgramCandidate> candidates;
};

const CandidateCase kCandidateCases[] = {
    {"", {}},
    {"   ", {}},
    {"setup", {{"setup", ""}}},
    {"  setup  ", {{"setup", "  "}}},
    {"setup /q", {{"setup", " /q"}, {"setup /q", ""}}},
    {"my tools/setup now",
     {{"my", " tools/setup now"}, {"my tools/setup", " now"}, {"my tools/setup now", ""}}},
    {"a\tb", {{"a", "\tb"}, {"a\tb", ""}}},
    {R"("my tools/setup" now)", {{"my tools/setup", " now"}}},
    {R"(  "quoted" a b)", {{"quoted", " a b"}}},
    {R"("unclosed name)", {{"unclosed name", ""}}},
    {R"("" x)", {}},
    {R"(dir\prog.exe "a b")",
     {{R"(dir\prog.exe)", R"( "a b")"},
      {R"(dir\prog.exe "a)", R"( b")"},
      {R"(dir\prog.exe "a b")", ""}}},
};

TEST(CommandLine, ProgramNamesAreTriedShortestFirst) {
  for (const CandidateCase& c : kCandidateCases) {
    std::vector<ProgramCandidate> got = ProgramCandidates(c.line);
    ASSERT_EQ(c.candidates.size(), got.size()) << c.line;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(c.candidates[i].program, got[i].program) << c.line << " #" << i;
      EXPECT_EQ(c.candidates[i].arguments, got[i].arguments) << c.line << " #" << i;
    }
  }
}

TEST(CommandLine, QuotedProgramThenArguments) {
  std::vector<ProgramCandidate> got = ProgramCandidates(R"("run me.sh" "first arg" \"second\")");
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ("run me.sh", got[0].program);
  EXPECT_EQ((std::vector<std::string>{"first arg", "\"second\""}),
            SplitArguments(got[0].arguments));
}

}  // namespace
}  // namespace mavrel
