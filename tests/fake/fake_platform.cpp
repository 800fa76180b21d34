#include "fake/fake_platform.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "windows_rules/text_layout.h"

namespace mavrel {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string RectText(const PlatformRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

constexpr std::uintptr_t kDesktopWindow = 1000;

}  // namespace

FakePlatform::FakePlatform() = default;

void FakePlatform::SetSetting(const std::string& section, const std::string& key,
                              const std::string& value) {
  settings_[{Lower(section), Lower(key)}] = value;
}

std::vector<std::string> FakePlatform::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& c : calls_) {
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  }
  return out;
}

WindowHandle FakePlatform::mainWindow() const {
  return windowAlive_.empty() ? nullptr : FakeHandle<WindowHandle>(1);
}

std::string FakePlatform::Name(WindowHandle h) const {
  if (h == nullptr) return "null";
  auto n = reinterpret_cast<std::uintptr_t>(h);
  if (n == kDesktopWindow) return "desktop";
  return "window" + std::to_string(n);
}

std::string FakePlatform::Name(DrawingContext h) const {
  if (h == nullptr) return "null";
  return "dc" + std::to_string(reinterpret_cast<std::uintptr_t>(h));
}

std::string FakePlatform::Name(FontHandle h) const {
  if (h == nullptr) return "null";
  return "font" + std::to_string(reinterpret_cast<std::uintptr_t>(h));
}

std::intptr_t FakePlatform::Send(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
  if (procedure_ == nullptr) return 0;
  return procedure_(*this, window, message, wParam, lParam);
}

std::uint32_t FakePlatform::GetFullPathName(const char* name, std::uint32_t bufferSize,
                                            char* buffer) {
  Record(std::string("GetFullPathName ") + name + " " + std::to_string(bufferSize));
  if (failFullPath) return 0;
  std::string full;
  if (name[0] == '/') {
    full = name;
  } else if (std::strcmp(name, ".") == 0) {
    full = currentDirectory;
  } else {
    full = currentDirectory + "/" + name;
  }
  if (fullPathLengthOverride != 0) return fullPathLengthOverride;
  if (full.size() + 1 > bufferSize) return static_cast<std::uint32_t>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), full.size() + 1);
  return static_cast<std::uint32_t>(full.size());
}

std::uint32_t FakePlatform::GetPrivateProfileString(const char* section, const char* key,
                                                    char* buffer, std::uint32_t bufferSize,
                                                    const char* path) {
  Record(std::string("GetPrivateProfileString [") + section + "] " + key + " " + path);
  std::string value;
  auto it = settings_.find({Lower(section), Lower(key)});
  if (it != settings_.end() && path[0] != '\0') value = it->second;
  if (bufferSize == 0) return 0;
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<std::uint32_t>(value.size());
}

FileHandle FakePlatform::OpenFileForReading(const char* path) {
  Record(std::string("OpenFileForReading ") + path);
  if (failOpen || files.find(path) == files.end()) return InvalidFileHandle();
  FileHandle h = FakeHandle<FileHandle>(++filesOpened_);
  openFiles_[h] = path;
  return h;
}

std::uint32_t FakePlatform::GetFileSize(FileHandle file) {
  Record("GetFileSize");
  auto it = openFiles_.find(file);
  if (failFileSize || it == openFiles_.end()) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(files[it->second].size());
}

bool FakePlatform::ReadFile(FileHandle file, void* buffer, std::uint32_t size) {
  Record("ReadFile " + std::to_string(size));
  auto it = openFiles_.find(file);
  if (failRead || it == openFiles_.end()) return false;
  const auto& bytes = files[it->second];
  std::size_t count = std::min<std::size_t>(size, bytes.size());
  if (count > 0) std::memcpy(buffer, bytes.data(), count);
  return true;
}

bool FakePlatform::CloseFile(FileHandle file) {
  Record("CloseFile");
  openFiles_.erase(file);
  return !failClose;
}

bool FakePlatform::RegisterWindowClass(const WindowClassDescription& d) {
  Record(std::string("RegisterWindowClass ") + d.className + " style=" + std::to_string(d.style) +
         " icon=" + std::to_string(d.iconResource));
  if (failRegisterClass) return false;
  procedure_ = d.procedure;
  return true;
}

void FakePlatform::AdjustWindowRect(PlatformRect& rect, std::uint32_t style) {
  Record("AdjustWindowRect " + RectText(rect) + " style=" + std::to_string(style));
  // 32-bit sums that wrap, as the platform's own do, without overflowing.
  auto add = [](std::int32_t a, int b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
  };
  rect.left = add(rect.left, -frameLeft);
  rect.top = add(rect.top, -frameTop);
  rect.right = add(rect.right, frameRight);
  rect.bottom = add(rect.bottom, frameBottom);
}

int FakePlatform::GetSystemMetrics(int index) {
  Record("GetSystemMetrics " + std::to_string(index));
  return index == 0 ? screenWidth : screenHeight;
}

WindowHandle FakePlatform::CreateWindow(const char* className, const char* title,
                                        std::uint32_t style, int x, int y, int width, int height,
                                        WindowHandle parent, InstanceHandle) {
  Record(std::string("CreateWindow ") + className + " \"" + title +
         "\" style=" + std::to_string(style) + " " + std::to_string(x) + "," + std::to_string(y) +
         " " + std::to_string(width) + "x" + std::to_string(height) + " parent=" + Name(parent));
  if (failCreateWindow) return nullptr;
  windowAlive_.push_back(true);
  return FakeHandle<WindowHandle>(windowAlive_.size());
}

void FakePlatform::SetWindowUserData(WindowHandle window, void* data) {
  Record("SetWindowUserData " + Name(window));
  userData_[window] = data;
}

void* FakePlatform::GetWindowUserData(WindowHandle window) {
  auto it = userData_.find(window);
  return it == userData_.end() ? nullptr : it->second;
}

void FakePlatform::ShowWindow(WindowHandle window, int command) {
  Record("ShowWindow " + Name(window) + " " + std::to_string(command));
}

void FakePlatform::DestroyWindow(WindowHandle window) {
  Record("DestroyWindow " + Name(window));
  auto n = reinterpret_cast<std::uintptr_t>(window);
  if (n >= 1 && n <= windowAlive_.size() && windowAlive_[n - 1]) {
    windowAlive_[n - 1] = false;
    Send(window, kWmDestroy);
    userData_.erase(window);
  }
}

std::intptr_t FakePlatform::DefWindowProc(WindowHandle window, std::uint32_t message,
                                          std::uintptr_t, std::intptr_t) {
  Record("DefWindowProc " + Name(window) + " " + std::to_string(message));
  return 0;
}

int FakePlatform::GetMessage(Message& message) {
  if (!queue.empty()) {
    if (beforeMessage) beforeMessage(messagesHandedOut_);
    ++messagesHandedOut_;
    message = queue.front();
    queue.pop_front();
    return 1;
  }
  if (quitPosted_) {
    Record("GetMessage quit " + std::to_string(quitStatus_));
    message = Message{};
    message.message = kWmQuit;
    message.wParam = static_cast<std::uintptr_t>(quitStatus_);
    return 0;
  }
  Record("GetMessage ran dry");
  message = Message{};
  message.message = kWmQuit;
  message.wParam = kRanDryStatus;
  return 0;
}

void FakePlatform::TranslateMessage(const Message&) {}

void FakePlatform::DispatchMessage(const Message& message) {
  Send(message.window, message.message, message.wParam, message.lParam);
}

void FakePlatform::PostQuitMessage(int status) {
  Record("PostQuitMessage " + std::to_string(status));
  quitPosted_ = true;
  quitStatus_ = status;
}

void FakePlatform::SetCapture(WindowHandle window) { Record("SetCapture " + Name(window)); }

void FakePlatform::ReleaseCapture() { Record("ReleaseCapture"); }

int FakePlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                             std::uint32_t type) {
  Record("MessageBox " + Name(owner) + " \"" + text + "\" \"" + caption + "\" " +
         std::to_string(type));
  return 1;
}

DrawingContext FakePlatform::BeginPaint(WindowHandle window, PaintInfo& paint) {
  Record("BeginPaint " + Name(window));
  paint.context = FakeHandle<DrawingContext>(++contextsMade_);
  return paint.context;
}

void FakePlatform::EndPaint(WindowHandle window, const PaintInfo&) {
  Record("EndPaint " + Name(window));
}

void FakePlatform::InvalidateRect(WindowHandle window, const PlatformRect& rect, bool erase) {
  Record("InvalidateRect " + Name(window) + " " + RectText(rect) + (erase ? " erase" : ""));
}

WindowHandle FakePlatform::GetDesktopWindow() { return FakeHandle<WindowHandle>(kDesktopWindow); }

DrawingContext FakePlatform::GetDC(WindowHandle window) {
  DrawingContext dc = FakeHandle<DrawingContext>(++contextsMade_);
  Record("GetDC " + Name(window) + " -> " + Name(dc));
  return dc;
}

void FakePlatform::ReleaseDC(WindowHandle window, DrawingContext context) {
  Record("ReleaseDC " + Name(window) + " " + Name(context));
  selected_.erase(context);
}

int FakePlatform::FontHeight(FontHandle font) const {
  auto it = fontHeights_.find(font);
  if (it == fontHeights_.end() || it->second == 0) return 16;
  // The most negative height has no positive counterpart in an int.
  if (it->second == INT_MIN) return INT_MAX;
  return it->second < 0 ? -it->second : it->second;
}

// Lays out by the word-wrap rules with a fixed glyph width: every character
// is glyphWidth wide and a line is as high as the selected font.
int FakePlatform::DrawText(DrawingContext context, const char* text, int length, PlatformRect& rect,
                           std::uint32_t format) {
  std::string s = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
  Record("DrawText " + Name(context) + " \"" + s + "\" " + RectText(rect) + " " +
         std::to_string(format));
  int lineHeight = FontHeight(selected_.count(context) ? selected_[context] : nullptr);
  // Sums are kept in 64 bits and clamped, so that hostile heights and
  // positions cannot overflow the fake itself.
  auto clamp = [](long long v) {
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v)));
  };
  // The shared layout rules, with every character glyphWidth wide. Lines
  // are counted at height 1 and scaled here, in 64 bits.
  TextLayout layout = LayoutText(s, clamp(static_cast<long long>(rect.right) - rect.left), 1,
                                 [this, &clamp](const char*, std::size_t count) {
                                   return clamp(static_cast<long long>(count) * glyphWidth);
                                 });
  int widest = layout.width;
  int height = clamp(static_cast<long long>(layout.lines.size()) * lineHeight);
  if (format & kDrawCalcRect) {
    rect.right = clamp(static_cast<long long>(rect.left) + widest);
    rect.bottom = clamp(static_cast<long long>(rect.top) + height);
  }
  return height;
}

FontHandle FakePlatform::CreateFont(int height, const char* faceName) {
  int index = fontsMade_++;
  if (index == failFontAt) {
    Record("CreateFont " + std::to_string(height) + " " + faceName + " -> null");
    return nullptr;
  }
  FontHandle font = FakeHandle<FontHandle>(fontsMade_);
  fontHeights_[font] = height;
  ++liveFonts_;
  Record("CreateFont " + std::to_string(height) + " " + faceName + " -> " + Name(font));
  return font;
}

void FakePlatform::DeleteFont(FontHandle font) {
  Record("DeleteFont " + Name(font));
  if (fontHeights_.erase(font)) --liveFonts_;
}

FontHandle FakePlatform::SelectFont(DrawingContext context, FontHandle font) {
  Record("SelectFont " + Name(context) + " " + Name(font));
  FontHandle previous = selected_.count(context) ? selected_[context] : nullptr;
  selected_[context] = font;
  return previous;
}

void FakePlatform::SetBackgroundMode(DrawingContext context, int mode) {
  Record("SetBackgroundMode " + Name(context) + " " + std::to_string(mode));
}

void FakePlatform::SetTextColor(DrawingContext context, ColorRef color) {
  Record("SetTextColor " + Name(context) + " " + std::to_string(color));
}

void FakePlatform::StretchDIBits(DrawingContext context, int destX, int destY, int destWidth,
                                 int destHeight, int sourceX, int sourceY, int sourceWidth,
                                 int sourceHeight, const DibView& picture, std::uint32_t usage,
                                 std::uint32_t rasterOperation) {
  stretchedPictures.push_back(picture);
  Record("StretchDIBits " + Name(context) + " " + std::to_string(destX) + "," +
         std::to_string(destY) + " " + std::to_string(destWidth) + "x" +
         std::to_string(destHeight) + " from " + std::to_string(sourceX) + "," +
         std::to_string(sourceY) + " " + std::to_string(sourceWidth) + "x" +
         std::to_string(sourceHeight) + " info=" + std::to_string(picture.infoSize) +
         " bits=" + std::to_string(picture.bitsSize) + " usage=" + std::to_string(usage) +
         " rop=" + std::to_string(rasterOperation));
}

void FakePlatform::FillRect(DrawingContext context, const PlatformRect& rect, ColorRef color) {
  Record("FillRect " + Name(context) + " " + RectText(rect) + " " + std::to_string(color));
}

bool FakePlatform::CreateProcess(const char* commandLine, const char* directory,
                                 ProcessInformation& started) {
  Record(std::string("CreateProcess \"") + commandLine + "\" in " + directory);
  if (failCreateProcess) return false;
  ++processesStarted_;
  started.process = FakeHandle<ProcessHandle>(processesStarted_ * 2 - 1);
  started.thread = FakeHandle<ProcessHandle>(processesStarted_ * 2);
  return true;
}

void FakePlatform::CloseProcessHandle(ProcessHandle handle) {
  Record("CloseProcessHandle " + std::to_string(reinterpret_cast<std::uintptr_t>(handle)));
}

std::uintptr_t FakePlatform::ShellExecute(WindowHandle owner, const char* document,
                                          const char* directory, int showCommand) {
  Record("ShellExecute " + Name(owner) + " \"" + document + "\" in " + directory + " " +
         std::to_string(showCommand));
  return shellExecuteResult;
}

}  // namespace mavrel
