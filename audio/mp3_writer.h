// An MP3 file of constant bit rate through the bundled encoder: an ID3v2 tag
// (title, date), the frames, and a first frame with the encoder's header
// that tells players the exact length. Sources the format cannot hold are
// turned into what it can: more than two channels are mixed down to stereo,
// rates MPEG audio does not have are resampled by the encoder, and deep or
// float samples become the encoder's own.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/encoding_writer.h"
#include "audio/lame_library.h"

namespace orvo {

// The constant bit rates offered, and the one used until the user picks.
inline constexpr int kMp3Bitrates[] = {128, 192, 256, 320};
inline constexpr int kDefaultMp3Bitrate = 192;

// The rate an MP3 of a source at inputRate is written at: the same where
// MPEG audio has it, otherwise the nearest it has (from 44100 for rates of
// that family, from 48000 above it).
int Mp3OutputRate(uint32_t inputRate);

// How much of each channel goes to the left and the right of a stereo mix:
// left speakers left, right speakers right, centre ones to both at -3 dB,
// the low-frequency channel nowhere; each side scaled so it cannot clip.
// channelMask 0 means the usual speakers in order.
std::vector<std::pair<float, float>> StereoMix(uint16_t channels, uint32_t channelMask);

class Mp3Writer : public EncodingWriter {
public:
    Mp3Writer(const LameApi& lame, int kbps, SaveTags tags);
    ~Mp3Writer() override;

protected:
    bool Start(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t frames) override;
    bool Encode(const uint8_t* frames, uint32_t count) override;
    bool End() override;

private:
    struct Closer {
        const LameApi* lame;
        void operator()(lame_global_flags* flags) const { lame->close(flags); }
    };
    bool WriteTag();

    const LameApi& lame_;
    int kbps_;
    SaveTags tags_;
    std::unique_ptr<lame_global_flags, Closer> flags_;
    WAVEFORMATEX format_{};
    std::vector<std::pair<float, float>> mix_;
    std::vector<float> left_, right_;
    std::vector<unsigned char> encoded_;
    uint64_t firstFrameAt_ = 0;
};

}  // namespace orvo
