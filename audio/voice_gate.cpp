#include "audio/voice_gate.h"

#include <algorithm>
#include <cmath>

#include "audio/level_tap.h"
#include "audio/sample_convert.h"

namespace orvo {

void VoiceGate::Start(const WAVEFORMATEX& format, const VoiceTrigger& trigger) {
    active_ = trigger.on;
    // Only the head of an extensible format is kept, under its plain tag,
    // so nothing reads past the copy.
    format_ = format;
    const SampleKind kind = SampleKindOf(format);
    if (kind == SampleKind::Pcm) format_.wFormatTag = WAVE_FORMAT_PCM;
    if (kind == SampleKind::Float) format_.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format_.cbSize = 0;
    align_ = std::max<WORD>(format.nBlockAlign, 1);
    threshold_ = std::pow(10.0, trigger.thresholdDb / 20.0);
    const uint64_t rate = std::max<DWORD>(format.nSamplesPerSec, 1);
    windowFrames_ = std::max<uint64_t>(rate * kWindowMs / 1000, 1);
    holdFrames_ = rate * trigger.holdMs / 1000;
    // The pre-roll and the window being measured, whose frames are in the
    // ring too until it is decided.
    ringFrames_ = rate * std::min(trigger.preRollMs, VoiceTrigger::kMaxPreRollMs) / 1000 + windowFrames_;
    ringStart_ = ringCount_ = windowFill_ = quietFrames_ = kept_ = 0;
    windowPeak_ = 0;
    open_ = false;
    {
        std::lock_guard<std::mutex> lock(lock_);
        segments_.clear();
    }
    if (!active_) {
        ring_.clear();
        ring_.shrink_to_fit();
        return;
    }
    try {
        ring_.assign(ringFrames_ * align_, 0);
    } catch (...) {
        // No room for the pre-roll: the segments start at the loud window.
        ringFrames_ = windowFrames_;
        ring_.assign(ringFrames_ * align_, 0);
    }
}

void VoiceGate::Remember(const uint8_t* data, uint64_t frames) {
    if (frames >= ringFrames_) {
        data += (frames - ringFrames_) * align_;
        frames = ringFrames_;
    }
    for (uint64_t done = 0; done < frames;) {
        const uint64_t end = (ringStart_ + ringCount_) % ringFrames_;
        const uint64_t n = std::min(frames - done, ringFrames_ - end);
        std::copy(data + done * align_, data + (done + n) * align_, ring_.begin() + end * align_);
        done += n;
        ringCount_ += n;
        if (ringCount_ > ringFrames_) {
            ringStart_ = (ringStart_ + ringCount_ - ringFrames_) % ringFrames_;
            ringCount_ = ringFrames_;
        }
    }
}

bool VoiceGate::KeepRun(const uint8_t* data, uint64_t frames, const Keep& keep) {
    if (frames == 0) return true;
    kept_ += frames;
    {
        std::lock_guard<std::mutex> lock(lock_);
        segments_.back().to = kept_;
    }
    return keep(data, static_cast<uint32_t>(frames * align_));
}

bool VoiceGate::KeepRing(const Keep& keep) {
    const uint64_t first = std::min(ringCount_, ringFrames_ - ringStart_);
    bool more = KeepRun(ring_.data() + ringStart_ * align_, first, keep) &&
                KeepRun(ring_.data(), ringCount_ - first, keep);
    ringStart_ = ringCount_ = 0;
    return more;
}

bool VoiceGate::Decide(const Keep& keep) {
    const bool loud = windowPeak_ >= threshold_ && windowPeak_ > 0;
    const uint64_t frames = windowFill_;
    windowFill_ = 0;
    windowPeak_ = 0;
    if (!open_) {
        if (!loud) return true;
        {
            std::lock_guard<std::mutex> lock(lock_);
            segments_.push_back({kept_, kept_, false});
        }
        open_ = true;
        quietFrames_ = 0;
        return KeepRing(keep);
    }
    quietFrames_ = loud ? 0 : quietFrames_ + frames;
    if (quietFrames_ >= holdFrames_ && !loud) {
        open_ = false;
        std::lock_guard<std::mutex> lock(lock_);
        segments_.back().ended = true;
    }
    return true;
}

bool VoiceGate::Feed(const void* data, uint32_t bytes, const Keep& keep) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint64_t frames = bytes / align_;
    while (frames > 0) {
        const uint64_t n = std::min(frames, windowFrames_ - windowFill_);
        PeakMeasure m = MeasurePeaks(p, n * align_, format_);
        for (int c = 0; c < m.channels; ++c) windowPeak_ = std::max(windowPeak_, m.peak[c]);
        // While open the window is written as it comes; while closed it
        // waits in the ring for the decision.
        if (open_) {
            if (!KeepRun(p, n, keep)) return false;
        } else {
            Remember(p, n);
        }
        windowFill_ += n;
        p += n * align_;
        frames -= n;
        if (windowFill_ == windowFrames_ && !Decide(keep)) return false;
    }
    return true;
}

std::vector<VoiceSegment> VoiceGate::Segments() const {
    std::lock_guard<std::mutex> lock(lock_);
    return segments_;
}

size_t VoiceGate::SegmentCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return segments_.size();
}

}  // namespace orvo
