#include "recorder/unattended/split_plan.h"

#include <algorithm>

namespace orvo::recorder {

uint64_t PieceLimitFrames(const WAVEFORMATEX& format, const WaveExtension& extension) {
    uint64_t block = format.nBlockAlign ? format.nBlockAlign : 1;
    return MaxWaveDataBytes(format, extension) / block;
}

SplitPlan::SplitPlan(uint64_t origin, uint64_t period, uint64_t limit)
    : next_(origin), step_(std::max<uint64_t>(1, period && period < limit ? period : limit)) {}

std::vector<Piece> SplitPlan::Advance(uint64_t frames) {
    std::vector<Piece> whole;
    while (frames >= next_ + step_) {
        whole.push_back({next_, next_ + step_});
        next_ += step_;
        ++count_;
    }
    return whole;
}

std::vector<Piece> SplitPlan::Finish(uint64_t frames) {
    std::vector<Piece> left = Advance(frames);
    if (frames > next_) {
        left.push_back({next_, frames});
        next_ = frames;
        ++count_;
    }
    return left;
}

}  // namespace orvo::recorder
