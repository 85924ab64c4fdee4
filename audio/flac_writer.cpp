#include "audio/flac_writer.h"

#include <cstdio>
#include <string>

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include "base/text.h"

namespace orvo {

struct FlacOutput {
    static FLAC__StreamEncoderWriteStatus Write(const FLAC__StreamEncoder*, const FLAC__byte data[], size_t n,
                                                uint32_t, uint32_t, void* self) {
        return static_cast<FlacWriter*>(self)->Emit(data, n) ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                                                             : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    static FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* self) {
        return static_cast<FlacWriter*>(self)->SeekTo(offset) ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                                                              : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
    static FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* self) {
        *offset = static_cast<FlacWriter*>(self)->Place();
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }
};

struct FlacWriter::Encoder {
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    FLAC__StreamMetadata* comment = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder() {
        if (encoder) FLAC__stream_encoder_delete(encoder);
        if (comment) FLAC__metadata_object_delete(comment);
    }
    bool Comment(const char* name, const std::string& value) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        return FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name, value.c_str()) &&
               FLAC__metadata_object_vorbiscomment_append_comment(comment, entry, false);
    }
};

FlacWriter::FlacWriter(SaveTags tags) : tags_(std::move(tags)) {}
FlacWriter::~FlacWriter() = default;

bool FlacWriter::Start(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t frames) {
    format_ = format;
    if (format.nChannels < 1 || format.nChannels > kFlacMaxChannels) return false;
    encoder_ = std::make_unique<Encoder>();
    if (!encoder_->encoder || !encoder_->comment) return false;
    char date[16];
    snprintf(date, sizeof date, "%04u-%02u-%02u", tags_.date.wYear, tags_.date.wMonth, tags_.date.wDay);
    if ((!tags_.title.empty() && !encoder_->Comment("TITLE", WideToUtf8(tags_.title))) ||
        (tags_.date.wYear && !encoder_->Comment("DATE", date)))
        return false;
    // FLAC's own layouts are the usual ones; any other speakers the element
    // names are kept in the comment decoders read them from.
    char mask[16];
    snprintf(mask, sizeof mask, "0x%04X", static_cast<unsigned>(extension.channelMask));
    if (extension.present && extension.channelMask &&
        !encoder_->Comment("WAVEFORMATEXTENSIBLE_CHANNEL_MASK", mask))
        return false;
    FLAC__StreamEncoder* e = encoder_->encoder;
    FLAC__StreamMetadata* blocks[] = {encoder_->comment};
    FLAC__stream_encoder_set_channels(e, format.nChannels);
    FLAC__stream_encoder_set_bits_per_sample(e, static_cast<uint32_t>(IntegerBits(format)));
    FLAC__stream_encoder_set_sample_rate(e, format.nSamplesPerSec);
    FLAC__stream_encoder_set_compression_level(e, 5);
    FLAC__stream_encoder_set_total_samples_estimate(e, frames);
    FLAC__stream_encoder_set_metadata(e, blocks, 1);
    return FLAC__stream_encoder_init_stream(e, &FlacOutput::Write, &FlacOutput::Seek, &FlacOutput::Tell, nullptr,
                                            this) == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
}

bool FlacWriter::Encode(const uint8_t* frames, uint32_t count) {
    const uint32_t channels = format_.nChannels, sampleBytes = format_.wBitsPerSample / 8;
    samples_.resize(static_cast<size_t>(count) * channels);
    for (size_t i = 0; i < samples_.size(); ++i) samples_[i] = SampleAsInteger(format_, frames + i * sampleBytes);
    return FLAC__stream_encoder_process_interleaved(encoder_->encoder, samples_.data(), count);
}

bool FlacWriter::End() { return FLAC__stream_encoder_finish(encoder_->encoder); }

}  // namespace orvo
