// Timed recording in the main window: 工具 → 定时录音..., the schedule found at
// the load, and the host of the schedule's take.
#include "recorder/main_window/scheduled_takes.h"

#include "base/clock.h"
#include "base/failure.h"
#include "product/maker_links.h"
#include "win/report.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace {

// Often enough that a split lands close to its boundary and the countdown
// moves every second; the pieces are cut by frames, not by this.
constexpr UINT kTickMs = 200;

std::wstring HomePanelText() { return std::wstring(L"维莫拉主页 ") + L"http://" + maker::kWebHost; }

}  // namespace

ScheduledTakes::ScheduledTakes(FrmMain& form) : form_(form) {
    tick_.Create(form, kTickMs, false);
    tick_.OnTick([this] { Tick(); });
}

// The pieces queued read the element; the main window writes them before
// it goes.
ScheduledTakes::~ScheduledTakes() = default;

void ScheduledTakes::OpenWindow() {
    if (Window()) {
        ShowWindow(window_->Hwnd(), SW_RESTORE);
        SetForegroundWindow(window_->Hwnd());
        return;
    }
    window_ = std::make_unique<FrmTimerRecord>();
    if (!window_->Create(form_.Hwnd(), timed_, form_.Source(), form_.MMCRecord.Format())) window_.reset();
}

void ScheduledTakes::Tick() {
    TrapAndReport(form_.Hwnd(), kProgramTitle, [this] { timed_.Tick(); });
}

void ScheduledTakes::Power(WPARAM event) {
    if (event == PBT_APMSUSPEND) timed_.PowerSuspend();
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) timed_.PowerResume();
}

bool ScheduledTakes::StartScheduledTake(const std::wstring& source, uint64_t frameLimit, uint64_t& origin) {
    WaveAudioDevice& device = form_.MMCRecord;
    if (device.GetMode() == WaveAudioDevice::Mode::Recording) {
        // The user records by hand: that take is theirs and goes on.
        ShowMessage(form_.Hwnd(), L"定时录音没有开始：主窗口正在录音。", kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (device.GetMode() != WaveAudioDevice::Mode::Stopped) form_.mnuStop_Click();
    // The take gets an element of its own, so its pieces are exactly its
    // frames. What the window held unsaved stays in the recovery folder and
    // is offered once the schedule is over.
    form_.FinishAutoSaves();
    if (form_.blnModified && device.HoldsUnsavedSound()) {
        device.LeaveForRecovery();
        form_.leftoversWaiting_ = true;
    }
    form_.NewRecordFile();
    std::wstring missing;
    form_.UseSource(SourceFromSettingText(source), &missing);
    if (!missing.empty()) Tell(missing);
    device.SetTakeFrameLimit(frameLimit);
    origin = device.Frames();
    taking_ = form_.StartRecording(true);
    if (!taking_) device.SetTakeFrameLimit(0);
    return taking_;
}

// Until the main window has run its stop the take is not over: a take that
// reached its length leaves the device before its last frames are in the
// element, and a piece cut then would miss them.
bool ScheduledTakes::TakeRunning() const { return taking_; }

void ScheduledTakes::StopScheduledTake() {
    if (taking_) form_.mnuStop_Click();
}

void ScheduledTakes::TakeStopped() {
    taking_ = false;
    // The user's own takes that follow have no length limit.
    form_.MMCRecord.SetTakeFrameLimit(0);
    Tick();
}

uint64_t ScheduledTakes::ElementFrames() const { return form_.MMCRecord.Frames(); }

uint32_t ScheduledTakes::SampleRate() const { return form_.MMCRecord.Format().nSamplesPerSec; }

uint64_t ScheduledTakes::PieceLimit() const {
    return PieceLimitFrames(form_.MMCRecord.Format(), form_.MMCRecord.Extension());
}

void ScheduledTakes::MarkGap(uint64_t milliseconds) {
    const std::wstring name = L"休眠 " + std::to_wstring((milliseconds + 500) / 1000) + L"秒";
    uint64_t frame = 0;
    form_.MMCRecord.AddMark(name, frame);
    Tell(L"计算机曾经休眠，录音中断了约 " + std::to_wstring((milliseconds + 500) / 1000) +
         L" 秒；已在中断处加上标记“" + name + L"”。");
}

void ScheduledTakes::SavePiece(const Piece& piece, const AutoSaveTarget& target, uint64_t recordedUtc) {
    SYSTEMTIME local{};
    if (!LocalFromUtc(recordedUtc, local)) GetLocalTime(&local);
    AutoSavePiece p;
    p.device = &form_.MMCRecord;
    p.fromFrame = piece.from;
    p.toFrame = piece.to;
    p.format = target.format;
    p.tag = FrmMain::kTimedPiece;
    p.path = UniqueTarget(target, local, form_.AutoSaves().Reserved());
    form_.AutoSaves().Queue(std::move(p));
}

void ScheduledTakes::PiecesDone(const std::vector<AutoSaveResult>& results) {
    for (const AutoSaveResult& r : results) {
        if (r.piece.tag != FrmMain::kTimedPiece) continue;
        if (!r.Saved()) {
            ShowMessage(form_.Hwnd(), L"定时录音的文件没有保存成功：" + r.failure + L"\n录音仍在主窗口中，可以用“保存”另存。",
                        kProgramTitle, MB_OK | MB_ICONWARNING);
            continue;
        }
        ++saved_;
        lastSaved_ = r.piece.path;
        Tell(L"定时录音已保存到 " + r.piece.path);
    }
    // Every piece written: the element holds nothing that is not in a file.
    if (timed_.State() == ScheduleState::Done && !form_.AutoSaves().Pending() && saved_) form_.blnModified = 0;
}

void ScheduledTakes::ScheduleChanged() {
    const ScheduleState state = timed_.State();
    const bool active = state == ScheduleState::Armed || state == ScheduleState::Running;
    tick_.SetEnabled(active);
    if (state == ScheduleState::Armed) {
        form_.sb1.SetPanelText(2, L"定时录音：将在 " + LocalClockText(timed_.Armed().startUtc) + L" 开始");
        saved_ = 0;
    } else if (state == ScheduleState::Running) {
        form_.sb1.SetPanelText(2, L"定时录音进行中");
    } else {
        // Until its files are written the status bar says where they go.
        if (!form_.AutoSaves().Pending() && !saved_) form_.sb1.SetPanelText(2, HomePanelText());
        if (form_.leftoversWaiting_) PostMessageW(form_.Hwnd(), kOfferLeftoversMessage, 0, 0);
    }
    if (FrmTimerRecord* w = Window()) w->Refresh();
}

void ScheduledTakes::Tell(const std::wstring& text) {
    form_.sb1.SetPanelText(2, text);
    if (FrmTimerRecord* w = Window()) w->ShowNote(text);
}

// --- The main window's side ---------------------------------------------------

void FrmMain::mnuTimerRecord_Click() { scheduled_->OpenWindow(); }

TimedRecording& FrmMain::Timed() { return scheduled_->Timed(); }

FrmTimerRecord* FrmMain::TimerWindow() { return scheduled_->Window(); }

bool FrmMain::ScheduleActive() const {
    ScheduleState s = scheduled_->Timed().State();
    return s == ScheduleState::Armed || s == ScheduleState::Running;
}

void FrmMain::ResumeSchedule() {
    ArmedSchedule stored;
    switch (LoadSchedule(stored)) {
        case StoredSchedule::None: return;
        case StoredSchedule::Unreadable:
            // Left as it is: a newer version may read it, and the user is told.
            ShowMessage(Hwnd(), L"设置中保存的定时录音无法读出，没有启用。", kProgramTitle, MB_OK | MB_ICONINFORMATION);
            return;
        case StoredSchedule::Found: break;
    }
    const uint64_t start = stored.startUtc;
    switch (scheduled_->Timed().Restore(stored)) {
        case Resumption::Waits: break;
        case Resumption::StartsLate:
            // Told without a box: nobody may be there, and nothing failed.
            scheduled_->Tick();
            sb1.SetPanelText(2, L"定时录音原定 " + LocalClockText(start) + L" 开始，录音机当时没有运行，现已开始");
            break;
        case Resumption::Continues:
            // The cut take is recovered as any take is, once the schedule is
            // over; this one records on at once into a new file.
            leftoversWaiting_ = true;
            scheduled_->Tick();
            break;
        case Resumption::Dropped:
            ShowMessage(Hwnd(), L"定时录音原定在 " + LocalClockText(start) + L" 开始，当时录音机没有运行，停止的时间也已经过了；这次定时录音已取消。",
                        kProgramTitle, MB_OK | MB_ICONINFORMATION);
            break;
    }
}

}  // namespace orvo::recorder
