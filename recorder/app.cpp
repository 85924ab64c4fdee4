#include "recorder/app.h"

#include <windows.h>

#include "recorder/main_window/frm_main.h"
#include "win/window.h"

namespace orvo::recorder {

int RunRecorder(int show) {
    FrmMain window;
    // The load and the leftover offer run from the loop, once the window shows.
    if (!window.CreateAndShow(show)) return 1;
    window.SetQuitOnDestroy(true);
    return RunMessageLoop(window.Hwnd(), window.Accelerators());
}

}  // namespace orvo::recorder
