#include "platform/desktop/files/headless_platform.h"

namespace mavrel {

bool HeadlessPlatform::RegisterWindowClass(const WindowClassDescription&) { return false; }
void HeadlessPlatform::AdjustWindowRect(PlatformRect&, std::uint32_t) {}
int HeadlessPlatform::GetSystemMetrics(int) { return 0; }
WindowHandle HeadlessPlatform::CreateWindow(const char*, const char*, std::uint32_t, int, int, int,
                                            int, WindowHandle, InstanceHandle) {
  return nullptr;
}
void HeadlessPlatform::SetWindowUserData(WindowHandle, void*) {}
void* HeadlessPlatform::GetWindowUserData(WindowHandle) { return nullptr; }
void HeadlessPlatform::ShowWindow(WindowHandle, int) {}
void HeadlessPlatform::DestroyWindow(WindowHandle) {}
std::intptr_t HeadlessPlatform::DefWindowProc(WindowHandle, std::uint32_t, std::uintptr_t,
                                              std::intptr_t) {
  return 0;
}
int HeadlessPlatform::GetMessage(Message& message) {
  message = Message();
  message.message = kWmQuit;
  message.wParam = static_cast<std::uintptr_t>(quitStatus_);
  return 0;
}
void HeadlessPlatform::TranslateMessage(const Message&) {}
void HeadlessPlatform::DispatchMessage(const Message&) {}
void HeadlessPlatform::PostQuitMessage(int status) { quitStatus_ = status; }
void HeadlessPlatform::SetCapture(WindowHandle) {}
void HeadlessPlatform::ReleaseCapture() {}
int HeadlessPlatform::MessageBox(WindowHandle, const char*, const char*, std::uint32_t) {
  return 0;
}
DrawingContext HeadlessPlatform::BeginPaint(WindowHandle, PaintInfo& paint) {
  paint = PaintInfo();
  return nullptr;
}
void HeadlessPlatform::EndPaint(WindowHandle, const PaintInfo&) {}
void HeadlessPlatform::InvalidateRect(WindowHandle, const PlatformRect&, bool) {}
WindowHandle HeadlessPlatform::GetDesktopWindow() { return nullptr; }
DrawingContext HeadlessPlatform::GetDC(WindowHandle) { return nullptr; }
void HeadlessPlatform::ReleaseDC(WindowHandle, DrawingContext) {}
int HeadlessPlatform::DrawText(DrawingContext, const char*, int, PlatformRect&, std::uint32_t) {
  return 0;
}
FontHandle HeadlessPlatform::CreateFont(int, const char*) { return nullptr; }
void HeadlessPlatform::DeleteFont(FontHandle) {}
FontHandle HeadlessPlatform::SelectFont(DrawingContext, FontHandle) { return nullptr; }
void HeadlessPlatform::SetBackgroundMode(DrawingContext, int) {}
void HeadlessPlatform::SetTextColor(DrawingContext, ColorRef) {}
void HeadlessPlatform::StretchDIBits(DrawingContext, int, int, int, int, int, int, int, int,
                                     const DibView&, std::uint32_t, std::uint32_t) {}
void HeadlessPlatform::FillRect(DrawingContext, const PlatformRect&, ColorRef) {}
bool HeadlessPlatform::CreateProcess(const char*, const char*, ProcessInformation& started) {
  started = ProcessInformation();
  return false;
}
void HeadlessPlatform::CloseProcessHandle(ProcessHandle) {}
std::uintptr_t HeadlessPlatform::ShellExecute(WindowHandle, const char*, const char*, int) {
  return 31;
}

}  // namespace mavrel
