// Save as MP3 and FLAC through the window: a take of the 440 Hz source,
// decoded by the host's own decoders, is the take; the element is left as it
// was; the bit rate chosen under 设置 is remembered.
#include "tests/main_window/main_window_fixture.h"
#include "audio/mp3_writer.h"
#include "recorder/resource.h"
#include "recorder/save/save_formats.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::TempFile;
using orvo::test::WavContents;

// No break in the tone: every 10 ms (the ends aside) carries it.
void ExpectNoBreak(const std::vector<double>& samples, DWORD rate) {
    const double whole = orvo::test::Rms(samples);
    const size_t step = rate / 100;
    for (size_t at = 5 * step; at + 6 * step <= samples.size(); at += step) {
        std::vector<double> piece(samples.begin() + at, samples.begin() + at + step);
        ASSERT_GT(orvo::test::Rms(piece), whole / 3) << "a break at " << at * 1000 / rate << " ms";
    }
}

TEST_F(MainWindowTest, ATakeSavedAsMp3AndAsFlacDecodesToTheTake) {
    if (!orvo::test::HostCommandsAvailable()) GTEST_SKIP() << "the decoders are the host's";
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1500; }, 8000));
    form->mnuStop_Click();
    TempFile mp3(L".mp3"), flac(L".flac"), reference, decodedMp3, decodedFlac;
    const std::wstring stem = mp3.Path().substr(0, mp3.Path().size() - 4);

    // No extension typed, the MP3 type chosen: an MP3 with its extension.
    ui.dialogAnswers = {stem};
    ui.typeAnswers = {FilterIndexOf(SaveFormat::Mp3)};
    form->mnuSave_Click();
    // "讲座.flac" typed while WAV is chosen: the typed extension decides.
    ui.dialogAnswers = {flac.Path()};
    ui.typeAnswers = {FilterIndexOf(SaveFormat::Wav)};
    ui.messageAnswers = {IDYES};  // TempFile made it: replace
    form->mnuSave_Click();
    EXPECT_EQ(ui.Dialogs()[0].filter, kSaveFilter);
    EXPECT_EQ(form->blnModified, -1) << "an encoded copy leaves the recording unsaved";
    ASSERT_EQ(0u, form->MMCRecord.Save(reference.Path()));
    WavContents take, fromMp3, fromFlac;
    ASSERT_TRUE(orvo::test::ReadWavFile(reference.Path(), take));

    ASSERT_TRUE(orvo::test::DecodeOnHost(flac.Path(), decodedFlac.Path()));
    ASSERT_TRUE(orvo::test::ReadWavFile(decodedFlac.Path(), fromFlac));
    EXPECT_EQ(fromFlac.format.nChannels, take.format.nChannels);
    EXPECT_TRUE(fromFlac.data == take.data) << "the FLAC is not sample-exact";

    ASSERT_TRUE(orvo::test::DecodeOnHost(mp3.Path(), decodedMp3.Path()));
    ASSERT_TRUE(orvo::test::ReadWavFile(decodedMp3.Path(), fromMp3));
    EXPECT_NEAR(fromMp3.Seconds(), take.Seconds(), 0.026);
    std::vector<double> left = orvo::test::ChannelSamples(fromMp3);
    EXPECT_NEAR(orvo::test::MeasureFrequency(left, fromMp3.format.nSamplesPerSec), 440.0, 3.0);
    ExpectNoBreak(left, fromMp3.format.nSamplesPerSec);
}

TEST_F(MainWindowTest, TheBitRateIsChosenUnderSettingsAndRemembered) {
    SendMessageW(form->Hwnd(), WM_COMMAND, IDM_BITRATE_320, 0);
    EXPECT_EQ(LoadMp3Bitrate(), 320);
    EXPECT_EQ(GetMenuState(form->SettingsMenu(), IDM_BITRATE_320, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(form->SettingsMenu(), IDM_BITRATE_192, MF_BYCOMMAND) & MF_CHECKED, 0u);
    form.reset();
    form = std::make_unique<TestableFrmMain>();
    ASSERT_TRUE(form->Create());
    EXPECT_EQ(GetMenuState(form->SettingsMenu(), IDM_BITRATE_320, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    SendMessageW(form->Hwnd(), WM_COMMAND, IDM_BITRATE_192, 0);
    EXPECT_EQ(LoadMp3Bitrate(), kDefaultMp3Bitrate);
}

}  // namespace
}  // namespace orvo::recorder::test
