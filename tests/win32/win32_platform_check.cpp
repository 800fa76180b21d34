// Checks of the Windows backend's own operations, run under wine64 by the
// end-to-end tests (the i686 build is only compiled). Each check states
// what the launcher relies on from one platform operation and tries it on
// the real system calls.
//
// Run in an empty folder that holds mavrel-test-helper.exe. Prints one line
// per check; exits 0 when all pass, 1 otherwise.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../common/linux_sections_cases.h"
#include "platform/win32/win32_platform.h"
// Last, so that its A/W macros do not rename the platform's methods above.
#include "platform/win32/windows_api.h"

namespace mavrel {
namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

std::string CurrentDirectory() {
  char directory[1024] = {};
  GetCurrentDirectoryA(sizeof(directory), directory);
  return directory;
}

bool WriteBytes(const char* path, const std::string& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string ReadBytes(const char* path) {
  std::string bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  char chunk[512];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
  std::fclose(file);
  return bytes;
}

void CheckPaths(Win32Platform& platform) {
  char buffer[1024];
  std::memset(buffer, 'x', sizeof(buffer));
  const std::uint32_t length = platform.GetFullPathName("Mavrel.INI", sizeof(buffer), buffer);
  const std::string expected = CurrentDirectory() + "\\Mavrel.INI";
  Check(length == expected.size() && expected == buffer,
        "GetFullPathName makes a name absolute against the current directory: " +
            std::string(buffer));

  char small[8];
  std::memset(small, 'x', sizeof(small));
  const std::uint32_t needed = platform.GetFullPathName("Mavrel.INI", sizeof(small), small);
  Check(needed >= sizeof(small), "GetFullPathName reports a path that does not fit as " +
                                     std::to_string(needed) + " (buffer of 8)");

  std::uint32_t missing = platform.GetFullPathName("no-such-folder\\x", sizeof(buffer), buffer);
  Check(missing > 0, "GetFullPathName needs no existing file");
}

void CheckSettings(Win32Platform& platform) {
  const std::string longValue(1500, 'v');
  Check(WriteBytes("check.ini", "[Main]\r\nTitle=Hello\r\nLong=" + longValue + "\r\nEmpty=\r\n"),
        "settings file written");
  char path[1024];
  platform.GetFullPathName("check.ini", sizeof(path), path);
  char value[1024];

  std::memset(value, 'x', sizeof(value));
  platform.GetPrivateProfileString("Main", "Title", value, sizeof(value), path);
  Check(std::strcmp(value, "Hello") == 0, "GetPrivateProfileString reads a value");

  std::memset(value, 'x', sizeof(value));
  platform.GetPrivateProfileString("main", "TITLE", value, sizeof(value), path);
  Check(std::strcmp(value, "Hello") == 0, "section and key ignore letter case");

  std::memset(value, 'x', sizeof(value));
  platform.GetPrivateProfileString("Main", "Long", value, sizeof(value), path);
  Check(std::strlen(value) == 1023 && std::string(value) == longValue.substr(0, 1023),
        "a long value is cut to 1023 characters: " + std::to_string(std::strlen(value)));

  for (const char* key : {"Empty", "Missing"}) {
    std::memset(value, 'x', sizeof(value));
    platform.GetPrivateProfileString("Main", key, value, sizeof(value), path);
    Check(value[0] == '\0', std::string("an empty or missing key gives \"\": ") + key);
  }
  std::memset(value, 'x', sizeof(value));
  platform.GetPrivateProfileString("Nowhere", "Title", value, sizeof(value), path);
  Check(value[0] == '\0', "a missing section gives \"\"");

  char missingPath[1024];
  platform.GetFullPathName("missing.ini", sizeof(missingPath), missingPath);
  std::memset(value, 'x', sizeof(value));
  platform.GetPrivateProfileString("Main", "Title", value, sizeof(value), missingPath);
  Check(value[0] == '\0', "a missing file gives \"\"");
}

// mavrel-inspect --platform linux on Windows: the platform's reader with
// "[NAME.Linux]" over "[NAME]", as the desktop launcher reads; off, which
// is the launcher's own reading, those sections are never looked at.
void CheckLinuxSections(Win32Platform& platform) {
  Check(WriteBytes("linux.ini", linux_sections::kFile), "settings file with .Linux written");
  char path[1024];
  platform.GetFullPathName("linux.ini", sizeof(path), path);
  char value[1024];
  for (const bool on : {true, false}) {
    platform.SetLinuxSections(on);
    for (const linux_sections::Case& row : linux_sections::kCases) {
      std::memset(value, 'x', sizeof(value));
      platform.GetPrivateProfileString(row.section, row.key, value, sizeof(value), path);
      const char* expected = on ? row.linuxValue : row.windowsValue;
      Check(std::strcmp(value, expected) == 0, std::string(on ? "linux" : "windows") + " [" +
                                                   row.section + "] " + row.key + " = \"" + value +
                                                   "\" (" + row.why + ")");
    }
  }
  platform.SetLinuxSections(false);
}

void CheckFiles(Win32Platform& platform) {
  const std::string bytes = std::string("BM") + std::string(300, '\x7f') + std::string(1, '\0');
  Check(WriteBytes("picture.bmp", bytes), "picture file written");

  FileHandle missing = platform.OpenFileForReading("no-such-picture.bmp");
  Check(missing == InvalidFileHandle(), "opening a missing file gives the invalid handle");

  FileHandle file = platform.OpenFileForReading("picture.bmp");
  Check(file != InvalidFileHandle(), "OpenFileForReading opens a file");
  if (file == InvalidFileHandle()) return;
  // The launcher opens its picture unshared: nobody else can open it now.
  FileHandle second = platform.OpenFileForReading("picture.bmp");
  Check(second == InvalidFileHandle(), "a second open of an open file is refused (no sharing)");
  if (second != InvalidFileHandle()) platform.CloseFile(second);

  const std::uint32_t size = platform.GetFileSize(file);
  Check(size == bytes.size(), "GetFileSize gives " + std::to_string(size));
  std::vector<char> buffer(bytes.size() + 16, 'z');
  Check(platform.ReadFile(file, buffer.data(), size), "ReadFile reads the whole file");
  Check(std::string(buffer.data(), bytes.size()) == bytes && buffer[bytes.size()] == 'z',
        "ReadFile wrote exactly the file's bytes");
  Check(platform.CloseFile(file), "CloseFile closes it");

  FileHandle folder = platform.OpenFileForReading(".");
  Check(folder == InvalidFileHandle(), "a folder does not open as a file");
  if (folder != InvalidFileHandle()) platform.CloseFile(folder);
}

// ---- Window glue -------------------------------------------------------------

struct Seen {
  Platform* platform = nullptr;
  std::vector<std::uint32_t> messages;
  void* userData = nullptr;
};
Seen seen;

std::intptr_t RecordingProcedure(Platform& platform, WindowHandle window, std::uint32_t message,
                                 std::uintptr_t wParam, std::intptr_t lParam) {
  seen.platform = &platform;
  if (message == kWmDestroy || message == kWmLeftButtonDown || message == kWmClose) {
    seen.messages.push_back(message);
    seen.userData = platform.GetWindowUserData(window);
  }
  if (message == kWmLeftButtonDown) return 0x1234;
  return platform.DefWindowProc(window, message, wParam, lParam);
}

void CheckWindows(Win32Platform& platform) {
  const InstanceHandle instance = reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr));
  WindowClassDescription description;
  description.style = 3;
  description.procedure = RecordingProcedure;
  description.instance = instance;
  description.iconResource = 107;
  description.className = "MavrelCheckClass";
  Check(platform.RegisterWindowClass(description), "RegisterWindowClass");
  WNDCLASSA registered = {};
  Check(GetClassInfoA(reinterpret_cast<HINSTANCE>(instance), "MavrelCheckClass", &registered) &&
            registered.style == 3 && registered.hbrBackground == nullptr &&
            registered.hCursor != nullptr,
        "the class has style 3, no brush and a cursor");

  PlatformRect frame{0, 0, 400, 300};
  platform.AdjustWindowRect(frame, kLauncherWindowStyle);
  Check(frame.left < 0 && frame.top < 0 && frame.right > 400 && frame.bottom > 300,
        "AdjustWindowRect grows the client rectangle: " + std::to_string(frame.left) + " " +
            std::to_string(frame.top) + " " + std::to_string(frame.right) + " " +
            std::to_string(frame.bottom));
  Check(platform.GetSystemMetrics(kScreenWidthMetric) > 0 &&
            platform.GetSystemMetrics(kScreenHeightMetric) > 0,
        "GetSystemMetrics gives the screen size");

  WindowHandle window =
      platform.CreateWindow("MavrelCheckClass", "Check", kLauncherWindowStyle, 10, 20,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, instance);
  const DWORD error = GetLastError();
  Check(window != nullptr,
        window != nullptr ? "CreateWindow" : "CreateWindow (error " + std::to_string(error) + ")");
  if (window == nullptr) return;
  HWND hwnd = reinterpret_cast<HWND>(window);
  Check(!IsWindowVisible(hwnd), "the window is created hidden");
  RECT client = {};
  GetClientRect(hwnd, &client);
  Check(client.right == 400 && client.bottom == 300, "its client area is the size asked for");
  char title[64] = {};
  GetWindowTextA(hwnd, title, sizeof(title));
  Check(std::strcmp(title, "Check") == 0, "its caption is the title");

  Check(platform.GetWindowUserData(window) == nullptr, "user data starts empty");
  // A pointer with bits above the low 32: the slot must keep it whole.
  void* const data = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5A5A5A5A5A5A5A50ull));
  platform.SetWindowUserData(window, data);
  Check(platform.GetWindowUserData(window) == data, "user data keeps a whole pointer");

  const LRESULT answer = SendMessageA(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 6));
  Check(answer == 0x1234 && seen.platform == &platform,
        "messages reach the registered procedure with the platform, and its answer comes back");

  platform.ShowWindow(window, kShowWindow);
  Check(IsWindowVisible(hwnd) != FALSE, "ShowWindow shows it");

  seen.messages.clear();
  platform.DestroyWindow(window);
  bool destroyed = false;
  for (std::uint32_t m : seen.messages) destroyed = destroyed || m == kWmDestroy;
  Check(destroyed && seen.userData == data,
        "DestroyWindow delivers the destroy message before it returns");
  Check(!IsWindow(hwnd), "the window is gone");

  platform.PostQuitMessage(7);
  Message message;
  const int got = platform.GetMessage(message);
  Check(got == 0 && message.message == kWmQuit && message.wParam == 7,
        "PostQuitMessage ends GetMessage with its status");
}

// ---- Text and pictures -------------------------------------------------------

void CheckText(Win32Platform& platform) {
  FontHandle font = platform.CreateFont(20, "Ariel");
  Check(font != nullptr, "CreateFont with the face \"Ariel\"");
  FontHandle zero = platform.CreateFont(0, "Ariel");
  Check(zero != nullptr, "CreateFont with height 0");
  if (font == nullptr) return;
  WindowHandle desktop = platform.GetDesktopWindow();
  DrawingContext context = platform.GetDC(desktop);
  Check(context != nullptr, "GetDC of the desktop window");
  FontHandle previous = platform.SelectFont(context, font);
  Check(previous != nullptr, "SelectFont gives the font that was current");

  const std::uint32_t measure = kDrawWordBreak | kDrawNoPrefix | kDrawCalcRect;  // 0xC10
  PlatformRect one{10, 20, 1000, 20};
  platform.DrawText(context, "One line", -1, one, measure);
  Check(one.left == 10 && one.top == 20 && one.right > 10 && one.bottom > 20,
        "DrawText measures one line");
  const int lineHeight = one.bottom - one.top;

  PlatformRect two{10, 20, 1000, 20};
  platform.DrawText(context, "One line\nand more", -1, two, measure);
  Check(two.bottom - two.top == 2 * lineHeight, "a line feed makes a second line");

  // "One line" fits the width, "One line One" does not: the break comes
  // before the last word. (Wine also breaks a following "One line" that
  // would fit once its leading space is swallowed, which Windows does not;
  // the text here has no such line.)
  PlatformRect wrapped{0, 0, one.right - 10 + 2, 0};
  platform.DrawText(context, "One line One", -1, wrapped, measure);
  Check(wrapped.bottom == 2 * lineHeight && wrapped.right <= one.right - 10 + 2,
        "words wrap at the rectangle's width: " + std::to_string(wrapped.right) + " x " +
            std::to_string(wrapped.bottom) + ", one line " + std::to_string(one.right - 10) +
            " x " + std::to_string(lineHeight));

  PlatformRect narrow{0, 0, 3, 0};
  platform.DrawText(context, "Unbreakable", -1, narrow, measure);
  Check(narrow.right > 3 && narrow.bottom == lineHeight,
        "a word wider than the rectangle stays whole on one line");

  PlatformRect empty{5, 5, 100, 100};
  platform.DrawText(context, "", -1, empty, measure);
  Check(empty.right == 5 && empty.bottom == 5, "an empty text measures as nothing");

  PlatformRect amp{0, 0, 1000, 0};
  PlatformRect plain{0, 0, 1000, 0};
  platform.DrawText(context, "A&B", -1, amp, measure);
  platform.DrawText(context, "AB", -1, plain, measure);
  Check(amp.right > plain.right, "\"&\" is an ordinary character");

  platform.SelectFont(context, previous);
  platform.ReleaseDC(desktop, context);
  platform.DeleteFont(font);
  if (zero != nullptr) platform.DeleteFont(zero);
}

// Draws a 2 x 2 picture, stored bottom-up, stretched onto an 8 x 8 surface.
void CheckPicture(Win32Platform& platform) {
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = 8;
  target.bmiHeader.biHeight = -8;  // top-down, to read back simply
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP surface = CreateDIBSection(memory, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  Check(surface != nullptr && bits != nullptr, "a drawing surface");
  if (surface == nullptr || bits == nullptr) return;
  HGDIOBJ old = SelectObject(memory, surface);
  const DrawingContext context = reinterpret_cast<DrawingContext>(memory);

  // 24-bit 2 x 2, rows of 8 bytes (6 and 2 of padding), bottom row first:
  // bottom: blue, green; top: red, white.
  std::uint8_t picture[40 + 16] = {};
  BITMAPINFOHEADER header = {};
  header.biSize = 40;
  header.biWidth = 2;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(picture, &header, sizeof(header));
  const std::uint8_t rows[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  std::memcpy(picture + 40, rows, sizeof(rows));
  DibView view;
  view.info = picture;
  view.infoSize = 40;
  view.bits = picture + 40;
  view.bitsSize = 16;

  PlatformRect all{0, 0, 8, 8};
  platform.FillRect(context, all, 0x000000);
  platform.StretchDIBits(context, 0, 0, 8, 8, 0, 0, 2, 2, view, kDibRgbColors, kSourceCopy);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  auto at = [&](int x, int y) { return pixels[y * 8 + x] & 0xFFFFFF; };  // 0xRRGGBB
  Check(
      at(0, 0) == 0xFF0000 && at(7, 0) == 0xFFFFFF && at(0, 7) == 0x0000FF && at(7, 7) == 0x00FF00,
      "StretchDIBits fills the rectangle, the picture's first stored row at the bottom");
  Check(GetStretchBltMode(memory) == HALFTONE, "the stretch mode is HALFTONE");

  PlatformRect corner{6, 6, 8, 8};
  platform.FillRect(context, corner, 0x00FFFF);  // COLORREF yellow
  GdiFlush();
  Check(at(6, 6) == 0xFFFF00 && at(7, 7) == 0xFFFF00 && at(5, 5) != 0xFFFF00,
        "FillRect fills exactly its rectangle with the colour");

  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
}

// ---- Programs and documents ----------------------------------------------------

bool WaitForFile(const char* path) {
  for (int i = 0; i < 300; ++i) {  // up to 30 s
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(100);
  }
  return false;
}

void CheckPrograms(Win32Platform& platform) {
  CreateDirectoryA("work", nullptr);
  char directory[1024];
  platform.GetFullPathName("work", sizeof(directory), directory);

  ProcessInformation started;
  const bool ok =
      platform.CreateProcess("mavrel-test-helper.exe started.txt \"a b\"", directory, started);
  Check(ok && started.process != nullptr && started.thread != nullptr,
        "CreateProcess starts a program and hands back its handles");
  if (ok) {
    platform.CloseProcessHandle(started.process);
    platform.CloseProcessHandle(started.thread);
    const bool ran = WaitForFile("work\\started.txt");
    const std::string output = ReadBytes("work\\started.txt");
    Check(ran && output.find("command-line=mavrel-test-helper.exe started.txt \"a b\"\n") == 0 &&
              output.find(std::string("directory=") + directory + "\n") != std::string::npos,
          "the program got the command line unchanged and the directory: " + output);
  }

  ProcessInformation none;
  Check(!platform.CreateProcess("no-such-program.exe", directory, none),
        "CreateProcess of a missing program fails at once");
  Check(!platform.CreateProcess("mavrel-test-helper.exe x.txt", "Z:\\no\\such\\folder", none),
        "CreateProcess in a missing directory fails");

  const std::uintptr_t result =
      platform.ShellExecute(nullptr, "no-such-document.txt", directory, kShowNormal);
  Check(result <= 32,
        "ShellExecute of a missing document gives an error code: " + std::to_string(result));
}

}  // namespace
}  // namespace mavrel

int main() {
  mavrel::Win32Platform platform;
  std::printf("pointer size %u, STARTUPINFOA %u bytes\n", static_cast<unsigned>(sizeof(void*)),
              static_cast<unsigned>(sizeof(STARTUPINFOA)));
  mavrel::CheckPaths(platform);
  mavrel::CheckSettings(platform);
  mavrel::CheckLinuxSections(platform);
  mavrel::CheckFiles(platform);
  mavrel::CheckWindows(platform);
  mavrel::CheckText(platform);
  mavrel::CheckPicture(platform);
  mavrel::CheckPrograms(platform);
  std::printf("%d failed\n", mavrel::failures);
  return mavrel::failures == 0 ? 0 : 1;
}
