// The recording control through the real window and device: each action's
// row of the state table, the save prompts, and the failures of the actions.
#include "tests/main_window/main_window_fixture.h"
#include "audio/wave_journal.h"
#include "audio/wave_recovery.h"
#include "tests/support/recovery_folder.h"
#include "base/rounding.h"
#include "base/text.h"
#include "recorder/resource.h"
#include "recorder/save/save_formats.h"
#include "tests/support/manual_clock.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

#include <algorithm>

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::TempFile;

TEST(ElapsedText, ShowsHoursMinutesAndSeconds) {
    const double s = 1.0 / 86400;
    EXPECT_EQ(ElapsedText(45000.5, 45000.5 + 125 * s), L"录音时间：2分5秒");
    EXPECT_EQ(ElapsedText(45000.5, 45000.5), L"录音时间：0分0秒");
    EXPECT_EQ(ElapsedText(45000.5, 45000.5 + 65 * 60 * s), L"录音时间：1小时5分0秒");
    EXPECT_EQ(ElapsedText(45000.5, 45000.5 + (59 * 60 + 59) * s), L"录音时间：59分59秒");
    // Date-times carry whole seconds; the difference is read to the nearest one.
    EXPECT_EQ(ElapsedText(45000.5, 45000.5 + 9.9996 * s), L"录音时间：0分10秒");
    SYSTEMTIME t{};
    t.wHour = 14;
    t.wMinute = 30;
    t.wSecond = 5;
    EXPECT_EQ(NewRecordingName(t), L"新录音文件143005.wav");
    t.wHour = 0;
    EXPECT_EQ(NewRecordingName(t), L"新录音文件003005.wav");
}

TEST_F(MainWindowTest, TimerTickShowsTheTimeSinceTheRecordStarted) {
    double now = 45000.25;
    form->clock = [&] { return now; };
    form->mnuRecord_Click();
    EXPECT_DOUBLE_EQ(form->dtRecordStart, 45000.25);
    now += 125.0 / 86400;
    form->TimerBar_Timer();
    EXPECT_EQ(form->LblFile.Text(), L"录音时间：2分5秒");
    now = 45000.25 + 61.0 * 60 / 86400;
    form->TimerBar_Timer();
    EXPECT_EQ(form->LblFile.Text(), L"录音时间：1小时1分0秒");
    form->mnuStop_Click();
    // After Stop the last elapsed text stays.
    EXPECT_EQ(form->LblFile.Text(), L"录音时间：1小时1分0秒");
}

// The system clock set back an hour during a take (or a daylight-saving
// change) does not move the time the file line counts.
TEST_F(MainWindowTest, TheTakesTimeIgnoresTheSystemClockBeingSet) {
    ManualClock time(133475616000000000);
    form->mnuRecord_Click();
    time.Advance(65000);
    time.ShiftWall(-3600000);
    form->TimerBar_Timer();
    EXPECT_EQ(form->LblFile.Text().substr(0, form->LblFile.Text().find(L'\n')), L"录音时间：1分5秒");
    form->mnuStop_Click();
}

TEST_F(MainWindowTest, RecordStopAndPlayFollowTheStateTable) {
    form->TbrRecord.Click(4);  // record
    EXPECT_EQ(Buttons(), "00010");
    EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
    EXPECT_TRUE(form->TimerBar.Enabled());
    EXPECT_TRUE(form->dBar1.Visible());
    EXPECT_EQ(form->dBar1.StyleValue(), 3);
    EXPECT_TRUE(form->dBar1.tmrBouncy.Enabled());
    EXPECT_EQ(form->blnModified, -1);
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
    // The elapsed time replaces the file name while recording.
    EXPECT_TRUE(PumpUntil([&] { return form->LblFile.Text().rfind(L"录音时间：", 0) == 0; }, 2000));

    form->TbrRecord.Click(3);  // stop
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
    EXPECT_FALSE(form->TimerBar.Enabled());
    EXPECT_FALSE(form->dBar1.Visible());
    EXPECT_FALSE(form->dBar1.tmrBouncy.Enabled());
    EXPECT_EQ(form->blnModified, -1);

    form->TbrRecord.Click(2);  // play
    EXPECT_EQ(Buttons(), "00010");
    EXPECT_EQ(form->Lblread.Text(), L"正在播放...");
    EXPECT_FALSE(form->TimerBar.Enabled());
    EXPECT_EQ(form->blnModified, -1);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(MainWindowTest, PlayOfTheEmptyNewElementIsStoppedByTheStatusUpdate) {
    form->mnuPlay_Click();
    EXPECT_EQ(form->Lblread.Text(), L"正在播放...");
    form->MMCRecord_StatusUpdate();
    EXPECT_EQ(form->sldRecord.Max(), 0);
    EXPECT_EQ(form->sldRecord.Value(), 0);
    EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
    EXPECT_EQ(Buttons(), "11101");
}

TEST_F(MainWindowTest, StatusUpdateWhileRecordingMovesTheSliderButStopsNothing) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() > 500; }, 5000));
    form->MMCRecord_StatusUpdate();
    EXPECT_GT(form->sldRecord.Max(), 500);
    EXPECT_EQ(form->sldRecord.TickFrequency(), static_cast<int>(RoundHalfEven(form->sldRecord.Max() / 20.0)));
    EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
}

TEST_F(MainWindowTest, NewAsksOnlyAfterARecordingAndKeepsTheButtonsAndTimer) {
    form->mnuNew_Click();  // nothing recorded: no question
    EXPECT_TRUE(ui.Messages().empty());

    form->mnuRecord_Click();
    ui.messageAnswers = {IDCANCEL};
    form->mnuNew_Click();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"当前文件已经被更新，是否保存？");
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(form->blnModified, -1);
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);

    // No: a new element while the toolbar, label and timer stay as they were.
    ui.messageAnswers = {IDNO};
    form->mnuNew_Click();
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + form->NewFileName());
    EXPECT_EQ(Buttons(), "00010");
    EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
    EXPECT_TRUE(form->TimerBar.Enabled());
    EXPECT_EQ(form->MMCRecord.Length(), 0u);
    EXPECT_TRUE(ui.Dialogs().empty());
    // ...so its next tick writes the elapsed time over the new name.
    EXPECT_TRUE(PumpUntil([&] { return form->LblFile.Text().rfind(L"录音时间：", 0) == 0; }, 2000));
}

TEST_F(MainWindowTest, NewWithYesSavesFirstAndACancelledSaveKeepsTheRecording) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 400; }, 5000));
    form->mnuStop_Click();
    uint32_t length = form->MMCRecord.Length();
    ASSERT_GT(length, 0u);

    // Yes, then the save dialog is cancelled: nothing may be thrown away.
    ui.messageAnswers = {IDYES};
    form->mnuNew_Click();
    ASSERT_EQ(ui.Dialogs().size(), 1u);
    EXPECT_TRUE(ui.Dialogs()[0].save);
    EXPECT_EQ(ui.Dialogs()[0].filter, kSaveFilter);
    EXPECT_EQ(ui.Dialogs()[0].fileName, form->NewFileName());
    EXPECT_EQ(form->blnModified, -1);
    EXPECT_EQ(form->MMCRecord.Length(), length);

    // Yes and a file name: saved, then the new element.
    TempFile file;
    ui.messageAnswers = {IDYES};
    ui.dialogAnswers = {file.Path()};
    form->mnuNew_Click();
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    EXPECT_NEAR(wav.Seconds() * 1000, length, 50);
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(form->MMCRecord.Length(), 0u);
}

TEST_F(MainWindowTest, SaveAsksBeforeReplacingAFileAndLeavesTheStateAlone) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    TempFile file;
    ASSERT_TRUE(orvo::test::WriteRawFile(file.Path(), {'o', 'l', 'd'}));
    std::wstring label = form->LblFile.Text();

    ui.dialogAnswers = {file.Path()};
    ui.messageAnswers = {IDNO};
    form->mnuSave_Click();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
    orvo::test::WavContents wav;
    EXPECT_FALSE(orvo::test::ReadWavFile(file.Path(), wav));  // still the old bytes

    ui.dialogAnswers = {file.Path()};
    ui.messageAnswers = {IDYES};
    form->TbrRecord.Click(5);
    EXPECT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    EXPECT_EQ(form->blnModified, -1);
    EXPECT_EQ(form->LblFile.Text(), label);
    EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
    EXPECT_EQ(Buttons(), "11101");
}

TEST_F(MainWindowTest, AFailedSaveIsShownWithItsText) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 200; }, 5000));
    form->mnuStop_Click();
    ui.dialogAnswers = {L"Q:\\no such folder\\x.wav"};
    ui.messageAnswers = {IDOK, IDNO};
    form->mnuSave_Click();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_FALSE(ui.Messages()[0].text.empty());
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type & MB_ICONMASK, UINT(MB_ICONINFORMATION));

    // Exit, Yes, the save fails, and No to keeping it for the next start:
    // the program stays with its recording.
    ui.Clear();
    ui.messageAnswers = {IDYES, IDOK, IDNO};
    ui.dialogAnswers = {L"Q:\\no such folder\\x.wav"};
    form->mnuExit_Click();
    EXPECT_EQ(form->programEnds, 0);
    ASSERT_NE(form->Hwnd(), nullptr);
    EXPECT_EQ(form->blnModified, -1);
}

TEST_F(MainWindowTest, ExitAsksAfterARecordingAndEndsWithoutTheCloseHandler) {
    form->mnuRecord_Click();
    form->mnuStop_Click();

    ui.messageAnswers = {IDCANCEL};
    form->mnuExit_Click();
    EXPECT_EQ(form->programEnds, 0);

    ui.messageAnswers = {IDYES};  // and the save dialog is cancelled
    form->mnuExit_Click();
    EXPECT_EQ(form->programEnds, 0);
    EXPECT_NE(form->Hwnd(), nullptr);

    ui.messageAnswers = {IDNO};
    form->TbrRecord.Click(9);
    EXPECT_EQ(form->programEnds, 1);
    EXPECT_EQ(form->Hwnd(), nullptr);
    EXPECT_EQ(form->closeRequests, 0);
}

TEST_F(MainWindowTest, ExitWithYesSavesThenEnds) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    TempFile file;
    ui.messageAnswers = {IDYES};
    ui.dialogAnswers = {file.Path()};
    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_EQ(form->programEnds, 1);
    orvo::test::WavContents wav;
    EXPECT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
}

// A take recorded into the middle of an opened file, still running at Exit:
// the take ends first, and the file saved is the element exactly, the
// opened file's head and tail around the take.
TEST_F(MainWindowTest, ExitDuringATakeInTheMiddleSavesTheWholeElement) {
    TempFile opened, saved;
    const WAVEFORMATEX f = orvo::test::MakePcmFormat(44100, 16, 2);
    const std::vector<uint8_t> tone = orvo::test::SineBytes(f, 1000, 2.0, 0.25);
    ASSERT_TRUE(orvo::test::WriteWavFile(opened.Path(), f, tone));
    ui.dialogAnswers = {opened.Path()};
    form->mnuOpen_Click();
    ASSERT_EQ(form->MMCRecord.Length(), 2000u);
    form->mnuPlay_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Position() >= 400; }, 5000));
    form->mnuStop_Click();
    ASSERT_LT(form->MMCRecord.Position(), 1500u);
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 2700; }, 5000));

    ui.messageAnswers = {IDYES};
    ui.dialogAnswers = {saved.Path()};
    form->mnuExit_Click();
    EXPECT_EQ(form->programEnds, 1);
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(saved.Path(), wav));
    ASSERT_GE(wav.data.size(), tone.size() + f.nAvgBytesPerSec / 2);
    const size_t edge = f.nAvgBytesPerSec * 4 / 10;  // 0.4 s, inside the head and the tail
    EXPECT_TRUE(std::equal(tone.begin(), tone.begin() + edge, wav.data.begin())) << "the head";
    EXPECT_TRUE(std::equal(tone.end() - edge, tone.end(), wav.data.end() - edge)) << "the tail";
}

// A save that fails at Exit: the recording may be kept for the next start
// instead of being given up with "No".
TEST_F(MainWindowTest, ExitAfterAFailedSaveKeepsTheRecordingForTheNextStart) {
    orvo::test::ScopedRecoveryRoot root;
    form->NewRecordFile();
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    ui.messageAnswers = {IDYES, IDOK, IDYES};  // save; the failure; keep it
    ui.dialogAnswers = {L"C:\\no such folder here\\take.wav"};
    form->mnuExit_Click();
    ASSERT_EQ(ui.Messages().size(), 3u);
    EXPECT_EQ(form->programEnds, 1);
    std::vector<Leftover> found = FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GE(found[0].Milliseconds(), 300u);
}

TEST_F(MainWindowTest, ExitWithoutARecordingEndsAtOnce) {
    form->mnuExit_Click();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form->programEnds, 1);
}

TEST_F(MainWindowTest, PlayAfterARecordingStartsFromTheBeginning) {
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
    form->TbrRecord.Click(3);
    ASSERT_EQ(form->MMCRecord.Position(), form->MMCRecord.Length()) << "a take leaves the position at its end";
    form->TbrRecord.Click(2);
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Playing);
    EXPECT_LT(form->MMCRecord.Position(), 500u);
}

TEST_F(MainWindowTest, NewAndSaveReachTheirHandlersFromTheToolbarAndTheFileMenu) {
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->TbrRecord.Click(3);
    std::wstring elapsed = form->LblFile.Text();

    // 文件 → 保存
    TempFile file;
    ui.dialogAnswers = {file.Path()};
    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_SAVE, 0), 0);
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    EXPECT_NEAR(wav.Seconds() * 1000, form->MMCRecord.Length(), 1);

    // 文件 → 新建, cancelled at the prompt, then toolbar button 1 with No.
    ui.Clear();
    ui.messageAnswers = {IDCANCEL};
    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_NEW, 0), 0);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"当前文件已经被更新，是否保存？");
    EXPECT_EQ(form->LblFile.Text(), elapsed);
    ui.messageAnswers = {IDNO};
    form->TbrRecord.Click(1);
    EXPECT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(form->MMCRecord.Length(), 0u);
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + form->NewFileName());
    // Unmodified now: the menu's New goes straight on.
    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_NEW, 0), 0);
    EXPECT_EQ(ui.Messages().size(), 2u);
}

// The device cannot make its store (the recovery folder is a file): start-up
// says why and skips its remaining steps, as any failure of the load does.
TEST(StartUp, AFailureOfTheLoadIsShownAndEndsTheStartUp) {
    ScriptedUi ui;
    TempFile notAFolder;
    ASSERT_TRUE(orvo::test::WriteRawFile(notAFolder.Path(), {'x'}));
    const std::wstring root = RecoveryRoot();
    SetRecoveryRoot(notAFolder.Path());
    TestableFrmMain form;
    bool created = form.Create();
    SetRecoveryRoot(root);
    ASSERT_TRUE(created);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text.rfind(L"无法建立新的录音：", 0), 0u) << WideToUtf8(ui.Messages()[0].text);
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    // The steps after the failure did not run.
    EXPECT_TRUE(form.TbrRecord.ButtonEnabled(L"stop"));
    EXPECT_TRUE(form.dBar1.Visible());
}

// The program's start paints the window first; the load (mixer, element)
// comes with the loop's first message, before anything the user does.
TEST(StartUp, TheProgramPaintsTheWindowBeforeTheLoad) {
    ScriptedUi ui;
    TestableFrmMain form;
    ASSERT_TRUE(form.CreateAndShow(SW_SHOWNA));
    EXPECT_FALSE(GetUpdateRect(form.Hwnd(), nullptr, FALSE)) << "painted";
    EXPECT_FALSE(form.mVolume);
    EXPECT_FALSE(form.TbrRecord.ButtonEnabled(L"stop"));
    EXPECT_FALSE(form.dBar1.Visible());
    ASSERT_TRUE(PumpUntil([&] { return form.MMCRecord.FileName() == L"new"; }, 5000));
    EXPECT_TRUE(form.mVolume);
    EXPECT_TRUE(IsWindowEnabled(form.Hwnd())) << "closed to input during the load only";
}

TEST_F(MainWindowTest, AFailureInsidePlayIsReportedFromToolbarAndMenu) {
    // With the status label gone, Play cannot finish.
    DestroyWindow(form->Lblread.Hwnd());
    form->TbrRecord.Click(2);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(ui.Messages()[0].text.empty());
    // The steps after the failure did not happen.
    EXPECT_EQ(Buttons(), "11101");

    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_PLAY, 0), 0);
    EXPECT_EQ(ui.Messages().size(), 2u);
    // Record resumes past the failing step: no message, and the rest is done.
    form->mnuRecord_Click();
    EXPECT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(Buttons(), "00010");
    EXPECT_TRUE(form->TimerBar.Enabled());
}

}  // namespace
}  // namespace orvo::recorder::test
