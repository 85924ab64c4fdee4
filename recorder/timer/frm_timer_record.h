// The 定时录音 window (工具 → 定时录音...): when a take starts and stops,
// what it records from, where its files go and how long each may be, and
// 开始 / 停止. Modeless and owned by the main window, which keeps the
// schedule (a TimedRecording) and its take: the window only edits and
// shows it, so closing it leaves an armed schedule armed. The countdown
// runs from the window's own timer, so the window answers throughout.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "audio/input_devices.h"
#include "recorder/unattended/timed_recording.h"
#include "win/controls.h"
#include "win/window.h"

namespace orvo::recorder {

class FrmTimerRecord : public Window {
public:
    // Makes and shows the window over owner, filled from the schedule the
    // timer holds, else with the place recordings by themselves were last
    // saved to and the main window's source. format:
    // the element's, for what MP3 and FLAC can hold. False when the window
    // could not be made.
    bool Create(HWND owner, TimedRecording& timer, const InputSource& current, const WAVEFORMATEX& format);
    // The schedule changed, or time passed: the countdown and buttons follow.
    void Refresh();
    // A line under the countdown: where the last file went, or what failed.
    void ShowNote(const std::wstring& text);
    std::wstring StatusText() const { return lblStatus.Text(); }

    // The schedule the controls describe; false and why when they do not.
    bool ReadSchedule(Schedule& schedule, std::wstring& why) const;

    void cmdStart_Click();
    void cmdStop_Click();
    void cmdBrowse_Click();
    void cboFormat_Change();
    void cboStart_Change();
    void cboStop_Change();
    // Esc: an armed schedule is cancelled; otherwise the window closes.
    void Form_Cancel();

    // --- Controls, in tab order ---------------------------------------------
    Label lblStart;
    ComboBox cboStart;
    TextBox txtStart;
    Label lblStartUnit;
    Label lblStop;
    ComboBox cboStop;
    TextBox txtStop;
    Label lblStopUnit;
    Label lblSource;
    ComboBox cboSource;
    Label lblFolder;
    TextBox txtFolder;
    Button cmdBrowse;
    Label lblFormat;
    ComboBox cboFormat;
    Label lblFormatWhy;
    Label lblPattern;
    TextBox txtPattern;
    Label lblSplit;
    TextBox txtSplit;
    Label lblSplitUnit;
    Label lblStatus;
    Label lblNote;
    Button cmdStart;
    Button cmdStop;
    Timer tmrCountdown;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildControls();
    void Fill(const Schedule& schedule);
    void ShowUnits();
    // The editing controls are for a new schedule: off while one is active.
    void SetEditing(bool editing);

    TimedRecording* timer_ = nullptr;
    WAVEFORMATEX format_{};
    std::vector<InputSource> sources_;
};

}  // namespace orvo::recorder
