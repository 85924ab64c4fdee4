#include "base/path.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

TEST(Path, FolderDropsTheFileNameButKeepsADriveRoot) {
    EXPECT_EQ(FolderOf(L"C:\\Program Files\\Orvo Record\\OrvoRecord.exe"), L"C:\\Program Files\\Orvo Record");
    EXPECT_EQ(FolderOf(L"D:\\OrvoRecord.exe"), L"D:\\");
    EXPECT_EQ(FolderOf(L"\\\\server\\share\\OrvoRecord.exe"), L"\\\\server\\share");
    EXPECT_EQ(FolderOf(L"a/b.wav"), L"a");
    EXPECT_EQ(FolderOf(L"b.wav"), L"");
}

// A dot in a folder's name is not the file's extension.
TEST(Path, NameAndExtensionLookOnlyAtTheLastComponent) {
    EXPECT_EQ(FileNameOf(L"C:\\录音\\第一.wav"), L"第一.wav");
    EXPECT_EQ(FileNameOf(L"take.wav"), L"take.wav");
    EXPECT_EQ(WithExtension(L"C:\\a\\take.wav", L"mp3"), L"C:\\a\\take.mp3");
    EXPECT_EQ(WithExtension(L"C:\\v1.2\\take", L"mp3"), L"C:\\v1.2\\take.mp3");
    EXPECT_EQ(WithExtension(L"take.old.wav", L"flac"), L"take.old.flac");
}

}  // namespace
}  // namespace orvo
