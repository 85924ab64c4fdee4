// The recorder's own settings of the current user: text values under
// HKEY_CURRENT_USER\Software\Orvo\OrvoRecord.
#pragma once
#include <string>

namespace orvo {

inline constexpr wchar_t kRecorderSettingsKey[] = L"Software\\Orvo\\OrvoRecord";

// The value as stored; empty when there is none or it is not text.
std::wstring ReadUserSetting(const wchar_t* name);
// True when the value was written.
bool WriteUserSetting(const wchar_t* name, const std::wstring& text);

}  // namespace orvo
