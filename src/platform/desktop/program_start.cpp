#include "platform/desktop/program_start.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/desktop/files/media_path.h"
#include "platform/desktop/files/program_search.h"
#include "platform/desktop/startup_work.h"
#include "windows_rules/command_line.h"

extern char** environ;

namespace mavrel {
namespace {

// A program started and not yet reaped. One thread only, like the launcher.
struct StartedProgram {
  pid_t pid = 0;
  // An opener still running when OpenDocument returned: how its failure,
  // should it come, is reported (nothing when empty).
  std::string lateFailure;
};

std::vector<StartedProgram>& Started() {
  static std::vector<StartedProgram> started;
  return started;
}

// What openers that failed late left to report, oldest first.
std::vector<std::string>& LateFailures() {
  static std::vector<std::string> failures;
  return failures;
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The ends of started programs, seen by a SIGCHLD handler that writes a
// byte to a pipe. While a ProgramEndWake lives, a helper thread of
// startup_work.h waits on that pipe and calls its `wake`; the helper is
// stopped (a byte on a second pipe) and joined when the ProgramEndWake goes
// and before every fork, and made again after the fork.
struct EndWatch {
  int ends[2] = {-1, -1};  // the handler writes, ReapEndedPrograms drains
  int stop[2] = {-1, -1};  // tells the helper to end
  bool ready = false;
  ProgramEndWake* wake = nullptr;  // the one that lives, if any
};

EndWatch& Watch() {
  static EndWatch watch;
  return watch;
}

int endPipeWriter = -1;

void NoteChildEnded(int) {
  int saved = errno;
  char byte = 0;
  ssize_t ignored = write(endPipeWriter, &byte, 1);  // a full pipe has news enough
  (void)ignored;
  errno = saved;
}

// True when anything was read: the pipes never block.
bool Drain(int fd) {
  char bytes[64];
  bool any = false;
  while (read(fd, bytes, sizeof bytes) > 0) any = true;
  return any;
}

// Made before the first program starts, so that no end goes unseen.
bool WatchEnds() {
  EndWatch& watch = Watch();
  if (watch.ready) return true;
  if (pipe2(watch.ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  if (pipe2(watch.stop, O_CLOEXEC | O_NONBLOCK) != 0) {
    close(watch.ends[0]);
    close(watch.ends[1]);
    return false;
  }
  endPipeWriter = watch.ends[1];
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = NoteChildEnded;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
  watch.ready = true;
  return true;
}

// The helper: waits for an end or the word to stop.
void PassOnEnds(void (*wake)()) {
  EndWatch& watch = Watch();
  pollfd waitFor[2] = {{watch.ends[0], POLLIN, 0}, {watch.stop[0], POLLIN, 0}};
  while (true) {
    int n = poll(waitFor, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || waitFor[1].revents != 0) return;
    if (waitFor[0].revents & POLLIN) {
      if (Drain(watch.ends[0])) wake();
    } else if (waitFor[0].revents != 0) {
      return;
    }
  }
}

// Starts `path` with `argv` in the folder `directory`: no descriptor but
// 0, 1 and 2 is passed on, every signal is back at its default with none
// blocked, and the program leads a session of its own so that a terminal's
// signals meant for the launcher do not reach it. Gives 0 or an errno value.
//
// fork and exec rather than posix_spawn: this C library's posix_spawn
// leaves its two internal signals ignored in the new program, and a program
// is owed default dispositions. A close-on-exec pipe brings a failed chdir
// or exec back to the launcher before this returns.
int Spawn(const std::string& path, const std::vector<std::string>& arguments,
          const std::string& directory, pid_t& pid) {
  // Everything the child needs is prepared here: after fork it calls only
  // async-signal-safe functions.
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp = ChildEnvironment(environ);
  WatchEnds();
  // The child carries on with whatever lock another thread held at the
  // fork: no helper thread runs across it.
  JoinEveryHelper();
  struct WatchAgain {
    ~WatchAgain() {
      if (ProgramEndWake* wake = Watch().wake) wake->Resume();
    }
  } watchAgain;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  struct rlimit limit;
  int maxDescriptor = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                          ? static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 20))
                          : 65536;
  pid_t child = fork();
  if (child < 0) {
    int error = errno;
    close(report[0]);
    close(report[1]);
    return error;
  }
  if (child == 0) {
    struct sigaction defaults;
    std::memset(&defaults, 0, sizeof defaults);
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
      if (sig != SIGKILL && sig != SIGSTOP) sigaction(sig, &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    setsid();
    int error = 0;
    if (chdir(directory.c_str()) != 0) error = errno;
    if (error == 0) {
      // Every descriptor above the standard three goes, except the report
      // pipe, which closes itself on exec.
      if (syscall(SYS_close_range, 3u, static_cast<unsigned>(report[1]) - 1, 0u) != 0 ||
          syscall(SYS_close_range, static_cast<unsigned>(report[1]) + 1, ~0u, 0u) != 0) {
        for (int fd = 3; fd < maxDescriptor; ++fd) {
          if (fd != report[1]) close(fd);
        }
      }
      execve(path.c_str(), argv.data(), envp.data());
      error = errno;
    }
    ssize_t ignored = write(report[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t n;
  do {
    n = read(report[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  if (n > 0) {
    int status;
    waitpid(child, &status, 0);
    return error != 0 ? error : ENOEXEC;
  }
  pid = child;
  Started().push_back(StartedProgram{child, {}});
  return 0;
}

bool StartsIgnoringCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
      return false;
    }
  }
  return true;
}

// An address such as "https://host/page" (a scheme of two or more letters,
// digits, "+", "-" or ".", starting with a letter, then "://"; one letter
// would be a drive) or "mailto:someone@host".
bool IsAddress(const std::string& text) {
  if (StartsIgnoringCase(text, "mailto:")) return true;
  std::size_t colon = text.find("://");
  if (colon == std::string::npos || colon < 2) return false;
  auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!isLetter(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    char c = text[i];
    if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

void SleepMs(int ms) {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

constexpr std::uintptr_t kOpenedResult = 42;
constexpr std::uintptr_t kFileNotFound = 2;
constexpr std::uintptr_t kPathNotFound = 3;
constexpr std::uintptr_t kAccessDenied = 5;
constexpr std::uintptr_t kNoAssociation = 31;

// The programs that open a document, a folder or an address with the
// desktop's default application; the first one found on PATH is used.
struct DocumentOpener {
  const char* program;
  const char* command;  // its first argument, when it takes one
  bool xdgStatuses;     // it ends with xdg-open's statuses
};
#ifdef __APPLE__
constexpr DocumentOpener kDocumentOpeners[] = {{"open", nullptr, true}};
#else
constexpr DocumentOpener kDocumentOpeners[] = {
    {"xdg-open", nullptr, true},    // freedesktop's, on most desktops
    {"gio", "open", false},         // GLib's, where xdg-utils is missing
    {"kde-open5", nullptr, false},  // KDE's
    {"exo-open", nullptr, false},   // Xfce's
};
#endif

std::string DocumentOpenerNames() {
  std::string names;
  for (const DocumentOpener& opener : kDocumentOpeners) {
    if (!names.empty()) names += ", ";
    names += opener.program;
  }
  return names;
}

bool OpenerSucceeded(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// What the Windows shell would have answered for the opener's end.
std::uintptr_t OpenerResult(const DocumentOpener& opener, int status) {
  if (OpenerSucceeded(status)) return kOpenedResult;
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (opener.xdgStatuses && code == 2) return kFileNotFound;
  if (opener.xdgStatuses && code == 5) return kAccessDenied;
  return kNoAssociation;  // xdg-open: 1 syntax, 3 no tool, 4 the action failed
}

}  // namespace

std::vector<char*> ChildEnvironment(char* const* environment) {
  static constexpr const char* kLaunchVariables[] = {"DESKTOP_STARTUP_ID=",
                                                     "XDG_ACTIVATION_TOKEN="};
  std::vector<char*> kept;
  for (char* const* entry = environment; entry && *entry; ++entry) {
    bool launchOwn = false;
    for (const char* prefix : kLaunchVariables) {
      launchOwn = launchOwn || std::strncmp(*entry, prefix, std::strlen(prefix)) == 0;
    }
    if (!launchOwn) kept.push_back(*entry);
  }
  kept.push_back(nullptr);
  return kept;
}

void PrepareProcessState() {
  // Any of 0, 1 and 2 left closed would be taken by the next file opened
  // (a font, the display connection), which started programs would then
  // get as their input or output.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor, so `fd` itself: the ones below are open.
    int null = open("/dev/null", O_RDWR);
    if (null > fd) {
      dup2(null, fd);
      close(null);
    }
  }
  struct sigaction now;
  if (sigaction(SIGCHLD, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) {
    struct sigaction defaults;
    std::memset(&defaults, 0, sizeof defaults);
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(SIGCHLD, &defaults, nullptr);
  }
}

std::string OwnFolder() {
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
}

bool StartProgram(const std::string& commandLine, const std::string& directory, pid_t& pid,
                  int& error) {
  ReapEndedPrograms();
  // Every reading of the command line is looked for in the same folders:
  // each is read at most once (the name as written needs no reading).
  FolderListings listings;
  std::string folder = Absolute(ResolveMediaPath(directory, &listings));
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) {
    error = errno;
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = ENOTDIR;
    return false;
  }
  std::string ownFolder = OwnFolder();
  for (const ProgramCandidate& candidate : ProgramCandidates(commandLine)) {
    std::string path = FindProgram(candidate.program, ownFolder, &listings);
    if (path.empty()) continue;
    std::vector<std::string> argv{candidate.program};
    for (std::string& a : SplitArguments(candidate.arguments)) argv.push_back(std::move(a));
    error = Spawn(path, argv, folder, pid);
    return error == 0;
  }
  error = ENOENT;
  return false;
}

std::uintptr_t OpenDocument(const std::string& document, const std::string& directory, int waitMs,
                            const std::string& lateFailure) {
  ReapEndedPrograms();
  std::string folder = Absolute(ResolveMediaPath(directory));
  if (!IsFolder(folder)) return kPathNotFound;
  if (document.empty()) return kFileNotFound;
  // An address goes to the opener as written, as the Windows shell hands it
  // to the browser or mail program; anything else names a file.
  std::string path = document;
  if (!IsAddress(document)) {
    path = document[0] == '/' ? ResolveMediaPath(document) : ResolveMediaPathIn(folder, document);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return errno == ENOTDIR ? kPathNotFound : kFileNotFound;
    if (access(path.c_str(), R_OK) != 0) return kAccessDenied;
  }
  const DocumentOpener* opener = nullptr;
  std::string program;
  for (const DocumentOpener& candidate : kDocumentOpeners) {
    program = FindInPath(candidate.program);
    if (!program.empty()) {
      opener = &candidate;
      break;
    }
  }
  if (opener == nullptr) {
    // The box says only that it failed; this says why.
    std::fprintf(stderr, "mavrel: nothing to open documents with: none of %s is on PATH\n",
                 DocumentOpenerNames().c_str());
    return kNoAssociation;
  }
  std::vector<std::string> argv{program};
  if (opener->command != nullptr) argv.push_back(opener->command);
  argv.push_back(path);
  pid_t pid = 0;
  if (Spawn(program, argv, folder, pid) != 0) return kNoAssociation;
  // The opener tells whether an application was found when it ends; in its
  // generic mode it runs the application in the foreground instead, so it
  // is waited for only briefly and never for the application itself.
  for (int waited = 0; waited <= waitMs; waited += 10) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      auto& started = Started();
      started.erase(std::remove_if(started.begin(), started.end(),
                                   [pid](const StartedProgram& p) { return p.pid == pid; }),
                    started.end());
      return OpenerResult(*opener, status);
    }
    if (r < 0) break;
    SleepMs(10);
  }
  // Still running: its answer, when it comes, is still news.
  for (StartedProgram& started : Started()) {
    if (started.pid == pid) started.lateFailure = lateFailure;
  }
  return kOpenedResult;
}

ProgramEndWake::ProgramEndWake(void (*wake)()) : wake_(wake) {
  EndWatch& watch = Watch();
  if (!wake_ || watch.wake != nullptr || !WatchEnds()) return;
  watch.wake = this;
  // An end that came while none lived.
  if (Drain(watch.ends[0])) wake_();
  Resume();
}

ProgramEndWake::~ProgramEndWake() {
  EndWatch& watch = Watch();
  if (watch.wake != this) return;
  watcher_.Join();
  watch.wake = nullptr;
}

void ProgramEndWake::Resume() {
  if (watcher_.OnHelperThread()) return;
  EndWatch& watch = Watch();
  Drain(watch.stop[0]);
  HelperOptions options;
  options.stackBytes = kWatcherStackBytes;
  options.mayRunInline = false;  // it waits until stopped
  options.stop = [] {
    char byte = 0;
    ssize_t ignored = write(Watch().stop[1], &byte, 1);
    (void)ignored;
  };
  void (*wake)() = wake_;
  watcher_ = StartHelper([wake] { PassOnEnds(wake); }, std::move(options));
}

std::size_t ReapEndedPrograms() {
  EndWatch& watch = Watch();
  // The news of ends up to now is taken here.
  if (watch.ready) Drain(watch.ends[0]);
  auto& started = Started();
  started.erase(std::remove_if(started.begin(), started.end(),
                               [](const StartedProgram& program) {
                                 int status = 0;
                                 pid_t r = waitpid(program.pid, &status, WNOHANG);
                                 if (r == program.pid && !program.lateFailure.empty() &&
                                     !OpenerSucceeded(status)) {
                                   LateFailures().push_back(program.lateFailure);
                                 }
                                 return r == program.pid || (r < 0 && errno == ECHILD);
                               }),
                started.end());
  return started.size();
}

std::vector<std::string> TakeLateOpenerFailures() {
  std::vector<std::string> failures;
  failures.swap(LateFailures());
  return failures;
}

std::size_t RunningProgramCount() { return Started().size(); }

}  // namespace mavrel
