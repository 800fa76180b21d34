// Starting programs and opening documents on the real system, in a
// temporary folder: where programs are found, what they are given, what
// they inherit, and that every failure is known at once.
#include "platform/desktop/program_start.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop/files/media_path.h"
#include "platform/desktop/startup_work.h"
#include "support/temp_medium.h"

namespace mavrel {
namespace {

namespace fs = std::filesystem;

bool WaitForFile(const fs::path& path) {
  for (int i = 0; i < 500; ++i) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

char ProcessState(pid_t pid) {
  std::string stat = test_support::ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  std::size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? '\0' : stat[close + 2];
}

class ProgramStart : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = folder_.path();
    char* cwd = getcwd(nullptr, 0);
    oldCwd_ = cwd;
    std::free(cwd);
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    fs::create_directories(root_ / "own");
    fs::create_directories(root_ / "medium" / "Sub");
    fs::create_directories(root_ / "medium" / "my tool");
    fs::create_directories(root_ / "path");
    fs::create_directories(root_ / "medium" / "Work");
    ASSERT_EQ(0, chdir((root_ / "medium").c_str()));
    setenv("PATH", ((root_ / "path").string() + ":" + oldPath_).c_str(), 1);
  }

  void TearDown() override {
    EXPECT_EQ(0, chdir(oldCwd_.c_str()));
    setenv("PATH", oldPath_.c_str(), 1);
    for (int i = 0; i < 300 && ReapEndedPrograms() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // A shell script that writes its name, arguments and folder to `report`
  // (in its working folder).
  void Script(const fs::path& path, const std::string& tag, bool executable = true) {
    std::ofstream(path)
        << "#!/bin/sh\n{ printf '%s\\n' " << tag
        << "; for a in \"$@\"; do printf 'arg %s\\n' \"$a\"; done; "
           "printf 'cwd %s\\n' \"$(pwd)\"; } > report.part && mv report.part report\n";
    fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
  }

  test_support::TempMedium folder_{"start"};
  fs::path root_;
  std::string oldCwd_;
  std::string oldPath_;
};

TEST_F(ProgramStart, FindsProgramsByTheSearchRules) {
  Script(root_ / "own" / "both", "own");
  Script(root_ / "medium" / "both", "medium");
  Script(root_ / "medium" / "Local", "medium");
  Script(root_ / "own" / "mine", "own");
  Script(root_ / "path" / "mine", "path");
  Script(root_ / "medium" / "Sub" / "Tool.sh", "sub");
  Script(root_ / "path" / "onpath", "path");
  Script(root_ / "path" / "Cased", "path");
  Script(root_ / "path" / "plain", "path", false);
  struct Case {
    std::string name;
    fs::path found;  // empty: not found
  } cases[] = {
      {"both", root_ / "medium" / "both"},                     // the current folder first
      {"local", root_ / "medium" / "Local"},                   // any case there
      {"mine", root_ / "own" / "mine"},                        // then the launcher's folder
      {"onpath", root_ / "path" / "onpath"},                   // then PATH
      {"cased", ""},                                           // PATH entries match exactly
      {"plain", ""},                                           // not executable: PATH goes on
      {"sub\\tool.SH", root_ / "medium" / "Sub" / "Tool.sh"},  // "\" separates, case ignored
      {"./Local", root_ / "medium" / "Local"},
      {(root_ / "path" / "onpath").string(), root_ / "path" / "onpath"},
      {"Sub/missing", ""},
      {"missing", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string found = FindProgram(c.name, (root_ / "own").string());
    EXPECT_EQ(c.found.string(), found.empty() ? found : fs::weakly_canonical(found).string())
        << c.name;
  }
}

// Each reading of an unquoted command line is looked for in two folders;
// however many readings there are, a folder is read at most once, and not
// at all when the name is there as written.
TEST_F(ProgramStart, ASearchReadsEachFolderAtMostOnce) {
  fs::copy_file("/bin/true", root_ / "medium" / "go");
  fs::copy_file("/bin/true", root_ / "medium" / "Cased");
  for (int i = 0; i < 50; ++i) std::ofstream(root_ / "medium" / ("file" + std::to_string(i)));
  struct Case {
    std::string command;
    bool starts;
    std::size_t reads;
  } cases[] = {
      {"go a b c d e f", true, 0},
      {"cased a b c d e f", true, 1},                 // the current folder
      {"no-such-program a b c d e f g h", false, 2},  // the current and the launcher's folder
      {"no such program in its own folder", false, 2},
      {"missing /s /v /qn", false, 2},                  // "missing /s" in "." too: the same folder
      {"Sub\\no such\\program here at all", false, 1},  // the medium's Sub
  };
  for (const Case& c : cases) {
    pid_t pid = 0;
    int error = 0;
    std::size_t before = FolderReadCount();
    EXPECT_EQ(c.starts, StartProgram(c.command, ".", pid, error)) << c.command;
    EXPECT_EQ(c.reads, FolderReadCount() - before) << c.command;
  }
}

TEST_F(ProgramStart, StartsInTheFolderWithTheWindowsArguments) {
  Script(root_ / "medium" / "my tool" / "run.sh", "tool");
  pid_t pid = 0;
  int error = 0;
  // The unquoted name with a space is found as the longer prefix.
  ASSERT_TRUE(StartProgram("my tool/run.sh \"a b\" c\\\"d e\\\\f",
                           (root_ / "medium" / "Work").string(), pid, error))
      << error;
  EXPECT_GT(pid, 0);
  ASSERT_TRUE(WaitForFile(root_ / "medium" / "Work" / "report"));
  EXPECT_EQ(
      "tool\narg a b\narg c\"d\narg e\\\\f\ncwd " + (root_ / "medium" / "Work").string() + "\n",
      test_support::ReadWholeFile(root_ / "medium" / "Work" / "report"));
}

TEST_F(ProgramStart, TheFolderIsFoundLikeAnyMediaPath) {
  Script(root_ / "medium" / "go.sh", "go");
  pid_t pid = 0;
  int error = 0;
  ASSERT_TRUE(StartProgram("go.sh", "WORK\\", pid, error)) << error;
  ASSERT_TRUE(WaitForFile(root_ / "medium" / "Work" / "report"));
  EXPECT_EQ("go\ncwd " + (root_ / "medium" / "Work").string() + "\n",
            test_support::ReadWholeFile(root_ / "medium" / "Work" / "report"));
}

TEST_F(ProgramStart, EveryFailureIsKnownAtOnce) {
  Script(root_ / "medium" / "go.sh", "go");
  Script(root_ / "medium" / "notes.txt", "no", false);
  std::ofstream(root_ / "medium" / "afile") << "x";
  struct Case {
    std::string command;
    std::string directory;
    int error;
  } cases[] = {
      {"no-such-program-here", ".", ENOENT},
      {"go.sh", "no-such-folder", ENOENT},
      {"go.sh", "afile", ENOTDIR},
      {"notes.txt", ".", EACCES},
      {"Sub", ".", ENOENT},  // a folder is no program
      {"", ".", ENOENT},
      {"   ", ".", ENOENT},
  };
  for (const Case& c : cases) {
    pid_t pid = 0;
    int error = 0;
    EXPECT_FALSE(StartProgram(c.command, c.directory, pid, error)) << c.command;
    EXPECT_EQ(c.error, error) << c.command << " in " << c.directory;
  }
  EXPECT_EQ(0u, RunningProgramCount());
}

TEST_F(ProgramStart, TheProgramGetsNoDescriptorOrSignalStateOfOurs) {
  int stray = open("/dev/null", O_RDONLY);  // inheritable on purpose
  ASSERT_GE(stray, 3);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction oldPipe {};
  sigaction(SIGPIPE, &ignore, &oldPipe);
  sigset_t blocked, oldMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR2);
  sigprocmask(SIG_BLOCK, &blocked, &oldMask);

  fs::path sleeper = root_ / "medium" / "sleeper";
  fs::copy_file("/bin/sleep", sleeper);
  pid_t pid = 0;
  int error = 0;
  bool started = StartProgram("sleeper 5", ".", pid, error);

  close(stray);
  sigaction(SIGPIPE, &oldPipe, nullptr);
  sigprocmask(SIG_SETMASK, &oldMask, nullptr);
  ASSERT_TRUE(started) << error;

  // Looked at once the program sleeps: while the loader starts it, it has
  // descriptors of its own open for a moment.
  for (int i = 0; i < 500 && ProcessState(pid) != 'S'; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::set<std::string> fds;
  std::string targets;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    fds.insert(entry.path().filename().string());
    std::error_code ignoredError;
    targets += entry.path().filename().string() + " -> " +
               fs::read_symlink(entry.path(), ignoredError).string() + "\n";
  }
  EXPECT_EQ((std::set<std::string>{"0", "1", "2"}), fds) << targets;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line, ignored, blockedText;
  while (std::getline(status, line)) {
    if (line.rfind("SigIgn:", 0) == 0) ignored = line.substr(line.find_first_not_of(" \t", 7));
    if (line.rfind("SigBlk:", 0) == 0) blockedText = line.substr(line.find_first_not_of(" \t", 7));
  }
  EXPECT_EQ("0000000000000000", ignored);
  EXPECT_EQ("0000000000000000", blockedText);
  // A session of its own.
  EXPECT_EQ(pid, getsid(pid));
  kill(pid, SIGKILL);
}

std::string DescriptorTarget(int fd) {
  std::error_code error;
  return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
}

TEST(ChildEnvironment, TheLaunchsOwnVariablesAreNotHandedOn) {
  struct Case {
    std::vector<std::string> environment;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"PATH=/bin", "DESKTOP_STARTUP_ID=host-1-2_TIME3", "HOME=/root"},
       {"PATH=/bin", "HOME=/root"}},
      {{"XDG_ACTIVATION_TOKEN=abc", "A=1", "XDG_ACTIVATION_TOKEN="}, {"A=1"}},
      {{"DESKTOP_STARTUP_IDX=1", "MY_DESKTOP_STARTUP_ID=2", "DESKTOP_STARTUP_ID"},
       {"DESKTOP_STARTUP_IDX=1", "MY_DESKTOP_STARTUP_ID=2", "DESKTOP_STARTUP_ID"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    std::vector<char*> given;
    for (const std::string& entry : c.environment)
      given.push_back(const_cast<char*>(entry.c_str()));
    given.push_back(nullptr);
    std::vector<char*> kept = ChildEnvironment(given.data());
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(nullptr, kept.back());
    EXPECT_EQ(c.expected, std::vector<std::string>(kept.begin(), kept.end() - 1));
  }
  EXPECT_EQ(std::vector<char*>{nullptr}, ChildEnvironment(nullptr));
}

TEST_F(ProgramStart, AStartedProgramGetsNoLaunchVariables) {
  // Set before any thread of the test's own reads the environment.
  setenv("DESKTOP_STARTUP_ID", "mavrel-test_TIME0", 1);
  setenv("XDG_ACTIVATION_TOKEN", "token", 1);
  setenv("MAVREL_KEPT", "kept", 1);
  std::ofstream(root_ / "medium" / "env.sh")
      << "#!/bin/sh\nenv > \"$1.part\" && mv \"$1.part\" \"$1\"\n";
  fs::permissions(root_ / "medium" / "env.sh", fs::perms::owner_all);
  pid_t pid = 0;
  int error = 0;
  bool started = StartProgram("env.sh " + (root_ / "env.txt").string(), (root_ / "medium").string(),
                              pid, error);
  unsetenv("DESKTOP_STARTUP_ID");
  unsetenv("XDG_ACTIVATION_TOKEN");
  unsetenv("MAVREL_KEPT");
  ASSERT_TRUE(started) << error;
  ASSERT_TRUE(WaitForFile(root_ / "env.txt"));
  std::string env = test_support::ReadWholeFile((root_ / "env.txt").string());
  EXPECT_NE(std::string::npos, env.find("MAVREL_KEPT=kept\n")) << env;
  EXPECT_EQ(std::string::npos, env.find("DESKTOP_STARTUP_ID")) << env;
  EXPECT_EQ(std::string::npos, env.find("XDG_ACTIVATION_TOKEN")) << env;
}

// Started with some of 0, 1 and 2 closed, the launcher's next files would
// take their places and programs it starts would get them as their input
// and output. Each closed one becomes /dev/null; open ones stay as they are.
TEST(ProcessState, ClosedStandardDescriptorsBecomeDevNull) {
  const std::vector<std::vector<int>> closedSets = {{}, {0}, {1}, {2}, {0, 2}, {1, 2}, {0, 1, 2}};
  for (const std::vector<int>& closed : closedSets) {
    std::string name;
    for (int fd : closed) name += std::to_string(fd) + " ";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::string before[3];
      for (int fd = 0; fd < 3; ++fd) before[fd] = DescriptorTarget(fd);
      auto above2 = [] {
        std::set<int> fds;  // the listing's own descriptor too, the same each time
        for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
          int fd = std::stoi(e.path().filename().string());
          if (fd > 2) fds.insert(fd);
        }
        return fds;
      };
      std::set<int> others = above2();
      for (int fd : closed) close(fd);
      PrepareProcessState();
      int wrong = 0;
      for (int fd = 0; fd < 3; ++fd) {
        bool wasClosed = std::find(closed.begin(), closed.end(), fd) != closed.end();
        if (DescriptorTarget(fd) != (wasClosed ? "/dev/null" : before[fd])) wrong |= 1 << fd;
      }
      if (above2() != others) wrong |= 8;  // nothing else opened or closed
      _exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << name;
    EXPECT_EQ(0, WEXITSTATUS(status))
        << "closed: " << name << "(bits: wrong descriptors, 8: others)";
  }
}

TEST_F(ProgramStart, EndedProgramsAreReapedWithoutWaiting) {
  std::size_t before = RunningProgramCount();
  pid_t pid = 0;
  int error = 0;
  ASSERT_TRUE(StartProgram("true", ".", pid, error)) << error;
  EXPECT_EQ(before + 1, RunningProgramCount());
  // Until reaped, the ended program is a zombie of ours.
  for (int i = 0; i < 500 && ProcessState(pid) != 'Z'; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ('Z', ProcessState(pid));
  EXPECT_EQ(before, ReapEndedPrograms());
  EXPECT_EQ('\0', ProcessState(pid));
  // A program that runs on is not waited for.
  ASSERT_TRUE(StartProgram("sleep 5", ".", pid, error));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(before + 1, ReapEndedPrograms());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  kill(pid, SIGKILL);
}

// A child carries on with whatever lock another thread held at the fork:
// every helper has ended before a program is started.
TEST_F(ProgramStart, NoHelperRunsAcrossAFork) {
  std::atomic<bool> done{false};
  HelperTask slow = StartHelper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    done = true;
  });
  ASSERT_TRUE(slow.OnHelperThread());
  pid_t pid = 0;
  int error = 0;
  ASSERT_TRUE(StartProgram("true", ".", pid, error)) << error;
  EXPECT_TRUE(done);
  EXPECT_EQ(0u, RunningHelperCount());
}

std::atomic<int> wakes{0};

TEST_F(ProgramStart, AnEndedProgramWakesTheWait) {
  pid_t pid = 0;
  int error = 0;
  {
    ProgramEndWake earlier([] {});
  }  // takes any end of an earlier test's program
  wakes = 0;
  {
    ProgramEndWake wake([] { ++wakes; });
    ASSERT_TRUE(StartProgram("true", ".", pid, error)) << error;
    for (int i = 0; i < 500 && wakes == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GE(wakes, 1);
  }
  EXPECT_EQ(0u, RunningHelperCount());  // its helper went with it
  EXPECT_EQ(0u, ReapEndedPrograms());
  // An end while nobody waits wakes the next wait at once.
  ASSERT_TRUE(StartProgram("true", ".", pid, error)) << error;
  for (int i = 0; i < 500 && ProcessState(pid) != 'Z'; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  wakes = 0;
  {
    ProgramEndWake wake([] { ++wakes; });
    EXPECT_EQ(1, wakes);
  }
  ReapEndedPrograms();
}

class DocumentOpen : public ProgramStart {
 protected:
  void Opener(const std::string& body, const std::string& name = "xdg-open") {
    fs::path opener = root_ / "path" / name;
    std::ofstream(opener) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(opener, fs::perms::owner_all);
  }

  // Reaps until every program started so far has ended.
  void ReapAll() {
    for (int i = 0; i < 500 && ReapEndedPrograms() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
};

// A parent may leave SIGCHLD ignored; then the opener's answer is lost
// (waitpid gives ECHILD), unless start-up puts the default back.
TEST_F(DocumentOpen, AFailedOpenFailsWhenStartedWithChildSignalsIgnored) {
  Opener("exit 4");
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction old {};
  sigaction(SIGCHLD, &ignore, &old);
  PrepareProcessState();
  struct sigaction now {};
  sigaction(SIGCHLD, nullptr, &now);
  std::uintptr_t result = OpenDocument("doc.txt", "Work");
  sigaction(SIGCHLD, &old, nullptr);
  EXPECT_EQ(SIG_DFL, now.sa_handler);
  EXPECT_EQ(31u, result);
}

TEST_F(DocumentOpen, HandsTheDocumentToTheOpenerInItsFolder) {
  Opener("echo \"$1\" \"$(pwd)\" > \"" + (root_ / "opened").string() + "\"");
  std::ofstream(root_ / "medium" / "Work" / "Read Me.TXT") << "x";
  EXPECT_GT(OpenDocument("read me.txt", "Work"), 32u);
  ASSERT_TRUE(WaitForFile(root_ / "opened"));
  EXPECT_EQ((root_ / "medium" / "Work" / "Read Me.TXT").string() + " " +
                (root_ / "medium" / "Work").string() + "\n",
            test_support::ReadWholeFile(root_ / "opened"));
}

// An address is the opener's to open, as the Windows shell hands it to the
// browser or the mail program; a name that only looks like one is a file.
TEST_F(DocumentOpen, AddressesGoToTheOpenerUnchanged) {
  Opener("printf '%s\\n' \"$1\" > \"" + (root_ / "opened").string() + "\"");
  struct Case {
    std::string document;
    bool address;
  } cases[] = {
      {"https://example.com/a b?x=1&y=\\z", true},
      {"HTTP://EXAMPLE.COM", true},
      {"ftp://host/file.txt", true},
      {"file:///etc/hostname", true},
      {"x-scheme.1+a://anything", true},
      {"mailto:someone@example.com", true},
      {"MailTo:someone@example.com", true},
      {"c://windows/file.txt", false},  // a drive letter, not a scheme
      {"1http://example.com", false},   // a scheme starts with a letter
      {"ht tp://example.com", false},
      {"http:example.com", false},
      {"mailto", false},
      {"://example.com", false},
  };
  for (const Case& c : cases) {
    fs::remove(root_ / "opened");
    std::uintptr_t result = OpenDocument(c.document, "Work");
    if (c.address) {
      EXPECT_EQ(42u, result) << c.document;
      EXPECT_EQ(c.document + "\n", test_support::ReadWholeFile(root_ / "opened")) << c.document;
    } else {
      EXPECT_EQ(2u, result) << c.document;  // no such file
      EXPECT_FALSE(fs::exists(root_ / "opened")) << c.document;
    }
  }
}

TEST_F(DocumentOpen, TheOpenersAnswerBecomesTheShellsAnswer) {
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  struct Case {
    int exitStatus;
    std::uintptr_t result;
  } cases[] = {{0, 42}, {1, 31}, {2, 2}, {3, 31}, {4, 31}, {5, 5}};
  for (const Case& c : cases) {
    Opener("exit " + std::to_string(c.exitStatus));
    EXPECT_EQ(c.result, OpenDocument("doc.txt", "work")) << c.exitStatus;
  }
}

TEST_F(DocumentOpen, FailuresBeforeAnyOpener) {
  Opener("touch \"" + (root_ / "ran").string() + "\"");
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  std::ofstream(root_ / "medium" / "Work" / "secret.txt") << "x";
  fs::permissions(root_ / "medium" / "Work" / "secret.txt", fs::perms::none);
  EXPECT_EQ(2u, OpenDocument("missing.txt", "work"));
  EXPECT_EQ(2u, OpenDocument("", "work"));
  EXPECT_EQ(3u, OpenDocument("doc.txt", "no-such-folder"));
  if (geteuid() != 0) {
    EXPECT_EQ(5u, OpenDocument("secret.txt", "work"));
  }
  EXPECT_FALSE(fs::exists(root_ / "ran"));
  setenv("PATH", (root_ / "medium" / "Work").string().c_str(), 1);  // no opener anywhere
  EXPECT_EQ(31u, OpenDocument("doc.txt", "work"));
}

TEST_F(DocumentOpen, AnOpenerThatStaysIsNotWaitedFor) {
  Opener("exec sleep 1");
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(42u, OpenDocument("doc.txt", "work", 100));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_GE(RunningProgramCount(), 1u);
}

// Without xdg-utils a document goes to GLib's opener, else the desktop's
// own; with none of them, one line on the standard error stream says what
// was looked for.
TEST_F(DocumentOpen, OpenersAreTriedInTurn) {
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  const std::string document = (root_ / "medium" / "Work" / "doc.txt").string();
  const std::vector<std::string> openers = {"xdg-open", "gio", "kde-open5", "exo-open"};
  struct Case {
    std::size_t firstPresent;  // openers from this one on are on PATH
    std::string ran;           // what the opener was given; empty: none ran
  } cases[] = {
      {0, "xdg-open " + document},
      {1, "gio open " + document},
      {2, "kde-open5 " + document},
      {3, "exo-open " + document},
      {4, ""},
  };
  setenv("PATH", (root_ / "path").string().c_str(), 1);
  for (const Case& c : cases) {
    for (const std::string& name : openers) fs::remove(root_ / "path" / name);
    for (std::size_t i = c.firstPresent; i < openers.size(); ++i) {
      Opener("printf '%s' " + openers[i] + " > \"" + (root_ / "ran").string() +
                 "\"; printf ' %s' \"$@\" >> \"" + (root_ / "ran").string() + "\"",
             openers[i]);
    }
    fs::remove(root_ / "ran");
    ::testing::internal::CaptureStderr();
    std::uintptr_t result = OpenDocument("doc.txt", "work");
    std::string said = ::testing::internal::GetCapturedStderr();
    if (c.ran.empty()) {
      EXPECT_EQ(31u, result);
      EXPECT_EQ(
          "mavrel: nothing to open documents with: none of xdg-open, gio, kde-open5, "
          "exo-open is on PATH\n",
          said);
      EXPECT_FALSE(fs::exists(root_ / "ran"));
    } else {
      EXPECT_EQ(42u, result) << c.ran;
      EXPECT_EQ(c.ran, test_support::ReadWholeFile(root_ / "ran"));
      EXPECT_EQ("", said);
    }
  }
}

// Only xdg-open's statuses say what went wrong; any other opener's failure
// is "no application".
TEST_F(DocumentOpen, OtherOpenersFailuresAreNoApplication) {
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  setenv("PATH", (root_ / "path").string().c_str(), 1);
  for (int status : {2, 5, 4}) {
    Opener("exit " + std::to_string(status), "gio");
    EXPECT_EQ(31u, OpenDocument("doc.txt", "work")) << status;
  }
}

// An opener that fails after the wait is still news while the launcher
// runs: its text is handed on once it has ended, and only then.
TEST_F(DocumentOpen, AnOpenerThatFailsLateIsReported) {
  std::ofstream(root_ / "medium" / "Work" / "doc.txt") << "x";
  struct Case {
    const char* name;
    std::string body;
    std::string lateFailure;
    std::uintptr_t result;
    std::vector<std::string> reported;
  } cases[] = {
      {"fails late", "sleep 0.3; exit 4", "It failed.", 42, {"It failed."}},
      {"killed late", "sleep 0.3; kill -9 $$", "Killed.", 42, {"Killed."}},
      {"succeeds late", "sleep 0.3; exit 0", "Not this.", 42, {}},
      {"fails at once", "exit 4", "Not this either.", 31, {}},
      {"fails late, nothing to say", "sleep 0.3; exit 4", "", 42, {}},
  };
  TakeLateOpenerFailures();
  for (const Case& c : cases) {
    Opener(c.body);
    EXPECT_EQ(c.result, OpenDocument("doc.txt", "work", 100, c.lateFailure)) << c.name;
    EXPECT_TRUE(TakeLateOpenerFailures().empty()) << c.name << ": before it ended";
    ReapAll();
    EXPECT_EQ(c.reported, TakeLateOpenerFailures()) << c.name;
    EXPECT_TRUE(TakeLateOpenerFailures().empty()) << c.name << ": given twice";
  }
}

}  // namespace
}  // namespace mavrel
