#include "audio/wave_transport.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/wave_store.h"

namespace orvo {
namespace {

bool NoAudio() { return waveOutGetNumDevs() == 0; }

// A stretch that runs past the element's end cannot be read to its end: the
// player stops there and says how much really played, not the whole stretch.
TEST(WavePlayerReadError, ReportsOnlyWhatWasPlayed) {
    if (NoAudio()) GTEST_SKIP() << "no wave-out device";
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 8000;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 16000;
    WaveStore store;
    ASSERT_TRUE(store.Open());
    std::vector<char> second(16000, 0);
    ASSERT_TRUE(store.Append(second.data(), static_cast<uint32_t>(second.size())));

    WavePlayer player;
    ASSERT_EQ(player.Start(WAVE_MAPPER, f, store, 0, 3 * 16000, nullptr, 0), 0u);
    for (int i = 0; i < 500 && !player.Finished(); ++i) Sleep(10);
    ASSERT_TRUE(player.Finished());
    EXPECT_EQ(player.Played(), 16000u);
    player.Stop();
}

}  // namespace
}  // namespace orvo
