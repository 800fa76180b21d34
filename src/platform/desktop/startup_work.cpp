#include "platform/desktop/startup_work.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <climits>  // PTHREAD_STACK_MIN, in older C libraries
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace mavrel {

struct HelperTask::State {
  std::function<void()> work;
  std::function<void()> stop;
  int niceness = 0;
  pthread_t thread{};
  bool onHelper = false;  // a thread was made for the work and is not joined yet
};

namespace {

// The helpers running now. Touched by the launcher's thread only.
std::vector<std::shared_ptr<HelperTask::State>>& Running() {
  static auto* running = new std::vector<std::shared_ptr<HelperTask::State>>;
  return *running;
}

void* RunHelper(void* raw) {
  auto* state = static_cast<HelperTask::State*>(raw);
  if (state->niceness > 0) LowerThisThreadsPriority(state->niceness);
  // Whatever the work throws ends it, not the launcher: its owner then
  // finds it undone and does it again itself.
  try {
    state->work();
  } catch (...) {
  }
  return nullptr;
}

// Makes the thread for `state`; false when none can be had.
bool MakeThread(HelperTask::State& state, std::size_t stackBytes) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  // An explicit size: the default comes from RLIMIT_STACK, which may be
  // far too small for what the helpers call.
  bool made = pthread_attr_setstacksize(&attributes,
                                        std::max<std::size_t>(stackBytes, PTHREAD_STACK_MIN)) == 0;
  if (made) {
    // Signals are the launcher's thread's to take: the helper starts with
    // every one blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    made = pthread_create(&state.thread, &attributes, RunHelper, &state) == 0;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
  pthread_attr_destroy(&attributes);
  return made;
}

void JoinState(const std::shared_ptr<HelperTask::State>& state) {
  if (!state || !state->onHelper) return;
  if (state->stop) state->stop();
  pthread_join(state->thread, nullptr);
  state->onHelper = false;
  state->work = nullptr;
  auto& running = Running();
  running.erase(std::remove(running.begin(), running.end(), state), running.end());
}

}  // namespace

HelperTask& HelperTask::operator=(HelperTask&& other) noexcept {
  if (this != &other) {
    Join();
    state_ = std::move(other.state_);
  }
  return *this;
}

void HelperTask::Join() { JoinState(state_); }

bool HelperTask::OnHelperThread() const { return state_ && state_->onHelper; }

HelperTask StartHelper(std::function<void()> work, HelperOptions options) {
  HelperTask task;
  auto state = std::make_shared<HelperTask::State>();
  state->work = std::move(work);
  state->stop = std::move(options.stop);
  state->niceness = options.niceness;
  if (HelperThreadsAllowed() && MakeThread(*state, options.stackBytes)) {
    state->onHelper = true;
    Running().push_back(state);
    task.state_ = std::move(state);
    return task;
  }
  if (!options.mayRunInline) return task;
  try {
    state->work();
  } catch (...) {
  }
  state->work = nullptr;
  task.state_ = std::move(state);
  return task;
}

void JoinEveryHelper() {
  // Joining removes the helper from the list.
  while (!Running().empty()) JoinState(std::shared_ptr<HelperTask::State>(Running().back()));
}

std::size_t RunningHelperCount() { return Running().size(); }

bool HelperThreadsAllowed() {
  // Read on the launcher's thread, the only one that changes the environment.
  const char* setting = std::getenv("MAVREL_STARTUP_THREADS");
  if (setting != nullptr && std::strcmp(setting, "0") == 0) return false;
  // Each helper takes address space for its stack and, in the C library,
  // an arena of its own (64 MiB reserved): under a tight RLIMIT_AS that
  // would leave the work itself without memory.
  return AddressSpaceLeft() >= kHelperAddressSpace;
}

std::size_t AddressSpaceLeft() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
  // The first field of statm: the address space in use, in pages.
  unsigned long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "re")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  std::size_t used =
      static_cast<std::size_t>(pages) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return limit.rlim_cur > used ? static_cast<std::size_t>(limit.rlim_cur - used) : 0;
}

int RunOnLauncherStack(const std::function<int()>& body) {
  struct rlimit limit;
  bool enough = getrlimit(RLIMIT_STACK, &limit) == 0 &&
                (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= kHelperStackBytes);
  if (enough) return body();
  struct Call {
    const std::function<int()>* body;
    int result = 1;
  } call{&body};
  pthread_t thread;
  pthread_attr_t attributes;
  bool made = pthread_attr_init(&attributes) == 0;
  made = made && pthread_attr_setstacksize(&attributes, kHelperStackBytes) == 0 &&
         pthread_create(
             &thread, &attributes,
             [](void* raw) -> void* {
               auto* c = static_cast<Call*>(raw);
               c->result = (*c->body)();
               return nullptr;
             },
             &call) == 0;
  pthread_attr_destroy(&attributes);
  if (!made) return body();
  pthread_join(thread, nullptr);
  return call.result;
}

void LowerThisThreadsPriority(int niceness) {
  // Linux gives each thread a niceness of its own; raising it needs no
  // privilege. The thread's id, not the process's: the rest keeps its own.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), niceness);
}

}  // namespace mavrel
