// <windows.h> for code that also sees the platform interface. Windows maps
// names such as CreateWindow onto their A/W forms with macros; the methods
// of the platform interface carry the plain names, so the macros go here,
// and every Win32 call names its single-byte (A) form itself. Include this
// after the platform headers.
#pragma once

#include <windows.h>
// shellapi.h needs the types that windows.h declares.
#include <shellapi.h>

#undef CreateFont
#undef CreateProcess
#undef CreateWindow
#undef DefWindowProc
#undef DispatchMessage
#undef DrawText
#undef GetFullPathName
#undef GetMessage
#undef GetPrivateProfileString
#undef MessageBox
#undef ShellExecute
