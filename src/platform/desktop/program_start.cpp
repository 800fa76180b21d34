#include "platform/desktop/program_start.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/desktop/files/media_path.h"
#include "platform/desktop/files/program_search.h"
#include "windows_rules/command_line.h"

extern char** environ;

namespace mavrel {
namespace {

// Programs started and not yet reaped. One thread only, like the launcher.
std::vector<pid_t>& Started() {
  static std::vector<pid_t> started;
  return started;
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The ends of started programs, seen by a SIGCHLD handler that writes a
// byte to a pipe, which a thread of its own reads and passes on to the
// ProgramEndWake that lives, if any.
struct EndWatch {
  std::mutex lock;
  void (*wake)() = nullptr;  // of the ProgramEndWake that lives
  bool missed = false;       // an end came while none lived
  int pipe[2] = {-1, -1};
  bool started = false;
};

EndWatch& Watch() {
  static EndWatch* watch = new EndWatch;  // never destroyed: its thread outlives main
  return *watch;
}

int endPipeWriter = -1;

void NoteChildEnded(int) {
  int saved = errno;
  char byte = 0;
  ssize_t ignored = write(endPipeWriter, &byte, 1);  // a full pipe has news enough
  (void)ignored;
  errno = saved;
}

void PassOnEnds(int reader) {
  char bytes[64];
  while (true) {
    ssize_t n = read(reader, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    EndWatch& watch = Watch();
    std::lock_guard<std::mutex> hold(watch.lock);
    if (watch.wake) {
      watch.wake();
    } else {
      watch.missed = true;
    }
  }
}

// Started before the first program, so that no end goes unseen.
void WatchEnds() {
  EndWatch& watch = Watch();
  if (watch.started) return;
  if (pipe2(watch.pipe, O_CLOEXEC) != 0) return;
  fcntl(watch.pipe[1], F_SETFL, O_NONBLOCK);
  endPipeWriter = watch.pipe[1];
  try {
    std::thread(PassOnEnds, watch.pipe[0]).detach();
  } catch (const std::system_error&) {
    close(watch.pipe[0]);
    close(watch.pipe[1]);
    endPipeWriter = -1;
    return;
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = NoteChildEnded;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
  watch.started = true;
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
  Started().push_back(child);
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

std::uintptr_t OpenDocument(const std::string& document, const std::string& directory, int waitMs) {
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
#ifdef __APPLE__
  std::string opener = FindInPath("open");
#else
  std::string opener = FindInPath("xdg-open");
#endif
  if (opener.empty()) return kNoAssociation;
  pid_t pid = 0;
  if (Spawn(opener, {opener, path}, folder, pid) != 0) return kNoAssociation;
  // The opener tells whether an application was found when it ends; in its
  // generic mode it runs the application in the foreground instead, so it
  // is waited for only briefly and never for the application itself.
  for (int waited = 0; waited <= waitMs; waited += 10) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      auto& started = Started();
      started.erase(std::remove(started.begin(), started.end(), pid), started.end());
      if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
          case 0:
            return kOpenedResult;
          case 2:
            return kFileNotFound;
          case 5:
            return kAccessDenied;
          default:  // 1 syntax, 3 no tool, 4 the action failed
            return kNoAssociation;
        }
      }
      return kNoAssociation;
    }
    if (r < 0) break;
    SleepMs(10);
  }
  return kOpenedResult;
}

ProgramEndWake::ProgramEndWake(void (*wake)()) {
  EndWatch& watch = Watch();
  std::lock_guard<std::mutex> hold(watch.lock);
  watch.wake = wake;
  if (watch.missed && wake) {
    watch.missed = false;
    wake();
  }
}

ProgramEndWake::~ProgramEndWake() {
  EndWatch& watch = Watch();
  std::lock_guard<std::mutex> hold(watch.lock);
  watch.wake = nullptr;
}

std::size_t ReapEndedPrograms() {
  auto& started = Started();
  started.erase(std::remove_if(started.begin(), started.end(),
                               [](pid_t pid) {
                                 int status;
                                 pid_t r = waitpid(pid, &status, WNOHANG);
                                 return r == pid || (r < 0 && errno == ECHILD);
                               }),
                started.end());
  return started.size();
}

std::size_t RunningProgramCount() { return Started().size(); }

}  // namespace mavrel
