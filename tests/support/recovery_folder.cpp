#include "tests/support/recovery_folder.h"

#include <windows.h>

#include "audio/wave_journal.h"

namespace orvo::test {
namespace {

std::wstring TempFolder(const std::wstring& prefix) {
    wchar_t dir[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, dir);
    static LONG counter = 0;
    return std::wstring(dir) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(InterlockedIncrement(&counter));
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer) : std::wstring();
}

}  // namespace

std::wstring UsePrivateRecoveryRoot() {
    if (!Environment(L"ORVO_RECOVERY_DIR").empty()) return {};
    std::wstring root = TempFolder(L"orvo-recovery-");
    SetEnvironmentVariableW(L"ORVO_RECOVERY_DIR", root.c_str());
    SetRecoveryRoot(root);
    return root;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

uint64_t TreeBytes(const std::wstring& folder) {
    uint64_t total = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += TreeBytes(folder + L"\\" + name);
        else
            total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return total;
}

int ElementFolders(const std::wstring& root) {
    int n = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") ++n;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return n;
}

ScopedRecoveryRoot::ScopedRecoveryRoot() : path_(TempFolder(L"orvo-leftovers-")) {
    previous_ = Environment(L"ORVO_RECOVERY_DIR");
    RemoveTree(path_);  // a test run that crashed may have left one of this name
    CreateDirectoryW(path_.c_str(), nullptr);
    SetEnvironmentVariableW(L"ORVO_RECOVERY_DIR", path_.c_str());
    SetRecoveryRoot(path_);
}

ScopedRecoveryRoot::~ScopedRecoveryRoot() {
    SetEnvironmentVariableW(L"ORVO_RECOVERY_DIR", previous_.empty() ? nullptr : previous_.c_str());
    SetRecoveryRoot(previous_);
    RemoveTree(path_);
}

}  // namespace orvo::test
