// A FLAC file at compression level 5, lossless for PCM of 8, 16 and 24 bits
// and up to eight channels; 32-bit integer and float sources are stored as
// 24-bit. A Vorbis comment carries the title and the date. The stream's
// header (its length and checksum) is rewritten at the end.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/encoding_writer.h"

namespace orvo {

// The most channels a FLAC file holds.
inline constexpr uint16_t kFlacMaxChannels = 8;

class FlacWriter : public EncodingWriter {
public:
    explicit FlacWriter(SaveTags tags);
    ~FlacWriter() override;

protected:
    bool Start(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t frames) override;
    bool Encode(const uint8_t* frames, uint32_t count) override;
    bool End() override;

private:
    // The library's encoder and the comment block it writes, owned.
    struct Encoder;
    // The encoder's output callbacks reach Emit and SeekTo through it.
    friend struct FlacOutput;

    SaveTags tags_;
    std::unique_ptr<Encoder> encoder_;
    WAVEFORMATEX format_{};
    std::vector<int32_t> samples_;
};

}  // namespace orvo
