// The loopback timeline, driven by a scripted capture client: a loopback
// stream sends nothing while nothing plays, so the clock must carry the
// take through its pauses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "audio/loopback_core.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

// What a loopback client would hand over, packet by packet, as the test
// lets the time run.
class ScriptedPackets : public CapturePackets {
public:
    struct Packet {
        std::vector<float> samples;  // interleaved stereo
        DWORD flags = 0;
    };
    std::deque<Packet> waiting;
    UINT32 released = 0;

    HRESULT NextPacketSize(UINT32& frames) override {
        frames = waiting.empty() ? 0 : static_cast<UINT32>(waiting.front().samples.size() / 2);
        return S_OK;
    }
    HRESULT GetBuffer(BYTE*& data, UINT32& frames, DWORD& flags) override {
        data = reinterpret_cast<BYTE*>(waiting.front().samples.data());
        frames = static_cast<UINT32>(waiting.front().samples.size() / 2);
        flags = waiting.front().flags;
        return S_OK;
    }
    HRESULT ReleaseBuffer(UINT32 frames) override {
        released += frames;
        waiting.pop_front();
        return S_OK;
    }
};

// The output's mix format: 48 kHz stereo float, in its extensible form.
WAVEFORMATEXTENSIBLE MixFormat() {
    WAVEFORMATEXTENSIBLE f{};
    f.Format = test::MakeFloatFormat(48000, 32, 2);
    f.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.Format.cbSize = 22;
    f.Samples.wValidBitsPerSample = 32;
    f.dwChannelMask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    f.SubFormat = {WAVE_FORMAT_IEEE_FLOAT, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    return f;
}

// 10 ms of a 1 kHz tone at half scale from mix frame `first` on, or of
// loud noise that a packet flagged silent must not let through.
ScriptedPackets::Packet TenMs(size_t first, DWORD flags) {
    ScriptedPackets::Packet p;
    p.flags = flags;
    for (size_t i = first; i < first + 480; ++i) {
        float v = flags ? 0.9f * ((i % 7) ? 1.0f : -1.0f)
                        : 0.5f * static_cast<float>(std::sin(2 * 3.14159265358979 * 1000.0 * i / 48000.0));
        p.samples.push_back(v);
        p.samples.push_back(v);
    }
    return p;
}

std::vector<double> Stretch(const std::vector<double>& s, int fromMs, int toMs) {
    return {s.begin() + fromMs * 441 / 10, s.begin() + toMs * 441 / 10};
}

TEST(LoopbackTimeline, TheClockCarriesTheTakeThroughPausesWithSilence) {
    WAVEFORMATEXTENSIBLE mix = MixFormat();
    test::WavContents out;
    out.format = test::MakePcmFormat(44100, 16, 2);
    LoopbackTimeline timeline(mix.Format, out.format, [&](const void* data, uint32_t bytes) {
        const auto* b = static_cast<const uint8_t*>(data);
        out.data.insert(out.data.end(), b, b + bytes);
        return true;
    });
    ASSERT_TRUE(timeline.Usable());
    ScriptedPackets client;
    // Each 10 ms of the clock: sound for 0-1 s, nothing for 1-1.5 s (nothing
    // plays), packets flagged silent for 1.5-2 s, sound for 2-3 s, then
    // nothing until the take stops at 3.3 s.
    for (int ms = 10; ms <= 3300; ms += 10) {
        int from = ms - 10;
        if (from < 1000 || (from >= 2000 && from < 3000)) client.waiting.push_back(TenMs(from * 48, 0));
        if (from >= 1500 && from < 2000) client.waiting.push_back(TenMs(from * 48, kPacketSilent));
        ASSERT_EQ(timeline.Pump(client, uint64_t(ms) * 10000), S_OK);
        ASSERT_TRUE(client.waiting.empty());
    }
    timeline.Finish(3300ull * 10000);

    // Exactly as long as the clock ran, every packet taken.
    EXPECT_EQ(client.released, 48000u * 5 / 2);
    EXPECT_EQ(timeline.Frames(), 3300u * 441 / 10);
    ASSERT_EQ(out.data.size(), size_t(3300) * 441 / 10 * 4);
    std::vector<double> left = test::ChannelSamples(out, 0);
    // Sound where it played, in time: the tone after the pause starts at 2 s.
    for (auto [from, to] : {std::pair{5, 995}, std::pair{2005, 2995}}) {
        EXPECT_NEAR(test::MeasureFrequency(Stretch(left, from, to), 44100), 1000.0, 5.0) << from;
        EXPECT_NEAR(test::Rms(Stretch(left, from, to)), 0.5 / std::sqrt(2.0), 0.01) << from;
    }
    for (auto [from, to] : {std::pair{1005, 1995}, std::pair{3005, 3300}})
        EXPECT_EQ(test::Rms(Stretch(left, from, to)), 0.0) << from;
    EXPECT_GT(test::Rms(Stretch(left, 1995, 2005)), 0.1);
}

}  // namespace
}  // namespace orvo
