#include "tests/support/scripted_ui.h"

#include <gtest/gtest.h>

#include "base/failure.h"
#include "win/report.h"
#include "base/rounding.h"

namespace orvo {
namespace {

TEST(ScriptedUi, RecordsRequestsAndAnswersFromTheScript) {
    ScriptedUi ui;
    ui.messageAnswers = {IDNO};
    ui.dialogAnswers = {L"C:\\a.wav"};
    ui.launchAnswers = {false};
    EXPECT_EQ(ShowMessage(nullptr, L"text", L"title", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(ShowMessage(nullptr, L"again", L"title", MB_YESNOCANCEL), IDYES);  // unscripted: first button
    FileDialogRequest d;
    d.filter = L"*.wav|*.wav";
    EXPECT_EQ(Ui().FileDialog(d), L"C:\\a.wav");
    EXPECT_EQ(Ui().FileDialog(d), L"");  // unscripted: cancelled
    EXPECT_FALSE(StartCommandLine(L"notepad.exe x", SW_SHOWNORMAL));
    EXPECT_TRUE(ShellOpen(nullptr, L"open", L"http://a.example", L"", L"", SW_SHOW));

    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    ASSERT_EQ(ui.Launches().size(), 2u);
    EXPECT_EQ(ui.Launches()[0].kind, LaunchRequest::Kind::CommandLine);
    EXPECT_EQ(ui.Launches()[1].verb, L"open");
    EXPECT_EQ(ui.Log().size(), 6u);
}

TEST(ScriptedUi, RestoresThePreviousSeam) {
    UiSeam* real = &Ui();
    {
        ScriptedUi outer;
        {
            ScriptedUi inner;
            EXPECT_EQ(&Ui(), &inner);
        }
        EXPECT_EQ(&Ui(), &outer);
    }
    EXPECT_EQ(&Ui(), real);
}

// The real question window, answered by pressing its buttons as a user
// would: the task dialog, or the message box where that is missing.
const wchar_t kChoiceTitle[] = L"恢复录音";
const wchar_t* g_press = nullptr;

BOOL CALLBACK PressIfNamed(HWND child, LPARAM) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) != g_press) return TRUE;
    SendMessageW(child, BM_CLICK, 0, 0);
    return FALSE;
}

void CALLBACK PressWhenShown(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowW(nullptr, kChoiceTitle);
    if (dialog && IsWindowVisible(dialog)) EnumChildWindows(dialog, PressIfNamed, 0);
}

int AskForReal(const wchar_t* press) {
    ChoiceRequest r;
    r.title = kChoiceTitle;
    r.text = L"发现上次没有保存的录音";
    r.buttons = {L"恢复", L"另存为", L"丢弃"};
    g_press = press;
    UiSeam* unscripted = SetUi(nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressWhenShown);
    int answer = Ui().Choice(r);
    KillTimer(nullptr, timer);
    SetUi(unscripted);
    return answer;
}

// (Wine's task dialog ignores Esc unless it has a Cancel button of its own,
// so only the buttons are pressed here.)
TEST(RealUi, AChoiceAnswersWithThePositionOfThePressedButton) {
    bool taskDialog = GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect") != nullptr;
    EXPECT_EQ(AskForReal(taskDialog ? L"另存为" : L"否"), 1);
    EXPECT_EQ(AskForReal(taskDialog ? L"丢弃" : L"取消"), 2);
}

TEST(Failure, TrapReportsWithInformationIconAndResumeSwallows) {
    ScriptedUi ui;
    EXPECT_FALSE(TrapAndReport(nullptr, L"欧沃录音机", [] { Fail(L"device busy"); }));
    EXPECT_TRUE(TrapAndReport(nullptr, L"欧沃录音机", [] {}));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"device busy");
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    int after = 0;
    EXPECT_FALSE(Resume([] { Fail(L"x"); }));
    Resume([&] { after = 1; });
    EXPECT_EQ(after, 1);
}

TEST(Rounding, TiesGoToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(3.4999), 3);
}

TEST(DialogFilter, BarsBecomeNuls) {
    std::wstring f = DialogFilterFromBars(L"*.wav|*.wav");
    ASSERT_EQ(f.size(), 13u);
    EXPECT_EQ(f[5], L'\0');
    EXPECT_EQ(f.substr(6, 5), L"*.wav");
}

}  // namespace
}  // namespace orvo
