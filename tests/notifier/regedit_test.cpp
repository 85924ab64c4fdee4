// The registry helpers against the real registry, in a scratch key under
// HKEY_CURRENT_USER (and the settings key under HKEY_LOCAL_MACHINE, restored).
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "notifier/mod_notify.h"
#include "notifier/mod_regedit.h"
#include "tests/notifier/notifier_test_support.h"
#include "base/scoped.h"

namespace orvo::test {
namespace {

using namespace orvo::notifier;

const wchar_t kScratch[] = L"Software\\Orvo\\NotifierTestScratch";

class RegistryHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.Put(),
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(RegSetValueExW(key_.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }
    void SetText(const wchar_t* name, DWORD type, const std::wstring& text) {
        SetRaw(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring Read(const wchar_t* name) { return ReadRegValue(kHkeyCurrentUser, kScratch, name); }

    ScopedRegKey key_;
};

TEST_F(RegistryHelpers, EachTypeReadsAsText) {
    SetText(L"sz", REG_SZ, L"  维莫拉 soft ");
    SetText(L"expand", REG_EXPAND_SZ, L"%WINDIR%\\readme.txt");
    DWORD number = 4000000000u;
    SetRaw(L"dword", REG_DWORD, &number, sizeof(number));
    DWORD zero = 0;
    SetRaw(L"zero", REG_DWORD, &zero, sizeof(zero));
    BYTE binary[] = {'a', 'b', 0};
    SetRaw(L"binary", REG_BINARY, binary, sizeof(binary));
    SetRaw(L"multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));
    SetRaw(L"none", REG_NONE, L"x", 2 * sizeof(wchar_t));
    ULONGLONG big = 7;
    SetRaw(L"qword", REG_QWORD, &big, sizeof(big));
    SetRaw(L"embedded", REG_SZ, L"ab\0cd", 6 * sizeof(wchar_t));

    EXPECT_EQ(Read(L"sz"), L"  维莫拉 soft ");
    EXPECT_EQ(Read(L"expand"), L"%WINDIR%\\readme.txt");  // not expanded
    EXPECT_EQ(Read(L"dword"), L"4000000000");
    EXPECT_EQ(Read(L"zero"), L"0");
    EXPECT_EQ(Read(L"binary"), L"");
    EXPECT_EQ(Read(L"multi"), L"");
    EXPECT_EQ(Read(L"none"), L"");
    EXPECT_EQ(Read(L"qword"), L"");
    EXPECT_EQ(Read(L"embedded"), L"ab");  // up to the first zero
}

TEST_F(RegistryHelpers, MissingKeyOrValueReadsEmpty) {
    EXPECT_EQ(Read(L"absent"), L"");
    EXPECT_EQ(ReadRegValue(kHkeyCurrentUser, std::wstring(kScratch) + L"\\NoSuchKey", L"sz"), L"");
    EXPECT_EQ(ReadRegValue(0x80000099u, kScratch, L"sz"), L"");
}

TEST_F(RegistryHelpers, ValuesOf1024BytesOrMoreCannotBeRead) {
    SetText(L"fits", REG_SZ, std::wstring(1023, L'x'));
    SetText(L"full", REG_SZ, std::wstring(1024, L'x'));
    SetText(L"long", REG_SZ, std::wstring(5000, L'x'));
    SetText(L"expandFull", REG_EXPAND_SZ, std::wstring(1024, L'y'));
    EXPECT_EQ(Read(L"fits"), std::wstring(1023, L'x'));
    EXPECT_EQ(Read(L"full"), L"");
    EXPECT_EQ(Read(L"long"), L"");
    EXPECT_EQ(Read(L"expandFull"), L"");
}

TEST_F(RegistryHelpers, WriteStoresTextAndTurnsEmptyIntoOneSpace) {
    std::wstring text = L"1";
    EXPECT_TRUE(WriteRegString(kHkeyCurrentUser, kScratch, L"hide", text));
    EXPECT_EQ(Read(L"hide"), L"1");

    std::wstring empty;
    EXPECT_TRUE(WriteRegString(kHkeyCurrentUser, kScratch, L"blank", empty));
    EXPECT_EQ(empty, L" ");
    EXPECT_EQ(Read(L"blank"), L" ");
    DWORD type = 0;
    wchar_t data[8] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(RegQueryValueExW(key_.Get(), L"blank", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, L" ");

    // The key is made when it is not there yet.
    std::wstring chinese = L"欧沃 录音机";
    std::wstring deeper = std::wstring(kScratch) + L"\\Made\\Here";
    EXPECT_TRUE(WriteRegString(kHkeyCurrentUser, deeper, L"name", chinese));
    EXPECT_EQ(ReadRegValue(kHkeyCurrentUser, deeper, L"name"), chinese);

    std::wstring any = L"x";
    EXPECT_FALSE(WriteRegString(0x80000099u, kScratch, L"name", any));
}

// A key the user may only read is read all the same; only writes fail.
TEST_F(RegistryHelpers, KeyWithoutWriteRightsIsReadButRefusesWrites) {
    SetText(L"sz", REG_SZ, L"visible");
    std::wstring locked = std::wstring(kScratch) + L"\\ReadOnly";
    ScopedRegKey lockedKey;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              lockedKey.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(lockedKey.Get(), L"sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"kept"),
                             5 * sizeof(wchar_t)),
              ERROR_SUCCESS);

    // Everyone may read the key, nobody may change it.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd,
                                                                     nullptr));
    LSTATUS rc = RegSetKeySecurity(lockedKey.Get(), DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    lockedKey.Reset();

    ScopedRegKey readable;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_READ, readable.Put()), ERROR_SUCCESS);
    EXPECT_EQ(ReadRegValue(kHkeyCurrentUser, locked, L"sz"), L"kept");
    std::wstring text = L"1";
    EXPECT_FALSE(WriteRegString(kHkeyCurrentUser, locked, L"sz", text));
    readable.Reset();

    // Give the rights back so the scratch key can be removed.
    ScopedRegKey owner;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC, owner.Put()) == ERROR_SUCCESS) {
        PSECURITY_DESCRIPTOR open = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr);
        RegSetKeySecurity(owner.Get(), DACL_SECURITY_INFORMATION, open);
        LocalFree(open);
    }
    EXPECT_EQ(Read(L"sz"), L"visible");
}

TEST(RegistryHelpersMachine, SettingsKeyUnderLocalMachineRoundTrips) {
    SettingsGuard guard;
    std::wstring one = L"1";
    ASSERT_TRUE(WriteRegString(kHkeyLocalMachine, kSettingsKey, kHideWindowValue, one));
    EXPECT_EQ(ReadRegValue(kHkeyLocalMachine, kSettingsKey, kHideWindowValue), L"1");
    ScopedRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.Put()), ERROR_SUCCESS);
    wchar_t data[8] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(RegQueryValueExW(key.Get(), kHideWindowValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, L"1");
}

}  // namespace
}  // namespace orvo::test
