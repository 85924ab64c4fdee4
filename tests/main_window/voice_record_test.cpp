// Voice-activated recording through the window, from the scripted
// microphone (Wine's "In: mic2", fed with paplay): three bursts of tone with
// silence between, kept as three segments each starting a pre-roll before
// its burst, as one recording or as one file each; the 声控录音 window by
// keyboard; and a take that stops after its frames without a word.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "base/user_settings.h"
#include "recorder/voice/frm_voice_record.h"
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"
#include "tests/support/window_checks.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using VoiceSegment = WaveAudioDevice::VoiceSegment;

constexpr double kBurst = 0.6, kLead = 2.5, kGap = 3.0;  // seconds; the gap > hold + pre-roll
constexpr int kBursts = 3;

// Presses the keys and lets them go, as a person does, and runs the
// program's loop for a moment: messages go through its keyboard step.
void Keys(FrmMain& form, std::initializer_list<WORD> keys) {
    orvo::test::PressChord(keys);
    const ULONGLONG end = GetTickCount64() + 150;
    while (GetTickCount64() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAppMessage(m, form.Hwnd(), form.Accelerators())) continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

class VoiceRecordTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (std::getenv("ORVO_TEST_NO_AUDIO") || !orvo::test::HostCommandsAvailable())
            GTEST_SKIP() << "needs the sound server and host commands";
        ForgetInput();
        MainWindowTest::SetUp();
    }
    // The input chosen here is remembered per user: the tests after these
    // record from the default device again.
    void TearDown() override {
        MainWindowTest::TearDown();
        ForgetInput();
    }
    static void ForgetInput() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRecorderSettingsKey, L"InputSource"); }

    void ChooseMic2() {
        HMENU menu = form->SourceMenu();
        SendMessageW(form->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
            if (std::wstring(text) == L"In: mic2")
                SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(menu, i), 0), 0);
        }
        ASSERT_EQ(form->Source().device, L"In: mic2");
    }

    // Turns the gate on in the window: hold 1 s, pre-roll 1 s, the mode
    // given; then closes the window.
    void SwitchOn(int mode, const std::wstring& folder = L"") {
        form->mnuVoiceRecord_Click();
        FrmVoiceRecord* w = form->VoiceWindow();
        ASSERT_NE(w, nullptr);
        w->txtThreshold.SetText(L"-40");
        w->txtHold.SetText(L"1");
        w->txtPreRoll.SetText(L"1");
        w->cboMode.SetSelectedIndex(mode);
        w->cboMode_Change();
        if (!folder.empty()) w->txtFolder.SetText(folder);
        w->cmdSwitch.Click();
        ASSERT_TRUE(form->Voice().trigger.on) << WideToUtf8(w->lblNote.Text());
        EXPECT_EQ(w->cmdSwitch.Text(), L"关闭声控(&S)");
        w->cmdClose.Click();
        EXPECT_EQ(w->Hwnd(), nullptr);
    }

    // Records the bursts; returns the take's segments once the third has
    // ended, with the status texts seen meanwhile and whether the meter drew
    // its threshold line.
    std::vector<VoiceSegment> RecordBursts(std::vector<std::wstring>& statuses, bool& lineDrawn) {
        form->TbrRecord.Click(4);
        const std::string f = "/tmp/orvo-voice-" + std::to_string(GetCurrentProcessId());
        const std::string line = "set -e; cd /tmp; "
            "sox -q -n -r 44100 -c 2 -b 16 " + f + "-lead.wav trim 0 " + std::to_string(kLead) + "; "
            "sox -q -n -r 44100 -c 2 -b 16 " + f + "-gap.wav trim 0 " + std::to_string(kGap) + "; "
            "sox -q -n -r 44100 -c 2 -b 16 " + f + "-tone.wav synth " + std::to_string(kBurst) + " sine 1000 vol 0.5; "
            "sox " + f + "-lead.wav " + f + "-tone.wav " + f + "-gap.wav " + f + "-tone.wav " + f + "-gap.wav " +
            f + "-tone.wav " + f + "-gap.wav " + f + ".wav; "
            "(paplay --device=mic2 " + f + ".wav >/dev/null 2>&1 &)";
        EXPECT_TRUE(orvo::test::RunHostCommand({"sh", "-c", line}));
        std::vector<VoiceSegment> segments;
        lineDrawn = false;
        PumpUntil([&] {
            const std::wstring s = form->Lblread.Text();
            if (statuses.empty() || statuses.back() != s) statuses.push_back(s);
            if (!lineDrawn && form->mtrLevel.Hwnd() && IsWindowVisible(form->mtrLevel.Hwnd())) {
                RECT client;
                GetClientRect(form->mtrLevel.Hwnd(), &client);
                HDC dc = GetDC(form->mtrLevel.Hwnd());
                lineDrawn = GetPixel(dc, form->mtrLevel.ThresholdX(client), client.bottom / 2) == RGB(0, 160, 255);
                ReleaseDC(form->mtrLevel.Hwnd(), dc);
            }
            segments = form->MMCRecord.VoiceSegments();
            return segments.size() > kBursts || (segments.size() == kBursts && segments.back().ended);
        }, 30000);
        form->TbrRecord.Click(3);
        return form->MMCRecord.VoiceSegments();
    }

    // Each segment: the tone begins a pre-roll into it, and it ends a hold
    // after the tone; nothing else of the silence is in it.
    static void ExpectBurstSegment(const std::vector<double>& left, uint64_t from, uint64_t to, DWORD rate) {
        uint64_t onset = from;
        while (onset < to && std::fabs(left[onset]) < 0.01) ++onset;
        ASSERT_LT(onset, to) << "a segment without its tone";
        EXPECT_GE(onset - from, rate * 9 / 10) << "the pre-roll before the burst";
        EXPECT_LE(onset - from, rate + rate / 50);
        const double seconds = static_cast<double>(to - from) / rate;
        EXPECT_GE(seconds, 1.0 + kBurst + 1.0 - 0.05);
        EXPECT_LE(seconds, 1.0 + kBurst + 1.0 + 0.05) << "silence beyond hold and pre-roll";
    }
};

TEST_F(VoiceRecordTest, SkippingSilenceKeepsThreeSegmentsEachFromItsPreRoll) {
    ChooseMic2();
    SwitchOn(0);
    EXPECT_EQ(form->mtrLevel.Threshold(), std::optional<double>(-40));
    std::vector<std::wstring> statuses;
    bool lineDrawn = false;
    const std::vector<VoiceSegment> segments = RecordBursts(statuses, lineDrawn);
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_TRUE(lineDrawn) << "the meter draws the threshold";
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), L"声控录音已开启：等待声音..."), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), L"正在录音...（声控）"), statuses.end());

    // One recording of the three segments back to back, each start marked.
    orvo::test::TempFile file;
    ui.dialogAnswers = {file.Path()};
    form->TbrRecord.Click(5);
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    EXPECT_EQ(wav.Frames(), segments.back().to);
    const std::vector<double> left = orvo::test::ChannelSamples(wav);
    std::vector<WaveMark> marks = form->MMCRecord.Marks();
    ASSERT_EQ(marks.size(), 3u);
    for (size_t i = 0; i < segments.size(); ++i) {
        SCOPED_TRACE(i);
        if (i) {
            EXPECT_EQ(segments[i].from, segments[i - 1].to) << "nothing between segments";
        }
        EXPECT_EQ(marks[i].frame, segments[i].from);
        EXPECT_EQ(marks[i].name, L"声音 " + std::to_wstring(i + 1));
        ExpectBurstSegment(left, segments[i].from, segments[i].to, wav.format.nSamplesPerSec);
    }
}

TEST_F(VoiceRecordTest, EachSegmentBecomesAFileAndTheRecordingCountsAsSaved) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orvo-voice-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    ChooseMic2();
    SwitchOn(1, folder);
    std::vector<std::wstring> statuses;
    bool lineDrawn = false;
    const std::vector<VoiceSegment> segments = RecordBursts(statuses, lineDrawn);
    ASSERT_EQ(segments.size(), 3u);
    ASSERT_TRUE(PumpUntil([&] { return form->AutoSaves().Pending() == 0; }, 10000));
    orvo::test::PumpMessagesFor(100);
    EXPECT_EQ(form->Lblread.Text(), L"声控录音：已保存 3 个文件");
    EXPECT_EQ(form->blnModified, 0) << "every segment is in its file";

    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*.wav").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> files;
    do files.push_back(folder + L"\\" + found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    ASSERT_EQ(files.size(), 3u);
    uint64_t frames = 0;
    for (const std::wstring& f : files) {
        orvo::test::WavContents wav;
        ASSERT_TRUE(orvo::test::ReadWavFile(f, wav));
        frames += wav.Frames();
        ExpectBurstSegment(orvo::test::ChannelSamples(wav), 0, wav.Frames(), wav.format.nSamplesPerSec);
        EXPECT_EQ(FileNameOf(f).rfind(L"录音_", 0), 0u) << WideToUtf8(f);
        DeleteFileW(f.c_str());
    }
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(frames, segments.back().to - segments.front().from);
    ui.messageAnswers = {};
    form->mnuNew_Click();
    EXPECT_TRUE(ui.Messages().empty()) << "no save prompt for what is saved";
}

TEST_F(MainWindowTest, TheVoiceWindowWorksByKeyboardAndTypingInItDropsNoMark) {
    form->mnuVoiceRecord_Click();
    FrmVoiceRecord* w = form->VoiceWindow();
    ASSERT_NE(w, nullptr);
    SetForegroundWindow(w->Hwnd());
    Keys(*form, {});
    EXPECT_EQ(GetFocus(), w->txtThreshold.Hwnd());
    w->cboMode.SetSelectedIndex(0);
    w->cboMode_Change();
    Keys(*form, {VK_TAB});
    EXPECT_EQ(GetFocus(), w->txtHold.Hwnd());
    EXPECT_FALSE(w->txtPattern.Enabled()) << "the files' fields are off in one-recording mode";
    EXPECT_FALSE(w->cmdBrowse.Enabled());
    w->cboMode.SetSelectedIndex(1);
    w->cboMode_Change();
    // The folder is chosen in the dialog; a cancelled one leaves the field.
    ui.folderAnswers = {L"C:\\声音"};
    w->cmdBrowse.Click();
    EXPECT_EQ(w->txtFolder.Text(), L"C:\\声音");
    w->cmdBrowse.Click();
    EXPECT_EQ(w->txtFolder.Text(), L"C:\\声音");
    Keys(*form, {VK_MENU, 'N'});  // Alt+N: the name pattern
    EXPECT_EQ(GetFocus(), w->txtPattern.Hwnd());
    Keys(*form, {'M'});
    EXPECT_TRUE(form->MMCRecord.Marks().empty()) << "the main window's M is not pressed from here";

    // A field that cannot be used is told in the window, and the gate stays off.
    w->txtPreRoll.SetText(L"31");
    w->cmdSwitch.Click();
    EXPECT_FALSE(form->Voice().trigger.on);
    EXPECT_EQ(w->lblNote.Text(), L"提前保留时间应是 0 到 30 之间的秒数。");
    Keys(*form, {VK_ESCAPE});
    EXPECT_EQ(w->Hwnd(), nullptr) << "Esc closes it";
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(MainWindowTest, TheVoiceWindowFitsAtTheScaleAndFollowsANewScale) {
    form->mnuVoiceRecord_Click();
    FrmVoiceRecord* w = form->VoiceWindow();
    ASSERT_NE(w, nullptr);
    const int dpi = w->Dpi();
    orvo::test::ExpectPrefixDpi(dpi);
    orvo::test::ExpectTidy(w->Hwnd(), L"voice");
    orvo::test::ExpectNamed(w->Hwnd(), L"voice");
    const int to = orvo::test::OtherDpi(dpi);
    orvo::test::ExpectTakesNewDpi(w->Hwnd(), dpi, to);
    orvo::test::ExpectTidy(w->Hwnd(), L"voice");
    orvo::test::ExpectAt(w->txtThreshold.Hwnd(), w->txtThreshold.Rect(), to);
    orvo::test::ExpectAt(w->cmdSwitch.Hwnd(), w->cmdSwitch.Rect(), to);
}

TEST_F(MainWindowTest, ATakeGivenItsFramesStopsAtExactlyThoseAndSaysNothing) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    const uint64_t limit = 44100 / 2 + 3;
    form->MMCRecord.SetTakeFrameLimit(limit);
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.GetMode() == WaveAudioDevice::Mode::Stopped; }, 10000));
    PumpUntil([&] { return Enabled(L"record"); }, 2000);
    EXPECT_EQ(form->MMCRecord.Frames(), limit);
    EXPECT_EQ(Buttons(), "11101") << "stopped, as after Stop";
    EXPECT_TRUE(ui.Messages().empty()) << "a take that ran its time was not cut short";
}

}  // namespace
}  // namespace orvo::recorder::test
