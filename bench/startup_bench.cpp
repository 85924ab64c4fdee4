// Times the recorder from process start to its main window painted on screen,
// against a bare Win32 window started the same way, and prints the ratio.
//
//   bench_startup.exe [runs] [recorder.exe]   default 9 runs of each, the
//                                             recorder beside this program
//   bench_startup.exe --bare-window           the bare window itself
//
// Both programs are started with CreateProcess and watched from outside by
// the same test, so neither carries any code for the measurement: the clock
// stops at the first poll that finds the program's top-level window visible
// with no update region left on it or on any visible window inside it, that
// is when every part of the first picture has been painted (a window that was
// shown is invalid until its WM_PAINT has run; BeginPaint validates it).
// WaitForInputIdle would stop at the first empty message queue instead, which
// says nothing about painting. The two programs alternate, so a slower or
// busier moment of the machine falls on both; the medians are compared, and
// the fastest starts.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "base/scoped.h"
#include "recorder/resource.h"

namespace {

constexpr wchar_t kBareClass[] = L"OrvoBenchBareWindow";
constexpr wchar_t kRecorderClass[] = L"OrvoRecordMain";
constexpr DWORD kGiveUpMs = 30000;

using orvo::bench::Now;

// --- The bare window -------------------------------------------------------

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            // The bench closes it once it has seen the paint; alone, it goes
            // by itself shortly after.
            SetTimer(hwnd, 1, 5000, nullptr);
            return 0;
        }
        case WM_TIMER:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

int RunBareWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kBareClass;
    if (!RegisterClassExW(&wc)) return 1;
    HWND hwnd = CreateWindowExW(0, kBareClass, L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}

// --- The watcher -----------------------------------------------------------

struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64];
    if (pid == s->pid && GetClassNameW(hwnd, name, 64) && wcscmp(name, s->className) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindUnpainted(HWND hwnd, LPARAM param) {
    if (IsWindowVisible(hwnd) && GetUpdateRect(hwnd, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

bool Painted(HWND hwnd) {
    if (!IsWindowVisible(hwnd) || GetUpdateRect(hwnd, nullptr, FALSE)) return false;
    bool unpainted = false;
    EnumChildWindows(hwnd, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

// Seconds from CreateProcess to the painted window, or a negative number when
// the program could not be started or never showed it.
double TimeToFirstPaint(const std::wstring& exe, const std::wstring& args, const wchar_t* className,
                        WPARAM exitCommand) {
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    std::wstring line = L"\"" + exe + L"\"" + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    double start = Now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return -1;
    orvo::ScopedHandle process(pi.hProcess), thread(pi.hThread);
    Search s{pi.dwProcessId, className, nullptr};
    double elapsed = -1;
    while (Now() - start < kGiveUpMs / 1000.0) {
        if (!s.found) EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&s));
        if (s.found && Painted(s.found)) {
            elapsed = Now() - start;
            break;
        }
        if (WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0) break;
    }
    // Ended as a user would end it, so the recorder leaves nothing behind for
    // the next start to find.
    if (s.found) {
        if (exitCommand)
            PostMessageW(s.found, WM_COMMAND, exitCommand, 0);
        else
            PostMessageW(s.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
    }
    return elapsed;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"--bare-window") == 0) return RunBareWindow();
    int runs = argc > 1 ? _wtoi(argv[1]) : 9;
    if (runs < 1) runs = 9;
    std::wstring self = OwnPath();
    std::wstring recorder =
        argc > 2 ? std::wstring(argv[2]) : self.substr(0, self.find_last_of(L"\\/") + 1) + L"OrvoRecord.exe";

    // One unmeasured start of each: the first start of a program reads its
    // files from the disk, the later ones from the cache, as a user's would.
    TimeToFirstPaint(self, L" --bare-window", kBareClass, 0);
    TimeToFirstPaint(recorder, L"", kRecorderClass, IDM_EXIT);

    std::vector<double> bare, rec;
    for (int i = 0; i < runs; ++i) {
        double b = TimeToFirstPaint(self, L" --bare-window", kBareClass, 0);
        double r = TimeToFirstPaint(recorder, L"", kRecorderClass, IDM_EXIT);
        if (b < 0 || r < 0) {
            std::fwprintf(stderr, L"run %d: a window did not show (bare %.3f, recorder %.3f)\n", i + 1, b, r);
            return 1;
        }
        bare.push_back(b * 1000);
        rec.push_back(r * 1000);
        std::wprintf(L"run %d: bare %.1f ms, recorder %.1f ms\n", i + 1, bare.back(), rec.back());
    }
    double mb = Median(bare), mr = Median(rec);
    std::wprintf(L"median: bare %.1f ms, recorder %.1f ms, ratio %.2f\n", mb, mr, mr / mb);
    // The fastest start of each is the one the other programs on the machine
    // disturbed least.
    double fb = *std::min_element(bare.begin(), bare.end()), fr = *std::min_element(rec.begin(), rec.end());
    std::wprintf(L"fastest: bare %.1f ms, recorder %.1f ms, ratio %.2f\n", fb, fr, fr / fb);
    return 0;
}
