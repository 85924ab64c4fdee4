// The waveform reader on any file: what it loads is the data chunk's own
// bytes, never more than the file holds, counted in frames as it says; and
// the drawing of any stretch A..B at any size reads only frames there are.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "recorder/waveform/mod_audio_edit.h"
#include "recorder/waveform/wave_trace.h"
#include "win/ui_seam.h"

namespace orvo {

// The reader tells the user of a file it cannot load; nobody is there.
int ShowMessage(HWND, const std::wstring&, const std::wstring&, UINT) { return 1; }

}  // namespace orvo

using namespace orvo::recorder;
namespace mae = orvo::recorder::modAudioEdit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t startFrame = in.ConsumeIntegral<int32_t>(), endFrame = in.ConsumeIntegral<int32_t>();
    const float width = in.ConsumeFloatingPointInRange<float>(0, 20000);
    const float height = in.ConsumeFloatingPointInRange<float>(0, 10000);
    const std::vector<uint8_t> file = in.ConsumeRemainingBytes<uint8_t>();
    StandInMmioFile(L"fuzz.wav", file.data(), file.size());
    mae::LoadWaveFile(L"fuzz.wav");
    if (!mae::bWaveLoaded) return 0;

    const uint32_t bytes = mae::DataBytes();
    const uint64_t at = mae::DataChunk.dwDataOffset;
    const uint16_t align = mae::WaveFormat.nBlockAlign;
    if (at > file.size() || bytes > file.size() - at) abort();
    if (bytes && std::memcmp(mae::WaveData(), file.data() + at, bytes) != 0) abort();
    if (align == 0 || mae::lFrameCount != mae::FrameCountOf(bytes, align)) abort();
    const mae::ByteRange range = mae::FrameBytes(startFrame, endFrame, align, bytes);
    if (range.first > range.end || range.end > bytes) abort();

    WaveGeometry g;
    if (!WaveGeometryOf(startFrame, endFrame, width, height, mae::WaveFormat, mae::lFrameCount, g)) return 0;
    // Every point lies in the drawing: x along it, y within the traces' bands.
    const int64_t bottom = g.stereo ? g.c + g.q : 2 * g.q;
    TraceWave(g, [&g, bottom](int64_t, int64_t, int64_t x, int64_t y) {
        if (x < 0 || x > g.lastX || y < 0 || y > bottom) abort();
    });
    return 0;
}
