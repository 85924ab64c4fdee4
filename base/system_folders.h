// The system's own folders and programs by full path. A bare name would be
// looked for in the program's folder and the current folder first, where
// anyone who can drop a file could plant a program or DLL of that name.
#pragma once
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

}  // namespace orvo
