#include "base/window_class.h"

namespace orvo {

bool RegisterWindowClass(const WindowClass& wanted) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, wanted.name, &wc)) return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = wanted.style;
    wc.lpfnWndProc = wanted.proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = wanted.background;
    wc.hIcon = wanted.icon;
    wc.hIconSm = wanted.icon;
    wc.lpszClassName = wanted.name;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace orvo
