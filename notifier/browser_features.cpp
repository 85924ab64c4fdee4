#include "notifier/browser_features.h"

#include <urlmon.h>

#include <vector>

#include "base/path.h"
#include "base/scoped.h"
#include "win/window_tools.h"

namespace orvo::notifier {
namespace {

constexpr DWORD kOn = 1;

std::wstring FeatureKey(const wchar_t* feature) { return std::wstring(kFeatureControlKey) + L"\\" + feature; }
std::wstring NoteKey(const wchar_t* feature) { return std::wstring(kWrittenFeaturesKey) + L"\\" + feature; }

bool SetDword(const std::wstring& keyPath, const std::wstring& name, DWORD value) {
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

// The value, or nothing when missing; any other type counts as present.
bool ReadDword(const std::wstring& keyPath, const std::wstring& name, bool* present, DWORD* value) {
    DWORD type = REG_NONE, size = sizeof(*value);
    *value = 0;
    LSTATUS rc = RegGetValueW(HKEY_CURRENT_USER, keyPath.c_str(), name.c_str(), RRF_RT_ANY, &type, value, &size);
    *present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    return *present && type == REG_DWORD && size == sizeof(*value);
}

// The names of a key's values.
std::vector<std::wstring> ValueNames(const std::wstring& keyPath) {
    std::vector<std::wstring> names;
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// Removes the key when nothing is left in it.
void DeleteIfEmpty(const std::wstring& keyPath) {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    key.Reset();
    if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
}

}  // namespace

std::wstring HostProgramName() { return FileNameOf(orvo::ModulePath(nullptr)); }

void EnableBrowserFeatures(const std::wstring& programName) {
    // This process reads its features once; the per-program values serve
    // the next start of the same program.
    for (INTERNETFEATURELIST feature : {FEATURE_LOCALMACHINE_LOCKDOWN, FEATURE_ZONE_ELEVATION,
                                        FEATURE_WEBOC_POPUPMANAGEMENT})
        CoInternetSetFeatureEnabled(feature, SET_FEATURE_ON_PROCESS, TRUE);
    if (programName.empty()) return;
    for (const wchar_t* feature : kBrowserFeatures) {
        bool present = false;
        DWORD value = 0;
        ReadDword(FeatureKey(feature), programName, &present, &value);
        if (present) continue;  // the user's or an administrator's choice
        // Noted first: a value written without its note would stay for ever.
        if (SetDword(NoteKey(feature), programName, kOn) && !SetDword(FeatureKey(feature), programName, kOn))
            RegDeleteKeyValueW(HKEY_CURRENT_USER, NoteKey(feature).c_str(), programName.c_str());
    }
}

void RemoveWrittenBrowserFeatures() {
    for (const wchar_t* feature : kBrowserFeatures) {
        for (const std::wstring& program : ValueNames(NoteKey(feature))) {
            bool present = false;
            DWORD value = 0;
            // A value changed since is the user's now.
            if (ReadDword(FeatureKey(feature), program, &present, &value) && value == kOn)
                RegDeleteKeyValueW(HKEY_CURRENT_USER, FeatureKey(feature).c_str(), program.c_str());
            RegDeleteKeyValueW(HKEY_CURRENT_USER, NoteKey(feature).c_str(), program.c_str());
        }
        // The feature's own key stays: others keep their programs there.
        DeleteIfEmpty(NoteKey(feature));
    }
    DeleteIfEmpty(kWrittenFeaturesKey);
}

}  // namespace orvo::notifier
