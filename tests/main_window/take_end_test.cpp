// Takes that end by themselves: a full disk and the WAV size limit (through
// the store's seams), and input that stops delivering. The window must say
// why and how much was kept, keep it, and stand stopped.
#include <cstdlib>

#include "audio/wave_store.h"
#include "tests/main_window/main_window_fixture.h"
#include "base/text.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::TempFile;
using orvo::test::WavContents;

constexpr uint64_t kOneSecond = 44100 * 4;  // the new element's format

class TakeEndTest : public MainWindowTest {
protected:
    void TearDown() override {
        WaveStore::FailWritesBeyond(WaveStore::kNoLimit);
        WaveStore::LimitElementsTo(WaveStore::kNoLimit);
        MainWindowTest::TearDown();
    }

    // Records from the toolbar until the take ends by itself; returns the
    // message it gave.
    MessageBoxRequest RecordUntilItStops() {
        form->TbrRecord.Click(4);
        EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
        return WaitUntilItStops();
    }

    MessageBoxRequest WaitUntilItStops() {
        EXPECT_TRUE(PumpUntil([&] { return !ui.Messages().empty(); }, 10000));
        EXPECT_EQ(ui.Messages().size(), 1u);
        // Back in the stopped state, the recording kept for saving.
        EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
        EXPECT_EQ(Buttons(), "11101");
        EXPECT_FALSE(form->TimerBar.Enabled());
        EXPECT_FALSE(form->dBar1.Visible());
        EXPECT_EQ(form->blnModified, -1);
        EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Stopped);
        return ui.Messages().empty() ? MessageBoxRequest{} : ui.Messages()[0];
    }

    WavContents Save() {
        TempFile file;
        ui.dialogAnswers = {file.Path()};
        form->TbrRecord.Click(5);
        WavContents wav;
        EXPECT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
        return wav;
    }
};

TEST_F(TakeEndTest, AFullDiskStopsTheTakeAndKeepsWhatWasWritten) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveStore::FailWritesBeyond(kOneSecond + kOneSecond / 2);
    MessageBoxRequest m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：磁盘已满。已录下的 1秒 已保留。");
    EXPECT_EQ(m.title, L"欧沃录音机");
    EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONINFORMATION));
    uint32_t length = form->MMCRecord.Length();
    EXPECT_GE(length, 1000u);
    EXPECT_LE(length, 1500u);

    WaveStore::FailWritesBeyond(WaveStore::kNoLimit);
    WavContents wav = Save();
    EXPECT_NEAR(wav.Seconds() * 1000, length, 1);
    EXPECT_GT(orvo::test::Rms(orvo::test::ChannelSamples(wav)), 0.05);
}

TEST_F(TakeEndTest, AtTheSizeLimitTheTakeStopsAndTheElementSaves) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveStore::LimitElementsTo(2 * kOneSecond);
    MessageBoxRequest m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：录音已达到WAV文件所能容纳的最大长度。已录下的 2秒 已保留。");
    EXPECT_EQ(form->MMCRecord.Length(), 2000u);
    WavContents wav = Save();
    EXPECT_EQ(wav.data.size(), 2 * kOneSecond);
    EXPECT_TRUE(ui.Messages().size() == 1u) << "the save went without a message";

    // Nothing more fits: another Record ends at once, keeping what is there.
    ui.Clear();
    m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：录音已达到WAV文件所能容纳的最大长度。已录下的 0秒 已保留。");
    EXPECT_EQ(form->MMCRecord.Length(), 2000u);
}

// The sound server stops handing over sound (as when a device is pulled
// out): after three seconds without any, the take ends and keeps its sound.
TEST_F(TakeEndTest, AnInputThatStopsDeliveringEndsTheTakeAndKeepsItsSound) {
    if (!orvo::test::HostCommandsAvailable()) GTEST_SKIP() << "no host commands outside Wine";
    struct SourceResumer {
        ~SourceResumer() { orvo::test::RunHostCommand({"pactl", "suspend-source", "sine", "0"}); }
    } resume;
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
    ASSERT_TRUE(orvo::test::RunHostCommand({"pactl", "suspend-source", "sine", "1"}));
    MessageBoxRequest m = WaitUntilItStops();
    EXPECT_EQ(m.text.rfind(L"录音已停止：录音设备已停止输入。已录下的 ", 0), 0u) << WideToUtf8(m.text);
    EXPECT_GE(form->MMCRecord.Length(), 1000u);
    WavContents wav = Save();
    EXPECT_NEAR(wav.Seconds() * 1000, form->MMCRecord.Length(), 1);
    EXPECT_GT(orvo::test::Rms(orvo::test::ChannelSamples(wav)), 0.05);
}

}  // namespace
}  // namespace orvo::recorder::test
