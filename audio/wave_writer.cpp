#include "audio/wave_writer.h"

#include <algorithm>

#include "base/durable_file.h"

namespace orvo {

namespace {
constexpr uint32_t kBlock = 1024 * 1024;
}

bool WriteAll(HANDLE out, const void* data, uint32_t n) {
    DWORD written = 0;
    return WriteFile(out, data, n, &written, nullptr) && written == n;
}

bool WavWriter::Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes,
                      const std::vector<WaveMark>& marks) {
    trailer_ = BuildCueChunks(marks);
    // Past what the 32-bit RIFF size can say, the file is RF64.
    std::vector<uint8_t> header = BuildWaveFileHeader(format, extension, bytes, trailer_.size());
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
    if ((bytes_ & 1) && !WriteAll(out, &pad, 1)) return false;
    return trailer_.empty() || WriteAll(out, trailer_.data(), static_cast<uint32_t>(trailer_.size()));
}

bool WavWriter::HoldsSamplesAt(uint64_t& dataOffset) const {
    dataOffset = headerBytes_;
    return true;
}

MCIERROR WriteSound(HANDLE out, SampleWriter& writer, const WAVEFORMATEX& format, const WaveExtension& extension,
                    uint64_t bytes, const std::vector<WaveMark>& marks, const SoundReader& read,
                    const JobControl* control) {
    if (!writer.Begin(out, format, extension, bytes, marks)) return MCIERR_FILE_WRITE;
    std::vector<char> block;
    for (uint64_t done = 0; done < bytes;) {
        if (control && control->Cancelled()) return MCIERR_FILE_NOT_SAVED;
        uint32_t n = writer.NextBlock(done, bytes - done);
        if (n == 0) return MCIERR_FILE_WRITE;
        if (block.size() < n) block.resize(n);
        if (!read(done, block.data(), n)) return MCIERR_FILE_READ;
        if (!writer.Write(out, block.data(), n)) return MCIERR_FILE_WRITE;
        done += n;
        if (control) control->Report(static_cast<double>(done) / bytes);
    }
    if (!writer.Finish(out) || !FlushDurableFile(out)) return MCIERR_FILE_WRITE;
    return 0;
}

}  // namespace orvo
