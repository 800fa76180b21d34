#include "windows_rules/command_line.h"

namespace mavrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<ProgramCandidate> ProgramCandidates(std::string_view commandLine) {
  std::vector<ProgramCandidate> candidates;
  std::size_t start = 0;
  while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
  if (start == commandLine.size()) return candidates;
  if (commandLine[start] == '"') {
    std::size_t close = commandLine.find('"', start + 1);
    std::size_t nameEnd = close == std::string_view::npos ? commandLine.size() : close;
    std::size_t rest = close == std::string_view::npos ? commandLine.size() : close + 1;
    std::string program(commandLine.substr(start + 1, nameEnd - start - 1));
    if (!program.empty()) candidates.push_back({program, std::string(commandLine.substr(rest))});
    return candidates;
  }
  std::size_t i = start;
  while (i < commandLine.size()) {
    while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    candidates.push_back(
        {std::string(commandLine.substr(start, i - start)), std::string(commandLine.substr(i))});
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  }
  return candidates;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (true) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n) break;
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(text[i]))) {
      char c = text[i];
      if (c == '\\') {
        std::size_t end = i;
        while (end < n && text[end] == '\\') ++end;
        std::size_t count = end - i;
        if (end < n && text[end] == '"') {
          argument.append(count / 2, '\\');
          if (count % 2 == 1) {
            argument += '"';
            i = end + 1;
          } else {
            i = end;  // the quote keeps its meaning
          }
        } else {
          argument.append(count, '\\');
          i = end;
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += c;
        ++i;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace mavrel
