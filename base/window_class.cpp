#include "base/window_class.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvo {
namespace {

// The classes this module registered (one list per module that links this).
std::mutex g_registeredLock;
std::vector<std::wstring> g_registered;

}  // namespace

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
    if (!RegisterClassExW(&wc)) return false;
    std::lock_guard<std::mutex> lock(g_registeredLock);
    g_registered.emplace_back(wanted.name);
    return true;
}

void UnregisterWindowClasses() {
    std::lock_guard<std::mutex> lock(g_registeredLock);
    std::vector<std::wstring> kept;
    for (const std::wstring& name : g_registered)
        if (!UnregisterClassW(name.c_str(), GetModuleHandleW(nullptr))) kept.push_back(name);
    g_registered = std::move(kept);
}

}  // namespace orvo
