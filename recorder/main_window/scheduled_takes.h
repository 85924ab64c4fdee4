// The main window's side of timed recording: it hosts the schedule's take on
// its own device (the 录音 button's path, so the input source, the level
// meter, the file line and the crash-safe store all apply), saves the
// take's pieces by themselves through the auto-saver, and keeps the
// 定时录音 window. Private to the main window.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "recorder/main_window/frm_main.h"
#include "recorder/timer/frm_timer_record.h"
#include "recorder/unattended/auto_saver.h"
#include "recorder/unattended/timed_recording.h"

namespace orvo::recorder {

// The leftovers held back during a schedule being due.
inline constexpr UINT kOfferLeftoversMessage = WM_APP + 0x141;

class ScheduledTakes : public TakeHost {
public:
    explicit ScheduledTakes(FrmMain& form);
    ~ScheduledTakes() override;

    TimedRecording& Timed() { return timed_; }
    FrmTimerRecord* Window() { return window_ && window_->Hwnd() ? window_.get() : nullptr; }
    void OpenWindow();
    // Every 200 ms while a schedule is active.
    void Tick();
    // WM_POWERBROADCAST.
    void Power(WPARAM event);
    // The main window's auto-saver wrote pieces; those of timed takes are
    // this one's to tell.
    void PiecesDone(const std::vector<AutoSaveResult>& results);
    // True while the take under way is the schedule's.
    bool OwnsTake() const { return taking_; }
    // The main window has stopped the schedule's take (its length reached,
    // the user's 停止, a lost input): what it recorded is saved now.
    void TakeStopped();

    // TakeHost
    bool StartScheduledTake(const std::wstring& source, uint64_t frameLimit, uint64_t& origin) override;
    bool TakeRunning() const override;
    void StopScheduledTake() override;
    uint64_t ElementFrames() const override;
    uint32_t SampleRate() const override;
    uint64_t PieceLimit() const override;
    void MarkGap(uint64_t milliseconds) override;
    void SavePiece(const Piece& piece, const AutoSaveTarget& target, uint64_t recordedUtc) override;
    void ScheduleChanged() override;

private:
    // A line for the status line and the window both.
    void Tell(const std::wstring& text);

    FrmMain& form_;
    TimedRecording timed_{*this};
    std::unique_ptr<FrmTimerRecord> window_;
    Timer tick_;
    bool taking_ = false;
    unsigned saved_ = 0;
    std::wstring lastSaved_;
};

}  // namespace orvo::recorder
