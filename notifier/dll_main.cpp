// The four entry points of the in-process server.
#include <windows.h>
#include <olectl.h>

#include "notifier/mod_notify.h"
#include "notifier/notify_class.h"
#include "notifier/registration.h"
#include "base/failure.h"
#include "base/system_folders.h"

using namespace orvo::notifier;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // The host's folder is searched first for a DLL by bare name: the
        // ones this module imports delay-loaded come from the system folder.
        orvo::LoadDelayedImportsFromSystemFolder();
        ModuleAttach();
        break;
    case DLL_THREAD_DETACH:
        ForgetThisThread();
        break;
    case DLL_PROCESS_DETACH:
        // At process exit the system reclaims everything; only an explicit
        // unload has to give back the slot and the window classes.
        if (!reserved) ModuleDetach();
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ModuleMayUnload() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    return GetNotifyClassObject(clsid, riid, out);
}

// Neither lets a failure cross the export: one that throws (the module's
// path unknown, memory short) is reported as a failed registration.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    HRESULT hr = SELFREG_E_CLASS;
    orvo::Resume([&] { hr = RegisterServer(ModulePath()); });
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    HRESULT hr = SELFREG_E_CLASS;
    orvo::Resume([&] { hr = UnregisterServer(ModulePath()); });
    return hr;
}
