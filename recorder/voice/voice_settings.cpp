#include "recorder/voice/voice_settings.h"

#include <cmath>
#include <cwchar>

#include "base/user_settings.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kThresholdValue[] = L"VoiceThreshold";
constexpr wchar_t kHoldValue[] = L"VoiceHoldMs";
constexpr wchar_t kPreRollValue[] = L"VoicePreRollMs";
constexpr wchar_t kModeValue[] = L"VoiceMode";
constexpr double kLowestThresholdDb = -60;
constexpr double kLongestHoldSeconds = 600;

// The whole text as a number; false for anything else.
bool Number(const std::wstring& text, double& value) {
    const wchar_t* start = text.c_str();
    while (*start == L' ') ++start;
    wchar_t* end = nullptr;
    value = std::wcstod(start, &end);
    if (end == start || !std::isfinite(value)) return false;
    while (*end == L' ') ++end;
    return *end == 0;
}

}  // namespace

VoiceSettings LoadVoiceSettings() {
    VoiceSettings s;
    double v;
    if (Number(ReadUserSetting(kThresholdValue), v) && v >= kLowestThresholdDb && v <= 0) s.trigger.thresholdDb = v;
    if (Number(ReadUserSetting(kHoldValue), v) && v > 0 && v <= kLongestHoldSeconds * 1000)
        s.trigger.holdMs = static_cast<uint32_t>(v);
    if (Number(ReadUserSetting(kPreRollValue), v) && v >= 0 && v <= VoiceTrigger::kMaxPreRollMs)
        s.trigger.preRollMs = static_cast<uint32_t>(v);
    if (ReadUserSetting(kModeValue) == L"files") s.mode = VoiceMode::FilePerSegment;
    return s;
}

void StoreVoiceSettings(const VoiceSettings& s) {
    wchar_t db[32];
    swprintf(db, 32, L"%g", s.trigger.thresholdDb);
    WriteUserSetting(kThresholdValue, db);
    WriteUserSetting(kHoldValue, std::to_wstring(s.trigger.holdMs));
    WriteUserSetting(kPreRollValue, std::to_wstring(s.trigger.preRollMs));
    WriteUserSetting(kModeValue, s.mode == VoiceMode::FilePerSegment ? L"files" : L"one");
}

std::wstring ParseVoiceFields(const std::wstring& thresholdDb, const std::wstring& holdSeconds,
                              const std::wstring& preRollSeconds, VoiceTrigger& trigger) {
    double db, hold, preRoll;
    if (!Number(thresholdDb, db) || db < kLowestThresholdDb || db > 0)
        return L"触发音量应是 -60 到 0 之间的数（dBFS）。";
    if (!Number(holdSeconds, hold) || hold <= 0 || hold > kLongestHoldSeconds)
        return L"静音等待时间应是大于 0、不超过 600 的秒数。";
    if (!Number(preRollSeconds, preRoll) || preRoll < 0 || preRoll > VoiceTrigger::kMaxPreRollMs / 1000.0)
        return L"提前保留时间应是 0 到 30 之间的秒数。";
    trigger.thresholdDb = db;
    trigger.holdMs = static_cast<uint32_t>(std::lround(hold * 1000));
    trigger.preRollMs = static_cast<uint32_t>(std::lround(preRoll * 1000));
    return {};
}

std::wstring SecondsText(uint32_t ms) {
    wchar_t text[32];
    swprintf(text, 32, L"%g", ms / 1000.0);
    return text;
}

}  // namespace orvo::recorder
