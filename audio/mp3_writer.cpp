#include "audio/mp3_writer.h"

#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvo {
namespace {

constexpr uint32_t kMpegRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// The speaker positions of the usual layouts, in channel order.
constexpr uint32_t kDefaultSpeakers[] = {SPEAKER_FRONT_LEFT,  SPEAKER_FRONT_RIGHT,  SPEAKER_FRONT_CENTER,
                                         SPEAKER_LOW_FREQUENCY, SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT,
                                         SPEAKER_SIDE_LEFT,   SPEAKER_SIDE_RIGHT};
constexpr uint32_t kLeftSpeakers = SPEAKER_FRONT_LEFT | SPEAKER_BACK_LEFT | SPEAKER_SIDE_LEFT |
                                   SPEAKER_FRONT_LEFT_OF_CENTER | SPEAKER_TOP_FRONT_LEFT | SPEAKER_TOP_BACK_LEFT;
constexpr uint32_t kRightSpeakers = SPEAKER_FRONT_RIGHT | SPEAKER_BACK_RIGHT | SPEAKER_SIDE_RIGHT |
                                    SPEAKER_FRONT_RIGHT_OF_CENTER | SPEAKER_TOP_FRONT_RIGHT |
                                    SPEAKER_TOP_BACK_RIGHT;

// The speaker of each channel: the mask's bits from the lowest up, then
// the usual order for channels the mask leaves out.
std::vector<uint32_t> SpeakersOf(uint16_t channels, uint32_t mask) {
    std::vector<uint32_t> speakers;
    for (uint32_t bit = 1; bit && speakers.size() < channels; bit <<= 1)
        if (mask & bit) speakers.push_back(bit);
    for (size_t i = speakers.size(); i < channels; ++i)
        speakers.push_back(i < std::size(kDefaultSpeakers) && !mask ? kDefaultSpeakers[i] : 0);
    return speakers;
}

std::vector<unsigned short> Utf16Text(const std::wstring& text) {
    std::vector<unsigned short> out = {0xFEFF};
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

}  // namespace

int Mp3OutputRate(uint32_t inputRate) {
    for (uint32_t r : kMpegRates)
        if (r == inputRate) return static_cast<int>(r);
    if (inputRate > 48000) return inputRate % 11025 == 0 ? 44100 : 48000;
    // Below: the highest MPEG rate under the source's, so nothing is made up.
    uint32_t best = kMpegRates[0];
    for (uint32_t r : kMpegRates)
        if (r < inputRate) best = r;
    return static_cast<int>(best);
}

std::vector<std::pair<float, float>> StereoMix(uint16_t channels, uint32_t channelMask) {
    if (channels == 1) return {{1.0f, 1.0f}};
    std::vector<std::pair<float, float>> mix;
    float leftSum = 0, rightSum = 0;
    const std::vector<uint32_t> speakers = SpeakersOf(channels, channelMask);
    for (size_t i = 0; i < channels; ++i) {
        const uint32_t s = speakers[i];
        std::pair<float, float> w{0.0f, 0.0f};
        if (s & kLeftSpeakers)
            w.first = 1.0f;
        else if (s & kRightSpeakers)
            w.second = 1.0f;
        else if (s != SPEAKER_LOW_FREQUENCY)
            w = {0.7071f, 0.7071f};  // centres, and channels of no known speaker
        leftSum += w.first;
        rightSum += w.second;
        mix.push_back(w);
    }
    for (auto& w : mix) {
        if (leftSum > 1.0f) w.first /= leftSum;
        if (rightSum > 1.0f) w.second /= rightSum;
    }
    return mix;
}

Mp3Writer::Mp3Writer(const LameApi& lame, int kbps, SaveTags tags)
    : lame_(lame), kbps_(kbps), tags_(std::move(tags)), flags_(nullptr, Closer{&lame}) {}

Mp3Writer::~Mp3Writer() = default;

bool Mp3Writer::Start(const WAVEFORMATEX& format, const WaveExtension& extension, uint64_t) {
    format_ = format;
    mix_ = format.nChannels > 2 ? StereoMix(format.nChannels, extension.channelMask)
                                : std::vector<std::pair<float, float>>{};
    const bool mono = format.nChannels == 1;
    flags_.reset(lame_.init());
    if (!flags_) return false;
    lame_global_flags* f = flags_.get();
    const int rate = Mp3OutputRate(format.nSamplesPerSec);
    lame_.setInSamplerate(f, static_cast<int>(format.nSamplesPerSec));
    lame_.setOutSamplerate(f, rate);
    lame_.setNumChannels(f, mono ? 1 : 2);
    lame_.setMode(f, mono ? MONO : JOINT_STEREO);
    lame_.setVbr(f, vbr_off);
    // Below 32 kHz MPEG audio has no rate above 160 kbps.
    lame_.setBrate(f, rate < 32000 ? std::min(kbps_, 160) : kbps_);
    lame_.setQuality(f, 3);
    lame_.setWriteVbrTag(f, 1);
    // The tag is written here, before the frames, so its size is known.
    lame_.setWriteId3tagAutomatic(f, 0);
    lame_.id3Init(f);
    lame_.id3V2Only(f);
    wchar_t year[8], dayMonth[8];
    swprintf(year, 8, L"%04u", tags_.date.wYear);
    swprintf(dayMonth, 8, L"%02u%02u", tags_.date.wDay, tags_.date.wMonth);
    if (!tags_.title.empty()) lame_.id3TextUtf16(f, "TIT2", Utf16Text(tags_.title).data());
    if (tags_.date.wYear) {
        lame_.id3TextUtf16(f, "TYER", Utf16Text(year).data());
        lame_.id3TextUtf16(f, "TDAT", Utf16Text(dayMonth).data());
    }
    if (lame_.initParams(f) < 0) return false;
    return WriteTag();
}

bool Mp3Writer::WriteTag() {
    std::vector<unsigned char> tag(lame_.id3V2Tag(flags_.get(), nullptr, 0));
    if (!tag.empty() && lame_.id3V2Tag(flags_.get(), tag.data(), tag.size()) != tag.size()) return false;
    if (!tag.empty() && !Emit(tag.data(), tag.size())) return false;
    firstFrameAt_ = Place();
    return true;
}

bool Mp3Writer::Encode(const uint8_t* frames, uint32_t count) {
    left_.resize(count);
    right_.resize(count);
    const uint32_t sampleBytes = format_.wBitsPerSample / 8;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* frame = frames + static_cast<size_t>(i) * format_.nBlockAlign;
        if (mix_.empty()) {
            left_[i] = SampleAsUnit(format_, frame);
            right_[i] = format_.nChannels > 1 ? SampleAsUnit(format_, frame + sampleBytes) : left_[i];
            continue;
        }
        float l = 0, r = 0;
        for (size_t c = 0; c < mix_.size(); ++c) {
            const float s = SampleAsUnit(format_, frame + c * sampleBytes);
            l += s * mix_[c].first;
            r += s * mix_[c].second;
        }
        left_[i] = l;
        right_[i] = r;
    }
    // The encoder's own bound on its output for count samples.
    encoded_.resize(count + count / 4 + 7200);
    int n = lame_.encodeFloat(flags_.get(), left_.data(), right_.data(), static_cast<int>(count), encoded_.data(),
                              static_cast<int>(encoded_.size()));
    return n >= 0 && (n == 0 || Emit(encoded_.data(), static_cast<size_t>(n)));
}

bool Mp3Writer::End() {
    encoded_.resize(7200);
    int n = lame_.encodeFlush(flags_.get(), encoded_.data(), static_cast<int>(encoded_.size()));
    if (n < 0 || (n > 0 && !Emit(encoded_.data(), static_cast<size_t>(n)))) return false;
    // The first frame was left for the header that counts the frames.
    std::vector<unsigned char> header(lame_.lametagFrame(flags_.get(), nullptr, 0));
    if (header.empty()) return true;
    if (lame_.lametagFrame(flags_.get(), header.data(), header.size()) != header.size()) return false;
    const uint64_t end = Place();
    return SeekTo(firstFrameAt_) && Emit(header.data(), header.size()) && SeekTo(end);
}

}  // namespace orvo
