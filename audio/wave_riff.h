// The RIFF/WAVE layout: finding the format and the sample data of a WAV
// file without trusting a single size in it, saying why a file cannot be
// opened, and the header of the files the recorder writes.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/wave_marks.h"

namespace orvo {

// What WAVE_FORMAT_EXTENSIBLE adds to a format; present only when the file
// described its format that way, so that saving writes it back the same.
struct WaveExtension {
    bool present = false;
    uint16_t validBits = 0;    // bits of each sample container that carry sound
    uint32_t channelMask = 0;  // which speaker each channel feeds
};

enum class WaveFileProblem {
    None,
    NotWave,            // not a RIFF file of the form WAVE
    Damaged,            // a WAVE file whose chunks or format make no sense
    UnsupportedFormat,  // a sound WAVE file in a coding the recorder cannot play
    CannotRead,         // the file cannot be opened or read
};

struct WaveLayout {
    // How the samples are coded: WAVE_FORMAT_PCM or WAVE_FORMAT_IEEE_FLOAT,
    // cbSize 0, whatever tag the file used.
    WAVEFORMATEX format{};
    WaveExtension extension;
    uint64_t dataOffset = 0;  // where the samples start in the file
    uint64_t dataBytes = 0;   // whole sample frames that are really there
    // The header was never finished (a recorder that stopped before it
    // wrote the sizes): the samples run to the end of the file instead.
    bool unfinished = false;
    bool rf64 = false;  // the 64-bit form: its sizes are in the ds64 chunk
    std::vector<WaveMark> marks;  // from the cue chunk and its labels, inside the data
    // When the file is refused: why, and for an unsupported format its name.
    WaveFileProblem problem = WaveFileProblem::None;
    std::wstring formatName;
};

// Reads n bytes at offset; false when they cannot all be read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, uint32_t n)>;

// 0, MCIERR_INVALID_FILE (out.problem says why) or MCIERR_FILE_READ. RF64
// files (a "ds64" chunk first, holding the 64-bit sizes) are read too. A data
// chunk that claims more than the file holds is cut to what is there. One
// left unfinished, with a size of 0 or 0xFFFFFFFF or followed by more sound
// rather than by another chunk, takes everything to the file's end; so does
// a data chunk the RIFF size falls short of.
MCIERROR ParseWaveLayout(uint64_t fileSize, const ReadAt& read, WaveLayout& out);

// Reads exactly n bytes at offset of a file opened for reading.
bool ReadFileRange(HANDLE file, uint64_t offset, void* data, uint32_t n);
// ParseWaveLayout on an open file.
MCIERROR ParseWaveFile(HANDLE file, WaveLayout& out);
// Opens the file and parses it: the problem, or None with the layout.
WaveFileProblem InspectWaveFile(const std::wstring& path, WaveLayout& out);

// True for the codings the element can hold: PCM of 8, 16, 24 or 32 bits
// and IEEE float of 32 or 64 bits, any number of channels up to 64, with a
// consistent block alignment.
bool IsUsableFormat(const WAVEFORMATEX& f);

// A short name for a format tag ("ADPCM", "PCM 12-bit", "0x1234").
std::wstring WaveFormatName(uint16_t tag, uint16_t bitsPerSample);
// "IEEE float 32-bit, 48000 Hz, 6 channels"
std::wstring DescribeFormat(const WAVEFORMATEX& f);

// The coding of the samples: for an extensible record (the whole of it in
// memory behind f, cbSize at least 22) the tag its sub-format carries when
// that is PCM or IEEE float; else f's own tag.
WORD SampleCoding(const WAVEFORMATEX& f);

// The format as a wave device is asked for it: the extensible record when
// the element has an extension, else the plain one (cbSize 0).
WAVEFORMATEXTENSIBLE DeviceFormat(const WAVEFORMATEX& format, const WaveExtension& extension);

// The header written before the samples: "RIFF", "fmt " (16 bytes for
// PCM, 18 for float, 40 for extensible), "fact" for anything but PCM, and
// "data". An odd data size is followed by one pad byte, counted in the
// RIFF size.
std::vector<uint8_t> BuildWaveHeader(const WAVEFORMATEX& format, const WaveExtension& extension,
                                     uint32_t dataBytes);
// The largest whole-frame sample data a file of this format can describe:
// its RIFF size is a 32-bit number.
uint64_t MaxWaveDataBytes(const WAVEFORMATEX& format, const WaveExtension& extension);

// Files past what a plain WAV file can describe are written as RF64: "RF64"
// and "data" sizes of 0xFFFFFFFF, the true sizes in a "ds64" chunk before
// "fmt ". True when dataBytes of sound, with trailerBytes of chunks after it,
// take RF64: beyond PlainWaveLimit, or beyond 4 GiB with the trailer.
bool NeedsRf64(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t dataBytes,
               uint64_t trailerBytes);
// The header of either form, as NeedsRf64 chooses.
std::vector<uint8_t> BuildWaveFileHeader(const WAVEFORMATEX& format, const WaveExtension& extension,
                                         uint64_t dataBytes, uint64_t trailerBytes);
// The whole file: header, sound, pad byte and trailer.
uint64_t WaveFileBytes(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t dataBytes,
                       uint64_t trailerBytes);
// The most sound written as a plain WAV file: MaxWaveDataBytes, or less
// while a test has brought the threshold down.
uint64_t PlainWaveLimit(const WAVEFORMATEX& format, const WaveExtension& extension);
// A test seam, process-wide, never set by the program: elements holding more
// than dataBytes of sound count as past the WAV size limit (their files are
// written as RF64). UINT64_MAX lifts it.
void SetPlainWaveThreshold(uint64_t dataBytes);

WAVEFORMATEX PcmFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels);
// How long bytes of sound in format f last, in whole milliseconds (0 for a
// format without blocks or rate).
uint32_t BytesToMilliseconds(uint64_t bytes, const WAVEFORMATEX& f);

// The format a new element records in: 44,100 Hz, 16 bits, 2 channels when
// the device accepts it, else the best it accepts (16 bits before 8, then
// the sample rate, 44,100 Hz first, then stereo before mono). False when it
// accepts none of the standard formats.
bool ChooseRecordingFormat(const std::function<bool(const WAVEFORMATEX&)>& accepts, WAVEFORMATEX& chosen);

}  // namespace orvo
