// The recorder's main window: menus, the record and link toolbars, the status
// bar, the expandable side panel, the hidden level frame, and the recording
// control that drives the wave-audio device. Handlers are named after their
// control and event; they live in several files by area:
//   frm_main.cpp        layout, start-up, dispatch, expand/collapse
//   recording.cpp       new, open, record, play, stop, save, exit
//   input_source.cpp    the 录音来源 submenu: what takes record from
//   recovery.cpp        leftover recordings offered at start-up, session end
//   help_commands.cpp   help menu, link toolbar, about box, conversion
//   level_controls.cpp  level sliders and sound tools
//   audio_edit_command.cpp  the waveform window
//   save_settings.cpp   the MP3 bit rate
//   voice_record.cpp    voice-activated recording and its files
//   timer_command.cpp   timed recording: the schedule, its take, its window
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win/controls.h"
#include "audio/input_devices.h"
#include "audio/wave_audio_device.h"
#include "win/window.h"
#include "recorder/level_meter/level_meter.h"
#include "recorder/progress_bar/dbar.h"
#include "recorder/program.h"
#include "recorder/unattended/auto_saver.h"
#include "recorder/voice/voice_settings.h"

namespace orvo {
struct Leftover;
}

namespace orvo::recorder {

class clsVolume;
class FrmVoiceRecord;
class ScheduledTakes;
class FrmTimerRecord;
class TimedRecording;

inline constexpr wchar_t kStatusRecording[] = L"正在录音...";
inline constexpr wchar_t kStatusPlaying[] = L"正在播放...";
inline constexpr wchar_t kStatusDone[] = L"操作结束...";
inline constexpr wchar_t kSavePrompt[] = L"当前文件已经被更新，是否保存？";
// The status line while recording, when the input needs the user's eye.
inline constexpr wchar_t kStatusNoInput[] = L"正在录音...（没有声音输入，请检查麦克风）";
inline constexpr wchar_t kStatusTooLoud[] = L"正在录音...（音量过大，声音可能失真）";

// "新录音文件" + HHmmss + ".wav" for the given local time.
std::wstring NewRecordingName(const SYSTEMTIME& localTime);
// "录音时间：" M "分" S "秒" for the time between two date-times (days, as
// OLE dates); hours are not shown.
std::wstring ElapsedText(double startDays, double nowDays);
// Local date and time as days since 30 December 1899, whole seconds.
double OleNow();
// Days counted on the monotonic clock from a point of its own: only the
// difference of two means anything, and setting the system clock or a
// daylight-saving change during a take does not move it.
double MonotonicDays();
// The question that offers a leftover recording: its length and when it was
// recorded (a FILETIME in UTC, 0 when unknown).
std::wstring LeftoverPromptText(uint32_t milliseconds, uint64_t recordedUtc);
// "1小时2分5秒" / "2分5秒" / "5秒".
std::wstring DurationText(uint32_t milliseconds);

class FrmMain : public Window {
public:
    FrmMain();
    ~FrmMain() override;

    // Builds the window and its controls and runs Form_Load. False when the
    // window itself could not be made.
    bool Create();
    // The program's start: builds the window as Create does, shows and
    // paints it, and leaves Form_Load and the leftover offer to the first
    // message of the loop (StartUp), so that the window is on screen while
    // the mixer opens and the new element's journal goes to the disk. Posted
    // messages come before input, and the window takes none during the load,
    // so no command reaches it before its element exists.
    bool CreateAndShow(int show);
    // The program's loop ends when the window goes (the program sets this).
    void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }
    HACCEL Accelerators() const { return menu_ ? menu_->Accelerators() : nullptr; }
    HMENU MenuBarHandle() const { return menu_ ? menu_->Bar() : nullptr; }
    // The hidden Audio menu's popup (its items are not on the bar).
    HMENU AudioMenu() const { return mnuAudio_; }

    // --- Start-up, close, dispatch, layout ---------------------------------
    void Form_Load();
    void Form_Unload(int16_t& Cancel);
    // The session is ending: a running take stops and its journal is made
    // final. Returns true: the session may end.
    bool Form_QueryEndSession();
    // The session ends (ending) or goes on after all.
    void Form_EndSession(bool ending);
    // After the window first shows: recordings that an earlier run left
    // unsaved (a crash, a kill, the end of the session) are offered one by
    // one to be restored, saved or discarded.
    void OfferLeftoverRecordings();
    void TbrRecord_ButtonClick(const ToolbarButton& Button);
    void Form_DpiChanged() override;
    void cmdMore_Click();
    void InitVolumeControls();

    // --- Recording control -------------------------------------------------
    void NewRecordFile();
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuRecord_Click();
    void mnuPlay_Click();
    void mnuStop_Click();
    void mnuExit_Click();
    void mnuMark_Click();
    void MMCRecord_StatusUpdate();
    void MMCRecord_Done();
    void TimerBar_Timer();

    // --- Input source ------------------------------------------------------
    // The 录音来源 submenu opens: its items are read afresh.
    void mnuSource_Popup();
    void mnuSourceDefault_Click();
    void mnuSourceDevice_Click(size_t index);
    void mnuSourceComputer_Click();
    HMENU SourceMenu() const { return mnuSource_; }
    const InputSource& Source() const { return source_; }
    // How the file line names the input of the take under way; empty for
    // the default device.
    const std::wstring& SourceLabel() const { return sourceLabel_; }

    // --- Level controls and sound tools ------------------------------------
    void vsMic_Scroll();
    void vsVolume_Scroll();
    void mnuRecCtr_Click();
    void mnuVolCtr_Click();
    void cmdRecCtr_Click();
    void cmdVolCtr_Click();
    void mnuAddMic_Click();
    void mnuRedMic_Click();
    void mnuAddVol_Click();
    void mnuRedVol_Click();
    void mnuTestGuide_Click();
    void mnuTestCard_Click();
    // The MP3 bit rate Save and the conversion use, remembered per user.
    void mnuBitrate128_Click();
    void mnuBitrate192_Click();
    void mnuBitrate256_Click();
    void mnuBitrate320_Click();
    HMENU SettingsMenu() const { return mnuSettings_; }

    // --- Tools -------------------------------------------------------------
    void mnuAudioEdit_Click();
    // 工具 → 定时录音...: the timed-recording window, made or brought forward.
    void mnuTimerRecord_Click();
    // The schedule the window keeps, and its window while it is open.
    TimedRecording& Timed();
    FrmTimerRecord* TimerWindow();
    void mnuToMP3_Click();
    void cmdConvert_Click();
    // 工具 → 声控录音...: the window, opened once and brought forward after.
    void mnuVoiceRecord_Click();
    FrmVoiceRecord* VoiceWindow() const { return voiceWindow_.get(); }
    // The window's switch: the settings the next takes record with.
    void VoiceRecord_Switched(const VoiceSettings& settings, const AutoSaveTarget& target);
    const VoiceSettings& Voice() const { return voice_; }
    // The auto-saver's pieces, by who queued them: voice segments, timed takes.
    static constexpr uint32_t kVoiceSegmentPiece = 1;
    static constexpr uint32_t kTimedPiece = 2;
    // A piece of a take written by the auto-saver (posted by its worker).
    void AutoSaver_Done();
    AutoSaver& AutoSaves() { return autoSaver_; }

    // --- Help and links ----------------------------------------------------
    void mnuHowtoUsed_Click();
    void mnuProblem_Click();
    void mnuHome_Click();
    void mnuGuestbook_Click();
    void mnuMail_Click();
    void mnuAbout_Click();
    void mnuVelmora_Click();
    void mnuVMSprite_Click();
    void mnuSoftDZ_Click();
    void tbrOther_ButtonClick(const ToolbarButton& Button);

    // --- Controls, in container order --------------------------------------
    Frame Frame1;
    Slider vsMic;
    Slider vsVolume;
    Label Label1;
    Label Label2;
    Timer TimerBar;
    StatusBar sb1;
    PictureBox picMain;
    ImageList ImgRecord;
    ImageList imgOther;
    Toolbar TbrRecord;
    dBar dBar1;
    Slider sldRecord;
    Label Lblread;
    Label LblFile;
    Button cmdMore;
    Toolbar tbrOther;
    Frame fraMore;
    Button cmdRecCtr;
    Button cmdVolCtr;
    Button cmdConvert;
    // The level of the take or playback, in the side panel between the
    // volume and conversion buttons.
    LevelMeter mtrLevel;

    // --- Fields --------------------------------------------------------------
    std::wstring strFileName;
    double dtRecordStart = 0;  // days, as an OLE date
    int16_t blnModified = 0;   // 0 or -1
    std::shared_ptr<clsVolume> mVolume;

    // The device behind the hidden multimedia control. Declared last so it
    // stops before the controls its status event writes to go away.
    WaveAudioDevice MMCRecord;

private:
    // Timed recording; after the device, so that it goes first.
    std::unique_ptr<ScheduledTakes> scheduled_;
    // Leftover recordings wait to be offered until a schedule is over.
    bool leftoversWaiting_ = false;

public:

    // The name New proposes for saving ("新录音文件143025.wav").
    const std::wstring& NewFileName() const { return newFileName_; }
    // What the take's elapsed time is counted on, in days; tests replace it.
    std::function<double()> clock = &MonotonicDays;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Ends the program: the window goes without its close handler running.
    virtual void EndProgram();

private:
    bool Build();
    // The look Form_Load leaves the controls in: nothing to stop, not busy.
    void SetIdleLook();
    void StartUp();
    void BuildControls();
    void BuildLevelFrame();
    void BuildMainPanel();
    void BuildSidePanel();
    void LoadToolbarImages();
    void BuildMenu();
    // Writes the element to a file the user names. False when nothing was
    // saved (cancelled, refused replace, or failed).
    bool SaveRecording();
    // The same for any device: the save dialog proposes proposedName, the
    // file is written on a worker behind a progress window with Cancel.
    bool SaveElementAs(WaveAudioDevice& device, const std::wstring& proposedName);
    bool saveFailed_ = false;  // the last SaveElementAs failed (not cancelled)
    // One leftover: asks until it is restored, saved, discarded or put off.
    void OfferLeftover(Leftover& leftover);
    bool RestoreLeftover(Leftover& leftover);
    bool SaveLeftoverAs(Leftover& leftover);
    void ReportRecoveryLoss(const RecoveryLoss& loss, const WAVEFORMATEX& format);
    // The save prompt of New and Exit: true when the caller may go on.
    bool SaveBeforeLeaving();
    // Menu commands whose handlers set no trap of their own report their
    // failure here, as the toolbar does.
    void Reported(void (FrmMain::*handler)());
    // The meter follows the device: input levels during a take, output
    // levels during playback.
    void StartLevelMeter(bool input);
    // Remembers the bit rate and marks its item in the 设置 menu.
    void SetMp3Bitrate(int kbps);
    void ShowMp3Bitrate();
    // Starts a take on the device as the 录音 button does, once the input is
    // chosen; false (and told) when it could not start. A timed take keeps
    // every frame it is timed by: the voice gate stays off for it.
    bool StartRecording(bool timed = false);
    // The stored schedule, at the load: armed again, started late, carried
    // on after a crash, or dropped with a word.
    void ResumeSchedule();
    // True while a schedule waits or its take runs.
    bool ScheduleActive() const;
    friend class ScheduledTakes;

    // The file line's second line: which mark was dropped last, and where.
    std::wstring MarkNoticeLine() const { return markNotice_.empty() ? std::wstring() : L"\n" + markNotice_; }

    void BuildSourceMenu(HMENU settings);
    // The remembered source (Form_Load), told about once if it is missing.
    void LoadInputSource();
    // Points the device at the chosen source before a take; where it is
    // missing, at the default device, told once.
    void UseInputSource();
    // The same for any source; with missing, nothing is shown and the
    // words for a missing source go there instead.
    void UseSource(const InputSource& source, std::wstring* missing);
    // Remembers and uses a source the user picked; false (and told) when
    // it cannot be recorded from, the previous one kept.
    bool ChooseSource(const InputSource& source);

    // A take begins: the device records with the voice gate or without.
    void ApplyVoiceToTake(bool timed);
    // Per segment: each stretch the gate has closed goes to the auto-saver.
    void QueueEndedSegments();
    // Waits for the pieces still being written, before the element goes.
    void FinishAutoSaves();

    InputWatch inputWatch_;
    std::wstring markNotice_;
    InputSource source_;
    std::wstring sourceLabel_;
    // The setting whose absence was last told, so it is told once.
    std::wstring missingTold_;
    HMENU mnuSource_ = nullptr;
    // The device names as the submenu last listed them, by item.
    std::vector<std::wstring> menuDevices_;

    std::unique_ptr<MenuBar> menu_;
    HMENU mnuAudio_ = nullptr;
    HMENU mnuSettings_ = nullptr;
    std::wstring newFileName_;
    bool quitOnDestroy_ = false;

    VoiceSettings voice_;
    AutoSaveTarget voiceTarget_;
    std::unique_ptr<FrmVoiceRecord> voiceWindow_;
    bool voiceTake_ = false;     // the take under way or last keeps only what the gate lets through
    bool segmentFiles_ = false;  // ... and each of its segments becomes a file
    bool segmentTakeOver_ = false;
    int16_t modifiedBeforeTake_ = 0;
    size_t segmentsQueued_ = 0, segmentsSaved_ = 0, segmentsFailed_ = 0;
    std::wstring segmentFailure_;
    std::vector<SYSTEMTIME> segmentStarts_;  // when each segment of the take was first seen
    // Declared after the device: its destructor waits for the pieces of the
    // element still queued, before the device goes.
    AutoSaver autoSaver_;
};

}  // namespace orvo::recorder
