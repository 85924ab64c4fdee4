#include "base/system_folders.h"

#include <windows.h>
// After windows.h: it uses its types.
#include <delayimp.h>

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

// Called by the delay-load helper before it loads a DLL; what it returns is
// used instead. A null return would let the helper search by bare name, so
// it is only returned where the system folder has no such DLL at all.
FARPROC WINAPI FromSystemFolder(unsigned notice, PDelayLoadInfo info) {
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(name.c_str()));
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

HMODULE LoadSystemLibrary(const wchar_t* dllName) {
    if (HMODULE m = LoadLibraryExW(dllName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return m;
    // Systems that do not know the flag refuse it as a parameter.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    return LoadLibraryW((SystemFolder() + L"\\" + dllName).c_str());
}

void LoadDelayedImportsFromSystemFolder() { __pfnDliNotifyHook2 = &FromSystemFolder; }

}  // namespace orvo
