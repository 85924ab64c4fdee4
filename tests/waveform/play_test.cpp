// Plays through the real wave-out device (the virtual sound server of the
// test set-up).
#include <gtest/gtest.h>

#include "tests/support/scripted_ui.h"
#include "tests/support/pump.h"
#include "tests/waveform/wav_files.h"
#include "recorder/waveform/mod_audio_edit.h"

namespace orvo::recorder {
namespace {

namespace mae = modAudioEdit;
using test::Bytes;
using test::Format;

int g_playStarted = 0;
void CountPlayStarted() { ++g_playStarted; }

class PlayingAStretch : public ::testing::Test {
protected:
    void SetUp() override {
        mae::CloseWaveOut();
        mae::SetPlayStartedHook(&CountPlayStarted);
        g_playStarted = 0;
    }
    void TearDown() override {
        mae::CloseWaveOut();
        mae::SetPlayStartedHook(nullptr);
    }
    // seconds of a quiet 8 kHz 16-bit mono ramp
    void LoadSeconds(double seconds, int channels = 1) {
        Format f;
        f.channels = static_cast<uint16_t>(channels);
        std::vector<int16_t> v(static_cast<size_t>(8000 * seconds) * channels);
        for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int16_t>((i % 64) * 16);
        mae::LoadWaveFile(dir.Write(L"p.wav", test::Wave(f, test::Samples16(v))));
        ASSERT_EQ(mae::bWaveLoaded, -1);
        mae::lStartFrame = 0;
        mae::lEndFrame = mae::lFrameCount;
    }
    static bool Done() { return mae::bPlaying.load() == 0; }

    ScriptedUi ui;
    test::ScratchDir dir;
};

TEST_F(PlayingAStretch, TheCallbackReportsTheEndOfAStretch) {
    LoadSeconds(1.0);
    mae::lStartFrame = 2000;
    mae::lEndFrame = 3600;  // 0.2 s
    mae::PlayWaveRange(-1);
    ASSERT_TRUE(ui.Messages().empty());
    EXPECT_EQ(mae::bPlaying.load(), -1);
    EXPECT_EQ(g_playStarted, 1);
    EXPECT_TRUE(mae::WaveOutOpen());
    EXPECT_EQ(mae::WaveHeader.dwBufferLength, 3200u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(mae::WaveHeader.lpData), mae::WaveData() + 4000);
    EXPECT_TRUE(test::PumpUntil(Done, 5000));
    EXPECT_TRUE(mae::WaveOutOpen());  // done, but open until closed
    mae::CloseWaveOut();
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::lLastResult, 0);
}

TEST_F(PlayingAStretch, ResetEndsALongPlayAtOnce) {
    LoadSeconds(8.0, 2);
    mae::PlayWaveRange(-1);
    ASSERT_EQ(mae::bPlaying.load(), -1);
    test::PumpMessagesFor(100);
    EXPECT_EQ(mae::bPlaying.load(), -1);
    mae::ResetWaveOut();
    EXPECT_TRUE(test::PumpUntil(Done, 1000));
    EXPECT_TRUE(mae::WaveOutOpen());
}

TEST_F(PlayingAStretch, ASixteenByteFormatChunkPlays) {
    Format f;
    f.size = 16;
    mae::LoadWaveFile(dir.Write(L"s.wav", test::Wave(f, test::Samples16(std::vector<int16_t>(800, 1000)))));
    ASSERT_EQ(mae::bWaveLoaded, -1);
    mae::lStartFrame = 0;
    mae::lEndFrame = mae::lFrameCount;
    mae::PlayWaveRange(-1);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(test::PumpUntil(Done, 3000));
}

TEST_F(PlayingAStretch, AnUnplayableFormatShowsTheDeviceText) {
    LoadSeconds(0.1);
    WAVEFORMATEX saved = mae::WaveFormat;
    mae::WaveFormat = {};  // as before any file was read
    mae::PlayWaveRange(-1);
    mae::WaveFormat = saved;
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_FALSE(ui.Messages()[0].text.empty());
    EXPECT_EQ(ui.Messages()[0].text.back() == L' ', false);
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK));
    EXPECT_EQ(mae::bPlaying.load(), 0);
    EXPECT_EQ(g_playStarted, 0);
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_NE(mae::lLastResult, 0);
}

// The samples held after a failed read belong to no file on show: playing
// them in the new file's format was noise.
TEST_F(PlayingAStretch, AfterAFailedReadNothingPlaysAndTheUserIsTold) {
    LoadSeconds(0.1);
    Format stereo;
    stereo.channels = 2;  // no data chunk
    mae::LoadWaveFile(dir.Write(L"nodata.wav", test::Riff({test::Chunk("fmt ", test::FmtBody(stereo))})));
    ASSERT_EQ(mae::bWaveLoaded, 0);
    ui.Clear();
    mae::PlayWaveRange(-1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::bPlaying.load(), 0);
    EXPECT_EQ(g_playStarted, 0);
}

TEST_F(PlayingAStretch, AnEmptyStretchStartsAndEnds) {
    LoadSeconds(0.1);
    mae::lStartFrame = mae::lEndFrame = 400;
    mae::PlayWaveRange(-1);
    EXPECT_EQ(mae::WaveHeader.dwBufferLength, 0u);
    EXPECT_TRUE(test::PumpUntil(Done, 3000));
    EXPECT_EQ(ui.Messages().size(), 0u);
}

TEST_F(PlayingAStretch, ReadingANewFileStopsAPlayFromTheOldSamples) {
    LoadSeconds(5.0);
    mae::PlayWaveRange(-1);
    ASSERT_TRUE(mae::WaveOutOpen());
    LoadSeconds(0.1);  // the old block is released: the device must be gone first
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::bPlaying.load(), 0);
}

}  // namespace
}  // namespace orvo::recorder
