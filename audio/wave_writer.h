// What a saved file is made of: a writer turns the element's bytes, handed
// over block by block, into one file format. The store does everything else
// of a save (the temporary file, the replace, the sources) once, for every
// format.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "audio/wave_marks.h"
#include "audio/wave_riff.h"
#include "base/job.h"

namespace orvo {

class SampleWriter {
public:
    virtual ~SampleWriter() = default;
    // Before the first block: the element holds bytes of sound in format,
    // with marks (frames of it, in order) that the file should carry in
    // whatever way its format has for them.
    virtual bool Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes,
                       const std::vector<WaveMark>& marks) = 0;
    // How many bytes the next block should hold after done of them (at most
    // remaining): writers choose blocks that suit their files.
    virtual uint32_t NextBlock(uint64_t done, uint64_t remaining) const = 0;
    virtual bool Write(HANDLE out, const void* data, uint32_t n) = 0;
    // After the last block, before the file is flushed.
    virtual bool Finish(HANDLE out) = 0;
    // True when the finished file holds the element's bytes unchanged and in
    // one run from dataOffset on, so the element may read them from it.
    virtual bool HoldsSamplesAt(uint64_t& dataOffset) const = 0;
};

// A WAV file in the element's own format, channel mask included; the marks
// follow the samples as a cue chunk with its labels, so the samples start
// right after the header as always.
class WavWriter : public SampleWriter {
public:
    bool Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes,
               const std::vector<WaveMark>& marks) override;
    uint32_t NextBlock(uint64_t done, uint64_t remaining) const override;
    bool Write(HANDLE out, const void* data, uint32_t n) override;
    bool Finish(HANDLE out) override;
    bool HoldsSamplesAt(uint64_t& dataOffset) const override;

private:
    uint64_t headerBytes_ = 0;
    uint64_t bytes_ = 0;
    std::vector<uint8_t> trailer_;  // the cue chunks, after the samples
};

// Reads n bytes of the sound at offset; false when it cannot.
using SoundReader = std::function<bool(uint64_t offset, void* data, uint32_t n)>;

// The whole of a save's writing: bytes of sound, read block by block, go
// through writer into out, which is flushed at the end. 0, MCIERR_FILE_READ,
// MCIERR_FILE_WRITE, or MCIERR_FILE_NOT_SAVED when cancelled.
MCIERROR WriteSound(HANDLE out, SampleWriter& writer, const WAVEFORMATEX& format, const WaveExtension& extension,
                    uint64_t bytes, const std::vector<WaveMark>& marks, const SoundReader& read,
                    const JobControl* control);

// WriteFile until all of n is written.
bool WriteAll(HANDLE out, const void* data, uint32_t n);

}  // namespace orvo
