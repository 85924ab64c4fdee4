#include "base/system_folders.h"

#include <windows.h>
// After windows.h: it uses its types.
#include <delayimp.h>

#include <gtest/gtest.h>

namespace orvo {
namespace {

std::wstring BesideTheProgram(const wchar_t* name) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

std::wstring PathOf(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// What the delay-load helper gets for a DLL's first call: the system's copy,
// or nothing for a name only the program's folder has, whatever the search
// order of the process is.
TEST(DllSearch, DelayLoadedDllsComeFromTheSystemFolderOnly) {
    if (GetFileAttributesW(BesideTheProgram(L"OrvoVMNotify.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no DLL beside the program";
    LoadDelayedImportsFromSystemFolder();
    ASSERT_NE(__pfnDliNotifyHook2, nullptr);
    DelayLoadInfo info{};
    info.cb = sizeof(info);
    info.szDll = "OrvoVMNotify.dll";
    EXPECT_EQ(__pfnDliNotifyHook2(dliNotePreLoadLibrary, &info), nullptr);
    EXPECT_EQ(GetModuleHandleW(L"OrvoVMNotify.dll"), nullptr);

    info.szDll = "winmm.dll";
    HMODULE winmm = reinterpret_cast<HMODULE>(__pfnDliNotifyHook2(dliNotePreLoadLibrary, &info));
    ASSERT_NE(winmm, nullptr);
    const std::wstring path = PathOf(winmm), system = SystemFolder() + L"\\";
    EXPECT_EQ(CompareStringOrdinal(path.c_str(), static_cast<int>(system.size()), system.c_str(),
                                   static_cast<int>(system.size()), TRUE),
              CSTR_EQUAL)
        << "loaded from " << path.size() << " characters of path outside the system folder";
    FreeLibrary(winmm);
    // The other notices are the helper's own business.
    EXPECT_EQ(__pfnDliNotifyHook2(dliNotePreGetProcAddress, &info), nullptr);
}

// A DLL beside the program stands for one planted there: once the search is
// limited, a load by bare name no longer finds it, while system DLLs still load.
TEST(DllSearch, ALimitedSearchSkipsTheProgramFolder) {
    const std::wstring planted = BesideTheProgram(L"OrvoVMNotify.dll");
    if (GetFileAttributesW(planted.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no DLL beside the program";

    HMODULE before = LoadLibraryW(L"OrvoVMNotify.dll");
    ASSERT_NE(before, nullptr) << "the program's folder is not searched to begin with";
    FreeLibrary(before);
    ASSERT_EQ(GetModuleHandleW(L"OrvoVMNotify.dll"), nullptr);

    ASSERT_TRUE(LimitDllSearchToSystemFolder());
    HMODULE after = LoadLibraryW(L"OrvoVMNotify.dll");
    EXPECT_EQ(after, nullptr);
    if (after) FreeLibrary(after);
    HMODULE system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system) FreeLibrary(system);
}

}  // namespace
}  // namespace orvo
