#include "recorder/app.h"

#include <windows.h>

#include "recorder/main_window/frm_main.h"
#include "win/window.h"

namespace orvo::recorder {

int RunRecorder(int show) {
    FrmMain window;
    if (!window.Create()) return 1;
    window.SetQuitOnDestroy(true);
    ShowWindow(window.Hwnd(), show);
    UpdateWindow(window.Hwnd());
    window.OfferLeftoverRecordings();
    return RunMessageLoop(window.Hwnd(), window.Accelerators());
}

}  // namespace orvo::recorder
