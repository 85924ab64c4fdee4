// A clock a test drives: both clocks move together with Advance, the wall
// clock alone with SetWall/ShiftWall (the user setting the system clock).
// Installed while it lives.
#pragma once
#include "base/clock.h"

namespace orvo {

class ManualClock : public Clock {
public:
    explicit ManualClock(uint64_t wallUtc, uint64_t monoMs = 1'000'000) : mono_(monoMs), wall_(wallUtc) {
        previous_ = SetClock(this);
    }
    ~ManualClock() override { SetClock(previous_); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    uint64_t MonotonicMs() const override { return mono_; }
    uint64_t WallUtc() const override { return wall_; }

    void Advance(uint64_t ms) {
        mono_ += ms;
        wall_ += ms * 10000;
    }
    void ShiftWall(int64_t ms) { wall_ = static_cast<uint64_t>(static_cast<int64_t>(wall_) + ms * 10000); }

private:
    uint64_t mono_;
    uint64_t wall_;
    Clock* previous_ = nullptr;
};

}  // namespace orvo
