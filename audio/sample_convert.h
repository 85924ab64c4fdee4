// Turning an element's samples into what any output device plays: 16-bit
// PCM, at most two channels, at the element's own sample rate. Used when
// the output refuses the element's format (float, 24 or 32 bits, many
// channels).
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>

namespace orvo {

// How a format's samples are stored: integers (8, 16, 24 or 32 bits) or
// IEEE float (32 or 64 bits), also inside WAVE_FORMAT_EXTENSIBLE; None for
// anything else.
enum class SampleKind { None, Pcm, Float };
SampleKind SampleKindOf(const WAVEFORMATEX& format);

// One sample as a share of full scale (-1..1; a float may go past) and back,
// clamped and rounded to the nearest step.
double ReadSample(const uint8_t* p, WORD bitsPerSample, SampleKind kind);
void WriteSample(uint8_t* p, WORD bitsPerSample, SampleKind kind, double value);

class SampleConverter {
public:
    // from: PCM of 8, 16, 24 or 32 bits or IEEE float of 32 or 64 bits, in
    // the plain or the whole extensible record.
    explicit SampleConverter(const WAVEFORMATEX& from);

    const WAVEFORMATEX& Target() const { return to_; }
    // Converts whole frames; out has room for frames * Target().nBlockAlign.
    // More than two channels keep the front pair (the first two), which
    // every channel layout puts first.
    void Convert(const uint8_t* in, size_t frames, uint8_t* out) const;

private:
    int16_t Sample(const uint8_t* p) const;

    WAVEFORMATEX from_;
    WAVEFORMATEX to_;
};

}  // namespace orvo
