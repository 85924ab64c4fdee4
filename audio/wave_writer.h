// What a saved file is made of: a writer turns the element's bytes, handed
// over block by block, into one file format. The store does everything else
// of a save (the temporary file, the replace, the sources) once, for every
// format.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <vector>

#include "audio/wave_riff.h"

namespace orvo {

class SampleWriter {
public:
    virtual ~SampleWriter() = default;
    // Before the first block: the element holds bytes of sound in format.
    virtual bool Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes) = 0;
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

// A WAV file in the element's own format, channel mask included.
class WavWriter : public SampleWriter {
public:
    bool Begin(HANDLE out, const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t bytes) override;
    uint32_t NextBlock(uint64_t done, uint64_t remaining) const override;
    bool Write(HANDLE out, const void* data, uint32_t n) override;
    bool Finish(HANDLE out) override;
    bool HoldsSamplesAt(uint64_t& dataOffset) const override;

private:
    uint64_t headerBytes_ = 0;
    uint64_t bytes_ = 0;
};

// WriteFile until all of n is written.
bool WriteAll(HANDLE out, const void* data, uint32_t n);

}  // namespace orvo
