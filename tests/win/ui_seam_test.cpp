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
