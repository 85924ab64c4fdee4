#include "recorder/volume/level_tools.h"

#include "base/failure.h"
#include "win/ui_seam.h"
#include "recorder/program.h"

namespace orvo::recorder {

const wchar_t kVolumeControlCommand[] = L"sndvol32.exe";
const wchar_t kRecordingControlCommand[] = L"sndvol32.exe /r";
// The classic tool is gone from newer systems; these open the same views there.
const wchar_t kVolumeControlFallback[] = L"sndvol.exe";
const wchar_t kRecordingControlFallback[] = L"control.exe mmsys.cpl,,1";
const wchar_t kHardwareTestCommand[] = L"rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl @1,3,2";
const wchar_t kHardwareTestMessage[] =
    L"请在弹出的设置对话框中选择相应的播放设备和录音设备，然后点击按钮“测试硬件(T)...”，开始测试声音硬件设备是否正常！";

namespace {

constexpr int kSliderStep = 1000;

void StartWithFallback(const wchar_t* command, const wchar_t* fallback) {
    if (!StartCommandLine(command, SW_SHOWNORMAL)) StartCommandLine(fallback, SW_SHOWNORMAL);
}

void SetSlider(Slider& slider, int32_t maximum, int32_t minimum, int32_t value) {
    slider.SetMax(maximum);
    slider.SetMin(minimum);
    slider.SetValue(value);
    slider.SetSmallChange(kSliderStep);
    slider.SetLargeChange(kSliderStep);
}

}  // namespace

void SetUpLevelSliders(const clsVolume& volume, Slider& vsVolume, Slider& vsMic) {
    // Integer divisions, truncating toward zero.
    SetSlider(vsVolume, volume.prSpeakerMaxVolume() / 2, volume.prSpeakerMinVolume() / 2,
              volume.prSpeakerMaxVolume() / 3);
    SetSlider(vsMic, volume.prMicMaxVolume(), 0, volume.prMicMaxVolume() / 3);
    vsMic.SetEnabled(true);
}

void LaunchVolumeControl() {
    Resume([] { StartWithFallback(kVolumeControlCommand, kVolumeControlFallback); });
}

void LaunchRecordingControl() {
    Resume([] { StartWithFallback(kRecordingControlCommand, kRecordingControlFallback); });
}

void RunSoundHardwareTest(HWND owner) {
    Resume([&] { ShowMessage(owner, kHardwareTestMessage, kProgramTitle, MB_OK | MB_ICONINFORMATION); });
    Resume([] { StartCommandLine(kHardwareTestCommand, SW_SHOWNORMAL); });
}

}  // namespace orvo::recorder
