#include "audio/level_tap.h"

#include "audio/sample_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>

#include "audio/wave_riff.h"

namespace orvo {
namespace {

// Channels past the second fold onto it, so a meter has at most two bars.
int MeterChannel(int channel) { return std::min(channel, kMaxMeterChannels - 1); }

// Sample value as a share of full scale, and whether it sits at full scale.
double SampleAt(const unsigned char* p, int bits, SampleKind kind, bool& full) {
    if (kind == SampleKind::Float) {
        double v;
        if (bits == 32) {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        } else {
            std::memcpy(&v, p, 8);
        }
        if (std::isnan(v)) v = 0;
        v = std::fabs(v);
        full = v >= 1.0;
        return v;
    }
    switch (bits) {
        case 8: {
            int s = static_cast<int>(p[0]) - 128;
            full = s == 127 || s == -128;
            return std::abs(s) / 128.0;
        }
        case 24: {
            int32_t s = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                             static_cast<uint32_t>(p[2]) << 24) >> 8;
            full = s == 8388607 || s == -8388608;
            return std::fabs(static_cast<double>(s)) / 8388608.0;
        }
        case 32: {
            int32_t s;
            std::memcpy(&s, p, 4);
            full = s == INT32_MAX || s == INT32_MIN;
            return std::fabs(static_cast<double>(s)) / 2147483648.0;
        }
        default: {
            int16_t s;
            std::memcpy(&s, p, 2);
            full = s == 32767 || s == -32768;
            return std::abs(static_cast<int>(s)) / 32768.0;
        }
    }
}

void MeasureAny(const unsigned char* p, size_t frames, const WAVEFORMATEX& f, SampleKind kind, PeakMeasure& m) {
    int bytes = f.wBitsPerSample / 8;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < f.nChannels; ++c, p += bytes) {
            bool full = false;
            double v = SampleAt(p, f.wBitsPerSample, kind, full);
            double& peak = m.peak[MeterChannel(c)];
            if (v > peak) peak = v;
            m.fullScale += full;
        }
    }
}

// The common case, 16-bit mono or stereo, eight samples at a time: the lanes
// of the vectors alternate between the channels, so they are folded apart at
// the end.
#if defined(__i386__)
__attribute__((target("sse2")))
#endif
void Measure16(const unsigned char* p, size_t frames, int channels, PeakMeasure& m) {
    size_t samples = frames * static_cast<size_t>(channels);
    size_t vectors = samples / 8;
    const __m128i top = _mm_set1_epi16(32767), bottom = _mm_set1_epi16(-32768);
    __m128i hi = _mm_set1_epi16(0), lo = _mm_set1_epi16(0);
    uint64_t full = 0;
    for (size_t done = 0; done < vectors;) {
        // 16-bit lane counters: empty them before they can overflow.
        size_t run = std::min<size_t>(vectors - done, 8192);
        __m128i count = _mm_setzero_si128();
        for (size_t i = 0; i < run; ++i) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p) + done + i);
            hi = _mm_max_epi16(hi, v);
            lo = _mm_min_epi16(lo, v);
            count = _mm_sub_epi16(count, _mm_or_si128(_mm_cmpeq_epi16(v, top), _mm_cmpeq_epi16(v, bottom)));
        }
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), count);
        for (uint16_t n : lanes) full += n;
        done += run;
    }
    alignas(16) int16_t his[8], los[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(his), hi);
    _mm_store_si128(reinterpret_cast<__m128i*>(los), lo);
    int peak[2] = {0, 0};
    for (int lane = 0; lane < 8; ++lane) {
        int c = lane % channels;
        peak[c] = std::max({peak[c], static_cast<int>(his[lane]), -static_cast<int>(los[lane])});
    }
    for (size_t i = vectors * 8; i < samples; ++i) {
        int16_t s;
        std::memcpy(&s, p + i * 2, 2);
        int c = static_cast<int>(i % static_cast<size_t>(channels));
        peak[c] = std::max(peak[c], std::abs(static_cast<int>(s)));
        full += s == 32767 || s == -32768;
    }
    for (int c = 0; c < channels; ++c) m.peak[c] = std::max(m.peak[c], peak[c] / 32768.0);
    m.fullScale += static_cast<uint32_t>(std::min<uint64_t>(full, UINT32_MAX));
}

}  // namespace

PeakMeasure MeasurePeaks(const void* data, size_t bytes, const WAVEFORMATEX& format) {
    PeakMeasure m;
    SampleKind kind = SampleKindOf(format);
    if (kind == SampleKind::None || format.nChannels == 0 || format.nBlockAlign == 0 ||
        format.nBlockAlign != format.nChannels * (format.wBitsPerSample / 8))
        return m;
    m.channels = std::min<int>(format.nChannels, kMaxMeterChannels);
    size_t frames = bytes / format.nBlockAlign;
    auto p = static_cast<const unsigned char*>(data);
    if (kind == SampleKind::Pcm && format.wBitsPerSample == 16 && format.nChannels <= 2)
        Measure16(p, frames, format.nChannels, m);
    else
        MeasureAny(p, frames, format, kind, m);
    return m;
}

double PeakToDb(double peak) {
    if (!(peak > 0)) return kLevelFloorDb;
    return std::max(kLevelFloorDb, 20.0 * std::log10(peak));
}

void LevelTap::Start(const WAVEFORMATEX& format) {
    std::lock_guard<std::mutex> hold(lock_);
    // Only the head of an extensible format is kept: it is kept under its
    // plain tag, so nothing reads past the copy.
    format_ = format;
    SampleKind kind = SampleKindOf(format);
    if (kind == SampleKind::Pcm) format_.wFormatTag = WAVE_FORMAT_PCM;
    if (kind == SampleKind::Float) format_.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format_.cbSize = 0;
    reading_ = LevelReading{};
    reading_.active = true;
    reading_.channels = std::min<int>(format.nChannels, kMaxMeterChannels);
    reading_.samplesPerSec = format.nSamplesPerSec;
    clipWindowFrames_ = 0;
    clipWindowSamples_ = 0;
    clipWindowCounted_ = false;
}

void LevelTap::Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    reading_.active = false;
}

void LevelTap::Feed(const void* data, size_t bytes) {
    WAVEFORMATEX f;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!reading_.active || format_.nBlockAlign == 0) return;
        f = format_;
    }
    size_t frames = bytes / f.nBlockAlign;
    if (frames == 0) return;
    // The meter shows the last ~50 ms; silence and clipping look at all of it.
    size_t tailFrames = std::min<size_t>(frames, std::max<DWORD>(1, f.nSamplesPerSec / 20));
    size_t headFrames = frames - tailFrames;
    auto p = static_cast<const unsigned char*>(data);
    PeakMeasure head = MeasurePeaks(p, headFrames * f.nBlockAlign, f);
    PeakMeasure tail = MeasurePeaks(p + headFrames * f.nBlockAlign, tailFrames * f.nBlockAlign, f);
    double loudest = 0;
    for (int c = 0; c < kMaxMeterChannels; ++c) loudest = std::max({loudest, head.peak[c], tail.peak[c]});

    std::lock_guard<std::mutex> hold(lock_);
    if (!reading_.active) return;
    for (int c = 0; c < kMaxMeterChannels; ++c) reading_.db[c] = PeakToDb(tail.peak[c]);
    reading_.frames += frames;
    reading_.silentFrames = PeakToDb(loudest) < kSilenceDb ? reading_.silentFrames + frames : 0;
    clipWindowSamples_ += head.fullScale + tail.fullScale;
    clipWindowFrames_ += frames;
    if (!clipWindowCounted_ && clipWindowSamples_ > kClipSamplesPerSecond) {
        ++reading_.clipEvents;
        clipWindowCounted_ = true;
    }
    if (clipWindowFrames_ >= f.nSamplesPerSec) {
        clipWindowFrames_ = 0;
        clipWindowSamples_ = 0;
        clipWindowCounted_ = false;
    }
}

LevelReading LevelTap::Read() const {
    std::lock_guard<std::mutex> hold(lock_);
    return reading_;
}

}  // namespace orvo
