// Recordings an earlier run left unsaved, offered at start-up; and the end
// of the session, after which the next start offers what was recorded.
#include <cwchar>

#include "audio/wave_recovery.h"
#include "base/failure.h"
#include "recorder/main_window/frm_main.h"
#include "recorder/main_window/scheduled_takes.h"
#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kRestore[] = L"恢复";
constexpr wchar_t kSaveAs[] = L"另存为";
constexpr wchar_t kDiscard[] = L"丢弃";
constexpr wchar_t kLater[] = L"以后再说";
constexpr wchar_t kDiscardConfirm[] = L"丢弃后这段录音将无法找回。确定要丢弃吗？";

bool LocalTime(uint64_t utc, SYSTEMTIME& out) {
    FILETIME u{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)}, local;
    return utc != 0 && FileTimeToLocalFileTime(&u, &local) && FileTimeToSystemTime(&local, &out);
}

}  // namespace

std::wstring DurationText(uint32_t milliseconds) {
    uint32_t seconds = milliseconds / 1000;
    uint32_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    std::wstring text;
    if (h) text += std::to_wstring(h) + L"小时";
    if (h || m) text += std::to_wstring(m) + L"分";
    return text + std::to_wstring(s) + L"秒";
}

std::wstring LeftoverPromptText(uint32_t milliseconds, uint64_t recordedUtc) {
    std::wstring when = L"时间不详";
    SYSTEMTIME t;
    if (LocalTime(recordedUtc, t)) {
        wchar_t buffer[64];
        swprintf(buffer, 64, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 t.wSecond);
        when = buffer;
    }
    return L"发现上次没有保存的录音：时长 " + DurationText(milliseconds) + L"，录于 " + when +
           L"。\n\n恢复：放回主窗口，可以继续录音或保存；\n另存为：保存成 WAV 文件；\n丢弃：删除这段录音。";
}

namespace {

std::wstring RawLeftoverPromptText(uint32_t milliseconds, uint64_t recordedUtc, bool guessedFormat) {
    std::wstring text = LeftoverPromptText(milliseconds, recordedUtc);
    const std::wstring why = guessedFormat
        ? L"\n\n这段录音的记录已经损坏，录音的声音数据完好地保留着。由于记录中的格式也无法读出，将按 44.1 kHz、16 位、立体声读出；如果听起来不对，请另存为后用其他软件按原来的格式打开。"
        : L"\n\n这段录音的记录已经损坏，录音的声音数据完好地保留着，将按记录中的格式整段读出。";
    return text.insert(text.find(L"\n\n"), why);
}

// Opened files that are not there now: a drive not plugged in yet, a file
// another program holds. Restoring now leaves their sound out for good, so
// the user may wait for them instead.
std::wstring UnavailableText(const RecoveryLoss& missing, const WAVEFORMATEX& format) {
    std::wstring files;
    for (const auto& f : missing.files) files += L"\n" + f;
    return L"\n\n其中 " + DurationText(BytesToMilliseconds(missing.fileBytes, format)) +
           L" 的声音来自下面的文件，它现在找不到或已经改变（驱动器可能还没有连接，或文件正被别的程序使用）：" + files +
           L"\n现在恢复或另存为将不包含这部分；选“以后再说”则原样保留，找回文件后再启动录音机即可完整恢复。";
}

std::wstring NewerLeftoverText(const std::wstring& folder) {
    return L"文件夹 " + folder +
           L" 中有一段由较新版本的录音机留下的录音。这个版本读不懂它的记录，所以没有改动它；用较新的版本启动即可恢复。";
}

}  // namespace

void FrmMain::OfferLeftoverRecordings() {
    std::vector<Leftover> leftovers = FindLeftovers();
    for (Leftover& l : leftovers) {
        // Nothing to lose (empty, or saved and unchanged since): it goes
        // without a question.
        if (l.state == JournalState::Newer)
            ShowMessage(Hwnd(), NewerLeftoverText(l.folder), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        else if (l.Disposable())
            DiscardLeftover(l);
        else
            OfferLeftover(l);
    }
}

void FrmMain::OfferLeftover(Leftover& leftover) {
    const std::wstring folder = leftover.folder;
    for (;;) {
        ChoiceRequest r;
        r.owner = Hwnd();
        r.title = kProgramTitle;
        r.text = leftover.state == JournalState::Damaged
                     ? RawLeftoverPromptText(leftover.Milliseconds(), leftover.journal.began, leftover.guessedFormat)
                     : LeftoverPromptText(leftover.Milliseconds(), leftover.journal.began);
        r.buttons = {kRestore, kSaveAs, kDiscard};
        const RecoveryLoss missing = UnavailableSources(leftover);
        if (!missing.files.empty()) {
            r.text += UnavailableText(missing, leftover.journal.format);
            r.buttons.push_back(kLater);
        }
        switch (Ui().Choice(r)) {
            case 0:
                if (RestoreLeftover(leftover)) return;
                break;
            case 1:
                if (SaveLeftoverAs(leftover)) return;
                break;
            case 2:
                if (ShowMessage(Hwnd(), kDiscardConfirm, kProgramTitle, MB_YESNO | MB_ICONWARNING) == IDYES) {
                    DiscardLeftover(leftover);
                    return;
                }
                break;
            default:
                // Later, or closed without an answer: it stays as it is
                // for the next start.
                return;
        }
        // Not done after all (a cancelled dialog): ask again, unless it went
        // to another instance meanwhile.
        if (!leftover.lock && !ClaimLeftover(folder, leftover)) return;
    }
}

bool FrmMain::RestoreLeftover(Leftover& leftover) {
    // The window's own recording is asked about first, as New does.
    if (!SaveBeforeLeaving()) return false;
    FinishAutoSaves();
    MMCRecord.Command(L"close");
    RecoveryLoss loss;
    uint64_t began = leftover.journal.began;
    MCIERROR err = MMCRecord.Restore(std::move(leftover), loss);
    if (err != 0) {
        // The window is left with a new element rather than with none.
        NewRecordFile();
        ShowMessage(Hwnd(), WaveErrorText(err), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return true;  // the leftover stays on disk for the next start
    }
    if (MMCRecord.FileName() == L"new") {
        SYSTEMTIME t;
        if (!LocalTime(began, t)) GetLocalTime(&t);
        newFileName_ = NewRecordingName(t);
        LblFile.SetText(L"文件：" + newFileName_);
    } else {
        strFileName = MMCRecord.FileName();
        LblFile.SetText(L"文件：" + strFileName);
    }
    TimerBar.SetEnabled(false);
    // Unsaved: New and Exit ask before it goes.
    blnModified = -1;
    ReportRecoveryLoss(loss, MMCRecord.Format());
    return true;
}

bool FrmMain::SaveLeftoverAs(Leftover& leftover) {
    WaveAudioDevice device;
    RecoveryLoss loss;
    if (device.Restore(std::move(leftover), loss) != 0) return false;
    ReportRecoveryLoss(loss, device.Format());
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring proposed = device.FileName() == L"new" ? NewRecordingName(now) : device.FileName();
    if (!SaveElementAs(device, proposed)) return false;  // the device keeps the files as it goes
    device.Command(L"close");
    return true;
}

void FrmMain::ReportRecoveryLoss(const RecoveryLoss& loss, const WAVEFORMATEX& format) {
    if (!loss.files.empty()) {
        std::wstring files;
        for (const auto& f : loss.files) files += L"\n" + f;
        ShowMessage(Hwnd(),
                    L"录音中有 " + DurationText(BytesToMilliseconds(loss.fileBytes, format)) +
                        L" 来自下面的文件，它已经改变或不存在，这部分无法恢复；其余部分已经恢复。" + files,
                    kProgramTitle, MB_OK | MB_ICONINFORMATION);
    }
    if (loss.cutBytes) {
        ShowMessage(Hwnd(),
                    L"录音的记录中有 " + DurationText(BytesToMilliseconds(loss.cutBytes, format)) +
                        L" 的声音在磁盘上找不到（文件比记录的短），这部分无法恢复；磁盘上的声音已经全部恢复。",
                    kProgramTitle, MB_OK | MB_ICONINFORMATION);
    }
}

bool FrmMain::Form_QueryEndSession() {
    // Nothing stops on the question: the user may still cancel the
    // shutdown, and an overnight take must then go on recording.
    return true;
}

void FrmMain::Form_EndSession(bool ending) {
    // Only now does a running take end; leaving for recovery stops it and
    // writes the final journal, so the next start offers all of it.
    if (!ending) return;
    FinishAutoSaves();
    if (MMCRecord.HoldsUnsavedSound()) MMCRecord.LeaveForRecovery();
}

}  // namespace orvo::recorder
