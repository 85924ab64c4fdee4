#include "recorder/unattended/sleep_watch.h"

namespace orvo::recorder {

void SleepWatch::Start(uint64_t monoMs, uint64_t frames, uint32_t rate) {
    *this = SleepWatch();
    startMs_ = monoMs;
    startFrames_ = frames;
    rate_ = rate;
}

uint64_t SleepWatch::Check(uint64_t monoMs, uint64_t frames) {
    if (!rate_ || monoMs < startMs_ || frames < startFrames_) return 0;
    uint64_t elapsed = monoMs - startMs_;
    uint64_t heard = (frames - startFrames_) * 1000 / rate_ + toldMs_;
    if (elapsed <= heard + kThresholdMs) return 0;
    uint64_t gap = elapsed - heard;
    toldMs_ += gap;
    return gap;
}

void SleepWatch::Suspended(uint64_t monoMs) {
    suspended_ = true;
    suspendedAt_ = monoMs;
}

uint64_t SleepWatch::Resumed(uint64_t monoMs) {
    if (!suspended_ || monoMs < suspendedAt_) return 0;
    suspended_ = false;
    uint64_t slept = monoMs - suspendedAt_;
    toldMs_ += slept;
    return slept;
}

}  // namespace orvo::recorder
