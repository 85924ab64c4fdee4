// The main window's handlers for the level sliders, the level menu items and
// the sound tools.
#include <functional>

#include "recorder/main_window/frm_main.h"
#include "base/failure.h"
#include "recorder/volume/cls_volume.h"
#include "recorder/volume/frm_test_card.h"
#include "recorder/volume/level_tools.h"

namespace orvo::recorder {
namespace {

// One level item: move the slider, then write what it holds. Each step is
// skipped on its own if it fails, without a message.
void StepLevel(Slider& slider, int delta, const std::function<void(int32_t)>& let) {
    Resume([&] { slider.SetValue(slider.Value() + delta); });
    Resume([&] { let(MixerValueOfSlider(slider.Value())); });
}

}  // namespace

// Start-up, from Form_Load: the mixer object, and the sliders from its ranges.
// Without a mixer the sliders keep their design settings.
void FrmMain::InitVolumeControls() {
    mVolume = std::make_shared<clsVolume>();
    mVolume->meOpenMixer();
    if (mVolume->prMixerErr() != 0) return;
    SetUpLevelSliders(*mVolume, vsVolume, vsMic);
}

// Every scroll notification of the microphone slider.
void FrmMain::vsMic_Scroll() {
    if (mVolume) mVolume->prMicVolume(MixerValueOfSlider(vsMic.Value()));
}

// Every scroll notification of the speaker slider.
void FrmMain::vsVolume_Scroll() {
    if (mVolume) mVolume->prSpeakerVolume(MixerValueOfSlider(vsVolume.Value()));
}

// 设置 → 录音控制
void FrmMain::mnuRecCtr_Click() { LaunchRecordingControl(); }

// 设置 → 音量控制
void FrmMain::mnuVolCtr_Click() { LaunchVolumeControl(); }

// The side panel's 录音控制 button.
void FrmMain::cmdRecCtr_Click() { mnuRecCtr_Click(); }

// The side panel's 音量控制 button.
void FrmMain::cmdVolCtr_Click() { mnuVolCtr_Click(); }

// 增大麦克风音量 (Ctrl+A)
void FrmMain::mnuAddMic_Click() {
    StepLevel(vsMic, kLevelStep, [this](int32_t v) { if (mVolume) mVolume->prMicVolume(v); });
}

// 减小麦克风音量 (Ctrl+S)
void FrmMain::mnuRedMic_Click() {
    StepLevel(vsMic, -kLevelStep, [this](int32_t v) { if (mVolume) mVolume->prMicVolume(v); });
}

// 增大输出音量 (Ctrl+Z)
void FrmMain::mnuAddVol_Click() {
    StepLevel(vsVolume, kLevelStep, [this](int32_t v) { if (mVolume) mVolume->prSpeakerVolume(v); });
}

// 减小输出音量 (Ctrl+X)
void FrmMain::mnuRedVol_Click() {
    StepLevel(vsVolume, -kLevelStep, [this](int32_t v) { if (mVolume) mVolume->prSpeakerVolume(v); });
}

// 工具 → 声音硬件测试向导
void FrmMain::mnuTestGuide_Click() { RunSoundHardwareTest(Hwnd()); }

// 工具 → 声卡信息: a new window, with a fresh report, on every opening.
void FrmMain::mnuTestCard_Click() { frmTestCard::ShowModal(Hwnd()); }

}  // namespace orvo::recorder
