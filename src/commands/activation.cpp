#include "commands/activation.h"

namespace mavrel {
namespace {

// Makes `directory` a full path in `area`. A path that does not fit the
// work area counts as a failed resolution, like one the platform refuses.
bool ResolveDirectory(Platform& platform, const char* directory, char (&area)[kDirectoryAreaSize]) {
  std::uint32_t length = platform.GetFullPathName(directory, kDirectoryAreaSize, area);
  if (length == 0 || length >= kDirectoryAreaSize) return false;
  area[length] = '\0';
  return true;
}

}  // namespace

bool IsExitCommand(const char* text) {
  const char* exit = "exit";
  for (int i = 0;; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != exit[i]) return false;
    if (c == '\0') return true;
  }
}

bool RunProgram(Platform& platform, const char* commandLine, const char* directory) {
  char fullDirectory[kDirectoryAreaSize] = {};
  if (!ResolveDirectory(platform, directory, fullDirectory)) return false;
  ProcessInformation started;
  if (!platform.CreateProcess(commandLine, fullDirectory, started)) return false;
  // We keep nothing of a started program: its handles go back at once.
  if (started.process != nullptr) platform.CloseProcessHandle(started.process);
  if (started.thread != nullptr) platform.CloseProcessHandle(started.thread);
  return true;
}

bool OpenDocument(Platform& platform, const char* document, const char* directory) {
  char fullDirectory[kDirectoryAreaSize] = {};
  if (!ResolveDirectory(platform, directory, fullDirectory)) return false;
  std::uintptr_t result = platform.ShellExecute(nullptr, document, fullDirectory, kShowNormal);
  return result > 32;
}

void ActivateButton(Platform& platform, const ButtonSettings& button, WindowHandle window) {
  bool succeeded = true;
  if (!button.progCommand.empty()) {
    succeeded = RunProgram(platform, button.progCommand.c_str(), button.directory.c_str());
  } else if (!button.docCommand.empty()) {
    succeeded = OpenDocument(platform, button.docCommand.c_str(), button.directory.c_str());
  }
  if (!succeeded) {
    // A failed launch never quits, whatever the exit command says.
    platform.MessageBox(window, button.errorMsg.c_str(), kActivationErrorCaption, kMessageBoxOk);
    return;
  }
  if (IsExitCommand(button.exitCommand.c_str())) platform.PostQuitMessage(0);
}

}  // namespace mavrel
