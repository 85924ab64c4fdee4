// The main window's help, link and conversion commands, driven through the
// window itself: its handlers, its menu and its toolbars.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorder/main_window/frm_main.h"
#include "recorder/links/help_links.h"
#include "base/text.h"
#include "tests/support/scripted_ui.h"
#include "recorder/resource.h"
#include "orvo_version.h"

namespace orvo::recorder {
namespace {

std::wstring CurrentFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    return std::wstring(buffer, n);
}

class HelpCommands : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create());
        ui.Clear();  // whatever start-up asked is not under test here
    }

    // The one launch the last command asked for.
    LaunchRequest OnlyLaunch() {
        auto launches = ui.Launches();
        EXPECT_EQ(launches.size(), 1u);
        ui.Clear();
        return launches.empty() ? LaunchRequest{} : launches[0];
    }

    void ExpectShell(const LaunchRequest& r, const wchar_t* verb, const std::wstring& target, bool fromFolder) {
        EXPECT_EQ(r.kind, LaunchRequest::Kind::ShellExecute);
        EXPECT_EQ(r.owner, window.Hwnd());
        EXPECT_EQ(r.verb, verb);
        EXPECT_EQ(r.target, target);
        EXPECT_EQ(r.parameters, L"");
        if (fromFolder) {
            EXPECT_EQ(_wcsicmp(r.directory.c_str(), CurrentFolder().c_str()), 0) << WideToUtf8(r.directory);
            EXPECT_EQ(r.show, SW_SHOWNORMAL);
        } else {
            EXPECT_EQ(r.directory, L"");
            EXPECT_EQ(r.show, SW_SHOW);
        }
    }

    void ExpectNotepad(const LaunchRequest& r, const wchar_t* file) {
        EXPECT_EQ(r.kind, LaunchRequest::Kind::CommandLine);
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        std::wstring prefix = L"\"" + std::wstring(windows) + L"\\notepad.exe\" ";
        ASSERT_EQ(r.target.rfind(prefix, 0), 0u) << WideToUtf8(r.target);
        std::wstring path = r.target.substr(prefix.size());
        EXPECT_EQ(_wcsicmp(path.c_str(), (CurrentFolder() + L"\\" + file).c_str()), 0) << WideToUtf8(path);
        EXPECT_EQ(r.show, SW_SHOWNORMAL);
    }

    ScriptedUi ui;
    FrmMain window;
};

TEST_F(HelpCommands, HelpMenuHandlersLaunchTheirTargetsInTheirStyles) {
    window.mnuHowtoUsed_Click();
    ExpectNotepad(OnlyLaunch(), L"readme.txt");
    window.mnuProblem_Click();
    ExpectNotepad(OnlyLaunch(), L"FAQ.txt");
    window.mnuHome_Click();
    ExpectShell(OnlyLaunch(), L"open", L"http://www.velmora.example/softinfo/orvorecord.htm", false);
    window.mnuGuestbook_Click();
    ExpectShell(OnlyLaunch(), L"open", L"http://guestbook.velmora.example", false);
    window.mnuMail_Click();
    ExpectShell(OnlyLaunch(), L"open", L"mailto:feedback@velmora.example?subject=欧沃录音机意见反馈", false);
    window.mnuVelmora_Click();
    ExpectShell(OnlyLaunch(), L"Open", L"http://www.velmora.example", true);
    window.mnuVMSprite_Click();
    ExpectShell(OnlyLaunch(), L"Open", L"http://www.velmora.example/softinfo/orvovelmorasprite.htm", true);
    window.mnuSoftDZ_Click();
    ExpectShell(OnlyLaunch(), L"Open", L"http://www.velmora.example/orvocustomization.htm", true);
    EXPECT_TRUE(ui.Messages().empty());
}

// Launches that fail stay silent: Notepad reports its own missing file, and
// the shell's answer is ignored.
TEST_F(HelpCommands, FailingLaunchesShowNothing) {
    ui.launchAnswers = {false, false, false, false, false, false, false, false};
    window.mnuHowtoUsed_Click();
    window.mnuProblem_Click();
    window.mnuHome_Click();
    window.mnuGuestbook_Click();
    window.mnuMail_Click();
    window.mnuVelmora_Click();
    window.mnuVMSprite_Click();
    window.mnuSoftDZ_Click();
    EXPECT_EQ(ui.Launches().size(), 8u);
    EXPECT_TRUE(ui.Messages().empty());
}

// The menu items reach the same commands as the handlers called directly.
TEST_F(HelpCommands, HelpMenuItemsRunTheirHandlers) {
    const std::pair<UINT, const wchar_t*> items[] = {
        {IDM_HOWTOUSED, L"readme.txt"},
        {IDM_PROBLEM, L"FAQ.txt"},
        {IDM_HOME, L"/softinfo/orvorecord.htm"},
        {IDM_GUESTBOOK, L"http://guestbook."},
        {IDM_MAIL, L"mailto:"},
        {IDM_VELMORA, L"http://www.velmora.example"},
        {IDM_VMSPRITE, L"/softinfo/orvovelmorasprite.htm"},
        {IDM_SOFTDZ, L"/orvocustomization.htm"},
    };
    for (const auto& [id, part] : items) {
        SendMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        LaunchRequest r = OnlyLaunch();
        EXPECT_NE(r.target.find(part), std::wstring::npos) << id << " " << WideToUtf8(r.target);
    }
    SendMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    EXPECT_EQ(ui.Messages().size(), 1u);
    SendMessageW(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_TOMP3, 0), 0);
    EXPECT_EQ(ui.Dialogs().size(), 1u);  // the WAV file is asked for first
}

TEST_F(HelpCommands, RecordToolbarHelpUpdateAndGuestbookRunTheMenuCommands) {
    window.TbrRecord_ButtonClick({6, L"help"});
    ExpectNotepad(OnlyLaunch(), L"readme.txt");
    window.TbrRecord_ButtonClick({7, L"update"});
    ExpectShell(OnlyLaunch(), L"open", L"http://www.velmora.example/softinfo/orvorecord.htm", false);
    window.TbrRecord_ButtonClick({8, L"guestbook"});
    ExpectShell(OnlyLaunch(), L"open", L"http://guestbook.velmora.example", false);
}

TEST_F(HelpCommands, LinkToolbarOpensButtonsOneToFiveFromTheProgramFolder) {
    const wchar_t* targets[] = {L"http://www.velmora.example", L"http://nav.velmora.example",
                                L"http://tv.velmora.example", L"http://www.velmora.example/orvocustomization.htm",
                                L"http://www.velmora.example/orvogoodware.htm"};
    for (int index = 1; index <= 5; ++index) {
        window.tbrOther.Click(index);  // the real toolbar's click path
        ExpectShell(OnlyLaunch(), L"Open", targets[index - 1], true);
    }
    window.tbrOther_ButtonClick({0, L""});
    window.tbrOther_ButtonClick({6, L"more"});
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(HelpCommands, AboutBoxNamesProgramVersionAndHome) {
    window.mnuAbout_Click();
    auto messages = ui.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, window.Hwnd());
    EXPECT_EQ(messages[0].title, L"欧沃录音机");
    EXPECT_EQ(messages[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_NE(messages[0].text.find(L"" ORVO_VERSION_TEXT), std::wstring::npos);
    EXPECT_NE(messages[0].text.find(L"http://www.velmora.example"), std::wstring::npos);
}

TEST_F(HelpCommands, ConvertButtonRunsTheMenuCommand) {
    ui.dialogAnswers = {L"C:\\nowhere\\missing.wav", L"C:\\nowhere\\missing.mp3"};
    window.cmdConvert.Click();
    auto dialogs = ui.Dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].owner, window.Hwnd());
    auto messages = ui.Messages();
    ASSERT_EQ(messages.size(), 1u);  // the missing file, through the trap
    EXPECT_EQ(messages[0].title, L"欧沃录音机");
    EXPECT_EQ(messages[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_NE(messages[0].text.find(L"missing.wav"), std::wstring::npos);
}

}  // namespace
}  // namespace orvo::recorder
