// The built program itself, as a user starts it: everything it imports must
// load and answer, including what it loads only on first use.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include "base/path.h"
#include "base/scoped.h"
#include "recorder/resource.h"
#include "tests/support/pump.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"
#include "base/system_folders.h"
#include "win/window_tools.h"

namespace orvo::recorder::test {
namespace {

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK TakeReadyWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (owner != s->process || lstrcmpW(name, L"OrvoRecordMain") != 0 || !IsWindowVisible(w) || !IsWindowEnabled(w))
        return TRUE;
    s->found = w;
    return FALSE;
}

// The program's main window, once its start-up has finished: the window takes
// input again only after the mixer and the new recording are open.
HWND ReadyWindowOf(DWORD process) {
    Search search{process, nullptr};
    EnumWindows(&TakeReadyWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The path of the process's winmm.dll, once it has one.
std::wstring WinmmOf(HANDLE process) {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof(modules), &bytes)) return {};
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t path[MAX_PATH] = {};
        if (GetModuleFileNameExW(process, modules[i], path, MAX_PATH) &&
            lstrcmpiW(FileNameOf(path).c_str(), L"winmm.dll") == 0)
            return path;
    }
    return {};
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.size() >= start.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(start.size()), start.c_str(),
                                static_cast<int>(start.size()), TRUE) == CSTR_EQUAL;
}

// A copy of the program in a folder of its own, beside a DLL named winmm.dll
// that is not winmm (the notifier): the one loaded must be the system's, and
// the program must get through its start, mixer and all, and leave cleanly.
TEST(Program, StartsWithTheSystemsWinmmThoughAnotherLiesBesideIt) {
    orvo::test::ScopedRecoveryRoot root;  // inherited: the program's element goes there
    const std::wstring built = FolderOf(ModulePath(nullptr));
    orvo::test::TempFile folder(L"");
    orvo::test::RemoveTree(folder.Path());  // a run before under the same process id
    ASSERT_TRUE(CreateDirectoryW(folder.Path().c_str(), nullptr));
    const std::wstring exe = folder.Path() + L"\\OrvoRecord.exe", planted = folder.Path() + L"\\winmm.dll";
    ASSERT_TRUE(CopyFileW((built + L"\\OrvoRecord.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((built + L"\\OrvoVMNotify.dll").c_str(), planted.c_str(), FALSE));

    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    std::wstring winmm;
    HWND window = nullptr;
    // The mixer opens in the start-up that follows the first paint; winmm
    // comes with it.
    const bool ready = orvo::test::PumpUntil(
        [&] {
            if (winmm.empty()) winmm = WinmmOf(process.Get());
            window = winmm.empty() ? nullptr : ReadyWindowOf(pi.dwProcessId);
            return window || WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
        },
        30000);
    orvo::test::PumpMessagesFor(500);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.Get(), &code);
    if (code != STILL_ACTIVE || !window) TerminateProcess(process.Get(), 9);
    ASSERT_TRUE(ready && window && code == STILL_ACTIVE)
        << "the program ended with 0x" << std::hex << code << " before its window was ready";
    EXPECT_TRUE(StartsWith(winmm, SystemFolder() + L"\\")) << "winmm.dll came from elsewhere";

    // Its close box does nothing by design: the program leaves by its menu.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    ASSERT_EQ(WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0) << "the program did not close";
    GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 0u);
    orvo::test::RemoveTree(folder.Path());
}

}  // namespace
}  // namespace orvo::recorder::test
