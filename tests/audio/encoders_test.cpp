// The MP3 and FLAC writers through the store's save path, checked with the
// host's own decoders: FLAC keeps every bit, MP3 holds the right length and
// channels, and a full disk leaves the target and the element as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/encoding_writer.h"
#include "audio/flac_writer.h"
#include "audio/lame_library.h"
#include "audio/mp3_writer.h"
#include "audio/wave_audio_device.h"
#include "audio/wave_store.h"
#include "tests/support/host_command.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::TempFile;
using test::WavContents;

constexpr uint32_t kSurround = 0x3F;  // front pair, centre, LFE, back pair

SaveTags Tags() {
    SaveTags t;
    t.title = L"讲座";
    GetLocalTime(&t.date);
    return t;
}

// A 24-bit 5.1 file, a different tone in each channel, opened as the element.
class SurroundElement : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HostCommandsAvailable()) GTEST_SKIP() << "the decoders are the host's";
        format_ = test::MakePcmFormat(48000, 24, 6);
        std::vector<uint8_t> data = test::SineBytes(format_, 440, 1.5, 0.7);
        // Each channel its own: the channel's index in the lowest bits.
        for (size_t i = 0; i < data.size(); i += 3) data[i] = static_cast<uint8_t>((i / 3) % 6);
        source_ = data;
        ASSERT_TRUE(test::WriteWavFile(wav_.Path(), format_, data, kSurround));
        device_.SetFileName(wav_.Path());
        ASSERT_EQ(0u, device_.Command(L"open"));
    }
    WAVEFORMATEX format_{};
    std::vector<uint8_t> source_;
    TempFile wav_;
    WaveAudioDevice device_;
};

TEST_F(SurroundElement, FlacHoldsEveryBitAndMp3IsAStereoMixOfTheSameLength) {
    TempFile flac(L".flac"), decoded, mp3(L".mp3"), decodedMp3;
    FlacWriter flacWriter(Tags());
    ASSERT_EQ(0u, device_.Save(flac.Path(), flacWriter));
    ASSERT_TRUE(test::DecodeOnHost(flac.Path(), decoded.Path()));
    WavContents back;
    ASSERT_TRUE(test::ReadWavFile(decoded.Path(), back));
    EXPECT_EQ(6, back.format.nChannels);
    EXPECT_EQ(24, back.format.wBitsPerSample);
    EXPECT_EQ(kSurround, back.channelMask);
    EXPECT_TRUE(back.data == source_) << "the decoded samples differ from the element's";

    std::wstring why;
    ASSERT_NE(nullptr, Lame(&why)) << why;
    Mp3Writer mp3Writer(*Lame(), 192, Tags());
    ASSERT_EQ(0u, device_.Save(mp3.Path(), mp3Writer));
    ASSERT_TRUE(test::DecodeOnHost(mp3.Path(), decodedMp3.Path()));
    WavContents stereo;
    ASSERT_TRUE(test::ReadWavFile(decodedMp3.Path(), stereo));
    EXPECT_EQ(2, stereo.format.nChannels);
    EXPECT_EQ(48000u, stereo.format.nSamplesPerSec);
    // Within one frame (1152 samples, 24 ms here) of the element.
    EXPECT_NEAR(static_cast<double>(stereo.Frames()), source_.size() / 18.0, 1152.0);
    EXPECT_NEAR(440.0, test::MeasureFrequency(test::ChannelSamples(stereo, 1), 48000), 2.0);
    EXPECT_EQ(1500u, device_.Length()) << "the element is unchanged by the saves";
}

TEST_F(SurroundElement, AFullDiskLeavesTheTargetAndTheElementAsTheyWere) {
    TempFile target(L".flac");
    ASSERT_TRUE(test::WriteRawFile(target.Path(), {'o', 'l', 'd'}));
    EncodingWriter::FailWritesBeyond(20000);
    FlacWriter writer(Tags());
    MCIERROR e = device_.Save(target.Path(), writer);
    DWORD why = GetLastError();
    EncodingWriter::FailWritesBeyond(WaveStore::kNoLimit);
    EXPECT_NE(0u, e);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), why);
    HANDLE f = CreateFileW(target.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    char bytes[8];
    DWORD n = 0;
    ReadFile(f, bytes, 8, &n, nullptr);
    CloseHandle(f);
    EXPECT_EQ("old", std::string(bytes, n));
    // The element still holds its sound: saved as WAV it is the source.
    TempFile again;
    ASSERT_EQ(0u, device_.Save(again.Path()));
    WavContents wav;
    ASSERT_TRUE(test::ReadWavFile(again.Path(), wav));
    EXPECT_TRUE(wav.data == source_);
}

}  // namespace
}  // namespace orvo
