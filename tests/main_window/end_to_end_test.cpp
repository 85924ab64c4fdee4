// A whole recording through the window: the sine source of the test machine
// is recorded, saved and played back.
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

TEST_F(MainWindowTest, RecordsTheToneSavesItAndPlaysItToTheEnd) {
    form->TbrRecord.Click(4);
    // About two seconds of sound; a busy machine may deliver it a little late.
    EXPECT_TRUE(orvo::test::PumpUntil([&] { return form->MMCRecord.Length() >= 2000; }, 5000));
    form->TbrRecord.Click(3);
    uint32_t length = form->MMCRecord.Length();
    EXPECT_NEAR(length, 2000, 300);

    orvo::test::TempFile file;
    ui.dialogAnswers = {file.Path()};
    form->TbrRecord.Click(5);
    EXPECT_TRUE(ui.Messages().empty());
    orvo::test::WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
    EXPECT_NEAR(wav.Seconds() * 1000, length, 50);
    auto samples = orvo::test::ChannelSamples(wav);
    EXPECT_GT(orvo::test::Rms(samples), 0.05);
    EXPECT_NEAR(orvo::test::MeasureFrequency(samples, wav.format.nSamplesPerSec), 440.0, 5.0);

    // Play starts from the beginning and the status update ends it.
    form->TbrRecord.Click(2);
    EXPECT_EQ(form->Lblread.Text(), L"正在播放...");
    EXPECT_TRUE(orvo::test::PumpUntil([&] { return form->Lblread.Text() == L"操作结束..."; }, 5000));
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_GE(form->sldRecord.Value(), form->sldRecord.Max());
}

}  // namespace
}  // namespace orvo::recorder::test
