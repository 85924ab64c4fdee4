// The most sample data a WAV file can carry: its RIFF size is 32 bits, and
// the header before the samples and an odd size's pad byte count in it.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/wave_riff.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

uint64_t RiffSizeFor(const WAVEFORMATEX& f, const WaveExtension& e, uint64_t dataBytes) {
    const std::vector<uint8_t> header = BuildWaveHeader(f, e, 0);
    return header.size() - 8 + dataBytes + (dataBytes & 1);
}

TEST(WaveSizeLimit, TheLargestDataFitsWholeFramesAndOneFrameMoreDoesNot) {
    struct Case {
        WAVEFORMATEX format;
        WaveExtension extension;
    } cases[] = {
        {test::MakePcmFormat(44100, 16, 2), {}},
        {test::MakePcmFormat(48000, 24, 3), {}},                     // 9-byte frames: odd sizes
        {test::MakeFloatFormat(44100, 64, 3), {}},                   // float with its fact chunk
        {test::MakePcmFormat(96000, 24, 5), {true, 20, 0x60F}},      // extensible, 15-byte frames
        {test::MakeFloatFormat(48000, 32, 5), {true, 32, 0x60F}},    // extensible float
    };
    for (const Case& c : cases) {
        const WAVEFORMATEX& f = c.format;
        SCOPED_TRACE(testing::Message() << f.wFormatTag << " " << f.wBitsPerSample << " bits, " << f.nChannels
                                        << " channels" << (c.extension.present ? ", extensible" : ""));
        const uint64_t most = MaxWaveDataBytes(f, c.extension);
        EXPECT_EQ(most % f.nBlockAlign, 0u);
        EXPECT_LE(RiffSizeFor(f, c.extension, most), 0xFFFFFFFFull);
        EXPECT_GT(RiffSizeFor(f, c.extension, most + f.nBlockAlign), 0xFFFFFFFFull);
        // The header written for it says so in its own RIFF field.
        const std::vector<uint8_t> header = BuildWaveHeader(f, c.extension, static_cast<uint32_t>(most));
        uint32_t riff = 0;
        std::memcpy(&riff, header.data() + 4, 4);
        EXPECT_EQ(riff, RiffSizeFor(f, c.extension, most));
    }
}

}  // namespace
}  // namespace orvo
