#include "recorder/mp3/conversion_progress.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "recorder/program.h"
#include "base/failure.h"
#include "base/scoped.h"
#include "win/window.h"
#include "recorder/resource.h"

namespace orvo::recorder {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;  // wParam: share done in thousandths
constexpr UINT kDoneMessage = WM_APP + 2;
constexpr int kBarRange = 1000;
constexpr UINT_PTR kShowTimer = 1;
// Short jobs end before this and never flash a window at the user.
constexpr UINT kShowDelayMs = 400;

class ProgressWindow : public Window {
public:
    explicit ProgressWindow(std::atomic<bool>& cancel) : cancel_(cancel) {}

    bool Create(HWND owner, const std::wstring& caption) {
        int dpi = DpiOf(owner);
        auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
        RECT frame{0, 0, px(5400), px(1500)};
        DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
        int width = frame.right - frame.left, height = frame.bottom - frame.top;
        RECT area{};
        if (owner) GetWindowRect(owner, &area);
        else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        int x = area.left + (area.right - area.left - width) / 2;
        int y = area.top + (area.bottom - area.top - height) / 2;
        if (!CreateOf(L"OrvoConversionProgress", style, WS_EX_DLGMODALFRAME, kProgramTitle, x, y, width, height, owner))
            return false;
        font_.Reset(CreateFontW(-px(180), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg 2"));
        HINSTANCE instance = GetModuleHandleW(nullptr);
        HWND label = CreateWindowExW(0, L"STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE, px(180), px(150),
                                     px(5040), px(300), Hwnd(), nullptr, instance, nullptr);
        bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, px(180), px(540), px(5040), px(300),
                               Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CONVERT_PROGRESS)), instance,
                               nullptr);
        HWND cancel = CreateWindowExW(0, L"BUTTON", L"取消", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                      px(4020), px(1020), px(1200), px(375), Hwnd(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
        for (HWND h : {label, bar_, cancel})
            if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        SendMessageW(bar_, PBM_SETRANGE32, 0, kBarRange);
        return true;
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
            case kProgressMessage:
                SendMessageW(bar_, PBM_SETPOS, wParam, 0);
                return 0;
            case kDoneMessage:
                Destroy();
                return 0;
            case WM_TIMER:
                if (wParam == kShowTimer) {
                    KillTimer(Hwnd(), kShowTimer);
                    ShowWindow(Hwnd(), SW_SHOW);
                }
                return 0;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDCANCEL) OnCancel();
                return 0;
            case WM_CLOSE:  // the job must end before the window may go
                OnCancel();
                return 0;
        }
        return Default(msg, wParam, lParam);
    }

private:
    void OnCancel() {
        cancel_ = true;
        if (HWND button = GetDlgItem(Hwnd(), IDCANCEL)) EnableWindow(button, FALSE);
    }

    std::atomic<bool>& cancel_;
    HWND bar_ = nullptr;
    ScopedGdi<HFONT> font_;
};

}  // namespace

WorkOutcome RunWithProgress(HWND owner, const std::wstring& caption,
                            const std::function<void(const ConversionControl&)>& work) {
    std::atomic<bool> cancel{false};
    std::atomic<HWND> target{nullptr};
    std::atomic<int> lastShown{-1};
    WorkOutcome outcome;

    ConversionControl control;
    control.cancel = &cancel;
    control.progress = [&](double share) {
        int step = static_cast<int>(share * kBarRange);
        // Only changes are posted, so a fast job cannot flood the queue.
        if (lastShown.exchange(step) == step) return;
        if (HWND h = target.load()) PostMessageW(h, kProgressMessage, static_cast<WPARAM>(step), 0);
    };
    auto job = [&] {
        try {
            work(control);
        } catch (...) {
            outcome.ok = false;
            outcome.description = DescribeCurrentException();
            try {
                throw;
            } catch (const Failure& f) {
                outcome.code = f.Code();
            } catch (...) {
            }
        }
    };

    ProgressWindow window(cancel);
    if (!window.Create(owner, caption)) {
        // Without a window the job still runs; the owner just waits for it.
        job();
        return outcome;
    }
    target = window.Hwnd();
    std::thread worker([&] {
        job();
        PostMessageW(target.load(), kDoneMessage, 0, 0);
    });

    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    SetTimer(window.Hwnd(), kShowTimer, kShowDelayMs, nullptr);
    bool quit = false;
    int quitCode = 0;
    MSG m;
    while (window.Hwnd()) {
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            quitCode = got == 0 ? static_cast<int>(m.wParam) : 0;
            break;
        }
        if (!IsDialogMessageW(window.Hwnd(), &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (quit) cancel = true;  // the program is ending: stop the job
    worker.join();
    target = nullptr;
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    window.Destroy();
    if (quit) PostQuitMessage(quitCode);
    return outcome;
}

}  // namespace orvo::recorder
