// A machine without sound devices. These run only in the test entry that
// cuts this process off from the sound server (ORVO_TEST_NO_AUDIO).
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/wave_audio_device.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

class NoAudio : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has wave devices";
        ASSERT_EQ(0u, waveInGetNumDevs());
        ASSERT_EQ(0u, waveOutGetNumDevs());
    }
};

TEST_F(NoAudio, SelectingDevicesFailsWithATextAndRecordingFails) {
    WaveAudioDevice d;
    d.SetFileName(L"new");
    ASSERT_EQ(0u, d.Command(L"open")) << "an empty element needs no device";
    ASSERT_NE(0u, d.DeviceID());
    MCI_WAVE_SET_PARMS parms{};
    MCIERROR e = WaveSendCommand(d.DeviceID(), MCI_SET, MCI_WAVE_INPUT | MCI_WAVE_OUTPUT,
                                 reinterpret_cast<DWORD_PTR>(&parms));
    EXPECT_NE(0u, e);
    std::wstring text;
    EXPECT_TRUE(WaveGetErrorString(e, text));
    EXPECT_FALSE(text.empty());

    EXPECT_NE(0u, d.Command(L"record"));
    EXPECT_FALSE(d.LastErrorText().empty());
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
    EXPECT_EQ(0u, d.Length());
}

TEST_F(NoAudio, PlayingAFileFails) {
    test::TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(8000, 8, 1);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SineBytes(f, 440, 0.5)));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open"));
    EXPECT_NE(0u, d.Command(L"play"));
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
}

}  // namespace
}  // namespace orvo
