#include "audio/encoding_writer.h"

#include <mmreg.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "audio/wave_store.h"

namespace orvo {
namespace {

// About a second of CD sound per block: the encoders take any count.
constexpr uint32_t kBlockBytes = 256 * 1024;
std::atomic<uint64_t> g_outputLimit{WaveStore::kNoLimit};

int32_t LittleEndian(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    // Sign-extend from the top byte read.
    const int shift = 32 - 8 * bytes;
    return static_cast<int32_t>(v << shift) >> shift;
}

}  // namespace

void EncodingWriter::FailWritesBeyond(uint64_t bytes) { g_outputLimit = bytes; }

bool EncodingWriter::Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension,
                           uint64_t bytes, const std::vector<WaveMark>&) {
    out_ = out;
    place_ = 0;
    frameBytes_ = std::max<uint32_t>(format.nBlockAlign, 1);
    return Start(format, extension, bytes / frameBytes_);
}

uint32_t EncodingWriter::NextBlock(uint64_t, uint64_t remaining) const {
    const uint32_t whole = std::max(kBlockBytes / frameBytes_, 1u) * frameBytes_;
    return static_cast<uint32_t>(std::min<uint64_t>(whole, remaining));
}

bool EncodingWriter::Write(HANDLE, const void* data, uint32_t n) {
    // A part frame at the very end (a damaged file's last bytes) holds no
    // sample of every channel and is left out.
    return Encode(static_cast<const uint8_t*>(data), n / frameBytes_);
}

bool EncodingWriter::Finish(HANDLE) { return End(); }

bool EncodingWriter::HoldsSamplesAt(uint64_t&) const { return false; }

bool EncodingWriter::Emit(const void* data, size_t n) {
    const uint64_t limit = g_outputLimit.load();
    if (limit != WaveStore::kNoLimit && place_ + n > limit) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    if (!WriteAll(out_, data, static_cast<uint32_t>(n))) return false;
    place_ += n;
    return true;
}

bool EncodingWriter::SeekTo(uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(out_, to, nullptr, FILE_BEGIN)) return false;
    place_ = offset;
    return true;
}

float SampleAsUnit(const WAVEFORMATEX& format, const uint8_t* p) {
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        if (format.wBitsPerSample == 64) {
            double d;
            std::memcpy(&d, p, 8);
            return static_cast<float>(d);
        }
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    if (format.wBitsPerSample == 8) return (p[0] - 128) / 128.0f;
    const int bytes = format.wBitsPerSample / 8;
    return static_cast<float>(LittleEndian(p, bytes) / std::ldexp(1.0, 8 * bytes - 1));
}

int32_t SampleAsInteger(const WAVEFORMATEX& format, const uint8_t* p) {
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        double v = SampleAsUnit(format, p);
        if (!(v == v)) return 0;  // not a number: silence
        return static_cast<int32_t>(std::nearbyint(std::clamp(v * 8388608.0, -8388608.0, 8388607.0)));
    }
    switch (format.wBitsPerSample) {
        case 8: return p[0] - 128;
        case 16: return LittleEndian(p, 2);
        case 24: return LittleEndian(p, 3);
        default: return LittleEndian(p + 1, 3);
    }
}

int IntegerBits(const WAVEFORMATEX& format) {
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return 24;
    return std::min<int>(format.wBitsPerSample, 24);
}

}  // namespace orvo
