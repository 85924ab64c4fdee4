#include "recorder/timer/frm_timer_record.h"

#include "base/clock.h"
#include "base/failure.h"
#include "base/path.h"
#include "recorder/program.h"
#include "recorder/save/save_formats.h"
#include "win/report.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kClassName[] = L"OrvoTimerRecord";
constexpr wchar_t kTitle[] = L"定时录音";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// How often the countdown and the time recorded are written.
constexpr UINT kCountdownMs = 250;

// Layout in twips: a column of captions, a column of fields.
constexpr double kClientWidth = 6240, kClientHeight = 4980;
constexpr double kCaptionLeft = 150, kCaptionWidth = 1260, kFieldLeft = 1470, kRowHeight = 330, kStep = 450;
constexpr double kTop = 150;

TwipRect Caption(int row) { return {kCaptionLeft, kTop + row * kStep + 45, kCaptionWidth, 255}; }
TwipRect Field(int row, double left, double width) { return {left, kTop + row * kStep, width, kRowHeight}; }
TwipRect UnitAt(int row, double left, double width) { return {left, kTop + row * kStep + 45, width, 255}; }

const wchar_t* const kStartChoices[] = {L"立即开始", L"在指定时间开始", L"在一段时间后开始"};
const wchar_t* const kStopChoices[] = {L"不自动停止", L"录满指定时长后停止", L"到指定时间停止"};
const SaveFormat kFormats[] = {SaveFormat::Wav, SaveFormat::Mp3, SaveFormat::Flac};
const wchar_t* const kFormatNames[] = {L"WAV", L"MP3", L"FLAC"};

// The combo boxes list the modes in the order of the enumerations.
static_assert(static_cast<int>(StartMode::In) == 2 && static_cast<int>(StopMode::At) == 2);

std::wstring SourceTitle(const InputSource& s) {
    switch (s.kind) {
        case InputSource::Kind::Device: return s.device;
        case InputSource::Kind::ComputerSound: return L"计算机播放的声音（内录）";
        case InputSource::Kind::Default: break;
    }
    return L"默认设备";
}

// A line that says nothing is not shown (nor read out).
void SetLine(Label& line, const std::wstring& text) {
    if (line.Text() != text) line.SetText(text);
    if (line.Visible() == text.empty()) line.SetVisible(!text.empty());
}

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool FrmTimerRecord::Create(HWND owner, TimedRecording& timer, const InputSource& current,
                            const WAVEFORMATEX& format) {
    timer_ = &timer;
    format_ = format;
    int dpi = DpiOf(owner);
    RECT r = CentredFrame(owner, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi), kStyle, 0);
    if (!CreateOf(kClassName, kStyle, 0, kTitle, r.left, r.top, r.right - r.left, r.bottom - r.top, owner))
        return false;
    bool built = TrapAndReport(Hwnd(), kProgramTitle, [&] { BuildControls(); });
    if (!built) {
        Destroy();
        return false;
    }
    sources_ = {InputSource{}};
    for (const InputDevice& d : ListInputDevices()) sources_.push_back({InputSource::Kind::Device, d.name});
    sources_.push_back({InputSource::Kind::ComputerSound, {}});
    int chosen = 0;
    for (size_t i = 0; i < sources_.size(); ++i) {
        Resume([&] { cboSource.AddItem(SourceTitle(sources_[i])); });
        if (sources_[i] == current) chosen = static_cast<int>(i);
    }
    cboSource.SetSelectedIndex(chosen);
    Schedule shown;
    shown.source = SourceSettingText(current);
    shown.target = LoadAutoSaveTarget();
    if (timer.State() == ScheduleState::Armed || timer.State() == ScheduleState::Running)
        shown = timer.Armed().schedule;
    Fill(shown);
    Refresh();
    tmrCountdown.Create(*this, kCountdownMs, true);
    tmrCountdown.OnTick([this] { Refresh(); });
    ShowWindow(Hwnd(), SW_SHOW);
    cboStart.SetFocus();
    return true;
}

void FrmTimerRecord::BuildControls() {
    lblStart.CreateCaption(*this, L"开始(&B)：", Caption(0));
    cboStart.Create(*this, Field(0, kFieldLeft, 2200));
    txtStart.Create(*this, L"", Field(0, 3750, 1050));
    lblStartUnit.Create(*this, L"", UnitAt(0, 4860, 1260));
    lblStop.CreateCaption(*this, L"停止(&E)：", Caption(1));
    cboStop.Create(*this, Field(1, kFieldLeft, 2200));
    txtStop.Create(*this, L"", Field(1, 3750, 1050));
    lblStopUnit.Create(*this, L"", UnitAt(1, 4860, 1260));
    lblSource.CreateCaption(*this, L"录音来源(&I)：", Caption(2));
    cboSource.Create(*this, Field(2, kFieldLeft, 4620));
    lblFolder.CreateCaption(*this, L"保存到(&F)：", Caption(3));
    txtFolder.Create(*this, L"", Field(3, kFieldLeft, 3540));
    cmdBrowse.Create(*this, L"浏览(&W)...", {5070, kTop + 3 * kStep - 15, 1020, 360});
    lblFormat.CreateCaption(*this, L"格式(&M)：", Caption(4));
    cboFormat.Create(*this, Field(4, kFieldLeft, 1200));
    lblFormatWhy.Create(*this, L"", UnitAt(4, 2760, 3330));
    lblPattern.CreateCaption(*this, L"文件名(&N)：", Caption(5));
    txtPattern.Create(*this, L"", Field(5, kFieldLeft, 4620));
    lblSplit.CreateCaption(*this, L"分段(&P)：", Caption(6));
    txtSplit.Create(*this, L"", Field(6, kFieldLeft, 900));
    lblSplitUnit.Create(*this, L"分钟一个文件（0：不分段）", UnitAt(6, 2460, 3630));
    lblStatus.Create(*this, L"", {kCaptionLeft, kTop + 7 * kStep + 60, 5940, 510});
    lblNote.Create(*this, L"", {kCaptionLeft, kTop + 8 * kStep + 150, 5940, 510});
    lblNote.SetVisible(false);
    cmdStart.Create(*this, L"开始(&S)", {3510, 4470, 1200, 375}, 0, true);
    cmdStop.Create(*this, L"停止(&T)", {4860, 4470, 1200, 375});

    for (const wchar_t* c : kStartChoices) cboStart.AddItem(c);
    for (const wchar_t* c : kStopChoices) cboStop.AddItem(c);
    for (const wchar_t* c : kFormatNames) cboFormat.AddItem(c);
    SetAccessibleName(txtStart.Hwnd(), L"开始时间");
    SetAccessibleName(txtStop.Hwnd(), L"停止时间");

    cboStart.OnChange([this] { cboStart_Change(); });
    cboStop.OnChange([this] { cboStop_Change(); });
    cboFormat.OnChange([this] { cboFormat_Change(); });
    cmdBrowse.OnClick([this] { cmdBrowse_Click(); });
    cmdStart.OnClick([this] { cmdStart_Click(); });
    cmdStop.OnClick([this] { cmdStop_Click(); });
    // Enter and Esc, as the message loop hands them to a window of its own.
    OnCommand(IDOK, [this] { cmdStart.Click(); });
    OnCommand(IDCANCEL, [this] { Form_Cancel(); });
}

void FrmTimerRecord::Fill(const Schedule& s) {
    cboStart.SetSelectedIndex(static_cast<int>(s.start));
    cboStop.SetSelectedIndex(static_cast<int>(s.stop));
    ShowUnits();
    txtStart.SetText(s.start == StartMode::At ? ClockTimeText(s.startAt) : SpanEditText(s.startInSeconds));
    txtStop.SetText(s.stop == StopMode::At ? ClockTimeText(s.stopAt) : SpanEditText(s.stopAfterSeconds));
    InputSource source = SourceFromSettingText(s.source);
    for (size_t i = 0; i < sources_.size(); ++i)
        if (sources_[i] == source) cboSource.SetSelectedIndex(static_cast<int>(i));
    txtFolder.SetText(s.target.folder);
    for (int i = 0; i < 3; ++i)
        if (kFormats[i] == s.target.format) cboFormat.SetSelectedIndex(i);
    txtPattern.SetText(s.target.pattern);
    txtSplit.SetText(SpanEditText(s.splitSeconds));
    cboFormat_Change();
}

// The field beside each mode says what it wants; "now" and "never" want nothing.
void FrmTimerRecord::ShowUnits() {
    const int start = cboStart.SelectedIndex(), stop = cboStop.SelectedIndex();
    SetLine(lblStartUnit, start == 1 ? L"（时:分）" : start == 2 ? L"分钟后" : L"");
    SetLine(lblStopUnit, stop == 1 ? L"分钟" : stop == 2 ? L"（时:分）" : L"");
    bool editing = timer_->State() != ScheduleState::Armed && timer_->State() != ScheduleState::Running;
    txtStart.SetEnabled(editing && start != 0);
    txtStop.SetEnabled(editing && stop != 0);
}

void FrmTimerRecord::cboStart_Change() {
    ShowUnits();
    if (cboStart.SelectedIndex() == 1) txtStart.SetText(L"08:00");
    if (cboStart.SelectedIndex() == 2) txtStart.SetText(L"5");
}

void FrmTimerRecord::cboStop_Change() {
    ShowUnits();
    if (cboStop.SelectedIndex() == 1) txtStop.SetText(L"60");
    if (cboStop.SelectedIndex() == 2) txtStop.SetText(L"09:00");
}

// A format the encoder cannot write now says why beside it, and 开始 refuses it.
void FrmTimerRecord::cboFormat_Change() {
    int i = cboFormat.SelectedIndex();
    SetLine(lblFormatWhy, i < 0 ? L"" : UnavailableReason(kFormats[i], format_));
}

bool FrmTimerRecord::ReadSchedule(Schedule& s, std::wstring& why) const {
    s.start = static_cast<StartMode>(cboStart.SelectedIndex());
    s.stop = static_cast<StopMode>(cboStop.SelectedIndex());
    if (s.start == StartMode::At && !ParseClockTime(txtStart.Text(), s.startAt)) {
        why = L"开始时间要写成“时:分”，例如 08:00。";
        return false;
    }
    if (s.start == StartMode::In && !ParseSpan(txtStart.Text(), s.startInSeconds)) {
        why = L"开始前等待的时间要写成分钟数，或“时:分:秒”。";
        return false;
    }
    if (s.stop == StopMode::At && !ParseClockTime(txtStop.Text(), s.stopAt)) {
        why = L"停止时间要写成“时:分”，例如 09:00。";
        return false;
    }
    if (s.stop == StopMode::After && (!ParseSpan(txtStop.Text(), s.stopAfterSeconds) || !s.stopAfterSeconds)) {
        why = L"录音时长要写成分钟数，或“时:分:秒”，且不能为 0。";
        return false;
    }
    if (!ParseSpan(txtSplit.Text(), s.splitSeconds)) {
        why = L"分段的长度要写成分钟数（0：不分段）。";
        return false;
    }
    int source = cboSource.SelectedIndex();
    s.source = SourceSettingText(source >= 0 ? sources_[static_cast<size_t>(source)] : InputSource{});
    s.target.folder = txtFolder.Text();
    if (!IsFolder(s.target.folder)) {
        why = L"保存的文件夹“" + s.target.folder + L"”不存在。";
        return false;
    }
    int format = cboFormat.SelectedIndex();
    s.target.format = kFormats[format < 0 ? 0 : format];
    std::wstring unavailable = UnavailableReason(s.target.format, format_);
    if (!unavailable.empty()) {
        why = unavailable;
        return false;
    }
    s.target.pattern = txtPattern.Text();
    if (s.target.pattern.empty()) {
        why = L"请填写文件名。";
        return false;
    }
    return true;
}

// 开始 and Enter: arms the schedule the controls describe.
void FrmTimerRecord::cmdStart_Click() {
    if (timer_->State() == ScheduleState::Armed || timer_->State() == ScheduleState::Running) return;
    Schedule s;
    std::wstring why;
    if (!ReadSchedule(s, why)) {
        ShowMessage(Hwnd(), why, kTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    SetLine(lblNote, L"");
    // The next recording by itself, timed or not, proposes the same place.
    StoreAutoSaveTarget(s.target);
    if (!timer_->Arm(s))
        ShowNote(L"定时录音已设定，但无法记入设置：程序关闭后它不会保留。");
    Refresh();
    // 开始 is off now; the focus goes where the schedule can be cancelled.
    if (cmdStop.Enabled()) cmdStop.SetFocus();
}

// 停止: cancels an armed schedule, or ends its take early (which is saved).
void FrmTimerRecord::cmdStop_Click() {
    timer_->Cancel();
    Refresh();
}

void FrmTimerRecord::cmdBrowse_Click() {
    std::wstring chosen = Ui().FolderDialog(Hwnd(), L"选择保存录音的文件夹", txtFolder.Text());
    if (!chosen.empty()) txtFolder.SetText(chosen);
}

void FrmTimerRecord::Form_Cancel() {
    if (timer_->State() == ScheduleState::Armed) {
        cmdStop_Click();
        return;
    }
    Destroy();
}

void FrmTimerRecord::SetEditing(bool editing) {
    for (Control* c : std::initializer_list<Control*>{&cboStart, &cboStop, &cboSource, &txtFolder, &cmdBrowse,
                                                      &cboFormat, &txtPattern, &txtSplit})
        if (c->Enabled() != editing) c->SetEnabled(editing);
    ShowUnits();
}

void FrmTimerRecord::Refresh() {
    if (!Hwnd()) return;
    const ScheduleState state = timer_->State();
    const ArmedSchedule& a = timer_->Armed();
    std::wstring status;
    switch (state) {
        case ScheduleState::Armed:
            status = L"将在 " + LocalClockText(a.startUtc) + L" 开始录音\n还剩 " +
                     CountdownText(timer_->MillisecondsLeft());
            break;
        case ScheduleState::Running:
            status = std::wstring(timer_->StartedLate() ? L"正在定时录音（开始晚于设定的时间）" : L"正在定时录音") +
                     L"\n已录 " + CountdownText(timer_->RecordedMilliseconds()) +
                     (a.stopUtc ? L"，将在 " + LocalClockText(a.stopUtc) + L" 停止" : std::wstring());
            break;
        case ScheduleState::Done: status = L"定时录音已结束。"; break;
        case ScheduleState::None: status = L"没有设定定时录音。"; break;
    }
    if (lblStatus.Text() != status) lblStatus.SetText(status);
    const bool active = state == ScheduleState::Armed || state == ScheduleState::Running;
    if (cmdStart.Enabled() == active) cmdStart.SetEnabled(!active);
    if (cmdStop.Enabled() != active) cmdStop.SetEnabled(active);
    SetEditing(!active);
}

void FrmTimerRecord::ShowNote(const std::wstring& text) {
    if (Hwnd()) SetLine(lblNote, text);
}

LRESULT FrmTimerRecord::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        Destroy();
        return 0;
    }
    // A caption's mnemonic: the message loop's dialog keys ask the window,
    // as a dialog box would be asked, to move the focus to the caption and
    // on to its field. Only a dialog's own procedure would answer it.
    if (msg == WM_NEXTDLGCTL) {
        HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(Hwnd(), GetFocus(), wParam != 0);
        if (to) SetFocus(to);
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace orvo::recorder
