// Command-line splitting.
// - Program candidates: each names a non-empty program; unquoted, the
//   candidates are the space-separated prefixes of the line, shortest
//   first, and program plus arguments give back the line.
// - Arguments: any list of arguments, quoted the way a Windows program
//   quotes arguments for the C runtime, must split back into that list.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "windows_rules/command_line.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Quotes one argument so that the C runtime's rules read it back unchanged.
void AppendQuoted(const std::string& argument, std::string& line) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    line += argument;
    return;
  }
  line += '"';
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    while (i < argument.size() && argument[i] == '\\') {
      ++i;
      ++backslashes;
    }
    if (i == argument.size()) {
      line.append(backslashes * 2, '\\');
      break;
    }
    if (argument[i] == '"') {
      line.append(backslashes * 2 + 1, '\\');
    } else {
      line.append(backslashes, '\\');
    }
    line += argument[i];
  }
  line += '"';
}

void CheckCandidates(std::string_view line) {
  std::vector<mavrel::ProgramCandidate> candidates = mavrel::ProgramCandidates(line);
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start == line.size()) {
    FUZZ_CHECK(candidates.empty());
    return;
  }
  if (line[start] == '"') {
    FUZZ_CHECK(candidates.size() <= 1);
    if (!candidates.empty()) {
      const auto& only = candidates.front();
      FUZZ_CHECK(!only.program.empty());
      FUZZ_CHECK(only.program.find('"') == std::string::npos);
      FUZZ_CHECK(line.substr(start + 1, only.program.size()) == only.program);
    }
    return;
  }
  FUZZ_CHECK(!candidates.empty());
  std::size_t previous = 0;
  for (const auto& candidate : candidates) {
    FUZZ_CHECK(!candidate.program.empty());
    FUZZ_CHECK(candidate.program.size() > previous);
    FUZZ_CHECK(!IsBlank(candidate.program.back()));
    FUZZ_CHECK(candidate.program + candidate.arguments == line.substr(start));
    FUZZ_CHECK(candidate.arguments.empty() || IsBlank(candidate.arguments.front()));
    previous = candidate.program.size();
  }
  FUZZ_CHECK(candidates.back().program.size() + candidates.back().arguments.size() ==
             line.size() - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckCandidates(input);
  // Any text at all splits without reading past its end; the round trip
  // below checks what the splitting gives.
  mavrel::SplitArguments(input);

  // The input as a list of arguments separated by byte 1.
  std::vector<std::string> arguments;
  std::string current;
  for (char c : input) {
    if (c == '\x01') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  arguments.push_back(current);
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    AppendQuoted(argument, line);
  }
  FUZZ_CHECK(mavrel::SplitArguments(line) == arguments);
  return 0;
}
