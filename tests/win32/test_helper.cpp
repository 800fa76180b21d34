// A tiny Windows program that the end-to-end tests start from the launcher.
//
//   mavrel-test-helper.exe OUTPUT [anything...]
//       writes "command-line=", "directory=" and "drive-type=" lines: the
//       command line it was given, as the system hands it over, its working
//       directory and the type of that directory's drive.
//   mavrel-test-helper.exe --metrics OUTPUT
//       writes what the launcher's centring rests on: the screen size and
//       the frame that AdjustWindowRect adds for the launcher's style, and,
//       when a launcher window is open, its outer rectangle and its client
//       area on the screen as the system reports them.
//   mavrel-test-helper.exe --message-box OUTPUT [CAPTION]
//       writes what an open message box captioned CAPTION (by default
//       "Error", the launcher's) shows: its text, whether the launcher's
//       window owns it, and its buttons.
//
// The file is written under a temporary name and then renamed, so that a
// test waiting for it never reads half of it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool WriteWhole(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".part";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    return false;
  }
  return MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::string Metrics() {
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRect(&frame, 0x00CA0000, FALSE);
  char text[256];
  std::snprintf(text, sizeof(text), "screen=%d %d\nframe=%ld %ld %ld %ld\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), frame.left, frame.top,
                frame.right, frame.bottom);
  std::string result = text;
  const HWND window = FindWindowA("MyMavrelWindowClass", nullptr);
  if (window != nullptr) {
    RECT outer = {0, 0, 0, 0};
    RECT client = {0, 0, 0, 0};
    POINT origin = {0, 0};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    ClientToScreen(window, &origin);
    std::snprintf(text, sizeof(text), "window=%ld %ld %ld %ld\nclient=%ld %ld %ld %ld\n",
                  outer.left, outer.top, outer.right, outer.bottom, origin.x, origin.y,
                  client.right - client.left, client.bottom - client.top);
    result += text;
  }
  return result;
}

BOOL CALLBACK CountButton(HWND child, LPARAM count) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof(name));
  if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(child)) {
    char text[64] = {};
    GetWindowTextA(child, text, sizeof(text));
    std::string& buttons = *reinterpret_cast<std::string*>(count);
    buttons += buttons.empty() ? "" : ",";
    buttons += text;
  }
  return TRUE;
}

std::string MessageBoxShown(const char* caption) {
  const HWND box = FindWindowA("#32770", caption);
  if (box == nullptr) return "found=0\n";
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));  // the message's static text
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\n') c = '|';
  }
  std::string buttons;
  EnumChildWindows(box, CountButton, reinterpret_cast<LPARAM>(&buttons));
  const HWND launcher = FindWindowA("MyMavrelWindowClass", nullptr);
  const bool owned = launcher != nullptr && GetWindow(box, GW_OWNER) == launcher;
  return "found=1\ntext=" + shown + "\nowned-by-launcher=" + (owned ? "1" : "0") +
         "\nlauncher-enabled=" + (IsWindowEnabled(launcher) ? "1" : "0") + "\nbuttons=" + buttons +
         "\n";
}

std::string Launch() {
  char directory[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof(directory), directory);
  // The drive it works on, as GetDriveType numbers it (5: a CD-ROM).
  return std::string("command-line=") + GetCommandLineA() + "\ndirectory=" + directory +
         "\ndrive-type=" + std::to_string(GetDriveTypeA(nullptr)) + "\n";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc >= 3 && std::strcmp(__argv[1], "--metrics") == 0) {
    return WriteWhole(__argv[2], Metrics()) ? 0 : 2;
  }
  if (__argc >= 3 && std::strcmp(__argv[1], "--message-box") == 0) {
    return WriteWhole(__argv[2], MessageBoxShown(__argc >= 4 ? __argv[3] : "Error")) ? 0 : 2;
  }
  if (__argc >= 2) {
    return WriteWhole(__argv[1], Launch()) ? 0 : 2;
  }
  return 1;
}
