#include "base/system_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace orvo {
namespace {

// A DLL beside the program stands for one planted there: once the search is
// limited, a load by bare name no longer finds it, while system DLLs still load.
TEST(DllSearch, ALimitedSearchSkipsTheProgramFolder) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring planted(exe);
    planted = planted.substr(0, planted.find_last_of(L"\\/") + 1) + L"OrvoVMNotify.dll";
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
