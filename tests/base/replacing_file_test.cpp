#include "base/replacing_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

std::vector<std::wstring> Temps(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\orv*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

bool Plant(const std::wstring& path) {
    ScopedFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return f && WriteFile(f.Get(), "half", 4, &written, nullptr);
}

// A save killed half-way leaves its temporary file beside the target; the
// next save to that folder clears it, but not one that a save still under
// way (another instance) holds open, nor files of other names.
TEST(ReplacingFile, TheNextSaveClearsTemporaryFilesAKillLeftBehind) {
    wchar_t base[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, base));
    const std::wstring dir = std::wstring(base) + L"orvo-replace-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring stale = dir + L"\\orv~1f-3.tmp", busy = dir + L"\\orv~20-1.tmp", other = dir + L"\\orvA1.tmp";
    ASSERT_TRUE(Plant(stale));
    ASSERT_TRUE(Plant(busy));
    ASSERT_TRUE(Plant(other));
    ScopedFile held(CreateFileW(busy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    const std::wstring target = dir + L"\\讲座.wav";
    {
        ReplacingFile out(target);
        ASSERT_TRUE(out.Open());
        std::vector<std::wstring> during = Temps(dir);
        EXPECT_EQ(during.size(), 3u) << "the stale one goes, its own is there";
        EXPECT_EQ(GetFileAttributesW(stale.c_str()), INVALID_FILE_ATTRIBUTES);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(out.Handle(), "whole", 5, &written, nullptr));
        out.Close();
        ASSERT_TRUE(out.Replace());
    }
    EXPECT_NE(GetFileAttributesW(busy.c_str()), INVALID_FILE_ATTRIBUTES) << "a save under way keeps its file";
    EXPECT_NE(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES) << "not a name of ours";
    EXPECT_EQ(Temps(dir).size(), 2u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 5u);

    held.Reset();
    for (const std::wstring& f : {busy, other, target}) DeleteFileW(f.c_str());
    RemoveDirectoryW(dir.c_str());
}

}  // namespace
}  // namespace orvo
