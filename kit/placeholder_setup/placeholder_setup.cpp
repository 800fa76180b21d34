// The starter medium's placeholder Windows installer, setup\setup.exe in
// the kit: what "Install the product" starts on Windows until the author
// puts the product's own installer in its place, as setup/install.sh is on
// Linux. It says so in one message box, naming the folder it runs in (the
// button's DIRECTORY), and ends with status 0.
#include <windows.h>

namespace {

constexpr wchar_t kPlaceholder[] =
    L"The starter medium's placeholder installer.\n\n"
    L"Replace setup\\setup.exe with your product's installer";

// The folder this program runs in, on the process heap; null when it cannot
// be had. GetCurrentDirectoryW tells the length it needs first.
wchar_t* CurrentFolder() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return nullptr;
  auto* folder = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, needed * sizeof(wchar_t)));
  if (folder == nullptr) return nullptr;
  const DWORD length = GetCurrentDirectoryW(needed, folder);
  if (length == 0 || length >= needed) {
    HeapFree(GetProcessHeap(), 0, folder);
    return nullptr;
  }
  return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t* folder = CurrentFolder();
  const wchar_t* parts[] = {kPlaceholder, L" (running in ", folder, L")"};
  const int count = folder != nullptr ? 4 : 1;
  SIZE_T length = 2;  // the full stop and the terminating zero
  for (int i = 0; i < count; ++i) length += lstrlenW(parts[i]);
  auto* message = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, length * sizeof(wchar_t)));
  if (message != nullptr) {
    message[0] = L'\0';
    for (int i = 0; i < count; ++i) lstrcatW(message, parts[i]);
    lstrcatW(message, L".");
  }
  // Started from the launcher, which has the foreground; the box takes it.
  MessageBoxW(nullptr, message != nullptr ? message : kPlaceholder, L"setup.exe",
              MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  return 0;
}
