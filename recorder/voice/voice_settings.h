// What voice-activated recording (声控录音) is set to: the gate's threshold,
// hold and pre-roll, and whether the kept sound stays one recording or each
// stretch of it becomes a file of its own. Remembered per user; the on/off
// switch is not, so that a program started later never records by a gate
// nobody remembers turning on.
#pragma once
#include <string>

#include "audio/voice_gate.h"

namespace orvo::recorder {

enum class VoiceMode { SkipSilence, FilePerSegment };

struct VoiceSettings {
    VoiceTrigger trigger;  // trigger.on: voice-activated recording is on
    VoiceMode mode = VoiceMode::SkipSilence;
};

VoiceSettings LoadVoiceSettings();
void StoreVoiceSettings(const VoiceSettings& settings);

// The window's three fields (dBFS, seconds, seconds) into trigger: "" when
// they hold numbers it can use, else what is wrong, in the user's words.
std::wstring ParseVoiceFields(const std::wstring& thresholdDb, const std::wstring& holdSeconds,
                              const std::wstring& preRollSeconds, VoiceTrigger& trigger);
// A number of milliseconds as the fields show seconds ("2", "0.5").
std::wstring SecondsText(uint32_t milliseconds);

// The main window's status line during a take with the gate on.
inline constexpr wchar_t kStatusVoiceWaiting[] = L"声控录音已开启：等待声音...";
inline constexpr wchar_t kStatusVoiceOpen[] = L"正在录音...（声控）";

}  // namespace orvo::recorder
