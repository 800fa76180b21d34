// The script that an interpreter named by a command line runs: `sh
// install.sh`, `python3 -u setup.py`, `cmd /c setup\install.bat`. The
// interpreter opens it itself, relative to its working folder (the button's
// DIRECTORY), so the launchers' own rules for finding programs do not apply
// to it.
#pragma once

#include <string>
#include <string_view>

namespace mavrel {

struct InterpreterScript {
  std::string interpreter;  // "sh", "python3", "cmd", ... (as named, folder and ".exe" left out)
  std::string script;       // as written; empty when the interpreter runs none (sh -c ...)
};

/// The script that `program` (a command line's program, as written) runs
/// with `arguments` (the rest of the command line), or nothing when
/// `program` is none of the interpreters known here: sh, bash, dash,
/// python3, perl and, with /c or /k, cmd. The arguments of the first five
/// are split by the Windows rules, as the Linux launcher passes them; cmd
/// takes the first word after its switch, as it reads its own command line.
bool FindInterpreterScript(std::string_view program, std::string_view arguments,
                           InterpreterScript& found);

}  // namespace mavrel
