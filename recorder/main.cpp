// OrvoRecord: the program starts by loading and showing its main window;
// everything else happens in that window's handlers.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/system_folders.h"
#include "recorder/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    // Before anything loads a DLL by name.
    orvo::LimitDllSearchToSystemFolder();
    orvo::LoadDelayedImportsFromSystemFolder();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    int rc = orvo::recorder::RunRecorder(show);
    OleUninitialize();
    return rc;
}
