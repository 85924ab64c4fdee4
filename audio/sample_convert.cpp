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

int32_t ReadInteger(const uint8_t* p, int bytes) {
    uint32_t u = 0;
    for (int i = 0; i < bytes; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * (4 - bytes + i));
    return static_cast<int32_t>(u);  // left-aligned: full scale is 2^31
}

}  // namespace

SampleKind SampleKindOf(const WAVEFORMATEX& f) {
    const WORD tag = SampleCoding(f);
    if (tag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16 || f.wBitsPerSample == 24 ||
                                   f.wBitsPerSample == 32))
        return SampleKind::Pcm;
    if (tag == WAVE_FORMAT_IEEE_FLOAT && (f.wBitsPerSample == 32 || f.wBitsPerSample == 64)) return SampleKind::Float;
    return SampleKind::None;
}

double ReadSample(const uint8_t* p, WORD bits, SampleKind kind) {
    if (kind == SampleKind::Float) {
        double v;
        if (bits == 64) {
            std::memcpy(&v, p, 8);
        } else {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        }
        return v == v ? v : 0.0;  // not a number: silence
    }
    if (kind != SampleKind::Pcm) return 0.0;
    if (bits == 8) return (p[0] - 128) / 128.0;
    return ReadInteger(p, bits / 8) / 2147483648.0;
}

void WriteSample(uint8_t* p, WORD bits, SampleKind kind, double v) {
    if (kind == SampleKind::Float) {
        if (bits == 64) {
            std::memcpy(p, &v, 8);
        } else {
            float f = static_cast<float>(v);
            std::memcpy(p, &f, 4);
        }
        return;
    }
    if (bits == 8) {
        p[0] = static_cast<uint8_t>(std::nearbyint(std::clamp(v * 128.0, -128.0, 127.0)) + 128);
        return;
    }
    const int bytes = bits / 8;
    const double top = std::ldexp(1.0, bits - 1);
    auto s = static_cast<int64_t>(std::nearbyint(std::clamp(v * top, -top, top - 1)));
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(static_cast<uint64_t>(s) >> (8 * i));
}

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
