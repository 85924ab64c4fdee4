// The recording control: new, open, record, play, stop, save and exit on the
// wave-audio device, the status texts and the record toolbar's states.
#include <cmath>
#include <cstdio>

#include <atomic>

#include "audio/wave_riff.h"
#include "recorder/main_window/frm_main.h"
#include "recorder/jobs/job_progress.h"
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

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Why a file cannot be opened, in the user's words.
std::wstring ProblemText(const WaveLayout& layout) {
    switch (layout.problem) {
        case WaveFileProblem::NotWave: return L"不是WAV文件";
        case WaveFileProblem::Damaged: return L"文件已损坏";
        case WaveFileProblem::UnsupportedFormat: return L"不支持的格式：" + layout.formatName;
        case WaveFileProblem::CannotRead: return L"无法读取文件";
        case WaveFileProblem::None: break;
    }
    return L"";
}

std::wstring CannotOpenText(const std::wstring& path, const std::wstring& why) {
    return L"无法打开文件“" + path + L"”：" + why + L"。";
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
        case WaveAudioDevice::TakeEnd::Reason::SizeLimit: why = L"录音已达到WAV文件所能容纳的最大长度"; break;
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

std::wstring NewRecordingName(const SYSTEMTIME& t) {
    wchar_t hhmmss[16];
    swprintf(hhmmss, 16, L"%02u%02u%02u", t.wHour, t.wMinute, t.wSecond);
    return std::wstring(L"新录音文件") + hhmmss + L".wav";
}

std::wstring ElapsedText(double startDays, double nowDays) {
    // A date-time difference is read like a time of day: whole seconds,
    // minute of the hour, second of the minute.
    double seconds = std::fabs(nowDays - startDays) * 86400.0;
    auto total = static_cast<long long>(RoundHalfEven(seconds));
    long long m = (total / 60) % 60;
    long long s = total % 60;
    return L"录音时间：" + std::to_wstring(m) + L"分" + std::to_wstring(s) + L"秒";
}

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
    MMCRecord.Command(L"close");
    MMCRecord.SetFileName(L"new");
    MCIERROR opened = MMCRecord.Command(L"open");
    SYSTEMTIME now;
    GetLocalTime(&now);
    newFileName_ = NewRecordingName(now);
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
    Resume([&] { MMCRecord.Command(L"close"); });
    Resume([&] { MMCRecord.SetFileName(strFileName); });
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
    r.filter = kWavFilter;
    r.defaultExt = L"wav";
    // The replace question is asked below, the same way whatever dialog ran.
    r.confirmOverwrite = false;
    r.fileName = proposedName;
    std::wstring path = Ui().FileDialog(r);
    if (path.empty()) return false;
    if (FileExists(path)) {
        std::wstring ask = L"文件“" + FileNameOf(path) + L"”已经存在，是否替换？";
        if (ShowMessage(Hwnd(), ask, kProgramTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    }
    // A long element takes a while: the window keeps painting meanwhile,
    // and Cancel leaves whatever file was at the target as it was.
    MCIERROR err = 0;
    bool cancelled = false;
    WorkOutcome outcome = RunWithProgress(Hwnd(), L"正在保存 " + FileNameOf(path) + L" ...",
                                          [&](const JobControl& control) {
                                              err = device.Save(path, &control);
                                              cancelled = err != 0 && control.Cancelled();
                                          });
    if (!outcome.ok) {
        ShowMessage(Hwnd(), outcome.description, kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (cancelled) return false;
    if (err != 0) {
        ShowMessage(Hwnd(), DeviceReason(device, err), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    return true;
}

// Record menu item and toolbar button 4: records on at the device's position.
void FrmMain::mnuRecord_Click() {
    // Devices come and go and change their numbers: the chosen one is
    // looked up by its name at every take.
    UseInputSource();
    MCIERROR err = MMCRecord.Command(L"record");
    if (err != 0) {
        // Nothing is being recorded: say why, and leave the window as it was
        // rather than count time over silence.
        std::wstring why = err == MCIERR_WAVE_SETINPUTUNSUITABLE
                               ? L"录音设备不能按本文件的格式（" + DescribeFormat(MMCRecord.Format()) + L"）录音。"
                               : DeviceReason(MMCRecord, err);
        ShowMessage(Hwnd(), L"无法录音：" + why, kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    Resume([&] { Lblread.SetText(kStatusRecording); });
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
    MMCRecord.Command(L"stop");
    Lblread.SetText(kStatusDone);
    TimerBar.SetEnabled(false);
    SetRecordButtons(TbrRecord, true);
    dBar1.SetVisible(false);
    dBar1.EndDisplay();
    mtrLevel.Stop();
    // A take that ended before the user stopped it: say why and what is kept.
    WaveAudioDevice::TakeEnd end;
    if (MMCRecord.TakeEndNotice(end)) ShowMessage(Hwnd(), TakeEndText(end), kProgramTitle, MB_OK | MB_ICONINFORMATION);
}

// The device ended a take by itself (input gone, disk full, size limit).
void FrmMain::MMCRecord_Done() { mnuStop_Click(); }

// Exit menu item and toolbar button 9.
void FrmMain::mnuExit_Click() {
    if (!SaveBeforeLeaving()) return;
    // Saved or declined: the element's files in the recovery folder go.
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
    mtrLevel.Start([this] { return MMCRecord.Levels(); }, input);
}

// Every 200 ms while recording: the time so far, and a word in the status
// line when nothing or too much comes in.
void FrmMain::TimerBar_Timer() {
    // A take from another input than the default says which on its second line.
    LblFile.SetText(ElapsedText(dtRecordStart, clock()) + (sourceLabel_.empty() ? L"" : L"\n来源：" + sourceLabel_));
    Resume([&] {
        const wchar_t* status = kStatusRecording;
        switch (inputWatch_.Update(MMCRecord.Levels(), GetTickCount())) {
            case InputWarning::Silence: status = kStatusNoInput; break;
            case InputWarning::Clipping: status = kStatusTooLoud; break;
            case InputWarning::None: break;
        }
        if (Lblread.Text() != status) Lblread.SetText(status);
    });
}

}  // namespace orvo::recorder
