// WAV files for tests: write one from generated samples, read one back with
// a reader of its own (independent of the programs' code), and measure what
// is in it.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvo::test {

struct WavContents {
    WAVEFORMATEX format{};      // the tag as the file has it
    uint32_t channelMask = 0;   // WAVE_FORMAT_EXTENSIBLE only
    uint16_t subFormatTag = 0;  // WAVE_FORMAT_EXTENSIBLE only: PCM or IEEE float
    std::vector<uint8_t> data;  // the "data" chunk, as stored
    double Seconds() const;
    size_t Frames() const { return format.nBlockAlign ? data.size() / format.nBlockAlign : 0; }
};

WAVEFORMATEX MakePcmFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

// A float format (32 or 64 bits).
WAVEFORMATEX MakeFloatFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

// A sine tone in every channel, amplitude 0..1 of full scale (PCM of 8, 16,
// 24 or 32 bits, or float of 32 or 64 bits).
std::vector<uint8_t> SineBytes(const WAVEFORMATEX& format, double frequency, double seconds, double amplitude = 0.5);
// Silence of the format (zero for 16 bits, 128 for 8 bits).
std::vector<uint8_t> SilenceBytes(const WAVEFORMATEX& format, double seconds);

// A WAV file: a canonical 44-byte-header one for PCM, an 18-byte format
// for float, and WAVE_FORMAT_EXTENSIBLE when a channel mask is given.
bool WriteWavFile(const std::wstring& path, const WAVEFORMATEX& format, const std::vector<uint8_t>& data,
                  uint32_t channelMask = 0);
bool WriteRawFile(const std::wstring& path, const std::vector<uint8_t>& bytes);
// Reads a PCM, float or extensible WAV file; false when it is not one or is
// cut short.
bool ReadWavFile(const std::wstring& path, WavContents& out);

// One channel as values in -1..1 (every format SineBytes writes).
std::vector<double> ChannelSamples(const WavContents& wav, int channel = 0);
// The frequency of a tone, from its upward zero crossings (with a small
// hysteresis so that noise near zero is not counted). 0 when there is none.
double MeasureFrequency(const std::vector<double>& samples, DWORD samplesPerSec);
double Rms(const std::vector<double>& samples);

// A unique path in the temporary folder; the file is deleted with the object.
class TempFile {
public:
    explicit TempFile(const wchar_t* extension = L".wav");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace orvo::test
