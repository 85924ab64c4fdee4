// The level meter and the input warnings, with the test machine's sine source
// as the microphone: muted and turned up through the sound server itself.
#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/main_window/main_window_fixture.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::RunHostCommand;

// The first "-N dB" of a meter text.
double FirstDb(const std::wstring& text) {
    size_t dB = text.find(L" dB");
    size_t start = text.rfind(L' ', dB - 1);
    return std::wcstod(text.c_str() + start + 1, nullptr);
}

// Puts the sine source back as the other tests expect it, whatever happened.
struct SourceRestorer {
    ~SourceRestorer() {
        RunHostCommand({"pactl", "set-source-mute", "sine", "0"});
        RunHostCommand({"pactl", "set-source-volume", "sine", "100%"});
    }
};

TEST_F(MainWindowTest, TheMeterReadsTheToneLevelAndIsBlankWhenStopped) {
    EXPECT_FALSE(form->mtrLevel.Visible());
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1500; }, 6000));
    ASSERT_TRUE(PumpUntil([&] { return !form->mtrLevel.Text().empty(); }, 1000));
    std::wstring text = form->mtrLevel.Text();
    EXPECT_TRUE(form->mtrLevel.Visible());
    EXPECT_EQ(text.rfind(L"输入电平", 0), 0u) << text;
    form->TbrRecord.Click(3);
    // Stopped, the meter keeps no stale level.
    EXPECT_FALSE(form->mtrLevel.Visible());
    EXPECT_EQ(form->mtrLevel.Text(), L"");

    orvo::test::TempFile file;
    ui.dialogAnswers = {file.Path()};
    form->TbrRecord.Click(5);
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    double peak = 0;
    for (double s : orvo::test::ChannelSamples(wav, 0)) peak = std::max(peak, std::fabs(s));
    EXPECT_NEAR(FirstDb(text), 20 * std::log10(peak), 1.0) << text;
}

TEST_F(MainWindowTest, SilenceAndClippingAreToldWhileTheTakeGoesOn) {
    if (!orvo::test::HostCommandsAvailable()) GTEST_SKIP() << "no host commands outside Wine";
    SourceRestorer restore;
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 500; }, 5000));
    EXPECT_EQ(form->Lblread.Text(), kStatusRecording);

    ASSERT_TRUE(RunHostCommand({"pactl", "set-source-mute", "sine", "1"}));
    EXPECT_TRUE(PumpUntil([&] { return form->Lblread.Text() == kStatusNoInput; }, 7000));
    ASSERT_TRUE(RunHostCommand({"pactl", "set-source-mute", "sine", "0"}));
    EXPECT_TRUE(PumpUntil([&] { return form->Lblread.Text() == kStatusRecording; }, 2000));

    ASSERT_TRUE(RunHostCommand({"pactl", "set-source-volume", "sine", "300%"}));
    EXPECT_TRUE(PumpUntil([&] { return form->Lblread.Text() == kStatusTooLoud; }, 4000));
    // The meter reads the levels on a timer of its own.
    EXPECT_TRUE(PumpUntil([&] { return form->mtrLevel.ClipLit(); }, 1000));

    // Through all of it the take went on.
    uint32_t length = form->MMCRecord.Length();
    EXPECT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() > length; }, 3000));
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
    form->TbrRecord.Click(3);
}

}  // namespace
}  // namespace orvo::recorder::test
