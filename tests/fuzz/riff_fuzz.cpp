// The RIFF layout reader on any bytes: whatever it accepts lies inside the
// file, in whole frames of a format the element can hold, and a file the
// recorder writes in that format reads back as the same layout.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/wave_riff.h"

using namespace orvo;

namespace {

ReadAt Reader(const uint8_t* data, uint64_t size) {
    return [data, size](uint64_t offset, void* buffer, uint32_t n) {
        if (offset > size || n > size - offset) return false;
        std::memcpy(buffer, data + offset, n);
        return true;
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveLayout layout;
    if (ParseWaveLayout(size, Reader(data, size), layout) != 0) {
        if (layout.problem == WaveFileProblem::None) abort();
        return 0;
    }
    const WAVEFORMATEX& f = layout.format;
    if (layout.problem != WaveFileProblem::None || !IsUsableFormat(f)) abort();
    if (layout.dataOffset > size || layout.dataBytes > size - layout.dataOffset) abort();
    if (layout.dataBytes % f.nBlockAlign != 0) abort();
    for (const WaveMark& m : layout.marks)
        if (m.frame >= layout.dataBytes / f.nBlockAlign) abort();
    if (layout.extension.present && layout.extension.validBits > f.wBitsPerSample) abort();

    std::vector<uint8_t> file = BuildWaveHeader(f, layout.extension, static_cast<uint32_t>(layout.dataBytes));
    file.insert(file.end(), data + layout.dataOffset, data + layout.dataOffset + layout.dataBytes);
    if (layout.dataBytes & 1) file.push_back(0);
    WaveLayout back;
    if (ParseWaveLayout(file.size(), Reader(file.data(), file.size()), back) != 0) abort();
    if (std::memcmp(&back.format, &f, sizeof f) != 0 || back.dataBytes != layout.dataBytes ||
        back.extension.present != layout.extension.present || back.extension.validBits != layout.extension.validBits ||
        back.extension.channelMask != layout.extension.channelMask || back.unfinished)
        abort();
    return 0;
}
