// The help files are opened by Notepad from the program's folder, which is
// the test's working folder. Notepad only takes them for UTF-8 when they
// start with a byte-order mark.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string ReadAll(const char* name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void ExpectNotepadReadable(const char* name, const wchar_t* mustMention) {
    std::string bytes = ReadAll(name);
    ASSERT_GT(bytes.size(), 200u) << name << " missing beside the program or empty";
    EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << name << " has no byte-order mark";
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + 3, static_cast<int>(bytes.size() - 3),
                                nullptr, 0);
    ASSERT_GT(n, 0) << name << " is not valid UTF-8";
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(bytes.size() - 3), text.data(), n);
    EXPECT_NE(text.find(L"欧沃录音机"), std::wstring::npos) << name;
    EXPECT_NE(text.find(mustMention), std::wstring::npos) << name;
    // Notepad on older systems shows lone line feeds as one long line.
    for (size_t i = text.find(L'\n'); i != std::wstring::npos; i = text.find(L'\n', i + 1))
        ASSERT_TRUE(i > 0 && text[i - 1] == L'\r') << name << " has a bare line feed at " << i;
}

TEST(HelpFiles, LieBesideTheProgramAsUtf8WithByteOrderMark) {
    ExpectNotepadReadable("readme.txt", L"波形");
    ExpectNotepadReadable("FAQ.txt", L"麦克风");
}

}  // namespace
