#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "recorder/jobs/job_progress.h"
#include "base/failure.h"
#include "tests/support/window_checks.h"
#include "recorder/resource.h"
#include "win/window.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace {

// While the job runs on its worker, the calling thread keeps dispatching:
// the job waits for a timer of this thread, which a frozen thread never runs.
std::atomic<bool> g_timerRan{false};
void CALLBACK MarkTimer(HWND, UINT, UINT_PTR, DWORD) { g_timerRan = true; }

TEST(ProgressRunner, KeepsTheWindowAliveAndReturnsTheJobsOutcome) {
    g_timerRan = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &MarkTimer);
    bool sawTimer = false;
    WorkOutcome ok = RunWithProgress(nullptr, L"测试", [&](const JobControl& control) {
        for (int i = 0; i < 250 && !g_timerRan; ++i) {
            control.progress(i / 250.0);
            Sleep(20);
        }
        sawTimer = g_timerRan;
    });
    KillTimer(nullptr, timer);
    EXPECT_TRUE(ok.ok);
    EXPECT_TRUE(sawTimer);

    WorkOutcome failed = RunWithProgress(nullptr, L"测试", [](const JobControl&) { Fail(L"磁盘已满", 112); });
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.description, L"磁盘已满");
    EXPECT_EQ(failed.code, 112);
}

// The progress window at the prefix's scale and after a move to another,
// looked at from the job while the window's loop runs.
TEST(ProgressRunner, FitsAtTheScaleAndFollowsANewScale) {
    WorkOutcome outcome = RunWithProgress(nullptr, L"正在转换", [&](const JobControl&) {
        HWND w = nullptr;
        for (int i = 0; i < 250 && !(w && IsWindowVisible(w)); ++i) {
            w = FindWindowW(L"OrvoConversionProgress", nullptr);
            Sleep(20);
        }
        ASSERT_TRUE(w && IsWindowVisible(w));
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        int dpi = static_cast<int>(Window::FromHandle(w) ? Window::FromHandle(w)->Dpi() : DpiOf(w));
        orvo::test::ExpectPrefixDpi(dpi);
        orvo::test::ExpectTidy(w, L"progress");
        orvo::test::ExpectNamed(w, L"progress");
        int to = orvo::test::OtherDpi(dpi);
        orvo::test::ExpectTakesNewDpi(w, dpi, to);
        orvo::test::ExpectAt(GetDlgItem(w, IDC_CONVERT_PROGRESS), {180, 540, 5040, 300}, to);
        orvo::test::ExpectAt(GetDlgItem(w, IDCANCEL), {4020, 1020, 1200, 375}, to);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(w, IDCANCEL), WM_GETFONT, 0, 0)), DialogFont(to));
        CoUninitialize();
    });
    EXPECT_TRUE(outcome.ok);
}

// Closing the progress window asks the job to stop; the window stays until it has.
TEST(ProgressRunner, ClosingTheWindowCancelsTheJob) {
    std::atomic<bool> stopped{false};
    std::thread closer([] {
        for (int i = 0; i < 200; ++i) {
            if (HWND w = FindWindowW(L"OrvoConversionProgress", nullptr)) {
                PostMessageW(w, WM_CLOSE, 0, 0);
                return;
            }
            Sleep(20);
        }
    });
    WorkOutcome outcome = RunWithProgress(nullptr, L"测试", [&](const JobControl& control) {
        for (int i = 0; i < 500 && !control.cancel->load(); ++i) Sleep(10);
        stopped = control.cancel->load();
    });
    closer.join();
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(FindWindowW(L"OrvoConversionProgress", nullptr), nullptr);
}

}  // namespace
}  // namespace orvo::recorder
