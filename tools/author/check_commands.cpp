// The programs, documents and folders that the buttons name, looked for as
// each platform's launcher looks for them, in each platform's own reading of
// the button: the command line's readings (the launcher's own
// ProgramCandidates), Windows' search with ".exe" added, the Linux
// launcher's own FindProgram, documents in DIRECTORY, and the script that
// an interpreter (sh install.sh) opens from DIRECTORY. A button that reads
// alike on both platforms is checked once, its findings naming a platform
// only where the two differ.
#include <algorithm>

#include "author/check_groups.h"
#include "author/interpreter_script.h"
#include "windows_rules/command_line.h"

namespace mavrel {
namespace {

bool Holds(Platforms set, Platforms platform) {
  return (static_cast<int>(set) & static_cast<int>(platform)) != 0;
}

// A button's command as one platform reads it.
struct Command {
  std::string section;
  std::string directory;
  std::string program;
  std::string document;
  bool operator==(const Command& o) const {
    return section == o.section && directory == o.directory && program == o.program &&
           document == o.document;
  }
};

Command CommandOf(const Reading& reading, std::size_t index) {
  const ButtonSettings& b = reading.medium->buttons[index];
  return Command{reading.medium->buttonSections.names()[index].c_str(), b.directory.c_str(),
                 b.progCommand.c_str(), b.docCommand.c_str()};
}

enum class Where { kOnMedium, kOnThisSystem, kLeftToSystem, kNowhere };

struct Lookup {
  Where where = Where::kNowhere;
  // The reading found; for kLeftToSystem the first that the system's search
  // would take.
  std::size_t found = 0;
  std::vector<std::string> looked;  // on the medium, as shown
};

// Windows: a relative name with a folder is taken from the current folder
// (the medium's root); a bare name from the launcher's folder and the
// current folder (both the root), then the system folders and PATH; ".exe"
// is added to a name without an extension.
Lookup LookUpOnWindows(MediumFiles& files, const std::vector<ProgramCandidate>& candidates) {
  Lookup lookup;
  bool system = false;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const std::string& program = candidates[i].program;
    const std::string name = program + (HasExtension(program) ? "" : ".exe");
    lookup.looked.push_back(Slashed(name));
    if (files.IsFile(files.Find("", name))) {
      lookup.where = Where::kOnMedium;
      lookup.found = i;
      return lookup;
    }
    if (!HasSeparator(name) && !system) {
      system = true;
      lookup.found = i;
    }
  }
  lookup.where = system ? Where::kLeftToSystem : Where::kNowhere;
  return lookup;
}

// Linux: the same readings, each as the launcher's FindProgram finds it.
Lookup LookUpOnLinux(MediumFiles& files, const std::vector<ProgramCandidate>& candidates) {
  Lookup lookup;
  bool unknown = false;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    lookup.looked.push_back(Slashed(candidates[i].program));
    switch (files.FindLinuxProgram(candidates[i].program)) {
      case MediumFiles::Found::kOnMedium:
        lookup.where = Where::kOnMedium;
        lookup.found = i;
        return lookup;
      case MediumFiles::Found::kOnThisSystem:
        lookup.where = Where::kOnThisSystem;
        lookup.found = i;
        return lookup;
      case MediumFiles::Found::kUnknown:
        if (!unknown) lookup.found = i;
        unknown = true;
        break;
      case MediumFiles::Found::kNowhere:
        break;
    }
  }
  lookup.where = unknown ? Where::kLeftToSystem : Where::kNowhere;
  return lookup;
}

// The checks of one button's command, for the platforms that read it alike.
class ButtonCheck {
 public:
  ButtonCheck(CheckContext& context, std::size_t index, const Command& command)
      : context_(context), files_(context.files()), index_(index), command_(command) {}

  void Run() {
    if (command_.program.empty() && command_.document.empty()) return;
    if (command_.directory.find('\n') != std::string::npos) return;  // M306
    // The command's working folder; unknown when it is outside the medium
    // or missing, and then nothing is looked for in it.
    if (!IsAbsoluteWritten(command_.directory)) {
      folder_ = files_.Find("", command_.directory);
      if (!files_.IsFolder(folder_)) {
        folder_.clear();
        context_.Error(
            context_.ButtonLine(index_, ButtonKeyName(kDirectoryKey)), "M703",
            "DIRECTORY=" + Shown(command_.directory) +
                " is not a folder on the medium (looked for " + Shown(Slashed(command_.directory)) +
                " in the medium's folder): the command of " +
                context_.Owner(index_, ButtonKeyName(kDirectoryKey)) + " cannot start there" +
                (context_.platforms() == Platforms::kBoth ? " on either platform" : ""));
      }
    }
    if (!command_.program.empty()) {
      CheckProgram();
    } else {
      CheckDocument();
    }
  }

 private:
  std::uint32_t ProgramLine() const {
    return context_.ButtonLine(index_, ButtonKeyName(kProgCommandKey));
  }
  std::string ProgramOwner() const {
    return context_.Owner(index_, ButtonKeyName(kProgCommandKey));
  }

  // A bare program name of the command line that is in DIRECTORY, where no
  // launcher looks for it; "" when there is none.
  std::string BareNameInDirectory(const std::vector<ProgramCandidate>& candidates) {
    if (folder_.empty()) return std::string();
    for (const ProgramCandidate& c : candidates) {
      if (HasSeparator(c.program)) continue;
      const std::string exe = c.program + (HasExtension(c.program) ? "" : ".exe");
      if (files_.IsFile(files_.Find(folder_, exe)) ||
          files_.IsFile(files_.Find(folder_, c.program))) {
        return c.program;
      }
    }
    return std::string();
  }

  void ReportInDirectory(const std::string& program, const char* whereLooked, Platforms about) {
    std::string directory = command_.directory;
    std::replace(directory.begin(), directory.end(), '/', '\\');
    context_.Add(ProgramLine(), Severity::kError, "M705",
                 Shown(program) +
                     " is in DIRECTORY, but a program name without a folder is not looked for "
                     "there (" +
                     whereLooked + "): write the path from the medium's root, such as " +
                     Shown(directory + "\\" + program),
                 about);
  }

  void CheckProgram() {
    const std::string& command = command_.program;
    if (command.find('\n') != std::string::npos) return;  // M306
    const std::vector<ProgramCandidate> candidates = ProgramCandidates(command);
    if (candidates.empty()) return;
    for (const ProgramCandidate& c : candidates) {
      if (IsAbsoluteWritten(c.program)) return;  // outside the medium: not looked for
    }
    bool checkWindows = Holds(context_.platforms(), Platforms::kWindows);
    bool checkLinux = Holds(context_.platforms(), Platforms::kLinux);
    const Lookup onWindows = checkWindows ? LookUpOnWindows(files_, candidates) : Lookup();
    const Lookup onLinux = checkLinux ? LookUpOnLinux(files_, candidates) : Lookup();
    const bool linuxNowhere = checkLinux && onLinux.where == Where::kNowhere;
    const std::string& first = candidates.front().program;

    if (checkWindows) {
      const std::string& found = candidates[onWindows.found].program;
      const bool quoted = command[0] == '"';
      if (onWindows.where == Where::kOnMedium && !quoted && found.find(' ') != std::string::npos) {
        context_.Add(ProgramLine(), Severity::kWarning, "M704",
                     "the program path " + Shown(found) +
                         " holds spaces and no quotes: Windows first tries " + Shown(first) +
                         (HasExtension(first) ? "" : ".exe") +
                         " and starts that if it exists; "
                         "write \"" +
                         Shown(found) + "\" in quotes",
                     Platforms::kWindows);
      }
      if (onWindows.where == Where::kNowhere) {
        context_.Add(ProgramLine(), Severity::kError, "M701",
                     "the program of " + ProgramOwner() +
                         " is not on the medium: Windows looked for " + Joined(onWindows.looked) +
                         " in the medium's folder" +
                         (linuxNowhere ? ", the desktop for " + Joined(onLinux.looked) : ""),
                     linuxNowhere ? Platforms::kBoth : Platforms::kWindows);
        if (linuxNowhere) return;
        checkWindows = false;
      } else if (onWindows.where == Where::kLeftToSystem) {
        const std::string inDirectory = BareNameInDirectory(candidates);
        if (!inDirectory.empty()) {
          ReportInDirectory(
              inDirectory,
              "Windows looks in the launcher's folder, the current folder, the "
              "system folders and PATH",
              linuxNowhere || !checkLinux ? context_.platforms() : Platforms::kWindows);
          return;
        }
      }
    }
    if (linuxNowhere) {
      if (checkWindows && onWindows.where == Where::kOnMedium) {
        context_.Add(ProgramLine(), Severity::kError, "M701",
                     "the program of " + ProgramOwner() + " is found on Windows (" +
                         Shown(candidates[onWindows.found].program) +
                         ") but not on the desktop, which adds no \".exe\": it looked for " +
                         Joined(onLinux.looked) + " in the medium's folder",
                     Platforms::kLinux);
      } else if (checkWindows) {
        context_.Add(ProgramLine(), Severity::kWarning, "M706",
                     Shown(first) +
                         " is neither on the medium nor on this system's PATH: the desktop "
                         "launcher does not find it, and Windows only if it is in its system "
                         "folders or PATH",
                     Platforms::kLinux);
      } else {
        ReportNotOnLinux(candidates, onLinux);
      }
      checkLinux = false;
    }
    if (checkWindows) CheckScript(candidates[onWindows.found], Platforms::kWindows);
    if (checkLinux) CheckScript(candidates[onLinux.found], Platforms::kLinux);
  }

  // The Linux launcher finds none of the command line's readings, and
  // Windows' reading is another or not checked.
  void ReportNotOnLinux(const std::vector<ProgramCandidate>& candidates, const Lookup& onLinux) {
    const std::string inDirectory = BareNameInDirectory(candidates);
    if (!inDirectory.empty()) {
      ReportInDirectory(inDirectory,
                        "Linux looks in the medium's root, the launcher's folder and PATH",
                        Platforms::kLinux);
      return;
    }
    const bool bare =
        std::none_of(candidates.begin(), candidates.end(),
                     [](const ProgramCandidate& c) { return HasSeparator(c.program); });
    if (bare) {
      context_.Add(ProgramLine(), Severity::kWarning, "M706",
                   Shown(candidates.front().program) +
                       " is neither on the medium nor on this system's PATH: the Linux launcher "
                       "finds it only where the system has it",
                   Platforms::kLinux);
      return;
    }
    context_.Add(ProgramLine(), Severity::kError, "M701",
                 "the program of " + ProgramOwner() + " is not on the medium: Linux looked for " +
                     Joined(onLinux.looked) + " in the medium's folder",
                 Platforms::kLinux);
  }

  // The medium's path of a file that Find gave, from its root.
  static std::string FromRoot(const std::string& path) {
    return Slashed(path.compare(0, 2, "./") == 0 ? path.substr(2) : path);
  }

  void CheckScript(const ProgramCandidate& candidate, Platforms platform) {
    InterpreterScript found;
    if (!FindInterpreterScript(candidate.program, candidate.arguments, found)) return;
    const std::string& script = found.script;
    if (script.empty() || IsAbsoluteWritten(script) || folder_.empty()) return;
    const bool cmd = found.interpreter == "cmd";
    std::string nearly;
    if (platform == Platforms::kLinux) {
      if (cmd || files_.ExistsAsWrittenOnLinux(folder_, script, nearly)) return;
    } else {
      if (files_.Exists(files_.Find(folder_, script))) return;
      if (cmd && !HasExtension(script)) {
        // cmd tries the extensions of PATHEXT.
        for (const char* extension : {".com", ".exe", ".bat", ".cmd"}) {
          if (files_.IsFile(files_.Find(folder_, script + extension))) return;
        }
      }
      // A bare name may be one of cmd's own commands or on PATH.
      if (cmd && !HasSeparator(script) && !HasExtension(script)) return;
    }
    std::string where =
        command_.directory == "." ? std::string() : Slashed(command_.directory) + "/";
    std::string message = Shown(found.interpreter) + " runs " + Shown(script) +
                          " from DIRECTORY (" + Shown(Slashed(command_.directory)) +
                          "), but there is no " + Shown(where + Slashed(script)) + " on the medium";
    if (!nearly.empty()) {
      message += ": the medium has " + Shown(FromRoot(nearly)) +
                 ", and on Linux the interpreter opens the name exactly as written (letter case "
                 "counts, \"/\" alone separates)";
    }
    context_.Add(ProgramLine(), Severity::kError, "M707",
                 message + "; put the script there, or write its path from DIRECTORY", platform);
  }

  void CheckDocument() {
    const std::string& document = command_.document;
    if (document.find('\n') != std::string::npos) return;  // M306
    // Addresses go to the browser or mail program as written.
    if (document.find("://") != std::string::npos || EqualNames(document.substr(0, 7), "mailto:") ||
        IsAbsoluteWritten(document) || folder_.empty()) {
      return;
    }
    if (files_.Exists(files_.Find(folder_, document))) return;
    const std::string where =
        command_.directory == "." ? std::string() : Slashed(command_.directory) + "/";
    context_.Error(context_.ButtonLine(index_, ButtonKeyName(kDocCommandKey)), "M702",
                   "the document " + Shown(document) + " of " +
                       context_.Owner(index_, ButtonKeyName(kDocCommandKey)) +
                       " is not on the medium: both platforms look for it in DIRECTORY, here " +
                       Shown(where + Slashed(document)) + " in the medium's folder");
  }

  CheckContext& context_;
  MediumFiles& files_;
  const std::size_t index_;
  const Command& command_;
  std::string folder_;  // DIRECTORY on the medium, a path of this system
};

}  // namespace

void CheckCommands(CheckContext& context) {
  const Reading* windowsReading = nullptr;
  const Reading* linuxReading = nullptr;
  for (const Reading& reading : context.readings()) {
    (reading.platform == Platforms::kWindows ? windowsReading : linuxReading) = &reading;
  }
  auto count = [](const Reading* r) { return r ? r->medium->buttons.size() : std::size_t{0}; };
  const std::size_t buttons = std::max(count(windowsReading), count(linuxReading));
  for (std::size_t i = 0; i < buttons; ++i) {
    const bool onWindows = i < count(windowsReading);
    const bool onLinux = i < count(linuxReading);
    const Command windowsCommand = onWindows ? CommandOf(*windowsReading, i) : Command();
    const Command linuxCommand = onLinux ? CommandOf(*linuxReading, i) : Command();
    if (onWindows && onLinux && windowsCommand == linuxCommand) {
      context.Use(*windowsReading, Platforms::kBoth);
      ButtonCheck(context, i, windowsCommand).Run();
      continue;
    }
    if (onWindows) {
      context.Use(*windowsReading, Platforms::kWindows);
      ButtonCheck(context, i, windowsCommand).Run();
    }
    if (onLinux) {
      context.Use(*linuxReading, Platforms::kLinux);
      ButtonCheck(context, i, linuxCommand).Run();
    }
  }
}

}  // namespace mavrel
