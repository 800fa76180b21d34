// The launcher's entry: register the class, build the window and its
// buttons, show it, run the message loop, tear down. Every backend's main
// (WinMain, the desktop main) calls this and ends with what it returns.
#pragma once

#include "platform/platform.h"

namespace mavrel {

class LauncherStorage;

constexpr const char* kWindowClassName = "MyMavrelWindowClass";
constexpr int kIconResource = 107;
constexpr std::uint32_t kWindowClassStyle = 3;  // CS_HREDRAW | CS_VREDRAW

// The launcher's window class: its window procedure, icon and name.
WindowClassDescription LauncherWindowClass(InstanceHandle instance);

// Runs the launcher to its end. Gives the exit status: 0 after a quit
// request, 1 after a start-up failure.
int LauncherMain(Platform& platform, InstanceHandle instance);

// The same, with button records and picture bytes taken from `storage`.
int LauncherMain(Platform& platform, InstanceHandle instance, LauncherStorage& storage);

}  // namespace mavrel
