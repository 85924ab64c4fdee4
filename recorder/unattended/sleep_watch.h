// Notices that the machine slept during a take. The sound stops while the
// system is suspended and the take goes on afterwards as if nothing had
// happened, so the gap would be hidden in the recording: the monotonic
// clock, which keeps counting through a suspension, runs ahead of the
// frames received. Also told directly by the system's suspend and resume.
#pragma once
#include <cstdint>

namespace orvo::recorder {

class SleepWatch {
public:
    // More than this much time without sound is a gap, not the input's
    // ordinary lag behind the clock.
    static constexpr uint64_t kThresholdMs = 2000;

    // The take begins: the clock now, the element's frames now and the rate.
    void Start(uint64_t monoMs, uint64_t frames, uint32_t rate);
    // During the take: the milliseconds of a gap that opened since the last
    // check (0 for none). A gap is told once.
    uint64_t Check(uint64_t monoMs, uint64_t frames);
    // The system says it suspends, and that it is back.
    void Suspended(uint64_t monoMs);
    // The milliseconds it slept (0 when no suspension was seen); they count
    // as told, so Check does not tell them again.
    uint64_t Resumed(uint64_t monoMs);

private:
    uint64_t startMs_ = 0;
    uint64_t startFrames_ = 0;
    uint32_t rate_ = 0;
    uint64_t toldMs_ = 0;
    uint64_t suspendedAt_ = 0;
    bool suspended_ = false;
};

}  // namespace orvo::recorder
