#include "audio/wave_riff.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace orvo {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }
void Put64(uint8_t* p, uint64_t v) {
    Put32(p, static_cast<uint32_t>(v));
    Put32(p + 4, static_cast<uint32_t>(v >> 32));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The subformat of an extensible format is a GUID whose first two bytes are
// the plain format tag and whose rest is this fixed tail.
const uint8_t kSubformatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr WORD kMaxChannels = 64;
constexpr DWORD kMaxRate = 768000;

bool IsStoredSampleSize(WORD tag, WORD bits) {
    if (tag == WAVE_FORMAT_PCM) return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (tag == WAVE_FORMAT_IEEE_FLOAT) return bits == 32 || bits == 64;
    return false;
}

// The "fmt " chunk body: fills f and ext, or says what is wrong.
WaveFileProblem ReadFormatChunk(const uint8_t* body, uint32_t size, WAVEFORMATEX& f, WaveExtension& ext,
                                std::wstring& name) {
    if (size < 16) return WaveFileProblem::Damaged;
    f = {};
    ext = {};
    WORD tag = Le16(body);
    f.nChannels = Le16(body + 2);
    f.nSamplesPerSec = Le32(body + 4);
    f.nBlockAlign = Le16(body + 12);
    f.wBitsPerSample = Le16(body + 14);
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (size < 40 || Le16(body + 16) < 22) return WaveFileProblem::Damaged;
        ext.present = true;
        ext.validBits = Le16(body + 18);
        ext.channelMask = Le32(body + 20);
        WORD sub = Le16(body + 24);
        if (std::memcmp(body + 26, kSubformatTail, sizeof(kSubformatTail)) != 0) {
            name = L"WAVE_FORMAT_EXTENSIBLE";
            return WaveFileProblem::UnsupportedFormat;
        }
        tag = sub;
        if (ext.validBits == 0) ext.validBits = f.wBitsPerSample;
        if (ext.validBits > f.wBitsPerSample) return WaveFileProblem::Damaged;
    }
    if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT) {
        name = WaveFormatName(tag, f.wBitsPerSample);
        return WaveFileProblem::UnsupportedFormat;
    }
    f.wFormatTag = tag;
    if (f.nChannels == 0 || f.nSamplesPerSec == 0 || f.nBlockAlign == 0) return WaveFileProblem::Damaged;
    if (!IsStoredSampleSize(tag, f.wBitsPerSample) || f.nChannels > kMaxChannels || f.nSamplesPerSec > kMaxRate) {
        name = DescribeFormat(f);
        return WaveFileProblem::UnsupportedFormat;
    }
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return WaveFileProblem::Damaged;
    // The average rate is redundant and often wrong in the wild; derive it.
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return WaveFileProblem::None;
}

MCIERROR Refuse(WaveLayout& out, WaveFileProblem problem) {
    out.problem = problem;
    return problem == WaveFileProblem::CannotRead ? MCIERR_FILE_READ : MCIERR_INVALID_FILE;
}

// A "cue " chunk, or a LIST chunk of form "adtl", read into its place; other
// LIST forms (text about the file) are passed over. Marks are a small thing:
// anything beyond a megabyte is not read.
bool ReadMarkChunk(const uint8_t* id, uint64_t body, uint64_t size, const ReadAt& read, std::vector<uint8_t>& cue,
                   std::vector<uint8_t>& adtl) {
    constexpr uint64_t kMost = 1 << 20;
    const bool isCue = std::memcmp(id, "cue ", 4) == 0;
    if (isCue ? !cue.empty() : !adtl.empty()) return true;
    if (size > kMost) return true;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!bytes.empty() && !read(body, bytes.data(), static_cast<uint32_t>(bytes.size()))) return false;
    if (isCue) {
        cue = std::move(bytes);
    } else if (bytes.size() >= 4 && std::memcmp(bytes.data(), "adtl", 4) == 0) {
        adtl.assign(bytes.begin() + 4, bytes.end());
    }
    return true;
}

size_t HeaderSize(const WAVEFORMATEX& format, const WaveExtension& extension) {
    if (extension.present) return 12 + 8 + 40 + (format.wFormatTag == WAVE_FORMAT_PCM ? 0 : 12) + 8;
    if (format.wFormatTag == WAVE_FORMAT_PCM) return 44;
    return 12 + 8 + 18 + 12 + 8;
}

}  // namespace

bool IsUsableFormat(const WAVEFORMATEX& f) {
    if (!IsStoredSampleSize(f.wFormatTag, f.wBitsPerSample)) return false;
    if (f.nChannels < 1 || f.nChannels > kMaxChannels) return false;
    if (f.nSamplesPerSec < 1 || f.nSamplesPerSec > kMaxRate) return false;
    return f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

std::wstring WaveFormatName(uint16_t tag, uint16_t bits) {
    switch (tag) {
        case WAVE_FORMAT_PCM: return L"PCM " + std::to_wstring(bits) + L"-bit";
        case WAVE_FORMAT_IEEE_FLOAT: return L"IEEE float " + std::to_wstring(bits) + L"-bit";
        case 0x0002: return L"ADPCM";
        case 0x0006: return L"A-law";
        case 0x0007: return L"\u00B5-law";
        case 0x0011: return L"IMA ADPCM";
        case 0x0031: return L"GSM 6.10";
        case 0x0050: return L"MPEG";
        case 0x0055: return L"MP3";
        case 0x2000: return L"AC-3";
        default: break;
    }
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%04X", tag);
    return hex;
}

std::wstring DescribeFormat(const WAVEFORMATEX& f) {
    return WaveFormatName(f.wFormatTag, f.wBitsPerSample) + L", " + std::to_wstring(f.nSamplesPerSec) + L" Hz, " +
           std::to_wstring(f.nChannels) + (f.nChannels == 1 ? L" channel" : L" channels");
}

namespace {

bool LooksLikeChunkId(const uint8_t* id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

// True when the data chunk's size cannot be its true size: left at what a
// writer puts there before it knows (0 or all ones), or ending before sound
// that no chunk header follows.
bool DataSizeUnfinished(uint64_t fileSize, uint64_t body, uint64_t size, const ReadAt& read) {
    if (size == 0 || size == 0xFFFFFFFFu) return body < fileSize;
    const uint64_t next = body + size + (size & 1);
    if (next + 8 > fileSize) return false;
    uint8_t header[8];
    return read(next, header, sizeof header) && !LooksLikeChunkId(header);
}

}  // namespace

MCIERROR ParseWaveLayout(uint64_t fileSize, const ReadAt& read, WaveLayout& out) {
    out.problem = WaveFileProblem::None;
    out.formatName.clear();
    uint8_t head[12];
    if (fileSize < sizeof(head)) return Refuse(out, WaveFileProblem::NotWave);
    if (!read(0, head, sizeof(head))) return Refuse(out, WaveFileProblem::CannotRead);
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0;
    if ((!rf64 && std::memcmp(head, "RIFF", 4) != 0) || std::memcmp(head + 8, "WAVE", 4) != 0)
        return Refuse(out, WaveFileProblem::NotWave);
    // Chunks end where the RIFF form says, but never beyond the file; a form
    // size too small even for its own type is not trusted at all.
    uint64_t end = 8 + static_cast<uint64_t>(Le32(head + 4));
    // RF64 keeps its true sizes in the ds64 chunk, which must come first.
    uint64_t rf64Data = 0;
    if (rf64) {
        uint8_t ds64[8 + 24];
        if (fileSize < 12 + sizeof ds64) return Refuse(out, WaveFileProblem::Damaged);
        if (!read(12, ds64, sizeof ds64)) return Refuse(out, WaveFileProblem::CannotRead);
        if (std::memcmp(ds64, "ds64", 4) != 0 || Le32(ds64 + 4) < 24) return Refuse(out, WaveFileProblem::Damaged);
        const uint64_t riff = Le64(ds64 + 8);
        end = riff > UINT64_MAX - 8 ? UINT64_MAX : 8 + riff;
        rf64Data = Le64(ds64 + 16);
    }
    if (end < 12) end = fileSize;
    end = std::min(end, fileSize);
    out.unfinished = false;
    out.rf64 = rf64;

    bool haveFormat = false, haveData = false;
    WAVEFORMATEX format{};
    WaveExtension extension;
    uint64_t dataOffset = 0, dataBytes = 0;
    std::vector<uint8_t> cue, adtl;
    uint64_t pos = 12;
    for (;;) {
        // A RIFF size left stale by an unfinished writer ends the chunks too
        // early: the rest of the file is looked at as well. On past the data
        // too: the cue chunk usually follows it.
        if (pos + 8 > end && !haveData && end < fileSize) end = fileSize;
        if (pos + 8 > end) break;
        uint8_t chunk[8];
        if (!read(pos, chunk, sizeof(chunk))) return Refuse(out, WaveFileProblem::CannotRead);
        uint64_t size = Le32(chunk + 4);
        uint64_t body = pos + 8;
        if (rf64 && size == 0xFFFFFFFFu && std::memcmp(chunk, "data", 4) == 0) size = rf64Data;
        uint64_t available = end - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            uint8_t fmt[40] = {};
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>({size, sizeof(fmt), available}));
            // A format cut off by the file's end.
            if (n < size && n < sizeof(fmt)) return Refuse(out, WaveFileProblem::Damaged);
            if (!read(body, fmt, n)) return Refuse(out, WaveFileProblem::CannotRead);
            WaveFileProblem p = ReadFormatChunk(fmt, n, format, extension, out.formatName);
            if (p != WaveFileProblem::None) return Refuse(out, p);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            dataOffset = body;
            dataBytes = std::min<uint64_t>(size, available);
            // A plain RIFF file past 4 GiB cannot say its own sizes: they
            // wrapped around or were never written, so its sound runs on to
            // the file's end whatever chunk its wrapped size seems to reach.
            const bool tooLargeToSay = !rf64 && fileSize - 8 > 0xFFFFFFFFull;
            if (tooLargeToSay || DataSizeUnfinished(fileSize, body, size, read)) {
                dataBytes = fileSize - body;
                out.unfinished = true;
            } else if (end < fileSize && body + size > end) {
                // The RIFF size falls short of the data chunk's own.
                dataBytes = std::min<uint64_t>(size, fileSize - body);
                out.unfinished = true;
            }
            haveData = true;
        } else if (std::memcmp(chunk, "cue ", 4) == 0 || std::memcmp(chunk, "LIST", 4) == 0) {
            if (!ReadMarkChunk(chunk, body, std::min<uint64_t>(size, available), read, cue, adtl))
                return Refuse(out, WaveFileProblem::CannotRead);
        }
        // Unfinished sound runs to the file's end: nothing follows it.
        if (out.unfinished) break;
        pos = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) return Refuse(out, WaveFileProblem::Damaged);
    out.format = format;
    out.extension = extension;
    out.dataOffset = dataOffset;
    out.dataBytes = dataBytes - dataBytes % format.nBlockAlign;
    out.marks = ReadCueChunks(cue, adtl, out.dataBytes / format.nBlockAlign);
    return 0;
}

WORD SampleCoding(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_EXTENSIBLE || f.cbSize < 22) return f.wFormatTag;
    uint8_t guid[16];
    std::memcpy(guid, &reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(f).SubFormat, sizeof guid);
    const WORD tag = static_cast<WORD>(guid[0] | (guid[1] << 8));
    const bool known = std::memcmp(guid + 2, kSubformatTail, sizeof kSubformatTail) == 0;
    return known && (tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT) ? tag : f.wFormatTag;
}

WAVEFORMATEXTENSIBLE DeviceFormat(const WAVEFORMATEX& format, const WaveExtension& extension) {
    WAVEFORMATEXTENSIBLE x{};
    x.Format = format;
    x.Format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    x.Format.cbSize = 0;
    if (extension.present) {
        x.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        x.Format.cbSize = 22;
        x.Samples.wValidBitsPerSample = extension.validBits ? extension.validBits : format.wBitsPerSample;
        x.dwChannelMask = extension.channelMask;
        uint8_t guid[16];
        Put16(guid, format.wFormatTag);
        std::memcpy(guid + 2, kSubformatTail, sizeof(kSubformatTail));
        std::memcpy(&x.SubFormat, guid, sizeof(guid));
    }
    return x;
}

std::vector<uint8_t> BuildWaveHeader(const WAVEFORMATEX& format, const WaveExtension& extension,
                                     uint32_t dataBytes) {
    std::vector<uint8_t> h(HeaderSize(format, extension));
    uint8_t* p = h.data();
    uint32_t pad = dataBytes & 1;
    std::memcpy(p, "RIFF", 4);
    Put32(p + 4, static_cast<uint32_t>(h.size() - 8 + dataBytes + pad));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    uint32_t fmtSize = extension.present ? 40 : (format.wFormatTag == WAVE_FORMAT_PCM ? 16 : 18);
    Put32(p + 16, fmtSize);
    uint8_t* f = p + 20;
    Put16(f, extension.present ? WAVE_FORMAT_EXTENSIBLE : format.wFormatTag);
    Put16(f + 2, format.nChannels);
    Put32(f + 4, format.nSamplesPerSec);
    Put32(f + 8, format.nSamplesPerSec * format.nBlockAlign);
    Put16(f + 12, format.nBlockAlign);
    Put16(f + 14, format.wBitsPerSample);
    if (fmtSize >= 18) Put16(f + 16, static_cast<uint16_t>(fmtSize - 18));
    if (extension.present) {
        Put16(f + 18, extension.validBits ? extension.validBits : format.wBitsPerSample);
        Put32(f + 20, extension.channelMask);
        Put16(f + 24, format.wFormatTag);
        std::memcpy(f + 26, kSubformatTail, sizeof(kSubformatTail));
    }
    uint8_t* next = f + fmtSize;
    if (format.wFormatTag != WAVE_FORMAT_PCM) {
        // Files of any coding but PCM carry their length in frames.
        std::memcpy(next, "fact", 4);
        Put32(next + 4, 4);
        Put32(next + 8, format.nBlockAlign ? dataBytes / format.nBlockAlign : 0);
        next += 12;
    }
    std::memcpy(next, "data", 4);
    Put32(next + 4, dataBytes);
    return h;
}

uint64_t MaxWaveDataBytes(const WAVEFORMATEX& format, const WaveExtension& extension) {
    uint64_t bytes = 0xFFFFFFFFull - (HeaderSize(format, extension) - 8) - 1;
    return format.nBlockAlign ? bytes - bytes % format.nBlockAlign : bytes;
}

namespace {
std::atomic<uint64_t> g_plainWaveThreshold{UINT64_MAX};
constexpr size_t kDs64Chunk = 8 + 28;
}  // namespace

void SetPlainWaveThreshold(uint64_t dataBytes) { g_plainWaveThreshold = dataBytes; }

uint64_t PlainWaveLimit(const WAVEFORMATEX& format, const WaveExtension& extension) {
    return std::min(MaxWaveDataBytes(format, extension), g_plainWaveThreshold.load());
}

bool NeedsRf64(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t dataBytes,
               uint64_t trailerBytes) {
    if (dataBytes > PlainWaveLimit(format, extension)) return true;
    // The RIFF size counts the chunks after the samples too.
    return HeaderSize(format, extension) - 8 + dataBytes + (dataBytes & 1) + trailerBytes > 0xFFFFFFFFull;
}

uint64_t WaveFileBytes(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t dataBytes,
                       uint64_t trailerBytes) {
    const uint64_t header =
        HeaderSize(format, extension) + (NeedsRf64(format, extension, dataBytes, trailerBytes) ? kDs64Chunk : 0);
    return header + dataBytes + (dataBytes & 1) + trailerBytes;
}

std::vector<uint8_t> BuildWaveFileHeader(const WAVEFORMATEX& format, const WaveExtension& extension,
                                         uint64_t dataBytes, uint64_t trailerBytes) {
    if (!NeedsRf64(format, extension, dataBytes, trailerBytes)) {
        std::vector<uint8_t> h = BuildWaveHeader(format, extension, static_cast<uint32_t>(dataBytes));
        Put32(h.data() + 4, static_cast<uint32_t>(Le32(h.data() + 4) + trailerBytes));
        return h;
    }
    // The plain header with the ds64 chunk after "WAVE", every 32-bit size
    // that cannot hold its value set to all ones.
    std::vector<uint8_t> plain = BuildWaveHeader(format, extension, 0);
    std::vector<uint8_t> h(plain.size() + kDs64Chunk);
    std::memcpy(h.data(), "RF64", 4);
    Put32(h.data() + 4, 0xFFFFFFFFu);
    std::memcpy(h.data() + 8, "WAVEds64", 8);
    Put32(h.data() + 16, 28);
    const uint64_t frames = format.nBlockAlign ? dataBytes / format.nBlockAlign : 0;
    Put64(h.data() + 20, WaveFileBytes(format, extension, dataBytes, trailerBytes) - 8);
    Put64(h.data() + 28, dataBytes);
    Put64(h.data() + 36, frames);
    Put32(h.data() + 44, 0);  // no table of other chunks' sizes
    std::memcpy(h.data() + 12 + kDs64Chunk, plain.data() + 12, plain.size() - 12);
    uint8_t* tail = h.data() + h.size();
    Put32(tail - 4, 0xFFFFFFFFu);  // the data chunk's size
    if (format.wFormatTag != WAVE_FORMAT_PCM) Put32(tail - 12, frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(frames));
    return h;
}

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

uint32_t BytesToMilliseconds(uint64_t bytes, const WAVEFORMATEX& f) {
    if (f.nBlockAlign == 0 || f.nSamplesPerSec == 0) return 0;
    uint64_t ms = bytes / f.nBlockAlign * 1000 / f.nSamplesPerSec;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, 0xFFFFFFFFu));
}

}  // namespace orvo
