// The life of one timed recording, without windows: armed and waiting on
// the monotonic clock, the take it starts on the host's device, the pieces
// it hands out while the take records, the gaps a sleeping machine leaves,
// and its end. The host (the main window) owns the device and the saver;
// the window that edits the schedule only shows what this holds.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "recorder/unattended/keep_awake.h"
#include "recorder/unattended/schedule.h"
#include "recorder/unattended/sleep_watch.h"
#include "recorder/unattended/split_plan.h"

namespace orvo::recorder {

class TakeHost {
public:
    virtual ~TakeHost() = default;
    // Starts a take from source (the 录音来源 setting's text) that ends by
    // itself after frameLimit frames (0: no limit); origin: the element's
    // frame where it begins, before its first frame arrives. False when it
    // could not start; the host has told the user why.
    virtual bool StartScheduledTake(const std::wstring& source, uint64_t frameLimit, uint64_t& origin) = 0;
    virtual bool TakeRunning() const = 0;
    virtual void StopScheduledTake() = 0;
    // The element's length in frames, its rate and the most one file holds.
    virtual uint64_t ElementFrames() const = 0;
    virtual uint32_t SampleRate() const = 0;
    virtual uint64_t PieceLimit() const = 0;
    // The machine slept for this long: marked where the take has got to.
    virtual void MarkGap(uint64_t milliseconds) = 0;
    // One piece of the take to be written into the target by itself;
    // recordedUtc is when its first frame was recorded.
    virtual void SavePiece(const Piece& piece, const AutoSaveTarget& target, uint64_t recordedUtc) = 0;
    // The schedule changed state (armed, started, ended, cancelled).
    virtual void ScheduleChanged() = 0;
};

class TimedRecording {
public:
    explicit TimedRecording(TakeHost& host) : host_(host) {}

    // Arms the schedule by the clock now and stores it; false (still armed
    // for this run) when it could not be stored.
    bool Arm(const Schedule& schedule);
    // A stored schedule found at start-up, armed again by the clock now;
    // what became of it (Dropped: it is forgotten).
    Resumption Restore(const ArmedSchedule& stored);
    // The user cancels: an armed schedule is dropped; a running take stops
    // and is saved as any take that ends.
    void Cancel();
    // Often (every 200 ms or so): starts the take when its time has come,
    // hands out pieces, watches for a sleeping machine, notices the end.
    void Tick();
    // The system suspends and resumes.
    void PowerSuspend();
    void PowerResume();

    ScheduleState State() const { return armed_.state; }
    const ArmedSchedule& Armed() const { return armed_; }
    // Milliseconds until the start while armed, on the monotonic clock.
    uint64_t MillisecondsLeft() const;
    // Milliseconds recorded by the running take.
    uint64_t RecordedMilliseconds() const;
    // The start came when the program was not running.
    bool StartedLate() const { return late_; }
    // Files handed to the saver by the last take.
    unsigned PiecesSaved() const { return plan_ ? plan_->Count() : 0; }
    // Gaps found in the last take.
    unsigned GapsMarked() const { return gaps_; }

private:
    void Start();
    void Finish();
    void HandOut(const std::vector<Piece>& pieces);
    void Gap(uint64_t milliseconds);

    TakeHost& host_;
    ArmedSchedule armed_;
    uint64_t deadlineMs_ = 0;  // monotonic
    bool late_ = false;
    bool onTime_ = true;
    uint64_t takeStartUtc_ = 0;
    uint64_t origin_ = 0;
    uint32_t rate_ = 0;
    unsigned gaps_ = 0;
    std::unique_ptr<SplitPlan> plan_;
    SleepWatch sleep_;
    std::unique_ptr<KeepAwake> awake_;
};

}  // namespace orvo::recorder
