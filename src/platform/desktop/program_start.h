// Starting programs and opening documents for the desktop launcher, with
// the rules a medium written for Windows expects:
// - the command line is split by the Windows rules (windows_rules/command_line.h);
//   an unquoted name with spaces is tried as successively longer prefixes;
// - a program name with "/" or "\" is taken relative to the launcher's
//   current directory; a bare name is looked for in the launcher's current
//   directory (the medium's root), then in its own folder, then along PATH;
// - paths on the medium may use "\" and any letter case (ResolveMediaPath);
// - every failure to start (no such program, not executable, working folder
//   missing or not a folder) is known before StartProgram returns: the
//   child reports a failed chdir or exec through a close-on-exec pipe;
// - the program gets no descriptor of the launcher's beyond the standard
//   three, default signal handling, an empty signal mask and a session of its
//   own; the launcher never waits for it, and reaps it once it has ended
//   (ReapEndedPrograms; ProgramEndWake tells when), so no zombie is left
//   behind;
// - no helper thread (startup_work.h) runs while the launcher forks.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop/files/program_search.h"
#include "platform/desktop/startup_work.h"

namespace mavrel {

/// Puts the process into the state that starting programs relies on; first
/// thing at start-up. Descriptors 0, 1 and 2, when closed, are opened on
/// /dev/null; SIGCHLD goes back to its default (a parent may have left it
/// ignored, which would make every started program's end unknown).
void PrepareProcessState();

/// The environment a started program gets: `environment` (a null-ended
/// list of NAME=VALUE) without the launch's own DESKTOP_STARTUP_ID and
/// XDG_ACTIVATION_TOKEN, which would otherwise end the started program's
/// launch feedback, or take its activation, in the launcher's name. The
/// strings are `environment`'s; the list ends with a null.
std::vector<char*> ChildEnvironment(char* const* environment);

/// Finds the program a Windows-style command line names and starts it with
/// `directory` as its working directory. True when it runs; then `pid` is
/// its process id. On failure `error` holds the errno value that explains it.
bool StartProgram(const std::string& commandLine, const std::string& directory, pid_t& pid,
                  int& error);

/// The folder of the running launcher's executable, or "" when unknown.
std::string OwnFolder();

/// Opens `document` (relative to `directory` unless absolute) with the
/// desktop's default application, with `directory` as the working
/// directory: through xdg-open, else `gio open`, else the desktop's own
/// opener (kde-open5, exo-open); open on macOS. When none is on PATH, one
/// line on the standard error stream says which were looked for. An address
/// ("scheme://...", "mailto:...") goes to the opener as written. Gives a
/// result with the meaning of the Windows shell's: greater than 32 on
/// success; 2 for a missing document, 3 for a missing folder, 5 for a
/// document that cannot be read, 31 when no application is found for it.
/// Waits for the opener at most `waitMs`: an opener still running then has
/// handed the document to an application (or runs it in the foreground),
/// which counts as success; should it end with a failure later, while the
/// launcher runs, `lateFailure` (when not empty) is handed on by
/// TakeLateOpenerFailures.
std::uintptr_t OpenDocument(const std::string& document, const std::string& directory,
                            int waitMs = 1000, const std::string& lateFailure = {});

/// While one of these lives, a started program that ends calls `wake` from
/// a helper thread (startup_work.h), so that an event wait can end and reap
/// it rather than look every so often. An end seen while none lived calls
/// `wake` at once, as it is made. The helper is joined before every fork
/// (and made again after it) and when this object goes. Only one lives at a
/// time; `wake` must be safe to call from another thread.
class ProgramEndWake {
 public:
  explicit ProgramEndWake(void (*wake)());
  ~ProgramEndWake();
  ProgramEndWake(const ProgramEndWake&) = delete;
  ProgramEndWake& operator=(const ProgramEndWake&) = delete;

  /// True while a helper thread watches; false when none could be made
  /// (then whoever waits must look every so often).
  bool watching() const { return watcher_.OnHelperThread(); }
  /// Makes the helper thread again after a fork joined it.
  void Resume();

 private:
  static constexpr std::size_t kWatcherStackBytes = 256u << 10;
  void (*wake_)() = nullptr;
  HelperTask watcher_;
};

/// Reaps every started program that has ended; never blocks. Gives how
/// many are still running.
std::size_t ReapEndedPrograms();

/// The `lateFailure` texts of openers that ended with a failure after
/// OpenDocument returned (found by ReapEndedPrograms), oldest first; each
/// is given once.
std::vector<std::string> TakeLateOpenerFailures();

/// The programs started and not yet reaped.
std::size_t RunningProgramCount();

}  // namespace mavrel
