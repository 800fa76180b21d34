// The owner of the desktop launcher's helper threads: where each piece of
// work runs, with what stack and priority, and that every helper is joined
// when asked, also one that waits to be told to stop.
#include "platform/desktop/startup_work.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace mavrel {
namespace {

pid_t ThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

std::size_t ThisThreadsStack() {
  pthread_attr_t attributes;
  std::size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
  }
  return size;
}

// The process's address space now, in bytes.
rlim_t AddressSpace() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long kb = 0;
  while (status >> key) {
    if (key == "VmSize:" && status >> kb) return static_cast<rlim_t>(kb) * 1024;
  }
  return 0;
}

TEST(HelperThreads, OnlyTheCallingThreadGivesWay) {
  const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  int helper = 0;
  std::thread([&] {
    LowerThisThreadsPriority(own + 5);
    helper = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  }).join();
  EXPECT_EQ(std::min(own + 5, 19), helper);
  EXPECT_EQ(own, getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))));
  EXPECT_EQ(own, getpriority(PRIO_PROCESS, 0));
}

// The stack comes from the helper's options, not from RLIMIT_STACK, which
// may be far smaller than fontconfig's parser needs.
TEST(HelperThreads, RunOnAThreadOfTheirOwnWithTheStackAndPriorityAskedFor) {
  struct rlimit saved;
  ASSERT_EQ(0, getrlimit(RLIMIT_STACK, &saved));
  struct rlimit tight = saved;
  tight.rlim_cur = 64 * 1024;
  ASSERT_EQ(0, setrlimit(RLIMIT_STACK, &tight));
  const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId()));
  struct Case {
    std::size_t stack;
    int niceness;
  } cases[] = {{kHelperStackBytes, 0}, {256u << 10, 3}};
  for (const Case& c : cases) {
    pid_t where = 0;
    std::size_t stack = 0;
    int niceness = 0;
    HelperOptions options;
    options.stackBytes = c.stack;
    options.niceness = c.niceness;
    HelperTask task = StartHelper(
        [&] {
          where = ThreadId();
          stack = ThisThreadsStack();
          niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId()));
        },
        options);
    EXPECT_TRUE(task.OnHelperThread());
    task.Join();
    EXPECT_FALSE(task.OnHelperThread());
    EXPECT_NE(ThreadId(), where);
    EXPECT_GE(stack, c.stack);
    EXPECT_EQ(c.niceness == 0 ? own : std::min(own + c.niceness, 19), niceness);
  }
  setrlimit(RLIMIT_STACK, &saved);
  EXPECT_EQ(own, getpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId())));
}

TEST(HelperThreads, EveryHelperIsJoinedWhenAsked) {
  std::atomic<int> done{0};
  std::atomic<bool> stopped{false};
  HelperTask first = StartHelper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ++done;
  });
  HelperTask second = StartHelper([&] { ++done; });
  HelperOptions untilStopped;
  untilStopped.mayRunInline = false;
  untilStopped.stop = [&] { stopped = true; };
  HelperTask waiting = StartHelper(
      [&] {
        while (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++done;
      },
      untilStopped);
  EXPECT_EQ(3u, RunningHelperCount());
  JoinEveryHelper();
  EXPECT_EQ(3, done.load());
  EXPECT_EQ(0u, RunningHelperCount());
  EXPECT_FALSE(first.OnHelperThread() || second.OnHelperThread() || waiting.OnHelperThread());
  // Joined tasks join again as nothing; a task joins when it goes.
  first.Join();
  {
    HelperTask last = StartHelper([&] { ++done; });
  }
  EXPECT_EQ(4, done.load());
  EXPECT_EQ(0u, RunningHelperCount());
}

// Where no thread is to be had, work that can be done at once is done on
// the calling thread; work that waits to be stopped is not started.
TEST(HelperThreads, WithoutThreadsTheWorkIsDoneByTheCaller) {
  // Bigger than any stack the C library keeps from earlier helpers.
  constexpr std::size_t kStack = std::size_t{64} << 20;
  auto check = [](const char* name) {
    pid_t where = 0;
    HelperOptions options;
    options.stackBytes = kStack;
    HelperTask inline_ = StartHelper([&] { where = ThreadId(); }, options);
    EXPECT_TRUE(inline_.started()) << name;
    EXPECT_FALSE(inline_.OnHelperThread()) << name;
    EXPECT_EQ(ThreadId(), where) << name;
    HelperOptions untilStopped = options;
    untilStopped.mayRunInline = false;
    bool ran = false;
    HelperTask waiting = StartHelper([&] { ran = true; }, untilStopped);
    EXPECT_FALSE(waiting.started()) << name;
    EXPECT_FALSE(ran) << name;
    EXPECT_EQ(0u, RunningHelperCount()) << name;
  };
  setenv("MAVREL_STARTUP_THREADS", "0", 1);
  EXPECT_FALSE(HelperThreadsAllowed());
  check("MAVREL_STARTUP_THREADS=0");
  unsetenv("MAVREL_STARTUP_THREADS");
  EXPECT_TRUE(HelperThreadsAllowed());
  // No room for another stack: in a child, whose address space is capped
  // just above what it has.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = AddressSpace() + (1u << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    check("no memory for a stack");
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace mavrel
