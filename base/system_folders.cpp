#include "base/system_folders.h"

#include <windows.h>

namespace orvo {
namespace {

template <typename Getter>
std::wstring FolderFrom(Getter get) {
    wchar_t buffer[MAX_PATH];
    UINT n = get(buffer, MAX_PATH);
    if (n == 0) return {};
    std::wstring folder;
    if (n < MAX_PATH) {
        folder.assign(buffer, n);
    } else {
        folder.resize(n);
        n = get(folder.data(), n);
        folder.resize(n < folder.size() ? n : 0);
    }
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

std::wstring SystemFolder() { return FolderFrom(GetSystemDirectoryW); }
std::wstring WindowsFolder() { return FolderFrom(GetWindowsDirectoryW); }

std::wstring SystemProgram(const std::wstring& exeName) { return L"\"" + SystemFolder() + L"\\" + exeName + L"\""; }
std::wstring WindowsProgram(const std::wstring& exeName) { return L"\"" + WindowsFolder() + L"\\" + exeName + L"\""; }

bool LimitDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    // An empty string takes the current folder out of the search.
    return SetDllDirectoryW(L"") != FALSE;
}

}  // namespace orvo
