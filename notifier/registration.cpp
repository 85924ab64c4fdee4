#include "notifier/registration.h"

#include <olectl.h>

#include <cstdio>

#include "notifier/browser_features.h"
#include "notifier/mod_notify.h"
#include "notifier/notify_class.h"
#include "base/scoped.h"

namespace orvo::notifier {

namespace {

constexpr WORD kLibMajor = 114;
constexpr WORD kLibMinor = 0;

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// Sets the named value (nullptr for the default one) of a key it creates.
bool SetString(const std::wstring& keyPath, const wchar_t* name, const std::wstring& value, REGSAM view = 0) {
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view,
                        nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Deletes the key and everything below it in the given view (0: this
// process's own).
bool DeleteTree(const std::wstring& keyPath, REGSAM view = 0) {
    size_t cut = keyPath.rfind(L'\\');
    ScopedRegKey parent;
    if (cut != std::wstring::npos) {
        LSTATUS rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.substr(0, cut).c_str(), 0, KEY_ALL_ACCESS | view,
                                   parent.Put());
        if (rc == ERROR_FILE_NOT_FOUND) return true;
        if (rc != ERROR_SUCCESS) return false;
    }
    LSTATUS rc = RegDeleteTreeW(parent ? parent.Get() : HKEY_CLASSES_ROOT,
                                cut == std::wstring::npos ? keyPath.c_str() : keyPath.c_str() + cut + 1);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(const std::wstring& keyPath, REGSAM view = 0) {
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

bool KeyHasSubkeys(const std::wstring& keyPath) {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return true;
    return subkeys != 0;
}

// Deletes the key when it exists and has no subkeys left.
bool DeleteIfNoSubkeys(const std::wstring& keyPath) {
    if (!KeyExists(keyPath) || KeyHasSubkeys(keyPath)) return true;
    return DeleteTree(keyPath);
}

std::wstring ProgIdKeyPath() { return kProgId; }

// 64-bit Windows keeps the class keys of 32-bit and 64-bit servers in two
// registry views but the ProgID in one key both share. The other view's flag,
// or 0 on a system with a single view.
REGSAM OtherView() {
    if (sizeof(void*) == 8) return KEY_WOW64_32KEY;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
}

// The ProgID and the class it names, in the given view.
bool WriteProgId(REGSAM view = 0) {
    const std::wstring progId = ProgIdKeyPath();
    return SetString(progId, nullptr, progId, view) &&
           SetString(progId + L"\\Clsid", nullptr, GuidText(CLSID_CNotify), view);
}

}  // namespace

bool OtherViewRegistersClass() {
    REGSAM view = OtherView();
    if (!view) return false;
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, (ClsidKeyPath() + L"\\InprocServer32").c_str(), 0, KEY_READ | view,
                         key.Put()) == ERROR_SUCCESS;
}

std::wstring ClsidKeyPath() { return L"CLSID\\" + GuidText(CLSID_CNotify); }
std::wstring InterfaceKeyPath() { return L"Interface\\" + GuidText(IID__CNotify); }
std::wstring TypeLibKeyPath() { return L"TypeLib\\" + GuidText(LIBID_OrvoVMNotify); }

HRESULT RegisterServer(const std::wstring& modulePath) {
    const std::wstring clsid = GuidText(CLSID_CNotify);
    const std::wstring progId = ProgIdKeyPath();
    const std::wstring classKey = ClsidKeyPath();
    bool ok = WriteProgId() &&
              SetString(classKey, nullptr, progId) &&
              SetString(classKey + L"\\InprocServer32", nullptr, modulePath) &&
              SetString(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetString(classKey + L"\\ProgID", nullptr, progId) &&
              SetString(classKey + L"\\VERSION", nullptr, L"114.0") &&
              SetString(classKey + L"\\TypeLib", nullptr, GuidText(LIBID_OrvoVMNotify)) &&
              SetString(classKey + L"\\Programmable", nullptr, L"");
    if (!ok) {
        UnregisterServer(modulePath);
        return SELFREG_E_CLASS;
    }

    // The type library registers the interface too (dual, marshalled by the
    // automation marshaller).
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.Put());
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.Get(), const_cast<OLECHAR*>(modulePath.c_str()), nullptr);
    if (FAILED(hr)) {
        UnregisterServer(modulePath);
        return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

HRESULT UnregisterServer(const std::wstring& modulePath) {
    SYSKIND syskind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.Put()))) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(library->GetLibAttr(&attr))) {
            syskind = attr->syskind;
            library->ReleaseTLibAttr(attr);
        }
    }
    // The keys are taken away by hand rather than by UnRegisterTypeLib,
    // which also drops the interface from the other registry view, where the
    // other build may still need it.
    const REGSAM other = OtherView();
    const bool otherNeedsItsKeys = OtherViewRegistersClass();

    // The library key is shared by the 32-bit and 64-bit builds (one key for
    // both views on 64-bit Windows): only this platform's entry is removed,
    // and the version and library keys once no platform is left. Version
    // keys of type libraries are written in hexadecimal.
    wchar_t version[16];
    swprintf(version, 16, L"%x.%x", kLibMajor, kLibMinor);
    const std::wstring versionKey = TypeLibKeyPath() + L"\\" + version;
    bool ok = DeleteTree(versionKey + (syskind == SYS_WIN64 ? L"\\0\\win64" : L"\\0\\win32"));
    ok = DeleteIfNoSubkeys(versionKey + L"\\0") && ok;
    if (!KeyExists(versionKey + L"\\0")) ok = DeleteTree(versionKey) && ok;
    ok = DeleteIfNoSubkeys(TypeLibKeyPath()) && ok;

    // The type library's registration writes the interface into both views.
    ok = DeleteTree(InterfaceKeyPath()) && ok;
    if (other && !otherNeedsItsKeys) ok = DeleteTree(InterfaceKeyPath(), other) && ok;
    ok = DeleteTree(ClsidKeyPath()) && ok;

    // The ProgID leads the other build's clients to its class too. Windows
    // keeps one ProgID key for both views and Wine one per view: this view's
    // goes, and where that took the other's with it, the other's comes back.
    ok = DeleteTree(ProgIdKeyPath()) && ok;
    if (otherNeedsItsKeys && !KeyExists(ProgIdKeyPath() + L"\\Clsid", other))
        ok = WriteProgId(other) && ok;

    RemoveWrittenBrowserFeatures();
    return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace orvo::notifier
