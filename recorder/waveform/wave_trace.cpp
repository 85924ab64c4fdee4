#include "recorder/waveform/wave_trace.h"

#include <algorithm>

#include "base/rounding.h"

namespace orvo::recorder {

bool WaveGeometryOf(int32_t startFrame, int32_t endFrame, float width, float height, const WAVEFORMATEX& format,
                    int32_t frameCount, WaveGeometry& out) {
    out = {};
    int64_t frames = static_cast<int64_t>(endFrame) - startFrame;
    if (frames <= 0 || width <= 0 || frameCount <= 0) return false;
    out.framesPerTwip = static_cast<double>(frames) / static_cast<double>(width);
    double g = out.framesPerTwip >= 1 ? 1.0 : 1.0 / out.framesPerTwip;
    out.step = std::max<int64_t>(1, RoundHalfEven(g));
    out.lastX = RoundHalfEven(width);
    out.stereo = format.nChannels == 2;
    out.sixteenBit = format.wBitsPerSample == 16;
    out.q = RoundHalfEven(static_cast<double>(height) / (out.stereo ? 4 : 2));
    out.c = 3 * out.q;
    out.startFrame = startFrame;
    out.lastFrame = frameCount - 1;
    return true;
}

int32_t FrameAt(const WaveGeometry& g, int64_t x, bool nearestMode) {
    double exact = g.startFrame + static_cast<double>(x) * g.framesPerTwip;
    int64_t frame = nearestMode ? RoundInMode(exact) : RoundHalfEven(exact);
    // B itself is one past the data when it is the frame count: that point
    // shows the last frame.
    return static_cast<int32_t>(std::clamp<int64_t>(frame, 0, g.lastFrame));
}

}  // namespace orvo::recorder
