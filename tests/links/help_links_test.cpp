#include "recorder/links/help_links.h"

#include <gtest/gtest.h>

#include "base/path.h"
#include "base/text.h"
#include "tests/support/scripted_ui.h"
#include "orvo_version.h"

namespace orvo::recorder {
namespace {

// The tests run from the bin folder, beside the test program itself.
TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
    wchar_t current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::wstring folder = ProgramFolder();
    EXPECT_EQ(_wcsicmp(folder.c_str(), current), 0) << folder.size();
    EXPECT_NE(folder.back(), L'\\');
}

// Notepad comes from the Windows folder, never from a folder searched first.
TEST(NotepadCommandLine, IsUnquotedEvenWithSpacesAndDoublesTheSeparatorAtARoot) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring notepad = L"\"" + std::wstring(windows) + L"\\notepad.exe\" ";
    EXPECT_EQ(NotepadCommandLine(L"C:\\Program Files\\Orvo Record", L"readme.txt"),
              notepad + L"C:\\Program Files\\Orvo Record\\readme.txt");
    EXPECT_EQ(NotepadCommandLine(FolderOf(L"E:\\OrvoRecord.exe"), L"FAQ.txt"), notepad + L"E:\\\\FAQ.txt");
}

struct Expected {
    LinkTarget link;
    const wchar_t* target;
    bool fromFolder;
};

TEST(LinkTargets, EachCommandHasItsOwnTargetAndStyle) {
    const Expected table[] = {
        {HomePageLink(), L"http://www.velmora.example/softinfo/orvorecord.htm", false},
        {GuestbookLink(), L"http://guestbook.velmora.example", false},
        {FeedbackMailLink(), L"mailto:feedback@velmora.example?subject=欧沃录音机意见反馈", false},
        {MakerHomeLink(), L"http://www.velmora.example", true},
        {SoftwareHallLink(), L"http://www.velmora.example/softinfo/orvovelmorasprite.htm", true},
        {CustomisationLink(), L"http://www.velmora.example/orvocustomization.htm", true},
    };
    for (const auto& e : table) {
        EXPECT_EQ(e.link.target, e.target);
        EXPECT_EQ(e.link.style == LaunchStyle::FromFolder, e.fromFolder) << WideToUtf8(e.target);
    }
}

TEST(LinkTargets, ToolbarButtonsOneToFiveOnly) {
    const wchar_t* expected[] = {
        L"http://www.velmora.example",
        L"http://nav.velmora.example",
        L"http://tv.velmora.example",
        L"http://www.velmora.example/orvocustomization.htm",
        L"http://www.velmora.example/orvogoodware.htm",
    };
    for (int index = 1; index <= 5; ++index) {
        LinkTarget link;
        ASSERT_TRUE(LinkToolbarTarget(index, &link)) << index;
        EXPECT_EQ(link.target, expected[index - 1]);
        EXPECT_EQ(link.style, LaunchStyle::FromFolder);
    }
    for (int index : {0, 6, 9, -1}) {
        LinkTarget link;
        EXPECT_FALSE(LinkToolbarTarget(index, &link)) << index;
    }
}

TEST(LaunchLink, PlainAndFromFolderStylesReachTheShellAsSuch) {
    ScriptedUi ui;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    ui.launchAnswers = {false};  // a failing shell is only reported back
    EXPECT_FALSE(LaunchLink(owner, HomePageLink(), L"C:\\Orvo"));
    EXPECT_TRUE(LaunchLink(owner, MakerHomeLink(), L"C:\\Orvo"));
    auto launches = ui.Launches();
    ASSERT_EQ(launches.size(), 2u);

    EXPECT_EQ(launches[0].kind, LaunchRequest::Kind::ShellExecute);
    EXPECT_EQ(launches[0].owner, owner);
    EXPECT_EQ(launches[0].verb, L"open");
    EXPECT_EQ(launches[0].parameters, L"");
    EXPECT_EQ(launches[0].directory, L"");
    EXPECT_EQ(launches[0].show, SW_SHOW);

    EXPECT_EQ(launches[1].kind, LaunchRequest::Kind::ShellExecute);
    EXPECT_EQ(launches[1].owner, owner);
    EXPECT_EQ(launches[1].verb, L"Open");
    EXPECT_EQ(launches[1].target, L"http://www.velmora.example");
    EXPECT_EQ(launches[1].parameters, L"");
    EXPECT_EQ(launches[1].directory, L"C:\\Orvo");
    EXPECT_EQ(launches[1].show, SW_SHOWNORMAL);
}

TEST(AboutText, NamesTheProgramVersionAndHomePage) {
    std::wstring text = AboutText();
    EXPECT_EQ(text.rfind(L"欧沃录音机 " ORVO_VERSION_TEXT, 0), 0u);
    EXPECT_NE(text.find(L"http://www.velmora.example"), std::wstring::npos);
    // Says what it does, not only its name (which holds "录音" too).
    EXPECT_NE(text.find(L"录音", std::wstring(L"欧沃录音机").size()), std::wstring::npos);
    // Both encoders and their licences, as the licences ask.
    EXPECT_NE(text.find(L"LAME 3.100"), std::wstring::npos);
    EXPECT_NE(text.find(L"LGPL"), std::wstring::npos);
    EXPECT_NE(text.find(L"libFLAC 1.4.2"), std::wstring::npos);
    EXPECT_NE(text.find(L"BSD"), std::wstring::npos);
}

}  // namespace
}  // namespace orvo::recorder
