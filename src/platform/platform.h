// The whole platform boundary as the launcher window needs it: the file
// system for the settings and the picture, the window system for
// everything else. Each backend (Win32, desktop, the test fake) implements
// both halves in one object.
#pragma once

#include "platform/file_system.h"
#include "platform/platform_types.h"
#include "platform/window_system.h"

namespace mavrel {

class Platform : public FileSystem, public WindowSystem {};

}  // namespace mavrel
