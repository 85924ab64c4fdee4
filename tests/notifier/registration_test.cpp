// Registering and unregistering the server: a round trip leaves every key it
// touched, in both registry views, as it found it.
#include "notifier/registration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "notifier/mod_notify.h"
#include "tests/notifier/notifier_test_support.h"

namespace orvo::test {
namespace {

using namespace orvo::notifier;
using Tree = std::map<std::wstring, std::wstring>;  // "view|path|value" -> "type:data"

// The flag of each registry view; a single 0 where there is only one.
std::vector<REGSAM> Views() {
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64))
        return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

REGSAM OtherView() { return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

void Dump(REGSAM view, const std::wstring& path, Tree& tree) {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS) return;
    const std::wstring prefix = std::to_wstring(view) + L"|" + path + L"|";
    tree[prefix] = L"key";
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512, type = 0;
        BYTE data[4096];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        tree[prefix + name] = std::to_wstring(type) + L":" +
                              std::wstring(reinterpret_cast<wchar_t*>(data), size / sizeof(wchar_t));
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name, length);
    }
    for (const std::wstring& sub : subkeys) Dump(view, path + L"\\" + sub, tree);
}

// Everything registration writes or might write, in every view.
Tree Snapshot() {
    Tree tree;
    for (REGSAM view : Views())
        for (const std::wstring& path : {std::wstring(kProgId), ClsidKeyPath(), InterfaceKeyPath(), TypeLibKeyPath()})
            Dump(view, path, tree);
    return tree;
}

std::string Differences(const Tree& before, const Tree& after) {
    std::string out;
    auto line = [&](const char* sign, const std::wstring& k, const std::wstring& v) {
        out += std::string(sign) + std::string(k.begin(), k.end()) + " = " + std::string(v.begin(), v.end()) + "\n";
    };
    for (const auto& [k, v] : before) {
        auto it = after.find(k);
        if (it == after.end() || it->second != v) line("- ", k, v);
    }
    for (const auto& [k, v] : after) {
        auto it = before.find(k);
        if (it == before.end() || it->second != v) line("+ ", k, v);
    }
    return out;
}

void SetIn(REGSAM view, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    ScopedRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The other build's registration, as it leaves it in its view and in the
// keys both share.
void RegisterOtherBuild() {
    const REGSAM view = OtherView();
    const std::wstring dll = L"C:\\Other\\OrvoVMNotify.dll";
    const std::wstring clsid = ClsidKeyPath().substr(6), libid = TypeLibKeyPath().substr(8);
    const wchar_t* platform = sizeof(void*) == 8 ? L"\\72.0\\0\\win32" : L"\\72.0\\0\\win64";
    SetIn(view, kProgId, nullptr, kProgId);
    SetIn(view, std::wstring(kProgId) + L"\\Clsid", nullptr, clsid);
    SetIn(view, ClsidKeyPath(), nullptr, kProgId);
    SetIn(view, ClsidKeyPath() + L"\\InprocServer32", nullptr, dll);
    SetIn(view, ClsidKeyPath() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    SetIn(view, InterfaceKeyPath(), nullptr, L"_CNotify");
    SetIn(view, InterfaceKeyPath() + L"\\ProxyStubClsid32", nullptr, L"{00020424-0000-0000-C000-000000000046}");
    SetIn(view, InterfaceKeyPath() + L"\\ProxyStubClsid", nullptr, L"{00020424-0000-0000-C000-000000000046}");
    SetIn(view, InterfaceKeyPath() + L"\\TypeLib", nullptr, libid);
    SetIn(view, InterfaceKeyPath() + L"\\TypeLib", L"Version", L"72.0");
    SetIn(view, TypeLibKeyPath() + L"\\72.0", nullptr, L"OrvoVMNotify");
    SetIn(view, TypeLibKeyPath() + L"\\72.0\\FLAGS", nullptr, L"8");  // FHASDISKIMAGE
    SetIn(view, TypeLibKeyPath() + L"\\72.0\\HELPDIR", nullptr, L"C:\\Other");
    SetIn(view, TypeLibKeyPath() + platform, nullptr, dll);
}

void RemoveEverything() {
    for (REGSAM view : Views()) {
        RegDeleteKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\Clsid").c_str(), view, 0);
        RegDeleteKeyExW(HKEY_CLASSES_ROOT, kProgId, view, 0);
        for (const std::wstring& path : {ClsidKeyPath(), InterfaceKeyPath(), TypeLibKeyPath()}) {
            size_t cut = path.find(L'\\');
            ScopedRegKey parent;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.substr(0, cut).c_str(), 0, KEY_ALL_ACCESS | view,
                              parent.Put()) == ERROR_SUCCESS)
                RegDeleteTreeW(parent.Get(), path.substr(cut + 1).c_str());
        }
    }
}

class RegistrationRoundTrip : public testing::Test {
protected:
    // The suite's other tests find the server registered, as they left it.
    void TearDown() override {
        RemoveEverything();
        EnsureRegistered();
    }
    void ExpectRoundTripLeavesEverything() {
        const Tree before = Snapshot();
        ASSERT_EQ(RegisterServer(NotifierDllPath()), S_OK);
        const Tree registered = Snapshot();
        EXPECT_NE(Differences(before, registered), "") << "registration wrote nothing";
        EXPECT_EQ(UnregisterServer(NotifierDllPath()), S_OK);
        EXPECT_EQ(Differences(before, Snapshot()), "");
    }
};

TEST_F(RegistrationRoundTrip, OnACleanMachineLeavesNothingInEitherView) {
    RemoveEverything();
    ASSERT_EQ(Snapshot().size(), 0u);
    ExpectRoundTripLeavesEverything();
}

TEST_F(RegistrationRoundTrip, KeepsWhatTheOtherBuildRegisteredInItsViewAndTheSharedKeys) {
    if (Views().size() < 2) GTEST_SKIP() << "a system with one registry view";
    RemoveEverything();
    RegisterOtherBuild();
    ExpectRoundTripLeavesEverything();
}

}  // namespace
}  // namespace orvo::test
