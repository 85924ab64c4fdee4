// The system's own folders and programs by full path. A bare name would be
// looked for in the program's folder and the current folder first, where
// anyone who can drop a file could plant a program or DLL of that name.
#pragma once
#include <windows.h>

#include <string>

namespace orvo {

// Without a trailing separator; empty when the system cannot tell.
std::wstring SystemFolder();   // ...\system32 (or the 32-bit one for a 32-bit program)
std::wstring WindowsFolder();  // the Windows folder itself

// A program in one of those folders, quoted for a command line.
std::wstring SystemProgram(const std::wstring& exeName);
std::wstring WindowsProgram(const std::wstring& exeName);

// From here on, DLLs loaded by bare name come from the system folder only.
// Systems without SetDefaultDllDirectories (before the KB2533623 update) keep
// their search order, less the current folder. False when neither could be set.
bool LimitDllSearchToSystemFolder();

// A DLL by bare name from the system folder only; null when it is not there.
// Before the KB2533623 update the full path does the same.
HMODULE LoadSystemLibrary(const wchar_t* dllName);

// The DLLs a program imports delay-loaded come through LoadSystemLibrary on
// their first call. Each module (the program, the notifier DLL) calls it
// before its first call into one of them.
void LoadDelayedImportsFromSystemFolder();

}  // namespace orvo
