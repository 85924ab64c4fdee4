#include "audio/sample_convert.h"

#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/wave_riff.h"

namespace orvo {
namespace {

int16_t FromUnit(double v) {
    if (!(v == v)) return 0;  // not a number: silence
    v = std::clamp(v * 32768.0, -32768.0, 32767.0);
    // The current rounding mode is to nearest, ties to even.
    return static_cast<int16_t>(std::nearbyint(v));
}

}  // namespace

SampleConverter::SampleConverter(const WAVEFORMATEX& from) : from_(from) {
    // The copy keeps only the plain record, so the extensible one's
    // sub-format is read now: float samples read as integers are noise.
    from_.wFormatTag = SampleCoding(from);
    WORD channels = std::min<WORD>(from.nChannels, 2);
    to_ = {};
    to_.wFormatTag = WAVE_FORMAT_PCM;
    to_.nChannels = channels;
    to_.nSamplesPerSec = from.nSamplesPerSec;
    to_.wBitsPerSample = 16;
    to_.nBlockAlign = static_cast<WORD>(channels * 2);
    to_.nAvgBytesPerSec = to_.nSamplesPerSec * to_.nBlockAlign;
}

int16_t SampleConverter::Sample(const uint8_t* p) const {
    if (from_.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        if (from_.wBitsPerSample == 64) {
            double d;
            std::memcpy(&d, p, 8);
            return FromUnit(d);
        }
        float f;
        std::memcpy(&f, p, 4);
        return FromUnit(f);
    }
    // Integer samples keep their top 16 bits.
    switch (from_.wBitsPerSample) {
        case 8: return static_cast<int16_t>((p[0] - 128) * 256);
        case 16: return static_cast<int16_t>(p[0] | (p[1] << 8));
        case 24: return static_cast<int16_t>(p[1] | (p[2] << 8));
        case 32: return static_cast<int16_t>(p[2] | (p[3] << 8));
        default: return 0;
    }
}

void SampleConverter::Convert(const uint8_t* in, size_t frames, uint8_t* out) const {
    const size_t bytesPerSample = from_.wBitsPerSample / 8;
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* frame = in + i * from_.nBlockAlign;
        for (WORD c = 0; c < to_.nChannels; ++c) {
            int16_t s = Sample(frame + c * bytesPerSample);
            out[0] = static_cast<uint8_t>(s);
            out[1] = static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8);
            out += 2;
        }
    }
}

}  // namespace orvo
