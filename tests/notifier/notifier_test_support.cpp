#include "tests/notifier/notifier_test_support.h"

#include <gtest/gtest.h>

#include "notifier/mod_notify.h"
#include "base/scoped.h"
#include "tests/support/pump.h"

namespace orvo::test {

using namespace orvo::notifier;

namespace {

const wchar_t* const kSettingNames[] = {kHideWindowValue, kSoftDescValue, kReadmePathValue};

bool IsNoticeWindow(HWND hwnd) {
    wchar_t cls[128] = {};
    GetClassNameW(hwnd, cls, 128);
    // Inside the DLL the class name carries the module's address; linked into
    // a program it is the plain stem.
    std::wstring name = cls;
    return name == L"OrvoVMNotify.frmInfo" || name.rfind(L"OrvoVMNotify.frmInfo.", 0) == 0;
}

BOOL CALLBACK CollectThreadWindow(HWND hwnd, LPARAM out) {
    if (IsNoticeWindow(hwnd)) reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
    return TRUE;
}

struct ProcessSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND hwnd, LPARAM arg) {
    auto* s = reinterpret_cast<ProcessSearch*>(arg);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsNoticeWindow(hwnd)) s->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

SettingsGuard::SettingsGuard() {
    // Neither root keeps a value from outside the test: a user value would
    // hide the machine's.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        SavedRoot saved;
        saved.root = root;
        ScopedRegKey key;
        saved.keyExisted = RegOpenKeyExW(root, kSettingsKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
        for (const wchar_t* name : kSettingNames) {
            Saved s;
            s.name = name;
            if (saved.keyExisted) {
                DWORD size = 0;
                if (RegQueryValueExW(key.Get(), name, nullptr, &s.type, nullptr, &size) == ERROR_SUCCESS) {
                    s.data.resize(size);
                    s.present =
                        RegQueryValueExW(key.Get(), name, nullptr, &s.type, s.data.data(), &size) == ERROR_SUCCESS;
                }
            }
            saved.values.push_back(std::move(s));
        }
        roots_.push_back(std::move(saved));
        if (root == HKEY_CURRENT_USER)
            for (const wchar_t* name : kSettingNames) RegDeleteKeyValueW(root, kSettingsKey, name);
    }
}

SettingsGuard::~SettingsGuard() {
    for (const SavedRoot& saved : roots_) {
        if (!saved.keyExisted) {
            RegDeleteTreeW(saved.root, kSettingsKey);
            continue;
        }
        ScopedRegKey key;
        if (RegOpenKeyExW(saved.root, kSettingsKey, 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) continue;
        for (const Saved& s : saved.values) {
            if (s.present)
                RegSetValueExW(key.Get(), s.name.c_str(), 0, s.type, s.data.data(), static_cast<DWORD>(s.data.size()));
            else
                RegDeleteValueW(key.Get(), s.name.c_str());
        }
    }
}

void SettingsGuard::Set(const wchar_t* name, const std::optional<std::wstring>& value, HKEY root) {
    ScopedRegKey key;
    ASSERT_EQ(RegCreateKeyExW(root, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    if (value) {
        ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                                 static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    } else {
        RegDeleteValueW(key.Get(), name);
    }
}

std::optional<std::wstring> StoredSetting(HKEY root, const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD size = sizeof(buffer);
    if (RegGetValueW(root, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

std::wstring NotifierDllPath() {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"OrvoVMNotify.dll";
}

void EnsureRegistered() {
    // Kept loaded for the whole run: COM holds it anyway once an object exists.
    static HMODULE dll = LoadLibraryW(NotifierDllPath().c_str());
    ASSERT_NE(dll, nullptr);
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
}

std::vector<HWND> NoticeWindowsOf(DWORD threadId) {
    std::vector<HWND> found;
    EnumThreadWindows(threadId, CollectThreadWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> NoticeWindowsOfProcess(DWORD processId) {
    ProcessSearch search{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CloseNoticeWindows(DWORD threadId) {
    for (HWND hwnd : NoticeWindowsOf(threadId)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(20);
}

}  // namespace orvo::test
