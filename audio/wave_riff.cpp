#include "audio/wave_riff.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

namespace orvo {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The "fmt " chunk body; false when it is not PCM we can hold.
bool ReadFormatChunk(const uint8_t* body, uint32_t size, WAVEFORMATEX& f) {
    if (size < 16) return false;
    f = {};
    f.wFormatTag = Le16(body);
    f.nChannels = Le16(body + 2);
    f.nSamplesPerSec = Le32(body + 4);
    f.nBlockAlign = Le16(body + 12);
    f.wBitsPerSample = Le16(body + 14);
    if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        // Extensible PCM whose samples fill their containers is plain PCM.
        if (size < 40) return false;
        uint16_t validBits = Le16(body + 18);
        // The PCM subformat, {00000001-0000-0010-8000-00AA00389B71}, as stored.
        static const uint8_t kPcmSubformat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (std::memcmp(body + 24, kPcmSubformat, 16) != 0) return false;
        if (validBits != 0 && validBits != f.wBitsPerSample) return false;
        f.wFormatTag = WAVE_FORMAT_PCM;
    }
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    // The average rate is redundant and often wrong in the wild; derive it.
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return IsUsablePcmFormat(f);
}

}  // namespace

bool IsUsablePcmFormat(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels < 1 || f.nChannels > 8) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16 && f.wBitsPerSample != 24 && f.wBitsPerSample != 32)
        return false;
    if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 384000) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    return true;
}

MCIERROR ParseWaveLayout(uint64_t fileSize, const ReadAt& read, WaveLayout& out) {
    uint8_t head[12];
    if (fileSize < sizeof(head)) return MCIERR_INVALID_FILE;
    if (!read(0, head, sizeof(head))) return MCIERR_FILE_READ;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return MCIERR_INVALID_FILE;
    // Chunks end where the RIFF form says, but never beyond the file; a form
    // size too small even for its own type is not trusted at all.
    uint64_t end = 8 + static_cast<uint64_t>(Le32(head + 4));
    if (end < 12) end = fileSize;
    end = std::min(end, fileSize);

    bool haveFormat = false, haveData = false;
    WAVEFORMATEX format{};
    uint64_t dataOffset = 0, dataBytes = 0;
    uint64_t pos = 12;
    while (pos + 8 <= end && !(haveFormat && haveData)) {
        uint8_t chunk[8];
        if (!read(pos, chunk, sizeof(chunk))) return MCIERR_FILE_READ;
        uint32_t size = Le32(chunk + 4);
        uint64_t body = pos + 8;
        uint64_t available = end - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            uint8_t fmt[40] = {};
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>({size, sizeof(fmt), available}));
            if (n < size && n < sizeof(fmt)) return MCIERR_INVALID_FILE;  // format cut off by the file's end
            if (!read(body, fmt, n)) return MCIERR_FILE_READ;
            if (!ReadFormatChunk(fmt, n, format)) return MCIERR_INVALID_FILE;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            dataOffset = body;
            dataBytes = std::min<uint64_t>(size, available);
            haveData = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) return MCIERR_INVALID_FILE;
    out.format = format;
    out.dataOffset = dataOffset;
    out.dataBytes = dataBytes - dataBytes % format.nBlockAlign;
    return 0;
}

std::array<uint8_t, 44> BuildWaveHeader(const WAVEFORMATEX& format, uint32_t dataBytes) {
    std::array<uint8_t, 44> h{};
    uint8_t* p = h.data();
    std::memcpy(p, "RIFF", 4);
    Put32(p + 4, 36 + dataBytes + (dataBytes & 1));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    Put32(p + 16, 16);
    Put16(p + 20, WAVE_FORMAT_PCM);
    Put16(p + 22, format.nChannels);
    Put32(p + 24, format.nSamplesPerSec);
    Put32(p + 28, format.nSamplesPerSec * format.nBlockAlign);
    Put16(p + 32, format.nBlockAlign);
    Put16(p + 34, format.wBitsPerSample);
    std::memcpy(p + 36, "data", 4);
    Put32(p + 40, dataBytes);
    return h;
}

}  // namespace orvo

namespace orvo {

WAVEFORMATEX PcmFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = samplesPerSec;
    f.wBitsPerSample = bitsPerSample;
    f.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
    f.nAvgBytesPerSec = samplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

bool ChooseRecordingFormat(const std::function<bool(const WAVEFORMATEX&)>& accepts, WAVEFORMATEX& chosen) {
    static const DWORD kRates[] = {44100, 48000, 32000, 22050, 16000, 11025, 8000};
    static const WORD kBits[] = {16, 8};
    static const WORD kChannels[] = {2, 1};
    for (WORD bits : kBits)
        for (DWORD rate : kRates)
            for (WORD channels : kChannels) {
                WAVEFORMATEX f = PcmFormat(rate, bits, channels);
                if (accepts(f)) {
                    chosen = f;
                    return true;
                }
            }
    return false;
}

}  // namespace orvo
