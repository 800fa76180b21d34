#include "author/interpreter_script.h"

#include <vector>

#include "windows_rules/command_line.h"
#include "windows_rules/ini_reader.h"

namespace mavrel {
namespace {

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// How an interpreter reads its options before the script.
struct OptionRules {
  const char* noScript;          // letters of a "-xyz" cluster that mean no script file follows
  const char* const* withValue;  // options that take the next argument as their value
};

constexpr const char* kShellValues[] = {"-o", "+o", "-O", "+O", "--rcfile", "--init-file", nullptr};
constexpr const char* kPythonValues[] = {"-W", "-X", "--check-hash-based-pycs", nullptr};
constexpr const char* kPerlValues[] = {nullptr};

// The first argument that is not an option; "" when the options say that no
// script file is read (a command given with -c, the standard input).
std::string ScriptArgument(const std::vector<std::string>& arguments, const OptionRules& rules) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--") return i + 1 < arguments.size() ? arguments[i + 1] : std::string();
    if (a == "-") return std::string();
    if (a.size() < 2 || (a[0] != '-' && a[0] != '+')) return a;
    bool value = false;
    bool attached = false;  // "-Wignore": the value in the same argument
    for (const char* const* option = rules.withValue; *option != nullptr; ++option) {
      const std::string_view name = *option;
      value = value || a == name;
      attached = attached || (name.size() == 2 && a.size() > 2 && StartsWith(a, name));
    }
    if (value) {
      ++i;
      continue;
    }
    if (attached) continue;
    if (!StartsWith(a, "--") && a.find_first_of(rules.noScript, 1) != std::string::npos) {
      return std::string();
    }
  }
  return std::string();
}

// cmd reads its own command line: switches, then /c or /k and the command
// to run, whose first word (a quoted one as a whole) is the script.
std::string CmdScript(std::string_view arguments) {
  std::size_t pos = 0;
  while (pos < arguments.size()) {
    pos = arguments.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) return std::string();
    std::size_t end = arguments.find_first_of(" \t", pos);
    if (end == std::string_view::npos) end = arguments.size();
    const std::string_view word = arguments.substr(pos, end - pos);
    if (word.empty() || word[0] != '/') return std::string();
    pos = end;
    if (EqualNames(word, "/c") || EqualNames(word, "/k")) break;
    if (pos >= arguments.size()) return std::string();
  }
  pos = arguments.find_first_not_of(" \t", pos);
  if (pos == std::string_view::npos) return std::string();
  if (arguments[pos] == '"') {
    const std::size_t close = arguments.find('"', pos + 1);
    return std::string(arguments.substr(
        pos + 1, close == std::string_view::npos ? std::string_view::npos : close - pos - 1));
  }
  const std::size_t end = arguments.find_first_of(" \t", pos);
  return std::string(arguments.substr(pos, end == std::string_view::npos ? end : end - pos));
}

}  // namespace

bool FindInterpreterScript(std::string_view program, std::string_view arguments,
                           InterpreterScript& found) {
  const std::size_t slash = program.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? program : program.substr(slash + 1));
  for (char& c : name) c = LowerAscii(c);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  found.interpreter = name;
  if (name == "cmd") {
    found.script = CmdScript(arguments);
    return true;
  }
  OptionRules rules;
  if (name == "sh" || name == "bash" || name == "dash") {
    rules = OptionRules{"cs", kShellValues};
  } else if (name == "python3") {
    rules = OptionRules{"cm", kPythonValues};
  } else if (name == "perl") {
    rules = OptionRules{"eE", kPerlValues};
  } else {
    return false;
  }
  found.script = ScriptArgument(SplitArguments(arguments), rules);
  return true;
}

}  // namespace mavrel
