// The points of the waveform drawing, in twips, apart from any window: the
// stretch A..B of the loaded samples scaled to the width of the drawing area.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>

#include "base/rounding.h"
#include "recorder/waveform/mod_audio_edit.h"

namespace orvo::recorder {

struct WaveGeometry {
    double framesPerTwip = 0;  // f
    int64_t step = 1;          // s: twips between points
    int64_t lastX = 0;         // Wi: the last x drawn
    int64_t q = 0;             // centre of the first trace and the amplitude scale
    int64_t c = 0;             // centre of the second trace (two channels only)
    bool stereo = false;
    bool sixteenBit = false;
    int32_t startFrame = 0;    // A
    int32_t lastFrame = 0;     // highest frame read; the last point reads it instead of B
};

// False for an empty stretch (A at or beyond B): nothing is drawn.
bool WaveGeometryOf(int32_t startFrame, int32_t endFrame, float width, float height, const WAVEFORMATEX& format,
                    int32_t frameCount, WaveGeometry& out);

// The frame shown at x (nearestMode: the rounding mode is known to be
// to-nearest, ties to even).
int32_t FrameAt(const WaveGeometry& g, int64_t x, bool nearestMode = false);

// Nearest integer, ties to even, as the rounding mode in force does it;
// TraceWave checks that mode once per trace instead of once per value.
inline int64_t RoundInMode(double v) { return std::llrint(v); }

// Calls line(x0, y0, x1, y1) for every segment in drawing order: for each
// point, the first trace's segment and then the second's. Each trace starts
// with a vertical segment at x = 0 from its centre line to the first sample.
template <typename Line>
void TraceWave(const WaveGeometry& g, Line&& line) {
    namespace mae = modAudioEdit;
    const bool nearestMode = std::fegetround() == FE_TONEAREST;
    auto round = [nearestMode](double v) { return nearestMode ? RoundInMode(v) : RoundHalfEven(v); };
    // Points far apart in a long stretch each touch a fresh page of the
    // sample block: ask for the frame a few points ahead while drawing this one.
    const uint8_t* data = mae::WaveData();
    const int64_t bytes = mae::DataBytes();
    const int64_t align = mae::WaveFormat.nBlockAlign;
    constexpr int64_t kAhead = 16;
    int64_t xPrev = 0, yPrev = 0, yPrev2 = 0;
    for (int64_t x = 0; x <= g.lastX; x += g.step) {
        if (data) {
            int64_t ahead = FrameAt(g, std::min(x + kAhead * g.step, g.lastX), nearestMode) * align;
            if (ahead >= 0 && ahead < bytes) __builtin_prefetch(data + ahead);
        }
        int32_t frame = FrameAt(g, x, nearestMode);
        double v, v2 = 0;
        if (g.stereo) {
            if (g.sixteenBit) mae::GetStereo16(frame, v, v2);
            else mae::GetStereo8(frame, v, v2);
        } else {
            if (g.sixteenBit) mae::GetMono16(frame, v);
            else mae::GetMono8(frame, v);
        }
        int64_t y = round(static_cast<double>(g.q) * v);
        line(xPrev, g.q + yPrev, x, g.q + y);
        if (g.stereo) {
            int64_t y2 = round(static_cast<double>(g.q) * v2);
            line(xPrev, g.c + yPrev2, x, g.c + y2);
            yPrev2 = y2;
        }
        xPrev = x;
        yPrev = y;
    }
}

}  // namespace orvo::recorder
