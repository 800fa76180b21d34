// Splitting a command line the way a program started on Windows sees it, so
// that the PROG_COMMAND of a medium written for Windows starts the same
// program with the same arguments elsewhere.
//
// The program name: a command line that starts with a quote names the
// program up to the next quote (no escapes). Otherwise Windows tries
// successively longer space-separated prefixes as the program name
// ("my tools/setup now" tries "my", then "my tools/setup", then the whole
// line), and the first that names an existing program wins.
//
// The arguments follow the rules of the Microsoft C runtime: spaces and tabs
// separate arguments outside quotes; a quote starts or ends a quoted part;
// inside quotes "" is one literal quote; 2n backslashes before a quote give
// n backslashes and the quote's usual meaning, 2n+1 give n backslashes and a
// literal quote; other backslashes are literal; an unclosed quote runs to
// the end of the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mavrel {

// One way of reading a command line: `program` names the program and
// `arguments` is the rest of the line, still to be split.
struct ProgramCandidate {
  std::string program;
  std::string arguments;
  bool operator==(const ProgramCandidate& o) const {
    return program == o.program && arguments == o.arguments;
  }
};

/// The readings of `commandLine` in the order Windows tries them: one for a
/// quoted program name, else one per space-separated prefix, shortest
/// first. Empty when the line holds no program name.
std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine);

/// Splits the argument part of a command line by the C runtime's rules.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace mavrel
