// Choosing what takes record from, through the 录音来源 submenu: the scripted
// microphone of the test set-up (null sink mic2, Wine's "In: mic2"), the
// default device (the 440 Hz source), a remembered device that is gone, and
// the computer's sound, which under Wine 8 comes from "In: monitor".
#include <cstdlib>

#include "base/text.h"
#include "base/user_settings.h"
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::ChannelSamples;
using orvo::test::MeasureFrequency;

class InputSourceTest : public MainWindowTest {
protected:
    void SetUp() override {
        if (std::getenv("ORVO_TEST_NO_AUDIO") || !orvo::test::HostCommandsAvailable())
            GTEST_SKIP() << "needs the sound server and host commands";
        Forget();
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        Forget();
    }
    static void Forget() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRecorderSettingsKey, L"InputSource"); }

    // The submenu as it reads when opened: item texts, and the checked one.
    std::vector<std::wstring> OpenSourceMenu(std::wstring* checked = nullptr) {
        HMENU menu = form->SourceMenu();
        SendMessageW(form->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        std::vector<std::wstring> items;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
            items.push_back(text);
            if (checked && (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED)) *checked = text;
        }
        return items;
    }
    void Choose(const std::wstring& item) {
        std::vector<std::wstring> items = OpenSourceMenu();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == item) {
                UINT id = GetMenuItemID(form->SourceMenu(), static_cast<int>(i));
                SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
                return;
            }
        ADD_FAILURE() << "no item " << WideToUtf8(item);
    }
    // A 1 kHz tone into a sink of the sound server, for longer than a take.
    static void PlayTone(const char* sink) {
        std::string line = std::string("f=/tmp/orvo-inputs-tone-") + sink + ".wav; "
                           "sox -q -n -r 44100 -c 2 -b 16 $f synth 8 sine 1000 vol 0.5 && "
                           "(paplay --device=" + sink + " $f >/dev/null 2>&1 &)";
        ASSERT_TRUE(orvo::test::RunHostCommand({"sh", "-c", line}));
        orvo::test::PumpMessagesFor(700);
    }
    // Records about two seconds from the toolbar and saves the element.
    orvo::test::WavContents RecordAndSave() {
        form->TbrRecord.Click(4);
        EXPECT_TRUE(orvo::test::PumpUntil([&] { return form->MMCRecord.Length() >= 2000; }, 6000));
        form->TbrRecord.Click(3);
        orvo::test::TempFile file;
        ui.dialogAnswers = {file.Path()};
        form->TbrRecord.Click(5);
        orvo::test::WavContents wav;
        EXPECT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
        return wav;
    }
    // Every 50 ms holds sound: the take has no breaks.
    static void ExpectUnbroken(const std::vector<double>& s, DWORD rate) {
        size_t step = rate / 20;
        for (size_t at = 0; at + step <= s.size(); at += step)
            ASSERT_GT(orvo::test::Rms({s.begin() + at, s.begin() + at + step}), 0.1) << "at " << at * 1000 / rate << " ms";
    }
};

TEST_F(InputSourceTest, TheChosenDeviceRecordsIsRememberedAndTheDefaultComesBack) {
    std::wstring checked;
    std::vector<std::wstring> items = OpenSourceMenu(&checked);
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items.front(), L"默认设备(&D)");
    EXPECT_EQ(items.back(), L"计算机播放的声音（内录）(&C)");
    EXPECT_EQ(checked, L"默认设备(&D)");

    Choose(L"In: mic2");
    PlayTone("mic2");
    form->TbrRecord.Click(4);
    EXPECT_TRUE(orvo::test::PumpUntil([&] { return form->LblFile.Text().find(L"\n来源：In: mic2") != std::wstring::npos; }, 2000));
    form->TbrRecord.Click(3);
    ui.messageAnswers = {IDNO};  // New: the look at the file line is not kept
    form->mnuNew_Click();
    orvo::test::WavContents wav = RecordAndSave();
    std::vector<double> left = ChannelSamples(wav);
    EXPECT_NEAR(MeasureFrequency(left, wav.format.nSamplesPerSec), 1000.0, 5.0);
    ExpectUnbroken(left, wav.format.nSamplesPerSec);

    // A new start of the window finds the choice.
    form.reset();
    ui.Clear();
    form = std::make_unique<TestableFrmMain>();
    ASSERT_TRUE(form->Create());
    OpenSourceMenu(&checked);
    EXPECT_EQ(checked, L"In: mic2");
    EXPECT_TRUE(ui.Messages().empty());

    Choose(L"默认设备(&D)");
    form->mnuNew_Click();
    wav = RecordAndSave();
    EXPECT_NEAR(MeasureFrequency(ChannelSamples(wav), wav.format.nSamplesPerSec), 440.0, 5.0);
    EXPECT_EQ(ReadUserSetting(L"InputSource"), L"default");
}

TEST_F(InputSourceTest, AMissingRememberedDeviceIsToldOnceAndTheDefaultRecords) {
    form.reset();
    ui.Clear();
    ASSERT_TRUE(WriteUserSetting(L"InputSource", L"device:In: unplugged"));
    form = std::make_unique<TestableFrmMain>();
    ASSERT_TRUE(form->Create());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"找不到录音设备“In: unplugged”，本次使用默认设备录音。");
    orvo::test::WavContents wav = RecordAndSave();
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_NEAR(MeasureFrequency(ChannelSamples(wav), wav.format.nSamplesPerSec), 440.0, 5.0);
}

TEST_F(InputSourceTest, TheComputersSoundComesFromTheMonitorWhereLoopbackIsRefused) {
    Choose(L"计算机播放的声音（内录）(&C)");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form->Source().kind, InputSource::Kind::ComputerSound);
    PlayTone("nul");
    orvo::test::WavContents wav = RecordAndSave();
    EXPECT_EQ(form->SourceLabel(), L"计算机播放的声音（In: monitor）");
    EXPECT_NEAR(MeasureFrequency(ChannelSamples(wav), wav.format.nSamplesPerSec), 1000.0, 10.0);
}

}  // namespace
}  // namespace orvo::recorder::test
