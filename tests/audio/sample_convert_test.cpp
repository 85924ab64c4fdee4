// What an output that refuses a file's format is given instead: 16-bit
// samples of the same sound, the front pair of channels.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <limits>
#include <vector>

#include "audio/sample_convert.h"
#include "audio/wave_riff.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

std::vector<int16_t> Converted(const WAVEFORMATEX& from, const std::vector<uint8_t>& bytes) {
    SampleConverter c(from);
    size_t frames = bytes.size() / from.nBlockAlign;
    std::vector<uint8_t> out(frames * c.Target().nBlockAlign);
    c.Convert(bytes.data(), frames, out.data());
    std::vector<int16_t> samples;
    for (size_t i = 0; i + 1 < out.size(); i += 2) samples.push_back(static_cast<int16_t>(out[i] | out[i + 1] << 8));
    return samples;
}

TEST(SampleConverter, EveryCodingBecomesTheSame16BitToneInAtMostTwoChannels) {
    const WAVEFORMATEX formats[] = {
        test::MakePcmFormat(8000, 16, 2),   test::MakePcmFormat(8000, 24, 2),  test::MakePcmFormat(8000, 32, 6),
        test::MakeFloatFormat(8000, 32, 1), test::MakeFloatFormat(8000, 64, 6), test::MakePcmFormat(8000, 8, 2),
    };
    const WAVEFORMATEX reference = test::MakePcmFormat(8000, 16, 1);
    std::vector<uint8_t> refBytes = test::SineBytes(reference, 440, 0.05, 0.5);
    std::vector<int16_t> expected(refBytes.size() / 2);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<int16_t>(refBytes[2 * i] | refBytes[2 * i + 1] << 8);
    for (const WAVEFORMATEX& f : formats) {
        SCOPED_TRACE(testing::Message() << f.wFormatTag << "/" << f.wBitsPerSample << "/" << f.nChannels);
        SampleConverter c(f);
        const WAVEFORMATEX& t = c.Target();
        EXPECT_EQ(t.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(t.wBitsPerSample, 16);
        EXPECT_EQ(t.nSamplesPerSec, 8000u);
        ASSERT_EQ(t.nChannels, f.nChannels > 2 ? 2 : f.nChannels);
        std::vector<int16_t> got = Converted(f, test::SineBytes(f, 440, 0.05, 0.5));
        ASSERT_EQ(got.size(), expected.size() * t.nChannels);
        // 8 bits keep 7 bits of the tone; the others all of 16.
        const int tolerance = f.wBitsPerSample == 8 ? 300 : 2;
        for (size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], expected[i / t.nChannels], tolerance) << i;
    }
}

TEST(SampleConverter, FloatBeyondFullScaleIsClippedAndNotANumberIsSilence) {
    const float in[] = {2.0f, -3.0f, 1.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 0.5f};
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(in), reinterpret_cast<const uint8_t*>(in) + sizeof(in));
    EXPECT_EQ(Converted(test::MakeFloatFormat(8000, 32, 1), bytes),
              (std::vector<int16_t>{32767, -32768, 32767, -32768, 0, 16384}));
}

// The extensible record names its coding in the sub-format: float read as
// integers would come out near full scale, a hearing hazard. Each channel
// carries its own level, so a swapped or repeated channel shows too.
TEST(SampleConverter, ExtensibleFloatKeepsEachChannelsOwnLevel) {
    for (WORD bits : {32, 64}) {
        SCOPED_TRACE(bits);
        const WAVEFORMATEX plain = test::MakeFloatFormat(8000, bits, 4);
        const WAVEFORMATEXTENSIBLE x = DeviceFormat(plain, {true, bits, 0x33});
        ASSERT_EQ(x.Format.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
        const double level[] = {0.01, 0.1, 0.5, 0.9};  // -40 dBFS in the first
        std::vector<uint8_t> bytes;
        for (int i = 0; i < 800; ++i) {
            for (int c = 0; c < 4; ++c) {
                const double v = level[c] * std::sin(2 * 3.14159265358979 * 440 * i / 8000.0);
                const float f = static_cast<float>(v);
                const auto* p = bits == 32 ? reinterpret_cast<const uint8_t*>(&f) : reinterpret_cast<const uint8_t*>(&v);
                bytes.insert(bytes.end(), p, p + bits / 8);
            }
        }
        std::vector<int16_t> got = Converted(x.Format, bytes);
        ASSERT_EQ(got.size(), 1600u);
        int peak[2] = {0, 0};
        for (size_t i = 0; i < got.size(); ++i) peak[i % 2] = std::max(peak[i % 2], std::abs(int{got[i]}));
        EXPECT_NEAR(peak[0], 0.01 * 32768, 3);
        EXPECT_NEAR(peak[1], 0.1 * 32768, 3);
    }
}

}  // namespace
}  // namespace orvo
