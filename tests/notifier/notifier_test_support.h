// Shared by the notifier's tests: the settings key kept as it was found, the
// built DLL's path, and finding the notice windows a thread owns.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo::test {

// Saves the notifier's settings under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER
// and puts them back (or removes what was not there) when it goes out of scope.
class SettingsGuard {
public:
    SettingsGuard();
    ~SettingsGuard();
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

    // Sets a REG_SZ value, or removes the value for std::nullopt.
    void Set(const wchar_t* name, const std::optional<std::wstring>& value, HKEY root = HKEY_LOCAL_MACHINE);

private:
    struct Saved {
        std::wstring name;
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    struct SavedRoot {
        HKEY root = nullptr;
        bool keyExisted = false;
        std::vector<Saved> values;
    };
    std::vector<SavedRoot> roots_;
};

// The value stored under one root; nothing when it is missing.
std::optional<std::wstring> StoredSetting(HKEY root, const wchar_t* name);

// OrvoVMNotify.dll beside the test program.
std::wstring NotifierDllPath();
// Registers the DLL by calling its own DllRegisterServer.
void EnsureRegistered();

// Visible or hidden notice windows (any module's copy) owned by the thread.
std::vector<HWND> NoticeWindowsOf(DWORD threadId);
std::vector<HWND> NoticeWindowsOfProcess(DWORD processId);
// Closes them as the user would, with the close box.
void CloseNoticeWindows(DWORD threadId);

}  // namespace orvo::test
