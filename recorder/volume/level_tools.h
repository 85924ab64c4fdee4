// The slider arithmetic of the main window's level controls and the system
// sound tools it starts; the window's handlers call these.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "win/controls.h"
#include "recorder/volume/cls_volume.h"

namespace orvo::recorder {

// Step of the four level menu items, in slider units (twice that in mixer units).
constexpr int kLevelStep = 200;

// What the mixer receives for a slider position: the sliders run at half the
// mixer's scale.
constexpr int32_t MixerValueOfSlider(int sliderValue) { return static_cast<int32_t>(sliderValue) * 2; }

// Gives both sliders their ranges, starting positions and steps from an
// opened mixer: the speaker slider at half the mixer's scale, the microphone
// slider at full scale. Writes nothing to the mixer.
void SetUpLevelSliders(const clsVolume& volume, Slider& vsVolume, Slider& vsMic);

// The system's volume mixer, and its recording page. Each first tries the
// classic tool's command line, then the present system's equivalent.
void LaunchVolumeControl();
void LaunchRecordingControl();
// Explains the hardware test, then opens the sound control panel.
void RunSoundHardwareTest(HWND owner);

std::wstring VolumeControlCommand();
std::wstring VolumeControlFallback();
std::wstring RecordingControlCommand();
std::wstring RecordingControlFallback();
std::wstring HardwareTestCommand();
extern const wchar_t kHardwareTestMessage[];

}  // namespace orvo::recorder
