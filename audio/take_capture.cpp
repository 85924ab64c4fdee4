#include "audio/take_capture.h"

#include <string>

namespace orvo {

void TakeSink::Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes,
                     const TakeRules& rules) {
    store_ = &store;
    fileOffset_ = fileOffset;
    blockAlign_ = format.nBlockAlign ? format.nBlockAlign : 1;
    maxBytes_ = maxBytes - maxBytes % blockAlign_;
    recorded_ = 0;
    received_ = 0;
    frameLimit_ = rules.frameLimit;
    firstVoiceMark_ = rules.firstVoiceMark;
    segmentsMarked_ = 0;
    end_ = TakeEndCause::None;
    writeError_ = 0;
    levels_.Start(format);
    gate_.Start(format, rules.voice);
}

void TakeSink::EndBy(TakeEndCause why) {
    TakeEndCause none = TakeEndCause::None;
    end_.compare_exchange_strong(none, why);
}

bool TakeSink::Write(const void* data, uint32_t bytes) {
    uint32_t n = bytes - bytes % blockAlign_;
    TakeEndCause end = end_.load();
    if (end == TakeEndCause::WriteFailed || end == TakeEndCause::LimitReached ||
        end == TakeEndCause::DurationReached)
        return false;
    if (n == 0) return true;
    const uint64_t received = received_.load();
    if (frameLimit_ && received + n / blockAlign_ >= frameLimit_) {
        n = static_cast<uint32_t>((frameLimit_ - received) * blockAlign_);
        EndBy(TakeEndCause::DurationReached);
    }
    if (n == 0) return false;
    received_.store(received + n / blockAlign_);
    // The meter shows the input whether the gate keeps it or not.
    levels_.Feed(data, n);
    if (!gate_.Active()) return Keep(data, n) && Running();
    const bool more = gate_.Feed(data, n, [this](const void* p, uint32_t b) { return Keep(p, b); });
    MarkNewSegments();
    return more && Running();
}

bool TakeSink::Running() const {
    TakeEndCause end = end_.load();
    return end == TakeEndCause::None || end == TakeEndCause::InputLost;
}

bool TakeSink::Keep(const void* data, uint32_t n) {
    TakeEndCause end = end_.load();
    if (end == TakeEndCause::WriteFailed || end == TakeEndCause::LimitReached) return false;
    if (n == 0) return true;
    uint64_t done = recorded_.load();
    if (done + n >= maxBytes_) {
        n = static_cast<uint32_t>(maxBytes_ - done);
        EndBy(TakeEndCause::LimitReached);
    }
    if (n == 0) return false;
    if (!store_->WriteFileAt(fileOffset_ + done, data, n)) {
        // The disk is full: keep what is written, report it.
        writeError_ = GetLastError();
        end_ = TakeEndCause::WriteFailed;
        return false;
    }
    recorded_.store(done + n);
    store_->TakeWritten(done + n);
    return end_.load() != TakeEndCause::LimitReached;
}

void TakeSink::MarkNewSegments() {
    if (gate_.SegmentCount() == segmentsMarked_) return;
    std::vector<VoiceSegment> segments = gate_.Segments();
    for (; segmentsMarked_ < segments.size(); ++segmentsMarked_)
        store_->MarkTake({segments[segmentsMarked_].from,
                          L"声音 " + std::to_wstring(firstVoiceMark_ + segmentsMarked_)});
}

}  // namespace orvo
