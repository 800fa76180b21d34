#include "support/x_harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "support/temp_medium.h"

namespace mavrel::xharness {
namespace {

// Windows vanish between a query and the next request; such errors are
// expected here and must not end the test program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

Display* Dpy(void* display) { return static_cast<Display*>(display); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Reads one line from `fd` until the deadline; false on timeout or EOF.
bool ReadLineWithDeadline(int fd, std::string& line, int deadlineMs) {
  double end = NowMs() + deadlineMs;
  line.clear();
  while (true) {
    int left = static_cast<int>(end - NowMs());
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, left);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    char c;
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    line.push_back(c);
  }
}

std::string ReadTextProperty(Display* d, Window w, Atom property, Atom type) {
  Atom actualType;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string text;
  if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    if (format == 8) text.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return text;
}

// A CARDINAL (or another 32-bit type's) property's items, at most `most`
// of them (Xlib hands them over as longs).
std::vector<long> ReadCardinalProperty(Display* d, Window w, Atom property, long most,
                                       Atom type = XA_CARDINAL) {
  Atom actualType;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<long> items;
  if (XGetWindowProperty(d, w, property, 0, most, False, type, &actualType, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    if (format == 32)
      items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    XFree(data);
  }
  return items;
}

std::vector<long> ReadWindowProperty(Display* d, Window w, Atom property) {
  return ReadCardinalProperty(d, w, property, 1, XA_WINDOW);
}

void CollectWindows(Display* d, Window parent, int depth, std::vector<Window>& out) {
  Window root, parentOut;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, parent, &root, &parentOut, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) {
    out.push_back(children[i]);
    if (depth > 1) CollectWindows(d, children[i], depth - 1, out);
  }
  if (children) XFree(children);
}

}  // namespace

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool WaitFor(const std::function<bool()>& condition, int deadlineMs, int pollMs) {
  double end = NowMs() + deadlineMs;
  while (true) {
    if (condition()) return true;
    if (NowMs() >= end) return condition();
    SleepMs(pollMs);
  }
}

bool ColoursMatch(Rgb a, Rgb b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = static_cast<int>((a >> shift) & 0xFF);
    int cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

// ---- Processes ---------------------------------------------------------------

pid_t StartProcess(const ProcessOptions& options) {
  if (options.argv.empty()) return -1;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  std::vector<char*> argv;
  for (const std::string& a : options.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    return -1;
  }
  if (pid == 0) {
    // Only async-signal-safe work from here on, apart from setenv, which is
    // fine in a child of a single-threaded test.
    int err = 0;
    if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
      err = errno;
    }
    for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
    for (const std::string& name : options.unsetEnv) unsetenv(name.c_str());
    if (err == 0 && !options.outputFile.empty()) {
      int fd = open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0) {
        err = errno;
      } else {
        dup2(fd, 1);
        dup2(fd, 2);
      }
    }
    // Opens `path` onto descriptor `fd`; false (errno set) when it cannot.
    auto redirect = [](const std::string& path, int flags, int fd) {
      int opened = open(path.c_str(), flags | O_CLOEXEC, 0644);
      return opened >= 0 && dup2(opened, fd) == fd;
    };
    if (err == 0 && !options.errorFile.empty() &&
        !redirect(options.errorFile, O_WRONLY | O_CREAT | O_TRUNC, 2)) {
      err = errno;
    }
    if (err == 0 && !options.inputFile.empty() && !redirect(options.inputFile, O_RDONLY, 0)) {
      err = errno;
    }
    for (int sig : options.ignoredSignals) signal(sig, SIG_IGN);
    for (int sig : options.defaultSignals) signal(sig, SIG_DFL);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int sig : options.blockedSignals) sigaddset(&blocked, sig);
    sigprocmask(SIG_SETMASK, &blocked, nullptr);
    for (const auto& [resource, value] : options.limits) {
      struct rlimit limit;
      limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(value);
      if (err == 0 && setrlimit(resource, &limit) != 0) err = errno;
    }
    if (err == 0 && options.asOrdinaryUser && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kOrdinaryUser) != 0 || setuid(kOrdinaryUser) != 0) {
        err = errno;
      }
    }
    if (err == 0) {
      execvp(argv[0], argv.data());
      err = errno;
    }
    ssize_t ignored = write(report[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int err = 0;
  ssize_t n;
  do {
    n = read(report[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  if (n > 0) {
    int status;
    waitpid(pid, &status, 0);
    errno = err;
    return -1;
  }
  return pid;
}

bool WaitForExit(pid_t pid, int deadlineMs, int& status) {
  bool done = false;
  WaitFor(
      [&] {
        int raw = 0;
        pid_t r = waitpid(pid, &raw, WNOHANG);
        if (r == pid) {
          status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
          done = true;
        } else if (r < 0) {
          status = -1;
          done = true;
        }
        return done;
      },
      deadlineMs, 5);
  return done;
}

void KillProcess(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  int raw;
  waitpid(pid, &raw, 0);
}

pid_t StartConnectionStorm(const std::string& displayName) {
  pid_t pid = fork();
  if (pid == 0) {
    // Ends with the test should it die first.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;) {
      Display* connection = XOpenDisplay(displayName.c_str());
      if (connection != nullptr) XCloseDisplay(connection);
    }
  }
  return pid;
}

std::vector<ChildProcess> ChildrenOf(pid_t parentPid) {
  std::vector<ChildProcess> result;
  DIR* proc = opendir("/proc");
  if (!proc) return result;
  while (dirent* entry = readdir(proc)) {
    char* end;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    std::string stat = test_support::ReadWholeFile(std::string("/proc/") + entry->d_name + "/stat");
    // The name is in parentheses and may hold spaces or parentheses itself.
    std::size_t open = stat.find('(');
    std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) continue;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    long ppid = 0;
    rest >> state >> ppid;
    if (ppid != parentPid) continue;
    result.push_back(
        {static_cast<pid_t>(pid), state == 'Z', stat.substr(open + 1, close - open - 1)});
  }
  closedir(proc);
  return result;
}

bool IsChildOf(pid_t pid, pid_t parentPid) {
  for (const ChildProcess& child : ChildrenOf(parentPid)) {
    if (child.pid == pid) return true;
  }
  return false;
}

// ---- X session -----------------------------------------------------------------

XSession::~XSession() {
  if (display_) XCloseDisplay(Dpy(display_));
  if (serverPid_ > 0) {
    kill(serverPid_, SIGTERM);
    int status;
    if (!WaitForExit(serverPid_, 2000, status)) KillProcess(serverPid_);
  }
}

bool XSession::Start(int screenWidth, int screenHeight, int deadlineMs, bool useExistingDisplay) {
  XSetErrorHandler(IgnoreXErrors);
  double end = NowMs() + deadlineMs;
  const char* existing = std::getenv("DISPLAY");
  if (useExistingDisplay && existing && *existing) {
    displayName_ = existing;
  } else {
    // Xvfb picks a free display itself and writes its number to the pipe
    // once it accepts connections.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
      error_ = "pipe failed";
      return false;
    }
    std::string screen = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
    pid_t pid = fork();
    if (pid < 0) {
      error_ = "fork failed";
      return false;
    }
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      int fd = dup(ready[1]);  // without close-on-exec
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
      }
      std::string fdText = std::to_string(fd);
      std::vector<const char*> argv = {"Xvfb", "-displayfd",   fdText.c_str(), "-screen",
                                       "0",    screen.c_str(), "-nolisten",    "tcp"};
      if (!resetWhenIdle_) argv.push_back("-noreset");
      if (!fontPath_.empty()) argv.insert(argv.end(), {"-fp", fontPath_.c_str()});
      argv.push_back(nullptr);
      execvp("Xvfb", const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    serverPid_ = pid;
    close(ready[1]);
    std::string number;
    bool ok = ReadLineWithDeadline(ready[0], number, static_cast<int>(end - NowMs()));
    close(ready[0]);
    if (!ok || number.empty()) {
      error_ = "Xvfb did not report a display before the deadline";
      return false;
    }
    displayName_ = ":" + number;
  }
  if (!Connect(static_cast<int>(end - NowMs()))) return false;
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(Dpy(display_), &eventBase, &errorBase, &major, &minor)) {
    error_ = "the X server has no XTest extension";
    return false;
  }
  if (resetWhenIdle_) Disconnect();
  return true;
}

bool XSession::Connect(int deadlineMs) {
  if (display_) return true;
  WaitFor(
      [&] {
        display_ = XOpenDisplay(displayName_.c_str());
        return display_ != nullptr;
      },
      deadlineMs, 20);
  if (!display_) error_ = "cannot connect to " + displayName_;
  return display_ != nullptr;
}

void XSession::Disconnect() {
  if (display_) XCloseDisplay(Dpy(display_));
  display_ = nullptr;
}

void XSession::CoverAndUncover(const ScreenRect& rect, Rgb colour) {
  Display* display = Dpy(display_);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = colour;
  Window cover = XCreateWindow(display, DefaultRootWindow(display), rect.x, rect.y,
                               static_cast<unsigned>(rect.width),
                               static_cast<unsigned>(rect.height), 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display, cover);
  XSync(display, False);
  WaitFor([&] { return CountPixels(rect, colour) == rect.width * rect.height; }, 5000);
  XDestroyWindow(display, cover);
  XSync(display, False);
}

int XSession::screenWidth() const {
  return display_ ? DisplayWidth(Dpy(display_), DefaultScreen(Dpy(display_))) : 0;
}

int XSession::screenHeight() const {
  return display_ ? DisplayHeight(Dpy(display_), DefaultScreen(Dpy(display_))) : 0;
}

std::string XSession::Title(XWindowId window) {
  Display* d = Dpy(display_);
  Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  std::string title = ReadTextProperty(d, window, netName, utf8);
  if (title.empty()) title = ReadTextProperty(d, window, XA_WM_NAME, AnyPropertyType);
  return title;
}

std::vector<XWindowId> XSession::FindWindowsByTitle(const std::string& title, bool mappedOnly) {
  std::vector<XWindowId> found;
  if (!display_) return found;
  Display* d = Dpy(display_);
  std::vector<Window> all;
  CollectWindows(d, DefaultRootWindow(d), 2, all);
  for (Window w : all) {
    if (Title(w) != title) continue;
    if (mappedOnly) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) continue;
    }
    found.push_back(w);
  }
  return found;
}

XWindowId XSession::WaitForWindow(const std::string& title, int deadlineMs) {
  XWindowId window = 0;
  WaitFor(
      [&] {
        std::vector<XWindowId> found = FindWindowsByTitle(title);
        window = found.empty() ? 0 : found.front();
        return window != 0;
      },
      deadlineMs, 10);
  return window;
}

bool XSession::WaitForNoWindow(const std::string& title, int deadlineMs) {
  return WaitFor([&] { return FindWindowsByTitle(title).empty(); }, deadlineMs, 10);
}

std::vector<XWindowId> XSession::TopLevelWindows() {
  std::vector<Window> all;
  if (display_) CollectWindows(Dpy(display_), DefaultRootWindow(Dpy(display_)), 1, all);
  return std::vector<XWindowId>(all.begin(), all.end());
}

std::vector<std::string> XSession::MappedTitles() {
  std::vector<std::string> titles;
  if (!display_) return titles;
  Display* d = Dpy(display_);
  std::vector<Window> all;
  CollectWindows(d, DefaultRootWindow(d), 2, all);
  for (Window w : all) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) {
      std::string t = Title(w);
      if (!t.empty()) titles.push_back(t);
    }
  }
  return titles;
}

bool XSession::Geometry(XWindowId window, ScreenRect& rect) {
  Display* d = Dpy(display_);
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, window, &a)) return false;
  int x, y;
  Window child;
  if (!XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return false;
  rect = {x, y, a.width, a.height};
  return true;
}

bool XSession::WaitForWindowManager(int deadlineMs) {
  Display* d = Dpy(display_);
  Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  double end = NowMs() + deadlineMs;
  if (!WaitFor([&] { return !ReadWindowProperty(d, DefaultRootWindow(d), check).empty(); },
               deadlineMs, 20)) {
    return false;
  }
  // A window manager says so before it handles windows, and one mapped
  // meanwhile can stay unmapped for good: a probe window is mapped, again
  // and again, until the manager shows it.
  Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  bool shown = false;
  while (!shown && NowMs() < end) {
    XMapWindow(d, probe);
    XSync(d, False);
    shown = WaitFor(
        [&] {
          XWindowAttributes a;
          return XGetWindowAttributes(d, probe, &a) && a.map_state == IsViewable;
        },
        300);
  }
  XDestroyWindow(d, probe);
  XSync(d, False);
  return shown;
}

bool XSession::FrameGeometry(XWindowId window, ScreenRect& frame) {
  Display* d = Dpy(display_);
  std::vector<long> extents =
      ReadCardinalProperty(d, window, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 4);
  ScreenRect client;
  if (extents.size() != 4 || !Geometry(window, client)) return false;
  frame = {client.x - static_cast<int>(extents[0]), client.y - static_cast<int>(extents[2]),
           client.width + static_cast<int>(extents[0] + extents[1]),
           client.height + static_cast<int>(extents[2] + extents[3])};
  return true;
}

XWindowId XSession::ActiveWindow() {
  Display* d = Dpy(display_);
  std::vector<long> active =
      ReadWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_ACTIVE_WINDOW", False));
  return active.empty() ? 0 : static_cast<XWindowId>(active[0]);
}

std::string XSession::TextProperty(XWindowId window, const std::string& name) {
  Display* d = Dpy(display_);
  Atom property = XInternAtom(d, name.c_str(), False);
  std::string text = ReadTextProperty(d, window, property, XInternAtom(d, "UTF8_STRING", False));
  return text.empty() ? ReadTextProperty(d, window, property, XA_STRING) : text;
}

void XSession::SetResources(const std::string& resources) {
  Display* d = Dpy(display_);
  XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()),
                  static_cast<int>(resources.size()));
  XSync(d, False);
}

XWindowId XSession::OpenWindow(const ScreenRect& rect, const std::string& title) {
  Display* d = Dpy(display_);
  Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), rect.x, rect.y,
                                      static_cast<unsigned>(rect.width),
                                      static_cast<unsigned>(rect.height), 0, 0, 0x808080);
  XStoreName(d, window, title.c_str());
  // A window that takes the focus, as an application's does.
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = True;
  XSetWMHints(d, window, &hints);
  XMapWindow(d, window);
  XSync(d, False);
  WaitFor(
      [&] {
        XWindowAttributes a;
        return XGetWindowAttributes(d, window, &a) && a.map_state == IsViewable;
      },
      5000);
  return window;
}

void XSession::Activate(XWindowId window) {
  Display* d = Dpy(display_);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  request.xclient.format = 32;
  request.xclient.data.l[0] = 2;  // from a pager: honoured whatever the focus rules
  request.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &request);
  XSync(d, False);
}

void XSession::CloseWindow(XWindowId window) {
  XDestroyWindow(Dpy(display_), window);
  XSync(Dpy(display_), False);
}

void XSession::WatchStartupMessages() {
  Display* d = Dpy(display_);
  XSelectInput(d, DefaultRootWindow(d), PropertyChangeMask);
  XSync(d, False);
}

std::vector<std::string> XSession::StartupMessages() {
  Display* d = Dpy(display_);
  Atom begin = XInternAtom(d, "_NET_STARTUP_INFO_BEGIN", False);
  Atom more = XInternAtom(d, "_NET_STARTUP_INFO", False);
  XSync(d, False);
  XEvent event;
  while (XCheckTypedEvent(d, ClientMessage, &event)) {
    const XClientMessageEvent& piece = event.xclient;
    if (piece.format != 8 || (piece.message_type != begin && piece.message_type != more)) continue;
    std::string& text = startupPieces_[piece.window];
    if (piece.message_type == begin) text.clear();
    // A message ends with its nul.
    const char* bytes = piece.data.b;
    std::size_t length = strnlen(bytes, 20);
    text.append(bytes, length);
    if (length < 20) {
      startupMessages_.push_back(text);
      startupPieces_.erase(piece.window);
    }
  }
  return startupMessages_;
}

bool XSession::HasFixedSize(XWindowId window) {
  XSizeHints hints;
  long supplied = 0;
  if (!XGetWMNormalHints(Dpy(display_), window, &hints, &supplied)) return false;
  return (hints.flags & PMinSize) && (hints.flags & PMaxSize) &&
         hints.min_width == hints.max_width && hints.min_height == hints.max_height;
}

bool XSession::SameClient(XWindowId a, XWindowId b) {
  // Xlib keeps the server's resource id mask in the display (Xlibint.h).
  XID mask = reinterpret_cast<_XPrivDisplay>(Dpy(display_))->private4;
  return (a & ~mask) == (b & ~mask);
}

long XSession::WindowPid(XWindowId window) {
  Display* d = Dpy(display_);
  std::vector<long> pid = ReadCardinalProperty(d, window, XInternAtom(d, "_NET_WM_PID", False), 1);
  return pid.size() == 1 ? pid[0] : 0;
}

bool XSession::HasIcon(XWindowId window) {
  Display* d = Dpy(display_);
  return ReadCardinalProperty(d, window, XInternAtom(d, "_NET_WM_ICON", False), 2).size() == 2;
}

bool XSession::SaveScreen(const std::string& path, const ScreenRect* region) {
  ScreenRect all{0, 0, screenWidth(), screenHeight()};
  const ScreenRect& r = region ? *region : all;
  std::vector<Rgb> pixels = Region(r);
  if (pixels.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", r.width, r.height);
  for (Rgb p : pixels) {
    unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                            static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, f);
  }
  return std::fclose(f) == 0;
}

void XSession::Sync() {
  if (display_) XSync(Dpy(display_), False);
}

void XSession::MovePointer(int x, int y) {
  XTestFakeMotionEvent(Dpy(display_), -1, x, y, CurrentTime);
  Sync();
}

void XSession::PressButton(int button) {
  XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), True, CurrentTime);
  Sync();
}

void XSession::ReleaseButton(int button) {
  XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), False, CurrentTime);
  Sync();
}

void XSession::Click(int x, int y, int button) {
  MovePointer(x, y);
  PressButton(button);
  ReleaseButton(button);
}

void XSession::TapKey(unsigned long keysym) {
  Display* d = Dpy(display_);
  KeyCode code = XKeysymToKeycode(d, keysym);
  if (code == 0) return;
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  Sync();
}

void XSession::RequestClose(XWindowId window) {
  Display* d = Dpy(display_);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &e);
  Sync();
}

std::vector<Rgb> XSession::Region(const ScreenRect& rect) {
  std::vector<Rgb> pixels;
  if (!display_ || rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0 ||
      rect.x + rect.width > screenWidth() || rect.y + rect.height > screenHeight()) {
    return pixels;
  }
  Display* d = Dpy(display_);
  XImage* image =
      XGetImage(d, DefaultRootWindow(d), rect.x, rect.y, static_cast<unsigned>(rect.width),
                static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
  if (!image) return pixels;
  auto channel = [](unsigned long pixel, unsigned long mask) -> Rgb {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    unsigned long bits = mask >> shift;
    unsigned long value = (pixel & mask) >> shift;
    return static_cast<Rgb>(value * 255 / bits);
  };
  pixels.reserve(static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height));
  for (int y = 0; y < rect.height; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      pixels.push_back((channel(p, image->red_mask) << 16) | (channel(p, image->green_mask) << 8) |
                       channel(p, image->blue_mask));
    }
  }
  XDestroyImage(image);
  return pixels;
}

Rgb XSession::Pixel(int x, int y) {
  std::vector<Rgb> one = Region({x, y, 1, 1});
  return one.empty() ? 0xFFFFFFFFu : one[0];
}

bool XSession::WaitForPixel(int x, int y, Rgb colour, int deadlineMs, int tolerance) {
  return WaitFor([&] { return ColoursMatch(Pixel(x, y), colour, tolerance); }, deadlineMs, 10);
}

int XSession::CountPixels(const ScreenRect& rect, Rgb colour, int tolerance) {
  int count = 0;
  for (Rgb p : Region(rect)) {
    if (ColoursMatch(p, colour, tolerance)) ++count;
  }
  return count;
}

}  // namespace mavrel::xharness
