#include "audio/missed_sound.h"

#include <algorithm>

namespace orvo {

void MissedSoundWatch::Start(DWORD bytesPerSecond, ULONGLONG now) {
    *this = MissedSoundWatch{};
    bytesPerSecond_ = bytesPerSecond;
    started_ = now;
}

int64_t MissedSoundWatch::Behind(ULONGLONG now, uint64_t arrived) const {
    const int64_t due = static_cast<int64_t>((now - started_) * bytesPerSecond_ / 1000);
    return due - static_cast<int64_t>(arrived);
}

uint64_t MissedSoundWatch::Settle(uint64_t& at) {
    watching_ = false;
    const int64_t missed = least_ == INT64_MAX ? 0 : least_ - behindBeforeDry_;
    least_ = INT64_MAX;
    // A fifth of a second is within what block hand-overs move it by.
    if (missed <= static_cast<int64_t>(bytesPerSecond_ / 5)) return 0;
    at = dryAt_;
    return static_cast<uint64_t>(missed);
}

uint64_t MissedSoundWatch::Look(ULONGLONG now, uint64_t arrived, bool dry, uint64_t recorded, uint64_t& at) {
    const int64_t behind = Behind(now, arrived);
    if (dry && !watching_) {
        watching_ = true;
        behindBeforeDry_ = behind_;
        dryTime_ = now;
        // What the queue held when it ran dry is in; the gap follows it.
        dryAt_ = recorded;
    }
    behind_ = behind;
    if (!watching_ || now < dryTime_ + kSettleMs) return 0;
    least_ = std::min(least_, behind);
    return now >= dryTime_ + kWatchMs ? Settle(at) : 0;
}

uint64_t MissedSoundWatch::Finish(ULONGLONG now, uint64_t arrived, uint64_t& at) {
    if (!watching_) return 0;
    if (now >= dryTime_ + kSettleMs) least_ = std::min(least_, Behind(now, arrived));
    return Settle(at);
}

}  // namespace orvo
