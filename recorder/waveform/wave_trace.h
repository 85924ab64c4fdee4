// The points of the waveform drawing, in twips, apart from any window: the
// stretch A..B of the loaded samples scaled to the width of the drawing area.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "platform/rounding.h"
#include "waveform/mod_audio_edit.h"

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

// The frame shown at x.
int32_t FrameAt(const WaveGeometry& g, int64_t x);

// Calls line(x0, y0, x1, y1) for every segment in drawing order: for each
// point, the first trace's segment and then the second's. Each trace starts
// with a vertical segment at x = 0 from its centre line to the first sample.
template <typename Line>
void TraceWave(const WaveGeometry& g, Line&& line) {
    namespace mae = modAudioEdit;
    int64_t xPrev = 0, yPrev = 0, yPrev2 = 0;
    for (int64_t x = 0; x <= g.lastX; x += g.step) {
        int32_t frame = FrameAt(g, x);
        double v, v2 = 0;
        if (g.stereo) {
            if (g.sixteenBit) mae::GetStereo16(frame, v, v2);
            else mae::GetStereo8(frame, v, v2);
        } else {
            if (g.sixteenBit) mae::GetMono16(frame, v);
            else mae::GetMono8(frame, v);
        }
        int64_t y = RoundHalfEven(static_cast<double>(g.q) * v);
        line(xPrev, g.q + yPrev, x, g.q + y);
        if (g.stereo) {
            int64_t y2 = RoundHalfEven(static_cast<double>(g.q) * v2);
            line(xPrev, g.c + yPrev2, x, g.c + y2);
            yPrev2 = y2;
        }
        xPrev = x;
        yPrev = y;
    }
}

}  // namespace orvo::recorder
