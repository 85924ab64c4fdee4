// Timed takes for real, on the main window's own device and the test set-up's
// 440 Hz source: a schedule armed in the 定时录音 window that starts by the
// driven clock and saves its one file by itself, a split take whose files
// join without a gap or a sample twice, and a schedule that outlives the
// process that armed it.
#include <cstdlib>

#include <algorithm>
#include <string>
#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "recorder/timer/frm_timer_record.h"
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/helper_process.h"
#include "tests/support/host_command.h"
#include "tests/support/manual_clock.h"
#include "tests/support/pump.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"
#include "tests/support/window_checks.h"
#include "win/window_tools.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::ReadWavFile;
using orvo::test::WavContents;

// The WAV files in folder, by name.
std::vector<std::wstring> WavFilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*.wav").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(folder + L"\\" + found.cFileName);
    while (FindNextFileW(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Every 50 ms of the file holds sound.
void ExpectUnbroken(const WavContents& wav) {
    std::vector<double> s = orvo::test::ChannelSamples(wav);
    const size_t step = wav.format.nSamplesPerSec / 20;
    for (size_t at = 0; at + step <= s.size(); at += step)
        ASSERT_GT(orvo::test::Rms({s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + step)}), 0.1)
            << "at " << at * 1000 / wav.format.nSamplesPerSec << " ms";
}

class TimedTakeTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "needs the sound server";
        ForgetSchedule();
        orvo::test::RemoveTree(folder.Path());
        ASSERT_TRUE(CreateDirectoryW(folder.Path().c_str(), nullptr));
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        ForgetSchedule();
        orvo::test::RemoveTree(folder.Path());
    }
    // Pumps while a condition is not met, failing when one stretch of the
    // window's work took longer than a user would wait for an answer.
    bool PumpAnswering(const std::function<bool()>& done, DWORD timeout) {
        DWORD began = GetTickCount(), longest = 0;
        while (!done() && GetTickCount() - began < timeout) {
            DWORD before = GetTickCount();
            orvo::test::PumpMessagesFor(20);
            if (FrmTimerRecord* w = form->TimerWindow()) {
                DWORD_PTR result = 0;
                EXPECT_TRUE(SendMessageTimeoutW(w->Hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result));
            }
            longest = std::max(longest, GetTickCount() - before);
        }
        // Generous: the start of a take opens the input on this thread, and the
        // machine is shared; a box or a wait for the take would take far longer.
        EXPECT_LT(longest, 2000u) << "the window did not answer for " << longest << " ms";
        return done();
    }
    bool Saved(size_t files) {
        return WavFilesIn(folder.Path()).size() >= files && form->sb1.PanelText(2).rfind(L"定时录音已保存到", 0) == 0;
    }

    orvo::test::ScopedRecoveryRoot root;
    orvo::test::TempFile folder{L""};
};

TEST_F(TimedTakeTest, AScheduleArmedInTheWindowStartsByTheClockAndSavesOneUnbrokenFile) {
    ManualClock clock(TheClock().WallUtc());
    form->mnuTimerRecord_Click();
    FrmTimerRecord* w = form->TimerWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindow(w->Hwnd(), GW_OWNER), form->Hwnd());
    w->cboStart.SetSelectedIndex(2);
    w->cboStart_Change();
    w->txtStart.SetText(L"0:00:05");
    w->cboStop.SetSelectedIndex(1);
    w->cboStop_Change();
    w->txtStop.SetText(L"0:00:10");
    w->cboSource.SetSelectedIndex(0);
    w->txtFolder.SetText(folder.Path());
    w->cboFormat.SetSelectedIndex(0);
    w->txtSplit.SetText(L"0");
    // Enter arms it, as 开始 does.
    SendMessageW(w->Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(form->Timed().State(), ScheduleState::Armed);
    EXPECT_EQ(w->StatusText(), L"将在 " + LocalClockText(form->Timed().Armed().startUtc) + L" 开始录音\n还剩 0:00:05");
    EXPECT_EQ(form->sb1.PanelText(2).rfind(L"定时录音：将在 ", 0), 0u);
    EXPECT_FALSE(w->cmdStart.Enabled());
    EXPECT_TRUE(w->cmdStop.Enabled());
    ArmedSchedule stored;
    EXPECT_EQ(LoadSchedule(stored), StoredSchedule::Found);

    // Waiting: the window answers, nothing records.
    PumpAnswering([] { return false; }, 1000);
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Stopped);
    clock.Advance(4900);
    PumpAnswering([] { return false; }, 300);
    EXPECT_EQ(form->Timed().State(), ScheduleState::Armed);
    clock.Advance(100);
    ASSERT_TRUE(PumpAnswering([&] { return form->Timed().State() == ScheduleState::Running; }, 2000));
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
    EXPECT_EQ(w->StatusText().rfind(L"正在定时录音", 0), 0u);
    EXPECT_TRUE(form->TbrRecord.ButtonEnabled(L"stop"));
    // The clock runs 12 s ahead of the sound, as after a sleep the system
    // did not announce: the gap is told and marked where the take is.
    clock.Advance(12'000);
    ASSERT_TRUE(PumpAnswering([&] { return !form->MMCRecord.Marks().empty(); }, 2000));
    const std::wstring mark = form->MMCRecord.Marks()[0].name;
    // The sound the input had handed over by then is not part of the gap.
    const int seconds = _wtoi(mark.c_str() + 3);
    EXPECT_TRUE(mark.rfind(L"休眠 ", 0) == 0 && mark.back() == L'秒' && seconds >= 9 && seconds <= 12)
        << WideToUtf8(mark);
    EXPECT_EQ(form->sb1.PanelText(2).rfind(L"计算机曾经休眠", 0), 0u);

    // The take ends by itself after its ten seconds and is saved.
    ASSERT_TRUE(PumpAnswering([&] { return form->Timed().State() == ScheduleState::Done; }, 30000));
    ASSERT_TRUE(PumpAnswering([&] { return Saved(1); }, 20000));
    std::vector<std::wstring> files = WavFilesIn(folder.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(form->sb1.PanelText(2), L"定时录音已保存到 " + files[0]);
    WavContents wav;
    ASSERT_TRUE(ReadWavFile(files[0], wav));
    EXPECT_NEAR(wav.Seconds(), 10.0, 0.05);
    EXPECT_NEAR(orvo::test::MeasureFrequency(orvo::test::ChannelSamples(wav), wav.format.nSamplesPerSec), 440.0, 5.0);
    ExpectUnbroken(wav);
    EXPECT_TRUE(ui.Messages().empty()) << "no box for a take that went as planned";
    EXPECT_EQ(LoadSchedule(stored), StoredSchedule::None);
    EXPECT_FALSE(form->blnModified) << "saved by itself: nothing to ask about";
    // Esc with nothing armed closes the window.
    SendMessageW(w->Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(form->TimerWindow(), nullptr);
}

// The window without a mouse: Tab runs through the fields in order, Alt and
// a caption's letter reaches its field, Esc cancels what Enter armed; the
// folder comes from the browser through the UI seam.
TEST_F(TimedTakeTest, TheWindowIsReachedByKeysAndEscCancelsWhatEnterArmed) {
    form->mnuTimerRecord_Click();
    FrmTimerRecord* w = form->TimerWindow();
    ASSERT_NE(w, nullptr);
    w->cboStart.SetSelectedIndex(2);
    w->cboStart_Change();
    std::vector<HWND> order;
    HWND at = w->cboStart.Hwnd();
    do {
        order.push_back(at);
        at = GetNextDlgTabItem(w->Hwnd(), at, FALSE);
    } while (at && at != order.front() && order.size() < 30);
    const std::vector<HWND> expected = {w->cboStart.Hwnd(),  w->txtStart.Hwnd(),   w->cboStop.Hwnd(),
                                        w->txtStop.Hwnd(),   w->cboSource.Hwnd(),  w->txtFolder.Hwnd(),
                                        w->cmdBrowse.Hwnd(), w->cboFormat.Hwnd(),  w->txtPattern.Hwnd(),
                                        w->txtSplit.Hwnd(),  w->cmdStart.Hwnd(),   w->cmdStop.Hwnd()};
    std::vector<HWND> enabled;
    for (HWND h : expected)
        if (IsWindowEnabled(h)) enabled.push_back(h);
    EXPECT_EQ(order, enabled);
    w->cboStart.SetFocus();
    MSG alt{w->cboStart.Hwnd(), WM_SYSCHAR, L'f', 1 << 29, 0, {}};
    EXPECT_TRUE(TranslateAppMessage(alt, form->Hwnd(), form->Accelerators()));
    EXPECT_EQ(GetFocus(), w->txtFolder.Hwnd());

    ui.folderAnswers = {folder.Path()};
    w->cmdBrowse.Click();
    EXPECT_EQ(ui.folderRequests, 1);
    EXPECT_EQ(w->txtFolder.Text(), folder.Path());
    // Keys reach the window's own handlers through the program's loop.
    MSG enter{w->txtPattern.Hwnd(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(TranslateAppMessage(enter, form->Hwnd(), form->Accelerators()));
    EXPECT_EQ(form->Timed().State(), ScheduleState::Armed);
    EXPECT_EQ(form->sb1.PanelText(2).rfind(L"定时录音：将在 ", 0), 0u);
    MSG esc{w->cmdStop.Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(TranslateAppMessage(esc, form->Hwnd(), form->Accelerators()));
    EXPECT_EQ(form->Timed().State(), ScheduleState::None);
    EXPECT_NE(form->TimerWindow(), nullptr) << "the first Esc only cancels";
    ArmedSchedule stored;
    EXPECT_EQ(LoadSchedule(stored), StoredSchedule::None);
    EXPECT_EQ(form->sb1.PanelText(2).rfind(L"维莫拉主页", 0), 0u);
}

TEST_F(TimedTakeTest, TheWindowFitsAtTheScaleAndFollowsANewScale) {
    form->mnuTimerRecord_Click();
    FrmTimerRecord* w = form->TimerWindow();
    ASSERT_NE(w, nullptr);
    const int dpi = w->Dpi();
    orvo::test::ExpectPrefixDpi(dpi);
    orvo::test::ExpectTidy(w->Hwnd(), L"timer");
    orvo::test::ExpectNamed(w->Hwnd(), L"timer");
    const int to = orvo::test::OtherDpi(dpi);
    orvo::test::ExpectTakesNewDpi(w->Hwnd(), dpi, to);
    orvo::test::ExpectTidy(w->Hwnd(), L"timer at the new scale");
    orvo::test::ExpectAt(w->cmdStop.Hwnd(), w->cmdStop.Rect(), to);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(w->txtFolder.Hwnd(), WM_GETFONT, 0, 0)), DialogFont(to));
}

TEST_F(TimedTakeTest, ASplitTakeIsSavedAsFilesThatJoinIntoTheWholeElement) {
    if (!orvo::test::HostCommandsAvailable()) GTEST_SKIP() << "needs host commands";
    // A sweep into the scripted microphone: unlike the steady tone, no
    // stretch of it repeats, so a sample missing or doubled at a join shows.
    const std::string line =
        "f=/tmp/orvo-timer-sweep.wav; sox -q -n -r 44100 -c 2 -b 16 $f synth 9 sine 300-3000 vol 0.5 && "
        "(paplay --device=mic2 $f >/dev/null 2>&1 &)";
    ASSERT_TRUE(orvo::test::RunHostCommand({"sh", "-c", line}));
    orvo::test::PumpMessagesFor(700);
    Schedule s;
    s.source = L"device:In: mic2";
    s.start = StartMode::Now;
    s.stop = StopMode::After;
    s.stopAfterSeconds = 6;
    s.splitSeconds = 2;
    s.target.folder = folder.Path();
    s.target.pattern = L"段_HHMMSS";
    form->Timed().Arm(s);
    ASSERT_EQ(form->Timed().State(), ScheduleState::Running);
    // The first piece is written while the take goes on.
    ASSERT_TRUE(PumpUntil([&] { return !WavFilesIn(folder.Path()).empty(); }, 10000));
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
    ASSERT_TRUE(PumpUntil([&] { return form->Timed().State() == ScheduleState::Done && Saved(3); }, 30000));

    orvo::test::TempFile whole;
    ASSERT_EQ(form->MMCRecord.Save(whole.Path()), 0u);
    WavContents all;
    ASSERT_TRUE(ReadWavFile(whole.Path(), all));
    ASSERT_EQ(all.Frames(), 6u * all.format.nSamplesPerSec);
    std::vector<std::wstring> files = WavFilesIn(folder.Path());
    ASSERT_EQ(files.size(), 3u);
    std::vector<uint8_t> joined;
    for (const std::wstring& f : files) {
        WavContents piece;
        ASSERT_TRUE(ReadWavFile(f, piece));
        EXPECT_EQ(piece.Frames(), 2u * all.format.nSamplesPerSec) << WideToUtf8(f);
        joined.insert(joined.end(), piece.data.begin(), piece.data.end());
    }
    // Sample for sample the element: no gap, nothing twice at a join.
    EXPECT_TRUE(joined == all.data);
    EXPECT_NEAR(orvo::test::Rms(orvo::test::ChannelSamples(all)), 0.35, 0.1) << "the sweep was recorded";
}

TEST_F(TimedTakeTest, AScheduleArmedByAKilledProcessIsFoundArmedAndRuns) {
    form.reset();
    ScopedHandle process = orvo::test::StartHelper(L"orvo_timer_child.exe", {folder.Path(), L"6", L"3"});
    ASSERT_TRUE(process);
    const std::wstring marker = folder.Path() + L"\\armed";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(marker) || WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; },
                          20000));
    ASSERT_TRUE(FileExists(marker));
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 10000);

    form = std::make_unique<TestableFrmMain>();
    ASSERT_TRUE(form->Create());
    ASSERT_EQ(form->Timed().State(), ScheduleState::Armed);
    EXPECT_GT(form->Timed().MillisecondsLeft(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return form->Timed().State() == ScheduleState::Done && Saved(1); }, 40000));
    std::vector<std::wstring> files = WavFilesIn(folder.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].find(L"定时_"), std::wstring::npos);
    WavContents wav;
    ASSERT_TRUE(ReadWavFile(files[0], wav));
    EXPECT_EQ(wav.Frames(), 3u * wav.format.nSamplesPerSec);
}

// A take of a schedule cut short by a kill: at the next start the schedule
// records on at once into a new file until its stop, with no question in the
// way; the cut recording is offered as any leftover is, once it is over.
TEST_F(TimedTakeTest, AfterACrashTheScheduleRecordsOnFirstAndTheLeftoverIsOfferedAfterwards) {
    form.reset();
    ScopedHandle process = orvo::test::StartHelper(L"orvo_record_child.exe", {folder.Path()});
    ASSERT_TRUE(process);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(folder.Path() + L"\\recording"); }, 30000));
    Schedule s;
    s.start = StartMode::Now;
    s.stop = StopMode::After;
    s.stopAfterSeconds = 60;
    s.target.folder = folder.Path() + L"\\timed";
    s.target.pattern = L"续录_HHMMSS";
    ASSERT_TRUE(CreateDirectoryW(s.target.folder.c_str(), nullptr));
    // As the killed process left it: running, its stop 3 s from now.
    const uint64_t now = TheClock().WallUtc();
    ArmedSchedule running = Arm(s, now - 57 * kFileTimeSecond);
    BeginTake(running, now - 57 * kFileTimeSecond, 44100, true);
    ASSERT_TRUE(StoreSchedule(running));
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 10000);

    ui.choiceAnswers = {-1};  // the offer, closed: the leftover stays
    form = std::make_unique<TestableFrmMain>();
    ASSERT_TRUE(form->CreateAndShow(SW_SHOWNA));
    ASSERT_TRUE(PumpUntil([&] { return form->Timed().State() == ScheduleState::Running; }, 5000));
    EXPECT_TRUE(ui.Choices().empty()) << "no question while the schedule records";
    // Still none a second into the take; once it is over, the offer.
    orvo::test::PumpMessagesFor(1000);
    EXPECT_TRUE(ui.Choices().empty());
    ASSERT_TRUE(PumpUntil([&] { return form->Timed().State() == ScheduleState::Done; }, 15000));
    ASSERT_TRUE(PumpUntil([&] { return !ui.Choices().empty(); }, 10000)) << "the leftover is offered afterwards";
    EXPECT_EQ(ui.Choices()[0].text.rfind(L"发现上次没有保存的录音", 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return form->sb1.PanelText(2).rfind(L"定时录音已保存到", 0) == 0; }, 10000));
    std::vector<std::wstring> files = WavFilesIn(s.target.folder);
    ASSERT_EQ(files.size(), 1u);
    WavContents wav;
    ASSERT_TRUE(ReadWavFile(files[0], wav));
    EXPECT_NEAR(wav.Seconds(), 3.0, 1.0);
}

}  // namespace
}  // namespace orvo::recorder::test
