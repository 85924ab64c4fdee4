// The browser control's safety features for the program that hosts the
// component. The control reads them per program name from the user's
// FeatureControl keys; the notifier turns on what it needs where the user
// has made no choice, and remembers under its own key what it wrote, so that
// unregistering takes back exactly that and nothing the user set.
#pragma once
#include <windows.h>

#include <string>

namespace orvo::notifier {

// Below HKEY_CURRENT_USER: the control's per-program features, and the
// notifier's record of the values it wrote there.
inline constexpr wchar_t kFeatureControlKey[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";
inline constexpr wchar_t kWrittenFeaturesKey[] = L"Software\\Orvo\\OrvoNotify\\WrittenFeatures";

// The features: local-machine lockdown, no zone elevation, the pop-up manager.
inline constexpr const wchar_t* kBrowserFeatures[] = {L"FEATURE_LOCALMACHINE_LOCKDOWN", L"FEATURE_ZONE_ELEVATION",
                                                      L"FEATURE_WEBOC_POPUPMANAGEMENT"};

// The file name of the program this process runs ("wscript.exe").
std::wstring HostProgramName();

// Turns the features on for this process, and for the program under its
// name where no value is there yet (DWORD 1, noted as written).
void EnableBrowserFeatures(const std::wstring& programName);

// Removes the values the notifier noted as written (only while they are
// still its 1) and its notes.
void RemoveWrittenBrowserFeatures();

}  // namespace orvo::notifier
