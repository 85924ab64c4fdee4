#include "audio/wave_writer.h"

#include <algorithm>

namespace orvo {

namespace {
constexpr uint32_t kBlock = 1024 * 1024;
}

bool WriteAll(HANDLE out, const void* data, uint32_t n) {
    DWORD written = 0;
    return WriteFile(out, data, n, &written, nullptr) && written == n;
}

bool WavWriter::Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes) {
    std::vector<uint8_t> header = BuildWaveHeader(format, extension, static_cast<uint32_t>(bytes));
    headerBytes_ = header.size();
    bytes_ = bytes;
    return WriteAll(out, header.data(), static_cast<uint32_t>(header.size()));
}

uint32_t WavWriter::NextBlock(uint64_t done, uint64_t remaining) const {
    // Blocks end on whole megabytes of the new file: an opened source's data
    // starts as far into its file, so both sides are read and written in
    // page-aligned blocks.
    uint64_t room = kBlock - (headerBytes_ + done) % kBlock;
    return static_cast<uint32_t>(std::min<uint64_t>(room, remaining));
}

bool WavWriter::Write(HANDLE out, const void* data, uint32_t n) { return WriteAll(out, data, n); }

bool WavWriter::Finish(HANDLE out) {
    const char pad = 0;
    return !(bytes_ & 1) || WriteAll(out, &pad, 1);
}

bool WavWriter::HoldsSamplesAt(uint64_t& dataOffset) const {
    dataOffset = headerBytes_;
    return true;
}

}  // namespace orvo
