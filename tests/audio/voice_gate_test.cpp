// The voice gate on synthetic input: what it keeps is exactly the input from
// the pre-roll before the window that opened it to the end of the hold, in
// any block sizes and any sample format, nothing twice and nothing lost; and
// the take's sink around it: the meter, the marks and the frame limit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/sample_convert.h"
#include "audio/take_capture.h"
#include "audio/voice_gate.h"
#include "audio/wave_store.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

// Input of the format: quiet (-60 dBFS, below any threshold used here) with
// loud stretches [from, to) of frames, loud in the last channel only. Each
// frame differs from its neighbours, so a frame kept twice or dropped shows.
std::vector<uint8_t> Input(const WAVEFORMATEX& f, uint64_t frames,
                           const std::vector<std::pair<uint64_t, uint64_t>>& loud) {
    const SampleKind kind = SampleKindOf(f);
    const WORD bytes = f.wBitsPerSample / 8;
    std::vector<uint8_t> data(frames * f.nBlockAlign);
    for (uint64_t i = 0; i < frames; ++i) {
        bool on = false;
        for (const auto& [a, b] : loud) on |= i >= a && i < b;
        for (WORD c = 0; c < f.nChannels; ++c) {
            double quiet = 0.001 * std::sin(0.37 * i + c);
            double v = on && c == f.nChannels - 1 ? 0.5 * (i % 2 ? 1 : -1) + 0.1 * std::sin(0.01 * i) : quiet;
            WriteSample(&data[i * f.nBlockAlign + c * bytes], f.wBitsPerSample, kind, v);
        }
    }
    return data;
}

// Feeds data in blocks of the given frame counts, round and round.
std::vector<uint8_t> Feed(VoiceGate& gate, const WAVEFORMATEX& f, const std::vector<uint8_t>& data,
                          const std::vector<uint32_t>& blocks) {
    std::vector<uint8_t> kept;
    auto keep = [&](const void* p, uint32_t n) {
        EXPECT_EQ(n % f.nBlockAlign, 0u) << "whole frames only";
        kept.insert(kept.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
        return true;
    };
    for (size_t at = 0, i = 0; at < data.size(); ++i) {
        uint32_t n = std::min<uint32_t>(blocks[i % blocks.size()] * f.nBlockAlign, data.size() - at);
        EXPECT_TRUE(gate.Feed(&data[at], n, keep));
        at += n;
    }
    return kept;
}

std::vector<uint8_t> Frames(const WAVEFORMATEX& f, const std::vector<uint8_t>& data, uint64_t from, uint64_t to) {
    return std::vector<uint8_t>(data.begin() + from * f.nBlockAlign, data.begin() + to * f.nBlockAlign);
}

TEST(VoiceGate, KeepsEachBurstFromThePreRollToTheEndOfTheHoldExactly) {
    // 8000 Hz: windows of 80 frames; pre-roll 2000 frames, hold 4000.
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 2);
    VoiceTrigger t;
    t.on = true;
    t.thresholdDb = -40;
    t.holdMs = 500;
    t.preRollMs = 250;
    // Burst 1 begins mid-window (window 10000..10080) and its last loud
    // window ends at 11040: kept from 8000 to 11040 + 4000. Burst 2 begins
    // 400 frames after that close, inside what its pre-roll would reach:
    // the pre-roll holds only what came after the close. Burst 3 runs to
    // the end of the take.
    const std::vector<uint8_t> in = Input(f, 32000, {{10030, 11030}, {15440, 15600}, {30005, 32000}});
    VoiceGate gate;
    gate.Start(f, t);
    const std::vector<uint8_t> kept = Feed(gate, f, in, {37, 1001, 3, 80, 4096});

    std::vector<uint8_t> expected = Frames(f, in, 8000, 15040);
    const uint64_t second = 15040, secondEnd = 15600 + 4000 + 0;  // last loud window ends at 15600
    for (uint8_t b : Frames(f, in, second, secondEnd)) expected.push_back(b);
    for (uint8_t b : Frames(f, in, 28000, 32000)) expected.push_back(b);
    EXPECT_EQ(kept.size(), expected.size());
    EXPECT_TRUE(kept == expected) << "exactly the input, nothing twice, nothing lost";
    const uint64_t a = 15040 - 8000, b = a + (secondEnd - second), c = b + 4000;
    EXPECT_EQ(gate.Segments(), (std::vector<VoiceSegment>{{0, a, true}, {a, b, true}, {b, c, false}}));
    EXPECT_TRUE(gate.IsOpen());

    // Off, the gate is not in the way at all.
    gate.Start(f, VoiceTrigger{});
    EXPECT_FALSE(gate.Active());
}

TEST(VoiceGate, WorksFrameAlignedInEveryFormat) {
    const WAVEFORMATEX formats[] = {test::MakePcmFormat(8000, 8, 1), test::MakePcmFormat(44100, 24, 5),
                                    test::MakePcmFormat(16000, 32, 1), test::MakeFloatFormat(48000, 32, 2),
                                    test::MakeFloatFormat(22050, 64, 3)};
    for (const WAVEFORMATEX& f : formats) {
        SCOPED_TRACE(testing::Message() << f.wBitsPerSample << " bits, " << f.nChannels << " channels");
        const uint64_t w = f.nSamplesPerSec / 100, pre = f.nSamplesPerSec / 10, hold = f.nSamplesPerSec / 5;
        const uint64_t onset = 3 * f.nSamplesPerSec / 10 + 7, end = onset + f.nSamplesPerSec / 10;
        const uint64_t total = end + f.nSamplesPerSec;
        VoiceTrigger t{true, -30, 200, 100};
        VoiceGate gate;
        gate.Start(f, t);
        const std::vector<uint8_t> in = Input(f, total, {{onset, end}});
        const std::vector<uint8_t> kept = Feed(gate, f, in, {1, 333, 17});
        // The gate closes with the window in which the hold is over.
        const uint64_t from = onset / w * w - pre, lastLoudEnd = (end + w - 1) / w * w;
        EXPECT_TRUE(kept == Frames(f, in, from, lastLoudEnd + (hold + w - 1) / w * w));
        ASSERT_EQ(gate.SegmentCount(), 1u);
        EXPECT_TRUE(gate.Segments()[0].ended);
    }
}

TEST(TakeSink, MarksSegmentsMetersTheClosedGateAndStopsAfterExactlyTheFramesAllowed) {
    test::ScopedRecoveryRoot root;
    WaveStore store;
    ASSERT_TRUE(store.Open());
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 2);
    store.Describe(f, {}, L"", true);
    store.BeginTake(0, 0);
    TakeRules rules;
    rules.voice = {true, -40, 500, 250};
    rules.frameLimit = 20000;
    rules.firstVoiceMark = 3;
    TakeSink sink;
    sink.Start(f, store, 0, UINT64_MAX, rules);
    const std::vector<uint8_t> in = Input(f, 30000, {{3000, 3100}, {12000, 12100}});

    // Quiet so far: nothing kept, yet the meter sees the input.
    ASSERT_TRUE(sink.Write(in.data(), 2000 * 4));
    EXPECT_EQ(sink.Recorded(), 0u);
    EXPECT_GT(sink.Levels().frames, 0u);
    size_t at = 2000 * 4;
    bool more = true;
    while (more && at < in.size()) {
        more = sink.Write(&in[at], 999 * 4);
        at += 999 * 4;
    }
    EXPECT_FALSE(more);
    EXPECT_EQ(sink.Ended(), TakeEndCause::DurationReached);
    EXPECT_EQ(sink.Received(), 20000u) << "to the frame";
    EXPECT_FALSE(sink.Write(in.data(), 4)) << "nothing after the end";
    EXPECT_EQ(sink.Received(), 20000u);
    const std::vector<VoiceSegment> segments = sink.Gate().Segments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(sink.Recorded(), segments[1].to * 4);
    store.Insert(0, 0, sink.Recorded());
    EXPECT_EQ(store.Marks(), (std::vector<WaveMark>{{segments[0].from, L"声音 3"}, {segments[1].from, L"声音 4"}}));
    store.Close();
}

}  // namespace
}  // namespace orvo
