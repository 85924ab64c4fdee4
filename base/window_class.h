// Registering a window class of the program, once.
#pragma once
#include <windows.h>

namespace orvo {

struct WindowClass {
    const wchar_t* name = nullptr;
    WNDPROC proc = nullptr;
    UINT style = 0;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
};

// Registers the class under the program's instance unless it is there
// already; false when the system refuses.
bool RegisterWindowClass(const WindowClass& wanted);

// Unregisters every class RegisterWindowClass registered from this module.
// A DLL calls it when it unloads: a class left behind would keep a window
// procedure in code that is gone. Classes with windows left stay.
void UnregisterWindowClasses();

}  // namespace orvo
