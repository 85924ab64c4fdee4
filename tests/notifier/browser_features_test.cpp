#include "notifier/browser_features.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/scoped.h"

namespace orvo::notifier {
namespace {

constexpr wchar_t kProgram[] = L"orvo-feature-probe.exe";

std::wstring FeatureKey(const wchar_t* feature) { return std::wstring(kFeatureControlKey) + L"\\" + feature; }

std::optional<DWORD> Feature(const wchar_t* feature) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, FeatureKey(feature).c_str(), kProgram, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void SetFeature(const wchar_t* feature, DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, FeatureKey(feature).c_str(), kProgram, REG_DWORD, &value,
                              sizeof(value)),
              ERROR_SUCCESS);
}

bool NotesLeft() {
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, kWrittenFeaturesKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

class BrowserFeatures : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (const wchar_t* feature : kBrowserFeatures)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, FeatureKey(feature).c_str(), kProgram);
        RegDeleteTreeW(HKEY_CURRENT_USER, kWrittenFeaturesKey);
    }
};

TEST_F(BrowserFeatures, AreTurnedOnForTheHostProgramAndTakenBackWhenUnregistering) {
    EXPECT_EQ(HostProgramName(), L"test_notifier.exe");
    EnableBrowserFeatures(kProgram);
    for (const wchar_t* feature : kBrowserFeatures) EXPECT_EQ(Feature(feature), 1u);
    RemoveWrittenBrowserFeatures();
    for (const wchar_t* feature : kBrowserFeatures) EXPECT_EQ(Feature(feature), std::nullopt);
    EXPECT_FALSE(NotesLeft());
}

TEST_F(BrowserFeatures, WhatTheUserSetIsNeitherChangedNorRemoved) {
    SetFeature(L"FEATURE_ZONE_ELEVATION", 0);
    EnableBrowserFeatures(kProgram);
    EXPECT_EQ(Feature(L"FEATURE_ZONE_ELEVATION"), 0u);
    EXPECT_EQ(Feature(L"FEATURE_LOCALMACHINE_LOCKDOWN"), 1u);
    // Changed by the user after the notifier wrote it: the user's now.
    SetFeature(L"FEATURE_WEBOC_POPUPMANAGEMENT", 0);
    // A second start finds the values there and notes nothing more.
    EnableBrowserFeatures(kProgram);
    RemoveWrittenBrowserFeatures();
    EXPECT_EQ(Feature(L"FEATURE_ZONE_ELEVATION"), 0u);
    EXPECT_EQ(Feature(L"FEATURE_WEBOC_POPUPMANAGEMENT"), 0u);
    EXPECT_EQ(Feature(L"FEATURE_LOCALMACHINE_LOCKDOWN"), std::nullopt);
    EXPECT_FALSE(NotesLeft());
}

}  // namespace
}  // namespace orvo::notifier
