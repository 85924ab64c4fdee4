#include "recorder/volume/level_tools.h"

#include "base/failure.h"
#include "base/system_folders.h"
#include "win/ui_seam.h"
#include "recorder/program.h"

namespace orvo::recorder {

// Each tool by its full path in the system folder.
std::wstring VolumeControlCommand() { return SystemProgram(L"sndvol32.exe"); }
std::wstring RecordingControlCommand() { return SystemProgram(L"sndvol32.exe") + L" /r"; }
// The classic tool is gone from newer systems; these open the same views there.
std::wstring VolumeControlFallback() { return SystemProgram(L"sndvol.exe"); }
std::wstring RecordingControlFallback() { return SystemProgram(L"control.exe") + L" mmsys.cpl,,1"; }
std::wstring HardwareTestCommand() {
    return SystemProgram(L"rundll32.exe") + L" shell32.dll,Control_RunDLL mmsys.cpl @1,3,2";
}
const wchar_t kHardwareTestMessage[] =
    L"请在弹出的设置对话框中选择相应的播放设备和录音设备，然后点击按钮“测试硬件(T)...”，开始测试声音硬件设备是否正常！";

namespace {

constexpr int kSliderStep = 1000;

void StartWithFallback(const std::wstring& command, const std::wstring& fallback) {
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
    Resume([] { StartWithFallback(VolumeControlCommand(), VolumeControlFallback()); });
}

void LaunchRecordingControl() {
    Resume([] { StartWithFallback(RecordingControlCommand(), RecordingControlFallback()); });
}

void RunSoundHardwareTest(HWND owner) {
    Resume([&] { ShowMessage(owner, kHardwareTestMessage, kProgramTitle, MB_OK | MB_ICONINFORMATION); });
    Resume([] { StartCommandLine(HardwareTestCommand(), SW_SHOWNORMAL); });
}

}  // namespace orvo::recorder
