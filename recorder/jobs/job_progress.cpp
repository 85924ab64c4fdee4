#include "recorder/jobs/job_progress.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "recorder/program.h"
#include "base/failure.h"
#include "base/scoped.h"
#include "win/controls.h"
#include "win/window.h"
#include "win/window_tools.h"
#include "recorder/resource.h"

namespace orvo::recorder {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;  // wParam: share done in thousandths
constexpr UINT kDoneMessage = WM_APP + 2;
constexpr int kBarRange = 1000;
// Short jobs end before this and never flash a window at the user.
constexpr UINT kShowDelayMs = 400;

class ProgressWindow : public Window {
public:
    explicit ProgressWindow(std::atomic<bool>& cancel) : cancel_(cancel) {}

    bool Create(HWND owner, const std::wstring& caption) {
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        int dpi = DpiOf(owner);
        RECT r = CentredFrame(owner, TwipsToPixels(5400, dpi), TwipsToPixels(1500, dpi), style, WS_EX_DLGMODALFRAME);
        if (!CreateOf(L"OrvoConversionProgress", style, WS_EX_DLGMODALFRAME, kProgramTitle, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, owner))
            return false;
        // Without its controls the window still stands for the job.
        Resume([&] { label_.Create(*this, caption, {180, 150, 5040, 300}); });
        Resume([&] {
            bar_.Create(*this, {180, 540, 5040, 300}, kBarRange, IDC_CONVERT_PROGRESS);
            SetAccessibleName(bar_.Hwnd(), caption);
        });
        // Its identifier takes Esc too, through the modal loop's dialog keys.
        Resume([&] {
            cancelButton_.Create(*this, L"取消", {4020, 1020, 1200, 375}, IDCANCEL, true);
            cancelButton_.OnClick([this] { OnCancel(); });
        });
        showTimer_.Create(*this, kShowDelayMs);
        showTimer_.OnTick([this] {
            showTimer_.SetEnabled(false);
            ShowWindow(Hwnd(), SW_SHOW);
        });
        return true;
    }

    // Shows the window only once the job has run for a moment.
    void ShowLater() {
        Resume([&] { showTimer_.SetEnabled(true); });
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
            case kProgressMessage:
                if (bar_.Created()) Resume([&] { bar_.SetValue(static_cast<int>(wParam)); });
                return 0;
            case kDoneMessage:
                Destroy();
                return 0;
            case WM_CLOSE:  // the job must end before the window may go
                OnCancel();
                return 0;
        }
        return Window::HandleMessage(msg, wParam, lParam);
    }

private:
    void OnCancel() {
        cancel_ = true;
        if (cancelButton_.Created()) Resume([&] { cancelButton_.SetEnabled(false); });
    }

    std::atomic<bool>& cancel_;
    Label label_;
    ProgressBar bar_;
    Button cancelButton_;
    Timer showTimer_;
};

// Runs the job, keeping its failure as the outcome instead of throwing it.
WorkOutcome RunJob(const std::function<void(const JobControl&)>& work, const JobControl& control) {
    WorkOutcome outcome;
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
    return outcome;
}

}  // namespace

WorkOutcome RunWithProgress(HWND owner, const std::wstring& caption,
                            const std::function<void(const JobControl&)>& work) {
    std::atomic<bool> cancel{false};
    std::atomic<HWND> target{nullptr};
    std::atomic<int> lastShown{-1};

    JobControl control;
    control.cancel = &cancel;
    control.progress = [&](double share) {
        int step = static_cast<int>(share * kBarRange);
        // Only changes are posted, so a fast job cannot flood the queue.
        if (lastShown.exchange(step) == step) return;
        if (HWND h = target.load()) PostMessageW(h, kProgressMessage, static_cast<WPARAM>(step), 0);
    };

    ProgressWindow window(cancel);
    // Without a window the job still runs; the owner just waits for it.
    if (!window.Create(owner, caption)) return RunJob(work, control);
    target = window.Hwnd();
    WorkOutcome outcome;
    std::thread worker([&] {
        outcome = RunJob(work, control);
        PostMessageW(target.load(), kDoneMessage, 0, 0);
    });
    window.ShowLater();
    // A WM_QUIT means the program is ending: stop the job. The loop posts the
    // quit again for the program's own loop.
    if (!window.RunModal(owner, false)) cancel = true;
    worker.join();
    target = nullptr;
    window.Destroy();
    return outcome;
}

}  // namespace orvo::recorder
