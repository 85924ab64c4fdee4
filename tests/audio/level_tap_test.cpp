#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/level_tap.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::MakePcmFormat;

// Interleaved stereo 16-bit frames: a tone at one amplitude on the left and
// another on the right, so a mix-up of the channels shows.
std::vector<uint8_t> Stereo16(size_t frames, double left, double right, size_t offset = 0) {
    std::vector<uint8_t> out(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        double phase = std::sin(2 * 3.14159265358979 * 440.0 * static_cast<double>(i + offset) / 44100.0);
        int16_t s[2] = {static_cast<int16_t>(std::lround(phase * left * 32767)),
                        static_cast<int16_t>(std::lround(phase * right * 32767))};
        std::memcpy(&out[i * 4], s, 4);
    }
    return out;
}

TEST(LevelMeasure, PeaksPerChannelInEveryFormat) {
    // 16-bit stereo, with an odd number of samples left after the vector part.
    WAVEFORMATEX f16 = MakePcmFormat(44100, 16, 2);
    auto bytes = Stereo16(4411, 0.5, 0.125);
    PeakMeasure m = MeasurePeaks(bytes.data(), bytes.size(), f16);
    ASSERT_EQ(m.channels, 2);
    EXPECT_NEAR(PeakToDb(m.peak[0]), -6.02, 0.05);
    EXPECT_NEAR(PeakToDb(m.peak[1]), -18.06, 0.05);
    EXPECT_EQ(m.fullScale, 0u);

    // The same levels as 24-bit and as 32-bit float, mono.
    std::vector<uint8_t> s24, f32;
    for (int i = 0; i < 1000; ++i) {
        double v = 0.25 * std::sin(i * 0.1);
        int32_t s = static_cast<int32_t>(std::lround(v * 8388607));
        uint8_t b[3] = {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8), static_cast<uint8_t>(s >> 16)};
        s24.insert(s24.end(), b, b + 3);
        float f = static_cast<float>(v);
        uint8_t fb[4];
        std::memcpy(fb, &f, 4);
        f32.insert(f32.end(), fb, fb + 4);
    }
    WAVEFORMATEX p24 = MakePcmFormat(8000, 24, 1);
    EXPECT_NEAR(PeakToDb(MeasurePeaks(s24.data(), s24.size(), p24).peak[0]), -12.04, 0.05);
    WAVEFORMATEX fl = MakePcmFormat(8000, 32, 1);
    fl.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    EXPECT_NEAR(PeakToDb(MeasurePeaks(f32.data(), f32.size(), fl).peak[0]), -12.04, 0.05);

    // Silence sits at the floor, never below it; a format it cannot read measures nothing.
    std::vector<uint8_t> zeros(400);
    EXPECT_DOUBLE_EQ(PeakToDb(MeasurePeaks(zeros.data(), zeros.size(), f16).peak[0]), kLevelFloorDb);
    WAVEFORMATEX adpcm = f16;
    adpcm.wFormatTag = 2;
    EXPECT_EQ(MeasurePeaks(bytes.data(), bytes.size(), adpcm).channels, 0);
}

TEST(LevelMeasure, FullScaleSamplesAreCountedAtBothEnds) {
    WAVEFORMATEX f = MakePcmFormat(44100, 16, 2);
    std::vector<int16_t> s(1001, 100);
    s[3] = 32767;
    s[500] = -32768;
    s[999] = 32767;  // in the scalar tail
    s[1000] = 32767;  // half a frame: not measured
    PeakMeasure m = MeasurePeaks(s.data(), s.size() * 2, f);
    EXPECT_EQ(m.fullScale, 3u);
    EXPECT_DOUBLE_EQ(m.peak[0], 1.0);  // -32768 is the largest magnitude
}

TEST(LevelTap, TellsSilenceAndClippingByTheAudioItSaw) {
    WAVEFORMATEX f = MakePcmFormat(44100, 16, 2);
    LevelTap tap;
    EXPECT_FALSE(tap.Read().active);
    tap.Start(f);
    // A second of tone in 100 ms buffers, the last 50 ms of each decides the meter.
    for (int i = 0; i < 10; ++i) {
        auto b = Stereo16(4410, 0.5, 0.5, i * 4410);
        tap.Feed(b.data(), b.size());
    }
    LevelReading r = tap.Read();
    EXPECT_TRUE(r.active);
    EXPECT_EQ(r.frames, 44100u);
    EXPECT_EQ(r.silentFrames, 0u);
    EXPECT_NEAR(r.db[0], -6.02, 0.1);

    // Quiet below -50 dBFS adds up; one loud buffer ends it.
    for (int i = 0; i < 20; ++i) {
        auto b = Stereo16(4410, 0.002, 0.002);
        tap.Feed(b.data(), b.size());
    }
    EXPECT_EQ(tap.Read().silentFrames, 20u * 4410u);
    auto loud = Stereo16(4410, 0.5, 0.5);
    tap.Feed(loud.data(), loud.size());
    EXPECT_EQ(tap.Read().silentFrames, 0u);

    // A few full-scale samples are tolerated; more within a second is one clip event.
    auto clipped = Stereo16(4410, 0.5, 0.5);
    for (int k = 0; k < 3; ++k) std::memcpy(&clipped[k * 400], "\xff\x7f", 2);
    tap.Feed(clipped.data(), clipped.size());
    EXPECT_EQ(tap.Read().clipEvents, 0u);
    for (int k = 0; k < 10; ++k) std::memcpy(&clipped[k * 400], "\xff\x7f", 2);
    tap.Feed(clipped.data(), clipped.size());
    EXPECT_EQ(tap.Read().clipEvents, 1u);

    tap.Stop();
    EXPECT_FALSE(tap.Read().active);
    tap.Feed(clipped.data(), clipped.size());  // a late buffer after Stop changes nothing
    EXPECT_EQ(tap.Read().frames, 44100u + 21u * 4410u + 2u * 4410u);
}

}  // namespace
}  // namespace orvo
