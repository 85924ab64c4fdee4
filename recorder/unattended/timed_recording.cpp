#include "recorder/unattended/timed_recording.h"

#include "base/clock.h"

namespace orvo::recorder {

bool TimedRecording::Arm(const Schedule& schedule) {
    Clock& clock = TheClock();
    armed_ = orvo::recorder::Arm(schedule, clock.WallUtc());
    deadlineMs_ = clock.MonotonicMs() + MillisecondsToStart(armed_, clock.WallUtc());
    late_ = false;
    onTime_ = true;
    awake_ = std::make_unique<KeepAwake>();
    bool stored = StoreSchedule(armed_);
    host_.ScheduleChanged();
    Tick();  // "start now" starts at once
    return stored;
}

Resumption TimedRecording::Restore(const ArmedSchedule& stored) {
    Clock& clock = TheClock();
    const uint64_t now = clock.WallUtc();
    Resumption what = ResumptionOf(stored, now);
    if (what == Resumption::Dropped) {
        ForgetSchedule();
        return what;
    }
    armed_ = stored;
    // The take that was cut short records on into a new file: it is armed
    // to start at once, with its stop where it was.
    armed_.state = ScheduleState::Armed;
    late_ = what == Resumption::StartsLate;
    onTime_ = what == Resumption::Waits;
    deadlineMs_ = clock.MonotonicMs() + MillisecondsToStart(armed_, now);
    awake_ = std::make_unique<KeepAwake>();
    host_.ScheduleChanged();
    return what;
}

void TimedRecording::Cancel() {
    if (armed_.state == ScheduleState::Running) {
        host_.StopScheduledTake();
        // The host may have noticed the end itself meanwhile.
        if (armed_.state == ScheduleState::Running) Finish();
        return;
    }
    if (armed_.state != ScheduleState::Armed) return;
    armed_.state = ScheduleState::None;
    awake_.reset();
    ForgetSchedule();
    host_.ScheduleChanged();
}

void TimedRecording::Tick() {
    Clock& clock = TheClock();
    if (armed_.state == ScheduleState::Armed && clock.MonotonicMs() >= deadlineMs_) {
        Start();
        return;
    }
    if (armed_.state != ScheduleState::Running) return;
    const uint64_t frames = host_.ElementFrames();
    if (uint64_t gap = sleep_.Check(clock.MonotonicMs(), frames)) Gap(gap);
    HandOut(plan_->Advance(frames));
    if (!host_.TakeRunning()) Finish();
}

void TimedRecording::Start() {
    Clock& clock = TheClock();
    const uint64_t now = clock.WallUtc();
    rate_ = host_.SampleRate();
    ArmedSchedule running = armed_;
    uint64_t limit = BeginTake(running, now, rate_, onTime_);
    // Stored as running before the take starts: a crash from here on
    // continues the take at the next start rather than waiting again.
    armed_ = running;
    StoreSchedule(armed_);
    uint64_t origin = 0;
    if (!host_.StartScheduledTake(armed_.schedule.source, limit, origin)) {
        armed_.state = ScheduleState::Done;
        awake_.reset();
        ForgetSchedule();
        host_.ScheduleChanged();
        return;
    }
    takeStartUtc_ = now;
    rate_ = host_.SampleRate();
    origin_ = origin;
    gaps_ = 0;
    const uint64_t period = static_cast<uint64_t>(armed_.schedule.splitSeconds) * rate_;
    plan_ = std::make_unique<SplitPlan>(origin_, period, host_.PieceLimit());
    sleep_.Start(clock.MonotonicMs(), origin_, rate_);
    host_.ScheduleChanged();
}

void TimedRecording::Finish() {
    if (plan_) HandOut(plan_->Finish(host_.ElementFrames()));
    armed_.state = ScheduleState::Done;
    awake_.reset();
    ForgetSchedule();
    host_.ScheduleChanged();
}

void TimedRecording::HandOut(const std::vector<Piece>& pieces) {
    for (const Piece& p : pieces) {
        uint64_t offset = rate_ ? (p.from - origin_) * kFileTimeSecond / rate_ : 0;
        host_.SavePiece(p, armed_.schedule.target, takeStartUtc_ + offset);
    }
}

void TimedRecording::PowerSuspend() {
    if (armed_.state == ScheduleState::Running) sleep_.Suspended(TheClock().MonotonicMs());
}

void TimedRecording::PowerResume() {
    if (armed_.state != ScheduleState::Running) return;
    if (uint64_t slept = sleep_.Resumed(TheClock().MonotonicMs())) Gap(slept);
}

void TimedRecording::Gap(uint64_t milliseconds) {
    ++gaps_;
    host_.MarkGap(milliseconds);
}

uint64_t TimedRecording::MillisecondsLeft() const {
    if (armed_.state != ScheduleState::Armed) return 0;
    uint64_t now = TheClock().MonotonicMs();
    return deadlineMs_ > now ? deadlineMs_ - now : 0;
}

uint64_t TimedRecording::RecordedMilliseconds() const {
    if (armed_.state != ScheduleState::Running || !rate_) return 0;
    uint64_t frames = host_.ElementFrames();
    return frames > origin_ ? (frames - origin_) * 1000 / rate_ : 0;
}

}  // namespace orvo::recorder
