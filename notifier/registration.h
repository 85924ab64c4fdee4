// Self-registration of the COM server: ProgID, class, interface and type
// library, all under HKEY_CLASSES_ROOT.
#pragma once
#include <windows.h>

#include <string>

namespace orvo::notifier {

// Registers the server whose DLL lies at modulePath (its type library is read
// from the same file).
HRESULT RegisterServer(const std::wstring& modulePath);
// Removes every key RegisterServer wrote; succeeds when nothing was there.
// The ProgID, which both bitnesses share, stays while the other registry view
// still registers the class.
HRESULT UnregisterServer(const std::wstring& modulePath);
// True when the other bitness's registry view holds the class's server key.
bool OtherViewRegistersClass();

// Registry paths below HKEY_CLASSES_ROOT, for checking what is registered.
std::wstring ClsidKeyPath();
std::wstring InterfaceKeyPath();
std::wstring TypeLibKeyPath();

}  // namespace orvo::notifier
