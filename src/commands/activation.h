// What an activated button does: start its program or open its document in
// its working directory, then quit when its exit command says "EXIT", or
// show its error text after a failure.
#pragma once

#include "platform/platform.h"
#include "settings/button_settings.h"

namespace mavrel {

constexpr const char* kActivationErrorCaption = "Error";
constexpr std::uint32_t kDirectoryAreaSize = 1024;  // terminator included

/// Carries out the button's command: the program command if it is not
/// empty, else the document command if that is not empty, else nothing (a
/// success). On success quits (status 0) when the exit command is "EXIT" in
/// any letter case; on failure shows the error text captioned "Error",
/// owned by `window`, and never quits.
void ActivateButton(Platform& platform, const ButtonSettings& button, WindowHandle window);

/// Starts `commandLine` with `directory`, made a full path, as its working
/// directory. True when the program was started; its handles are released
/// at once. False, with nothing started, when the directory cannot be made
/// a full path that fits the 1024-byte work area.
bool RunProgram(Platform& platform, const char* commandLine, const char* directory);

/// Opens `document` with its associated application in `directory`, made a
/// full path as for RunProgram. True when the platform reports a result
/// above 32.
bool OpenDocument(Platform& platform, const char* document, const char* directory);

/// True when `text` is "EXIT" with only the letters A to Z folded to lower
/// case, byte by byte, and ending at the same place.
bool IsExitCommand(const char* text);

}  // namespace mavrel
