#include "recorder/waveform/wave_trace.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/scripted_ui.h"
#include "tests/waveform/wav_files.h"

namespace orvo::recorder {
namespace {

namespace mae = modAudioEdit;
using test::Format;

struct Segment {
    int64_t x0, y0, x1, y1;
};

std::vector<Segment> Trace(int32_t a, int32_t b) {
    std::vector<Segment> out;
    WaveGeometry g;
    if (WaveGeometryOf(a, b, 5685.0f, 2325.0f, mae::WaveFormat, mae::lFrameCount, g)) {
        TraceWave(g, [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) { out.push_back({x0, y0, x1, y1}); });
    }
    return out;
}

class WaveTrace : public ::testing::Test {
protected:
    void Load(const Format& f, const std::vector<int16_t>& samples) {
        mae::LoadWaveFile(dir.Write(L"t.wav", test::Wave(f, test::Samples16(samples))));
        ASSERT_EQ(mae::bWaveLoaded, -1);
    }
    ScriptedUi ui;
    test::ScratchDir dir;
};

TEST_F(WaveTrace, MonoWorkedExample) {
    std::vector<int16_t> v(100000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int16_t>(i % 2 ? 16384 : -8192);
    v[17590] = 32767;
    Load(Format{}, v);
    WaveGeometry g;
    ASSERT_TRUE(WaveGeometryOf(0, 100000, 5685.0f, 2325.0f, mae::WaveFormat, mae::lFrameCount, g));
    EXPECT_EQ(g.step, 1);
    EXPECT_EQ(g.lastX, 5685);
    EXPECT_EQ(g.q, 1162);  // 1162.5 goes to the even neighbour
    EXPECT_FALSE(g.stereo);
    EXPECT_EQ(FrameAt(g, 1000), 17590);  // 17590.149...
    EXPECT_EQ(FrameAt(g, 1), 18);        // 17.59
    EXPECT_EQ(FrameAt(g, 5685), 99999);  // B is past the data: the last frame

    auto s = Trace(0, 100000);
    ASSERT_EQ(s.size(), 5686u);
    // The first segment rises from the centre line to the first sample.
    EXPECT_EQ(s[0].x0, 0);
    EXPECT_EQ(s[0].x1, 0);
    EXPECT_EQ(s[0].y0, 1162);
    EXPECT_EQ(s[0].y1, 1162 - 290);  // -0.25 * 1162 = -290.5 -> -290
    // 0.5 lies 581 twips below the centre line.
    EXPECT_EQ(s[1].y1, 1162 - 290);  // x = 1: frame 18 (17.59), an even one
    EXPECT_EQ(s[2].y1, 1162 + 581);  // x = 2: frame 35 (35.18), 0.5
    EXPECT_EQ(s[1000].x1, 1000);
    EXPECT_EQ(s[1000].y1, 1162 + 1162);  // 32767/32768 * 1162 = 1161.96
    for (size_t i = 1; i < s.size(); ++i) {
        EXPECT_EQ(s[i].x0, s[i - 1].x1);
        EXPECT_EQ(s[i].y0, s[i - 1].y1);
    }
}

TEST_F(WaveTrace, StereoTracesSitAtAQuarterAndThreeQuarters) {
    std::vector<int16_t> v;
    for (int i = 0; i < 20000; ++i) {
        v.push_back(16384);   // left 0.5
        v.push_back(-32768);  // right -1
    }
    Format f;
    f.channels = 2;
    Load(f, v);
    auto s = Trace(0, 20000);
    ASSERT_EQ(s.size(), 2u * 5686);
    // q = 2325 / 4 = 581.25 -> 581, c = 1743; left 0.5 * 581 = 290.5 -> 290.
    EXPECT_EQ(s[0].y0, 581);
    EXPECT_EQ(s[0].y1, 581 + 290);
    EXPECT_EQ(s[1].y0, 1743);
    EXPECT_EQ(s[1].y1, 1743 - 581);
    EXPECT_EQ(s.back().y1, 1743 - 581);
    EXPECT_EQ(s[s.size() - 2].y1, 871);
}

TEST_F(WaveTrace, FewerFramesThanTwipsSpreadThePoints) {
    std::vector<int16_t> v;
    for (int i = 0; i < 10; ++i) v.push_back(static_cast<int16_t>(i * 3000));
    Load(Format{}, v);
    WaveGeometry g;
    ASSERT_TRUE(WaveGeometryOf(0, 10, 5685.0f, 2325.0f, mae::WaveFormat, mae::lFrameCount, g));
    EXPECT_EQ(g.step, 568);  // 568.5 to the even neighbour
    auto s = Trace(0, 10);
    ASSERT_EQ(s.size(), 11u);  // x = 0, 568, ..., 5680
    EXPECT_EQ(s[10].x1, 5680);
    for (int k = 1; k < 10; ++k) EXPECT_EQ(s[k].y1, 1162 + RoundHalfEven(1162.0 * k * 3000 / 32768)) << k;
    EXPECT_EQ(s[10].y1, s[9].y1);  // frame 10 does not exist: the last frame again

    // A stretch in the middle: one frame of eight-bit data per point.
    Format f8;
    f8.bits = 8;
    mae::LoadWaveFile(dir.Write(L"8.wav", test::Wave(f8, {0, 64, 128, 192, 255})));
    auto t = Trace(1, 3);
    ASSERT_EQ(t.size(), 3u);  // s = 2842 (2842.5 to even): x = 0, 2842, 5684 -> frames 1, 2, 3
    EXPECT_EQ(t[0].y1, 1162 - 581);
    EXPECT_EQ(t[2].y1, 1162 + 581);
}

TEST_F(WaveTrace, AnEmptyStretchDrawsNothing) {
    Load(Format{}, {1, 2, 3});
    EXPECT_TRUE(Trace(2, 2).empty());
    EXPECT_TRUE(Trace(3, 1).empty());
    mae::LoadWaveFile(dir.Write(L"e.wav", test::Wave(Format{}, {})));
    ASSERT_EQ(mae::lFrameCount, 0);
    EXPECT_TRUE(Trace(0, 0).empty());
}

}  // namespace
}  // namespace orvo::recorder
