#include "platform/win32/win32_platform.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace mavrel {

namespace {

// The launcher registers one window class per process; the system's window
// procedure below forwards every message of that class to the procedure the
// launcher registered, handing it the platform that registered it.
Win32Platform* gPlatform = nullptr;
WindowProcedure gProcedure = nullptr;

LRESULT CALLBACK ForwardWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gPlatform == nullptr || gProcedure == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return static_cast<LRESULT>(gProcedure(*gPlatform, reinterpret_cast<WindowHandle>(window),
                                         message, static_cast<std::uintptr_t>(wParam),
                                         static_cast<std::intptr_t>(lParam)));
}

HWND ToWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HDC ToContext(DrawingContext context) { return reinterpret_cast<HDC>(context); }
HANDLE ToFile(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

RECT ToRect(const PlatformRect& rect) {
  RECT result;
  result.left = rect.left;
  result.top = rect.top;
  result.right = rect.right;
  result.bottom = rect.bottom;
  return result;
}

PlatformRect FromRect(const RECT& rect) {
  PlatformRect result;
  result.left = rect.left;
  result.top = rect.top;
  result.right = rect.right;
  result.bottom = rect.bottom;
  return result;
}

}  // namespace

struct Win32Platform::State {
  // One PAINTSTRUCT per open paint bracket; a deque keeps each one in place
  // while later ones are added.
  std::deque<PAINTSTRUCT> paints;
  // The whole MSG of the last GetMessageA, so that translating and
  // dispatching it hand the system its time and pointer position too.
  MSG lastMessage = {};
  bool haveLastMessage = false;
};

Win32Platform::Win32Platform() : state_(std::make_unique<State>()) {}

Win32Platform::~Win32Platform() {
  if (gPlatform == this) {
    gPlatform = nullptr;
    gProcedure = nullptr;
  }
}

// ---- Paths and settings ------------------------------------------------------

std::uint32_t Win32Platform::GetFullPathName(const char* name, std::uint32_t bufferSize,
                                             char* buffer) {
  return ::GetFullPathNameA(name, bufferSize, buffer, nullptr);
}

std::uint32_t Win32Platform::GetPrivateProfileString(const char* section, const char* key,
                                                     char* buffer, std::uint32_t bufferSize,
                                                     const char* path) {
  if (linuxSections_ && section != nullptr && bufferSize >= 2) {
    // The platform gives the default for a missing key and for a line
    // without "=", and the value, even an empty one, for a key written with
    // "=": two reads with two different defaults tell them apart.
    const std::string linuxSection = std::string(section) + ".Linux";
    DWORD count =
        ::GetPrivateProfileStringA(linuxSection.c_str(), key, "\x01", buffer, bufferSize, path);
    if (std::strcmp(buffer, "\x01") != 0) return count;
    count = ::GetPrivateProfileStringA(linuxSection.c_str(), key, "\x02", buffer, bufferSize, path);
    if (std::strcmp(buffer, "\x02") != 0) return count;
  }
  return ::GetPrivateProfileStringA(section, key, "", buffer, bufferSize, path);
}

// ---- Files -------------------------------------------------------------------

FileHandle Win32Platform::OpenFileForReading(const char* path) {
  return reinterpret_cast<FileHandle>(
      ::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::uint32_t Win32Platform::GetFileSize(FileHandle file) {
  // The high half is asked for only to refuse a file of 4 GiB or more,
  // whose low half alone would pass for a small size.
  DWORD high = 0;
  const DWORD low = ::GetFileSize(ToFile(file), &high);
  if (high != 0) {
    return INVALID_FILE_SIZE;
  }
  return low;
}

bool Win32Platform::ReadFile(FileHandle file, void* buffer, std::uint32_t size) {
  DWORD read = 0;
  return ::ReadFile(ToFile(file), buffer, size, &read, nullptr) != FALSE;
}

bool Win32Platform::CloseFile(FileHandle file) { return ::CloseHandle(ToFile(file)) != FALSE; }

// ---- Windows and messages ----------------------------------------------------

bool Win32Platform::RegisterWindowClass(const WindowClassDescription& description) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(description.instance);
  WNDCLASSA windowClass = {};
  windowClass.style = description.style;
  windowClass.lpfnWndProc = ForwardWindowMessage;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(description.iconResource));
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = description.className;
  gPlatform = this;
  gProcedure = description.procedure;
  return ::RegisterClassA(&windowClass) != 0;
}

void Win32Platform::AdjustWindowRect(PlatformRect& rect, std::uint32_t style) {
  RECT adjusted = ToRect(rect);
  ::AdjustWindowRect(&adjusted, style, FALSE);
  rect = FromRect(adjusted);
}

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

WindowHandle Win32Platform::CreateWindow(const char* className, const char* title,
                                         std::uint32_t style, int x, int y, int width, int height,
                                         WindowHandle parent, InstanceHandle instance) {
  return reinterpret_cast<WindowHandle>(
      ::CreateWindowExA(0, className, title, style, x, y, width, height, ToWindow(parent), nullptr,
                        reinterpret_cast<HINSTANCE>(instance), nullptr));
}

// The pointer-sized accessors: the same slot as GWL_USERDATA on 32-bit
// Windows, and the whole pointer on 64-bit Windows.
void Win32Platform::SetWindowUserData(WindowHandle window, void* data) {
  ::SetWindowLongPtrA(ToWindow(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void* Win32Platform::GetWindowUserData(WindowHandle window) {
  return reinterpret_cast<void*>(::GetWindowLongPtrA(ToWindow(window), GWLP_USERDATA));
}

void Win32Platform::ShowWindow(WindowHandle window, int command) {
  ::ShowWindow(ToWindow(window), command);
}

void Win32Platform::DestroyWindow(WindowHandle window) { ::DestroyWindow(ToWindow(window)); }

std::intptr_t Win32Platform::DefWindowProc(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wParam, std::intptr_t lParam) {
  return static_cast<std::intptr_t>(::DefWindowProcA(
      ToWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

int Win32Platform::GetMessage(Message& message) {
  MSG fetched = {};
  const BOOL result = ::GetMessageA(&fetched, nullptr, 0, 0);
  state_->lastMessage = fetched;
  state_->haveLastMessage = true;
  message.window = reinterpret_cast<WindowHandle>(fetched.hwnd);
  message.message = fetched.message;
  message.wParam = static_cast<std::uintptr_t>(fetched.wParam);
  message.lParam = static_cast<std::intptr_t>(fetched.lParam);
  return result;
}

namespace {

// The MSG to hand back to the system: the one fetched last when the message
// is that one, else one made from the message's four fields.
MSG WholeMessage(const Message& message, const MSG& last, bool haveLast) {
  if (haveLast && last.hwnd == ToWindow(message.window) && last.message == message.message &&
      static_cast<std::uintptr_t>(last.wParam) == message.wParam &&
      static_cast<std::intptr_t>(last.lParam) == message.lParam) {
    return last;
  }
  MSG whole = {};
  whole.hwnd = ToWindow(message.window);
  whole.message = message.message;
  whole.wParam = static_cast<WPARAM>(message.wParam);
  whole.lParam = static_cast<LPARAM>(message.lParam);
  whole.time = static_cast<DWORD>(::GetMessageTime());
  const DWORD position = ::GetMessagePos();
  whole.pt.x = static_cast<short>(LOWORD(position));
  whole.pt.y = static_cast<short>(HIWORD(position));
  return whole;
}

}  // namespace

void Win32Platform::TranslateMessage(const Message& message) {
  const MSG whole = WholeMessage(message, state_->lastMessage, state_->haveLastMessage);
  ::TranslateMessage(&whole);
}

void Win32Platform::DispatchMessage(const Message& message) {
  const MSG whole = WholeMessage(message, state_->lastMessage, state_->haveLastMessage);
  ::DispatchMessageA(&whole);
}

void Win32Platform::PostQuitMessage(int status) { ::PostQuitMessage(status); }

void Win32Platform::SetCapture(WindowHandle window) { ::SetCapture(ToWindow(window)); }

void Win32Platform::ReleaseCapture() { ::ReleaseCapture(); }

int Win32Platform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                              std::uint32_t type) {
  return ::MessageBoxA(ToWindow(owner), text, caption, type);
}

// ---- Painting and text -------------------------------------------------------

DrawingContext Win32Platform::BeginPaint(WindowHandle window, PaintInfo& paint) {
  state_->paints.emplace_back();
  PAINTSTRUCT& record = state_->paints.back();
  record = PAINTSTRUCT{};
  const HDC context = ::BeginPaint(ToWindow(window), &record);
  paint.context = reinterpret_cast<DrawingContext>(context);
  paint.invalid = FromRect(record.rcPaint);
  paint.backendData = &record;
  return paint.context;
}

void Win32Platform::EndPaint(WindowHandle window, const PaintInfo& paint) {
  auto* record = static_cast<PAINTSTRUCT*>(paint.backendData);
  if (record == nullptr) {
    return;
  }
  ::EndPaint(ToWindow(window), record);
  if (!state_->paints.empty() && &state_->paints.back() == record) {
    state_->paints.pop_back();
  }
}

void Win32Platform::InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) {
  const RECT area = ToRect(rect);
  ::InvalidateRect(ToWindow(window), &area, erase ? TRUE : FALSE);
}

WindowHandle Win32Platform::GetDesktopWindow() {
  return reinterpret_cast<WindowHandle>(::GetDesktopWindow());
}

DrawingContext Win32Platform::GetDC(WindowHandle window) {
  return reinterpret_cast<DrawingContext>(::GetDC(ToWindow(window)));
}

void Win32Platform::ReleaseDC(WindowHandle window, DrawingContext context) {
  ::ReleaseDC(ToWindow(window), ToContext(context));
}

int Win32Platform::DrawText(DrawingContext context, const char* text, int length,
                            PlatformRect& rect, std::uint32_t format) {
  RECT area = ToRect(rect);
  const int height = ::DrawTextA(ToContext(context), text, length, &area, format);
  rect = FromRect(area);
  return height;
}

FontHandle Win32Platform::CreateFont(int height, const char* faceName) {
  // Width, escapement, orientation, weight, italic, underline, strike-out,
  // character set, output precision, clipping precision, quality, pitch and
  // family: all zero, their default meaning.
  return reinterpret_cast<FontHandle>(
      ::CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, faceName));
}

void Win32Platform::DeleteFont(FontHandle font) { ::DeleteObject(reinterpret_cast<HGDIOBJ>(font)); }

FontHandle Win32Platform::SelectFont(DrawingContext context, FontHandle font) {
  return reinterpret_cast<FontHandle>(
      ::SelectObject(ToContext(context), reinterpret_cast<HGDIOBJ>(font)));
}

void Win32Platform::SetBackgroundMode(DrawingContext context, int mode) {
  ::SetBkMode(ToContext(context), mode);
}

void Win32Platform::SetTextColor(DrawingContext context, ColorRef color) {
  ::SetTextColor(ToContext(context), color);
}

void Win32Platform::StretchDIBits(DrawingContext context, int destX, int destY, int destWidth,
                                  int destHeight, int sourceX, int sourceY, int sourceWidth,
                                  int sourceHeight, const DibView& picture, std::uint32_t usage,
                                  std::uint32_t rasterOperation) {
  const HDC target = ToContext(context);
  // The default stretch mode ANDs away the pixels it drops when a picture
  // is shrunk, which darkens colour pictures; HALFTONE filters instead, and
  // needs the brush origin set after it is chosen.
  ::SetStretchBltMode(target, HALFTONE);
  ::SetBrushOrgEx(target, 0, 0, nullptr);
  ::StretchDIBits(target, destX, destY, destWidth, destHeight, sourceX, sourceY, sourceWidth,
                  sourceHeight, picture.bits, reinterpret_cast<const BITMAPINFO*>(picture.info),
                  usage, rasterOperation);
}

void Win32Platform::FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) {
  const RECT area = ToRect(rect);
  const HBRUSH brush = ::CreateSolidBrush(color);
  if (brush == nullptr) {
    return;
  }
  ::FillRect(ToContext(context), &area, brush);
  ::DeleteObject(brush);
}

// ---- Processes and documents -------------------------------------------------

// The structure's own size goes into its size field: 68 bytes on 32-bit
// Windows and 104 on 64-bit Windows, whose pointers and handles are wider.
static_assert(sizeof(STARTUPINFOA) == (sizeof(void*) == 4 ? 68 : 104),
              "STARTUPINFOA has the size Windows expects");

bool Win32Platform::CreateProcess(const char* commandLine, const char* directory,
                                  ProcessInformation& started) {
  // CreateProcessA takes the command line as writable memory; it gets an
  // exact copy.
  std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof(process));
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process)) {
    return false;
  }
  started.process = reinterpret_cast<ProcessHandle>(process.hProcess);
  started.thread = reinterpret_cast<ProcessHandle>(process.hThread);
  return true;
}

void Win32Platform::CloseProcessHandle(ProcessHandle handle) {
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::uintptr_t Win32Platform::ShellExecute(WindowHandle owner, const char* document,
                                           const char* directory, int showCommand) {
  return reinterpret_cast<std::uintptr_t>(
      ::ShellExecuteA(ToWindow(owner), nullptr, document, nullptr, directory, showCommand));
}

}  // namespace mavrel
