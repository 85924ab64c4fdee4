// The RIFF/WAVE layout: finding the format and the sample data of a WAV
// file without trusting a single size in it, and the header of the plain PCM
// files the recorder writes.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <functional>

namespace orvo {

struct WaveLayout {
    WAVEFORMATEX format{};   // always WAVE_FORMAT_PCM, cbSize 0
    uint64_t dataOffset = 0;  // where the samples start in the file
    uint64_t dataBytes = 0;   // whole sample frames that are really there
};

// Reads n bytes at offset; false when they cannot all be read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, uint32_t n)>;

// 0, MCIERR_INVALID_FILE (not a PCM WAV file, or one whose format makes no
// sense) or MCIERR_FILE_READ. A data chunk that claims more than the file
// holds is cut to what is there.
MCIERROR ParseWaveLayout(uint64_t fileSize, const ReadAt& read, WaveLayout& out);

// True for the PCM formats the element can hold: 1 to 8 channels of 8, 16,
// 24 or 32 bits, with a consistent block alignment.
bool IsUsablePcmFormat(const WAVEFORMATEX& f);

// Largest sample-data size a 44-byte-header WAV file can describe.
constexpr uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - 36 - 1;

// The 44-byte header of a canonical PCM WAV file ("RIFF", "fmt " of 16
// bytes, "data"). An odd data size is followed by one pad byte, counted in
// the RIFF size.
std::array<uint8_t, 44> BuildWaveHeader(const WAVEFORMATEX& format, uint32_t dataBytes);

}  // namespace orvo

namespace orvo {

WAVEFORMATEX PcmFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels);

// The format a new element records in: 44,100 Hz, 16 bits, 2 channels when
// the device accepts it, else the best it accepts (16 bits before 8, then
// the sample rate, 44,100 Hz first, then stereo before mono). False when it
// accepts none of the standard formats.
bool ChooseRecordingFormat(const std::function<bool(const WAVEFORMATEX&)>& accepts, WAVEFORMATEX& chosen);

}  // namespace orvo
