#include "main_window/app.h"

#include <windows.h>

#include "platform/window.h"
#include "resource.h"

namespace orvo::recorder {
namespace {

// Stands in for the main window until the window itself is built.
class BareMainWindow : public Window {
public:
    bool Create() {
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ORVORECORD));
        return CreateOf(L"OrvoRecordMain", WS_OVERLAPPEDWINDOW, 0, L"欧沃录音机", CW_USEDEFAULT, CW_USEDEFAULT, 400,
                        200, nullptr, nullptr, icon);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return Default(msg, wParam, lParam);
    }
};

}  // namespace

int RunRecorder(int show) {
    BareMainWindow window;
    if (!window.Create()) return 1;
    ShowWindow(window.Hwnd(), show);
    return RunMessageLoop(nullptr, nullptr);
}

}  // namespace orvo::recorder
