// Sound a take missed, told from how far what the input handed over falls
// behind the time the take has run. That distance moves by itself — drivers
// hand sound over in blocks of up to seconds, and the input's clock drifts
// from the system's — so a rise alone proves nothing. Only after the
// recorder's queue ran dry (every buffer filled: the device may have had
// nowhere to put more) does it count, and only what is still missing once
// the driver has had time to hand over what it held back.
#pragma once
#include <windows.h>

#include <cstdint>

namespace orvo {

class MissedSoundWatch {
public:
    // After a dry queue: time for the driver's backlog to come, and the
    // time over which the least distance is taken.
    static constexpr ULONGLONG kSettleMs = 1000;
    static constexpr ULONGLONG kWatchMs = 5000;

    void Start(DWORD bytesPerSecond, ULONGLONG now);
    // After each look at the input (buffers handed over or not): all bytes
    // that arrived so far, whether the queue had run dry, and how many bytes
    // the take holds now. Returns the bytes missed when a loss is settled
    // (0 otherwise), with at the take's bytes before the gap.
    uint64_t Look(ULONGLONG now, uint64_t arrived, bool dry, uint64_t recorded, uint64_t& at);
    // The take ends: a loss being watched is settled with what is known, if
    // the backlog has had its time.
    uint64_t Finish(ULONGLONG now, uint64_t arrived, uint64_t& at);

private:
    int64_t Behind(ULONGLONG now, uint64_t arrived) const;
    uint64_t Settle(uint64_t& at);

    DWORD bytesPerSecond_ = 0;
    ULONGLONG started_ = 0;
    int64_t behind_ = 0;  // at the last look
    bool watching_ = false;
    int64_t behindBeforeDry_ = 0;
    int64_t least_ = INT64_MAX;  // since the backlog's time was up
    ULONGLONG dryTime_ = 0;
    uint64_t dryAt_ = 0;
};

}  // namespace orvo
