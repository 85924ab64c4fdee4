// The recording control: new, open, record, play, stop, save and exit on the
// wave-audio device, the status texts and the record toolbar's states.
#include <cmath>
#include <cstdio>

#include <algorithm>
#include <atomic>

#include "audio/wave_riff.h"
#include "recorder/main_window/frm_main.h"
#include "recorder/main_window/scheduled_takes.h"
#include "recorder/jobs/job_progress.h"
#include "recorder/save/save_job.h"
#include "base/clock.h"
#include "base/failure.h"
#include "base/path.h"
#include "base/rounding.h"
#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kWavFilter[] = L"*.wav|*.wav";
// The device's error texts are read into a buffer of this many characters,
// the terminating zero included.
constexpr size_t kErrorBufferChars = 300;

void SetRecordButtons(Toolbar& bar, bool idle) {
    bar.SetButtonEnabled(L"new", idle);
    bar.SetButtonEnabled(L"record", idle);
    bar.SetButtonEnabled(L"play", idle);
    bar.SetButtonEnabled(L"stop", !idle);
    bar.SetButtonEnabled(L"save", idle);
}

std::wstring TakeEndText(const WaveAudioDevice::TakeEnd& end) {
    std::wstring why;
    switch (end.reason) {
        case WaveAudioDevice::TakeEnd::Reason::WriteFailed:
            why = end.systemError == ERROR_DISK_FULL || end.systemError == ERROR_HANDLE_DISK_FULL
                      ? L"磁盘已满"
                      : L"无法写入录音数据";
            break;
        case WaveAudioDevice::TakeEnd::Reason::InputLost: why = L"录音设备已停止输入"; break;
        case WaveAudioDevice::TakeEnd::Reason::SizeLimit: why = L"录音已达到程序所能容纳的最大长度"; break;
        case WaveAudioDevice::TakeEnd::Reason::Duration: why = L"已录满设定的时长"; break;
    }
    return L"录音已停止：" + why + L"。已录下的 " + DurationText(end.keptMs) + L" 已保留。";
}

// The device's own words for a failed command; without a text for the code,
// at least the code, never an empty box.
std::wstring DeviceReason(const WaveAudioDevice& device, MCIERROR err) {
    std::wstring text = device.LastError() == err ? device.LastErrorText() : std::wstring();
    if (text.empty()) text = WaveErrorText(err);
    if (text.size() >= kErrorBufferChars) text.resize(kErrorBufferChars - 1);
    return text;
}

}  // namespace

constexpr wchar_t kKeepForLaterPrompt[] =
    L"录音没有保存成功。要把它留在恢复文件夹中，下次启动录音机时再保存吗？\n\n是：保留录音并退出；否：回到主窗口。";

std::wstring NewRecordingName(const SYSTEMTIME& t) {
    wchar_t hhmmss[16];
    swprintf(hhmmss, 16, L"%02u%02u%02u", t.wHour, t.wMinute, t.wSecond);
    return std::wstring(L"新录音文件") + hhmmss + L".wav";
}

std::wstring ElapsedText(double startDays, double nowDays) {
    // Whole seconds, as minutes and seconds; past the first hour the hours
    // come first, or an overnight take would read as a few minutes.
    double seconds = std::fabs(nowDays - startDays) * 86400.0;
    auto total = static_cast<long long>(RoundHalfEven(seconds));
    long long h = total / 3600;
    long long m = (total / 60) % 60;
    long long s = total % 60;
    std::wstring hours = h ? std::to_wstring(h) + L"小时" : std::wstring();
    return L"录音时间：" + hours + std::to_wstring(m) + L"分" + std::to_wstring(s) + L"秒";
}

double MonotonicDays() { return static_cast<double>(TheClock().MonotonicMs()) / 86400000.0; }

double OleNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    t.wMilliseconds = 0;
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    ULARGE_INTEGER u{};
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    // 100 ns units since 1601-01-01; the OLE epoch is 109205 days later.
    return static_cast<double>(u.QuadPart) / (86400.0 * 1e7) - 109205.0;
}

// Resets the device to a new, empty element and shows its proposed name.
void FrmMain::NewRecordFile() {
    FinishAutoSaves();
    MMCRecord.Command(L"close");
    MMCRecord.SetFileName(L"new");
    MCIERROR opened = MMCRecord.Command(L"open");
    SYSTEMTIME now;
    GetLocalTime(&now);
    newFileName_ = NewRecordingName(now);
    markNotice_.clear();
    LblFile.SetText(L"文件：" + newFileName_);
    if (opened != 0) {
        // Without an element nothing can be recorded; the caller reports it
        // (start-up and the toolbar in a message box). What was open is
        // gone either way.
        blnModified = 0;
        Fail(L"无法建立新的录音：" + DeviceReason(MMCRecord, opened), static_cast<long>(opened));
    }

    MCI_WAVE_SET_PARMS parms{};
    parms.wInput = 0;
    parms.wOutput = 0;
    MCIERROR err = WaveSendCommand(MMCRecord.DeviceID(), MCI_SET, MCI_WAVE_INPUT | MCI_WAVE_OUTPUT,
                                   reinterpret_cast<DWORD_PTR>(&parms));
    if (err != 0) ShowMessage(Hwnd(), DeviceReason(MMCRecord, err), kProgramTitle, MB_OK | MB_ICONINFORMATION);
    blnModified = 0;
}

bool FrmMain::SaveBeforeLeaving() {
    // Segments still being written may be all that was unsaved.
    FinishAutoSaves();
    if (!blnModified) return true;
    switch (ShowMessage(Hwnd(), kSavePrompt, kProgramTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            // Leaving after a save that did not happen would lose the
            // recording: stay instead.
            return SaveRecording();
        case IDNO:
            return true;
        default:
            return false;
    }
}

// New menu item and toolbar button 1.
void FrmMain::mnuNew_Click() {
    if (SaveBeforeLeaving()) NewRecordFile();
}

// Open menu item: a take or playback ends first, an unsaved recording is
// offered for saving as New does, and a file that cannot be opened leaves
// the open element as it was.
void FrmMain::mnuOpen_Click() {
    if (TbrRecord.ButtonEnabled(L"stop")) mnuStop_Click();
    if (!SaveBeforeLeaving()) return;
    std::wstring chosen;
    Resume([&] {
        FileDialogRequest r;
        r.owner = Hwnd();
        r.filter = kWavFilter;
        chosen = Ui().FileDialog(r);
    });
    if (chosen.empty()) return;
    WaveLayout layout;
    if (InspectWaveFile(chosen, layout) != WaveFileProblem::None) {
        ShowMessage(Hwnd(), CannotOpenText(chosen, ProblemText(layout)), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    strFileName = chosen;
    FinishAutoSaves();
    Resume([&] { MMCRecord.Command(L"close"); });
    Resume([&] { MMCRecord.SetFileName(strFileName); });
    markNotice_.clear();
    Resume([&] { LblFile.SetText(L"文件：" + strFileName); });
    MCIERROR err = MMCRecord.Command(L"open");
    Resume([&] { TimerBar.SetEnabled(false); });
    blnModified = 0;
    if (err != 0) {
        // The file went bad between the look and the open (or the store
        // found no room): say so, and give the window an element again.
        ShowMessage(Hwnd(), CannotOpenText(chosen, DeviceReason(MMCRecord, err)), kProgramTitle,
                    MB_OK | MB_ICONINFORMATION);
        Resume([&] { NewRecordFile(); });
    } else if (!MMCRecord.HoldsAllOfItsFile()) {
        ShowMessage(Hwnd(),
                    L"文件“" + FileNameOf(chosen) + L"”中的声音比录音机所能容纳的长，只打开了它的开头 " +
                        DurationText(MMCRecord.Length()) + L"。可以另存为新文件；原文件不能被替换。",
                    kProgramTitle, MB_OK | MB_ICONINFORMATION);
    } else if (layout.unfinished) {
        ShowMessage(Hwnd(),
                    L"文件“" + FileNameOf(chosen) + L"”的头部没有写完（可能是录音程序中途停止时留下的）。已按文件中实际有的声音打开，时长 " +
                        DurationText(MMCRecord.Length()) + L"；保存后就是完整的 WAV 文件。",
                    kProgramTitle, MB_OK | MB_ICONINFORMATION);
    }
}

// Save menu item, toolbar button 5 and the Yes of the save prompt.
void FrmMain::mnuSave_Click() { SaveRecording(); }

bool FrmMain::SaveRecording() {
    const std::wstring& element = MMCRecord.FileName();
    return SaveElementAs(MMCRecord, (element.empty() || element == L"new") ? newFileName_ : element);
}

bool FrmMain::SaveElementAs(WaveAudioDevice& device, const std::wstring& proposedName) {
    FileDialogRequest r;
    r.owner = Hwnd();
    r.save = true;
    r.filter = kSaveFilter;
    // The extension is settled below from what was typed and the type chosen.
    r.defaultExt.clear();
    // The replace question is asked below, the same way whatever dialog ran.
    r.confirmOverwrite = false;
    r.fileName = proposedName;
    saveFailed_ = false;
    int chosenType = 1;
    r.chosenFilter = &chosenType;
    std::wstring path = Ui().FileDialog(r);
    if (path.empty()) return false;
    SaveJob job;
    job.format = ResolveSaveTarget(path, chosenType);
    job.path = path;
    if (FileExists(path)) {
        std::wstring ask = L"文件“" + FileNameOf(path) + L"”已经存在，是否替换？";
        if (ShowMessage(Hwnd(), ask, kProgramTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    }
    const std::wstring& element = device.FileName();
    job.sourceFile = element == L"new" ? std::wstring() : element;
    job.caption = L"正在保存 " + FileNameOf(path) + L" ...";
    const SaveResult result = RunSave(Hwnd(), device, job);
    saveFailed_ = result == SaveResult::Failed;
    return result == SaveResult::Saved;
}

// Record menu item and toolbar button 4: records on at the device's position.
void FrmMain::mnuRecord_Click() {
    // Devices come and go and change their numbers: the chosen one is
    // looked up by its name at every take.
    UseInputSource();
    StartRecording();
}

bool FrmMain::StartRecording(bool timed) {
    ApplyVoiceToTake(timed);
    MCIERROR err = MMCRecord.Command(L"record");
    if (err != 0) {
        // Nothing is being recorded: say why, and leave the window as it was
        // rather than count time over silence.
        std::wstring why = err == MCIERR_WAVE_SETINPUTUNSUITABLE
                               ? L"录音设备不能按本文件的格式（" + DescribeFormat(MMCRecord.Format()) + L"）录音。"
                               : DeviceReason(MMCRecord, err);
        ShowMessage(Hwnd(), L"无法录音：" + why, kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    Resume([&] { Lblread.SetText(voiceTake_ ? kStatusVoiceWaiting : kStatusRecording); });
    Resume([&] { dtRecordStart = clock(); });
    Resume([&] { TimerBar.SetEnabled(true); });
    Resume([&] { TbrRecord.SetButtonEnabled(L"new", false); });
    Resume([&] { TbrRecord.SetButtonEnabled(L"record", false); });
    Resume([&] { TbrRecord.SetButtonEnabled(L"play", false); });
    Resume([&] { TbrRecord.SetButtonEnabled(L"stop", true); });
    Resume([&] { TbrRecord.SetButtonEnabled(L"save", false); });
    blnModified = -1;
    Resume([&] { dBar1.SetVisible(true); });
    Resume([&] { dBar1.Style(3); });
    Resume([&] { dBar1.BeginDisplay(); });
    Resume([&] { StartLevelMeter(true); });
    SetShutdownReason(Hwnd(), L"正在录音，结束会话前录音将停止并保存在恢复文件夹中。");
    return true;
}

// Play menu item and toolbar button 2: always from the start.
void FrmMain::mnuPlay_Click() {
    MMCRecord.Command(L"prev");
    MCIERROR err = MMCRecord.Command(L"play");
    if (err != 0) {
        // Nothing plays: the window must not wait for an end that never comes.
        mnuStop_Click();
        ShowMessage(Hwnd(), L"无法播放：" + DeviceReason(MMCRecord, err), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    Lblread.SetText(kStatusPlaying);
    TimerBar.SetEnabled(false);
    SetRecordButtons(TbrRecord, false);
    StartLevelMeter(false);
}

// Stop menu item, toolbar button 3, the end of playback, and a take that
// ended by itself.
void FrmMain::mnuStop_Click() {
    const bool wasRecording = MMCRecord.GetMode() == WaveAudioDevice::Mode::Recording;
    MMCRecord.Command(L"stop");
    SetShutdownReason(Hwnd(), nullptr);
    Lblread.SetText(kStatusDone);
    if (wasRecording && segmentFiles_) {
        // The take's last segment ended with it.
        QueueEndedSegments();
        segmentTakeOver_ = true;
        AutoSaver_Done();
    }
    TimerBar.SetEnabled(false);
    SetRecordButtons(TbrRecord, true);
    dBar1.SetVisible(false);
    dBar1.EndDisplay();
    mtrLevel.Stop();
    // A take that ended before the user stopped it: say why and what is kept.
    // A timed take that reached its length ended as it should.
    WaveAudioDevice::TakeEnd end;
    if (MMCRecord.TakeEndNotice(end) && end.reason != WaveAudioDevice::TakeEnd::Reason::Duration)
        ShowMessage(Hwnd(), TakeEndText(end), kProgramTitle, MB_OK | MB_ICONINFORMATION);
    uint32_t missed = 0;
    if (MMCRecord.TakeMissedNotice(missed))
        ShowMessage(Hwnd(),
                    L"录音时电脑一度忙不过来（磁盘太慢，或系统进入了睡眠），有约 " + DurationText(std::max<uint32_t>(missed, 1000)) +
                        L" 的声音没能录下。缺口处已加上标记“缺失”，其余的声音都完好地录下了。",
                    kProgramTitle, MB_OK | MB_ICONINFORMATION);
    // A timed take saves what it recorded now, however it ended.
    if (scheduled_ && scheduled_->OwnsTake()) scheduled_->TakeStopped();
}

// Mark menu item and the M key: a mark where the sound is now, during a
// take or playback or where they stopped, named by its number.
void FrmMain::mnuMark_Click() {
    const std::wstring name = L"标记 " + std::to_wstring(MMCRecord.Marks().size() + 1);
    uint64_t frame = 0;
    if (!MMCRecord.AddMark(name, frame)) return;
    blnModified = -1;
    const uint32_t rate = MMCRecord.Format().nSamplesPerSec;
    markNotice_ = L"已添加" + name + L"（" + DurationText(static_cast<uint32_t>(rate ? frame * 1000 / rate : 0)) +
                  L"）";
    // While recording the time tick writes the line; otherwise it is written here.
    if (!TimerBar.Enabled()) {
        std::wstring line = LblFile.Text();
        LblFile.SetText(line.substr(0, line.find(L'\n')) + MarkNoticeLine());
    }
}

// The device ended a take by itself (input gone, disk full, size limit).
void FrmMain::MMCRecord_Done() { mnuStop_Click(); }

// Exit menu item and toolbar button 9.
void FrmMain::mnuExit_Click() {
    // The take ends before the save, as Open does: a save while the take
    // runs would race its end and write the element as it was a moment ago.
    if (MMCRecord.GetMode() != WaveAudioDevice::Mode::Stopped) mnuStop_Click();
    saveFailed_ = false;
    if (!SaveBeforeLeaving()) {
        // A save that cannot succeed now (a full disk, a drive gone) must
        // not leave "No", which deletes the recording, as the only way out.
        if (saveFailed_ && ShowMessage(Hwnd(), kKeepForLaterPrompt, kProgramTitle, MB_YESNO | MB_ICONWARNING) == IDYES) {
            FinishAutoSaves();
            MMCRecord.LeaveForRecovery();
            EndProgram();
        }
        return;
    }
    // Saved or declined: the element's files in the recovery folder go.
    FinishAutoSaves();
    MMCRecord.Command(L"close");
    EndProgram();
}

// Every second for the device's whole life: the slider follows the device,
// and playback that reached the end (or never began) is stopped.
void FrmMain::MMCRecord_StatusUpdate() {
    Resume([&] { sldRecord.SetMax(static_cast<int32_t>(MMCRecord.Length())); });
    Resume([&] { sldRecord.SetTickFrequency(static_cast<int>(RoundHalfEven(sldRecord.Max() / 20.0))); });
    Resume([&] { sldRecord.SetValue(static_cast<int32_t>(MMCRecord.Position())); });
    Resume([&] {
        int value = sldRecord.Value();
        auto length = static_cast<int32_t>(MMCRecord.Length());
        if (value >= length && Lblread.Text() == kStatusPlaying) mnuStop_Click();
    });
}

void FrmMain::StartLevelMeter(bool input) {
    inputWatch_.Reset();
    mtrLevel.SetThreshold(input && voice_.trigger.on ? std::optional<double>(voice_.trigger.thresholdDb) : std::nullopt);
    mtrLevel.Start([this] { return MMCRecord.Levels(); }, input);
}

// Every 200 ms while recording: the time so far, and a word in the status
// line when nothing or too much comes in.
void FrmMain::TimerBar_Timer() {
    // The second line: a mark just added, else the input of a take from
    // another input than the default.
    const std::wstring second =
        !markNotice_.empty() ? MarkNoticeLine() : sourceLabel_.empty() ? L"" : L"\n来源：" + sourceLabel_;
    LblFile.SetText(ElapsedText(dtRecordStart, clock()) + second);
    Resume([&] {
        const wchar_t* status = kStatusRecording;
        switch (inputWatch_.Update(MMCRecord.Levels(), static_cast<DWORD>(TheClock().MonotonicMs()))) {
            case InputWarning::Silence: status = kStatusNoInput; break;
            case InputWarning::Clipping: status = kStatusTooLoud; break;
            case InputWarning::None: break;
        }
        // With the gate on, silence is what it waits through, not a fault.
        if (voiceTake_ && status != kStatusTooLoud)
            status = MMCRecord.VoiceOpen() ? kStatusVoiceOpen : kStatusVoiceWaiting;
        if (Lblread.Text() != status) Lblread.SetText(status);
    });
    // Once a take: the recording goes on, but after a crash it might not be
    // all there to recover.
    DWORD journalError = 0;
    if (MMCRecord.CheckpointFailureNotice(journalError))
        ShowMessage(Hwnd(),
                    L"录音仍在继续，但无法写入恢复记录（" + SystemErrorText(journalError) +
                        L"）。如果录音机意外关闭，这次录音可能无法完整恢复。请尽快停止并保存录音。",
                    kProgramTitle, MB_OK | MB_ICONWARNING);
    Resume([&] { QueueEndedSegments(); });
}

}  // namespace orvo::recorder
