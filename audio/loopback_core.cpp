#include "audio/loopback_core.h"

#include <algorithm>

namespace orvo {
namespace {

// Target frames gathered before they go to the writer.
constexpr size_t kOutFrames = 4096;

}  // namespace

LoopbackTimeline::LoopbackTimeline(const WAVEFORMATEX& mix, const WAVEFORMATEX& target, Writer writer)
    : mix_(mix), target_(target), mixKind_(SampleKindOf(mix)), targetKind_(SampleKindOf(target)),
      writer_(std::move(writer)) {
    if (Usable()) step_ = static_cast<double>(mix.nSamplesPerSec) / target.nSamplesPerSec;
    prev_.assign(target.nChannels, 0.0);
    cur_.assign(target.nChannels, 0.0);
    at_.assign(target.nChannels, 0.0);
    out_.reserve(kOutFrames * target.nBlockAlign);
}

bool LoopbackTimeline::Usable() const {
    return mixKind_ != SampleKind::None && targetKind_ != SampleKind::None && mix_.nChannels > 0 &&
           target_.nChannels > 0 && mix_.nSamplesPerSec > 0 && target_.nSamplesPerSec > 0 &&
           mix_.nBlockAlign >= mix_.nChannels * (mix_.wBitsPerSample / 8) &&
           target_.nBlockAlign == target_.nChannels * (target_.wBitsPerSample / 8);
}

uint64_t LoopbackTimeline::ClockFrames(uint64_t elapsed100ns) const {
    // Whole frames the clock has reached, without overflow however long the take.
    return elapsed100ns / 10000000 * target_.nSamplesPerSec +
           elapsed100ns % 10000000 * target_.nSamplesPerSec / 10000000;
}

HRESULT LoopbackTimeline::Pump(CapturePackets& client, uint64_t elapsed100ns) {
    const uint64_t clock = ClockFrames(elapsed100ns);
    for (;;) {
        UINT32 waiting = 0;
        HRESULT hr = client.NextPacketSize(waiting);
        if (FAILED(hr)) return hr;
        if (waiting == 0) break;
        BYTE* data = nullptr;
        UINT32 frames = 0;
        DWORD flags = 0;
        hr = client.GetBuffer(data, frames, flags);
        if (FAILED(hr)) return hr;
        Packet(data, frames, (flags & kPacketSilent) != 0, clock);
        hr = client.ReleaseBuffer(frames);
        if (FAILED(hr)) return hr;
    }
    const uint64_t slack = ClockFrames(kSlack100ns);
    if (clock > slack) FillTo(clock - slack);
    return Flush() ? S_OK : S_FALSE;
}

void LoopbackTimeline::Finish(uint64_t elapsed100ns) {
    FillTo(ClockFrames(elapsed100ns));
    Flush();
}

// Each mix frame moves the linear interpolation one step on; every target
// frame that falls between the previous mix frame and this one comes out.
void LoopbackTimeline::Packet(const BYTE* data, UINT32 frames, bool silent, uint64_t clock) {
    const auto length = static_cast<uint64_t>(frames / step_);
    if (clock > length && clock - length > frames_ + ClockFrames(kLate100ns)) FillTo(clock - length);
    const WORD bytes = mix_.wBitsPerSample / 8;
    for (UINT32 i = 0; i < frames && !refused_; ++i) {
        const BYTE* frame = data + static_cast<size_t>(i) * mix_.nBlockAlign;
        for (WORD c = 0; c < target_.nChannels; ++c) {
            // A mono target hears both front channels; past the mix's own
            // channels, the last one is repeated.
            if (silent || !data) {
                cur_[c] = 0.0;
            } else if (target_.nChannels == 1 && mix_.nChannels >= 2) {
                cur_[c] = (ReadSample(frame, mix_.wBitsPerSample, mixKind_) +
                           ReadSample(frame + bytes, mix_.wBitsPerSample, mixKind_)) / 2;
            } else {
                WORD from = std::min<WORD>(c, static_cast<WORD>(mix_.nChannels - 1));
                cur_[c] = ReadSample(frame + from * bytes, mix_.wBitsPerSample, mixKind_);
            }
        }
        while (phase_ < 1.0) {
            for (WORD c = 0; c < target_.nChannels; ++c) at_[c] = prev_[c] + phase_ * (cur_[c] - prev_[c]);
            Emit(at_.data());
            phase_ += step_;
        }
        phase_ -= 1.0;
        prev_.swap(cur_);
    }
}

void LoopbackTimeline::Emit(const double* frame) {
    size_t at = out_.size();
    out_.resize(at + target_.nBlockAlign);
    const WORD bytes = target_.wBitsPerSample / 8;
    for (WORD c = 0; c < target_.nChannels; ++c)
        WriteSample(&out_[at + c * bytes], target_.wBitsPerSample, targetKind_, frame[c]);
    ++frames_;
    if (out_.size() >= kOutFrames * target_.nBlockAlign) Flush();
}

bool LoopbackTimeline::FillTo(uint64_t frames) {
    if (frames <= frames_) return !refused_;
    // After the gap the sound starts again from silence.
    std::fill(prev_.begin(), prev_.end(), 0.0);
    std::vector<double> silence(target_.nChannels, 0.0);
    while (frames_ < frames && !refused_) Emit(silence.data());
    return !refused_;
}

bool LoopbackTimeline::Flush() {
    if (!out_.empty() && !refused_) refused_ = !writer_(out_.data(), static_cast<uint32_t>(out_.size()));
    out_.clear();
    return !refused_;
}

}  // namespace orvo
