// The base of the writers that encode: the element's bytes arrive in blocks
// of whole frames, and the encoded bytes go out through one place that knows
// where in the file it is (the encoders go back to the start at the end, to
// put in what they learn only then).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wave_writer.h"

namespace orvo {

// What an encoded file says about itself besides its sound.
struct SaveTags {
    std::wstring title;  // the file name without its extension
    SYSTEMTIME date{};   // when the sound was recorded (local time)
};

class EncodingWriter : public SampleWriter {
public:
    // Marks are not carried yet: MP3 has no common place for them, and
    // FLAC's cue sheet is still to come.
    bool Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes,
               const std::vector<WaveMark>& marks) final;
    uint32_t NextBlock(uint64_t done, uint64_t remaining) const final;
    bool Write(HANDLE out, const void* data, uint32_t n) final;
    bool Finish(HANDLE out) final;
    // The file holds encoded sound, never the element's bytes.
    bool HoldsSamplesAt(uint64_t& dataOffset) const final;

    // Seam for tests, process-wide, never set by the program: encoded output
    // that would take a file past bytes fails with ERROR_DISK_FULL, as on a
    // full disk. WaveStore::kNoLimit lifts it.
    static void FailWritesBeyond(uint64_t bytes);

protected:
    // The encoder's three steps; frames count whole frames of the element.
    virtual bool Start(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t frames) = 0;
    virtual bool Encode(const uint8_t* frames, uint32_t count) = 0;
    virtual bool End() = 0;

    // Writes at the current place in the file, and moves the place.
    bool Emit(const void* data, size_t n);
    bool SeekTo(uint64_t offset);
    uint64_t Place() const { return place_; }

private:
    HANDLE out_ = INVALID_HANDLE_VALUE;
    uint32_t frameBytes_ = 1;
    uint64_t place_ = 0;
};

// One sample (at p) of the element's format, PCM of 8 to 32 bits or IEEE
// float: as a fraction of full scale, and as an integer of IntegerBits bits
// (PCM up to 24 bits as it is, 32-bit PCM its top 24 bits, float scaled to
// 24 bits, rounded and clipped).
float SampleAsUnit(const WAVEFORMATEX& format, const uint8_t* p);
int32_t SampleAsInteger(const WAVEFORMATEX& format, const uint8_t* p);
int IntegerBits(const WAVEFORMATEX& format);

}  // namespace orvo
