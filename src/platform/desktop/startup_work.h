// Every helper thread of the desktop launcher is started and joined here.
// The launcher's logic runs on one thread; helpers only overlap some of its
// start-up work with SDL's start, each on data of its own until it is
// joined, and one watches for the ends of started programs while the
// launcher waits for input:
//
//   helper              started by                    joined by its owner
//   font look-up        DesktopText, made with the    DesktopText::FinishLookUp,
//                       platform                      before the first font
//   Xlib locale tables  VideoSession::Start           as soon as SDL_Init returns
//   picture stretch     ScaledPicture::StartAt, as    ScaledPicture::Finish, at the
//                       the window is made            first StretchDIBits
//   surface pages       SupplyPixelPages, as the      the first BeginPaint, or the
//                       window is made                window's end
//   program-end watch   ProgramEndWake, while the     when the wait ends
//                       launcher waits for input
//
// and all of them by JoinEveryHelper: before anything forks (a program or a
// document started, a message box shown) and before the user's environment
// is put back (StartupEnvironment::Restore), so that no helper holds a lock
// a child would inherit, or reads the environment while it changes.
//
// A helper gets a stack of its own size (fontconfig's parser recurses
// deeply), whatever RLIMIT_STACK says. Where no thread can be made (a
// process limit, no memory for its stack), where RLIMIT_AS leaves too
// little room for helpers' stacks and arenas, or where
// MAVREL_STARTUP_THREADS=0 asks for a single-threaded start, the work is
// done on the calling thread there and then.
//
// Helpers are started and joined on the launcher's thread only. That is
// the main thread, unless RLIMIT_STACK would give it less stack than
// SDL, Xlib and FreeType need: then main runs the launcher on a thread of
// kHelperStackBytes and only waits for it (RunOnLauncherStack).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace mavrel {

// Enough for fontconfig reading its configuration and FreeType opening a face.
constexpr std::size_t kHelperStackBytes = std::size_t{8} << 20;

struct HelperOptions {
  std::size_t stackBytes = kHelperStackBytes;
  // Niceness of the helper thread (higher is lower priority); 0 keeps the
  // launcher's. Work done on the calling thread keeps the caller's.
  int niceness = 0;
  // Work that cannot be done on the calling thread (it waits to be stopped)
  // is not done at all when no thread can be had.
  bool mayRunInline = true;
  // Called on the launcher's thread before joining a helper that runs
  // until told to stop.
  std::function<void()> stop;
};

// One piece of work handed to StartHelper; joined when it goes, at the
// latest.
class HelperTask {
 public:
  HelperTask() = default;
  HelperTask(HelperTask&&) noexcept = default;
  HelperTask& operator=(HelperTask&& other) noexcept;
  ~HelperTask() { Join(); }
  HelperTask(const HelperTask&) = delete;
  HelperTask& operator=(const HelperTask&) = delete;

  /// Waits for the work to end, if a helper thread still does it; after
  /// this the work is done (or was never started). Nothing for an empty task.
  void Join();
  /// True while a helper thread may be doing the work.
  bool OnHelperThread() const;
  /// True when the work was done or is being done (on whichever thread);
  /// false when it could not be started at all.
  bool started() const { return static_cast<bool>(state_); }

  struct State;

 private:
  friend HelperTask StartHelper(std::function<void()> work, HelperOptions options);
  std::shared_ptr<State> state_;
};

/// Runs `work` on a helper thread, or, when helpers are off or no thread
/// can be made, on the calling thread before returning (unless
/// `options.mayRunInline` is false: then not at all, and the task is
/// empty).
HelperTask StartHelper(std::function<void()> work, HelperOptions options = {});

/// Joins every helper thread still running. Before the process forks and
/// before the environment changes.
void JoinEveryHelper();

/// How many helper threads run now (started and not joined).
std::size_t RunningHelperCount();

/// Address space a helper may take (its stack, an arena of the C library's)
/// beyond what the launcher needs itself.
constexpr std::size_t kHelperAddressSpace = std::size_t{256} << 20;

/// False when the environment asks for a single-threaded start
/// (MAVREL_STARTUP_THREADS=0), or when RLIMIT_AS leaves less than
/// kHelperAddressSpace.
bool HelperThreadsAllowed();

/// The address space RLIMIT_AS still allows; SIZE_MAX without a limit.
std::size_t AddressSpaceLeft();

/// Runs `body` and gives its result: on the calling thread when RLIMIT_STACK
/// allows it kHelperStackBytes, else on a thread with a stack that size
/// (the calling thread only waits), or on the calling thread after all when
/// no thread can be made.
int RunOnLauncherStack(const std::function<int()>& body);

/// Sets the calling thread's niceness (higher is lower priority; only
/// raising it is always allowed), leaving the process's other threads as
/// they are.
void LowerThisThreadsPriority(int niceness);

}  // namespace mavrel
