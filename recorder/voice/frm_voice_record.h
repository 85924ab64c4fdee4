// The 声控录音 window (Tools → 声控录音...): the gate's threshold, hold and
// pre-roll, whether the kept sound stays one recording or each stretch
// becomes a file (and where those files go), and the switch that turns
// voice-activated recording on for the next takes. Modeless, owned by the
// main window, which hears of every switch through the handler it gives.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "recorder/unattended/auto_saver.h"
#include "recorder/voice/voice_settings.h"
#include "win/controls.h"
#include "win/window.h"

namespace orvo::recorder {

class FrmVoiceRecord : public Window {
public:
    // Runs when the switch is pressed and the fields are usable: the
    // settings (trigger.on says on or off) and the files' target, both
    // already remembered.
    using Switched = std::function<void(const VoiceSettings&, const AutoSaveTarget&)>;

    // Creates the window over owner showing settings and target, and shows
    // it. False when it could not be made.
    bool Load(HWND owner, const VoiceSettings& settings, const AutoSaveTarget& target, Switched switched);

    // The switch: 开启声控 / 关闭声控.
    void cmdSwitch_Click();
    // 关闭, Esc and the close box: the window goes, the settings stay.
    void cmdClose_Click();
    // The mode changed: the files' fields are used only per segment.
    void cboMode_Change();
    // 浏览...: the folder the files go to, chosen in the system's dialog.
    void cmdBrowse_Click();

    // --- Controls, in tab order -------------------------------------------
    Label lblThreshold;
    TextBox txtThreshold;
    Label lblThresholdUnit;
    Label lblHold;
    TextBox txtHold;
    Label lblHoldUnit;
    Label lblPreRoll;
    TextBox txtPreRoll;
    Label lblPreRollUnit;
    Label lblMode;
    ComboBox cboMode;
    Label lblFiles;
    Label lblFolder;
    TextBox txtFolder;
    Button cmdBrowse;
    Label lblFormat;
    ComboBox cboFormat;
    Label lblPattern;
    TextBox txtPattern;
    Label lblNote;
    Button cmdSwitch;
    Button cmdClose;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCreate();
    void ShowSettings();
    // The fields into settings_ and target_; false (and told in the note)
    // when one cannot be used.
    bool ReadFields();

    VoiceSettings settings_;
    AutoSaveTarget target_;
    Switched switched_;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was left
};

}  // namespace orvo::recorder
