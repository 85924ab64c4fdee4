#include "tests/support/watchdog.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace orvo::test {
namespace {

// One thread waits for the deadline of whatever runs now. A hung test may
// hold any lock of the process (the heap's, the loader's, the C runtime's),
// so the line it prints is made when the watchdog is armed, and the thread
// only writes it to the error handle and ends the process: no allocation,
// no module look-up, no stdio, no pthreads.
class Watchdog {
public:
    static Watchdog& Get() {
        static Watchdog* watchdog = new Watchdog;  // never destroyed: it guards the end too
        return *watchdog;
    }

    void Arm(const char* what, int seconds) {
        EnterCriticalSection(&lock_);
        seconds_ = seconds;
        deadline_ = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
        Format(what);
        LeaveCriticalSection(&lock_);
        SetEvent(changed_);
    }
    void Extend(int seconds) {
        EnterCriticalSection(&lock_);
        deadline_ += static_cast<LONGLONG>(seconds - seconds_) * 1000;
        seconds_ = seconds;
        Format(what_);
        LeaveCriticalSection(&lock_);
        SetEvent(changed_);
    }

private:
    Watchdog() {
        InitializeCriticalSection(&lock_);
        changed_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        wchar_t path[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        const wchar_t* base = wcsrchr(path, L'\\');
        WideCharToMultiByte(CP_UTF8, 0, base ? base + 1 : path, -1, program_, sizeof(program_), nullptr, nullptr);
        CloseHandle(CreateThread(nullptr, 64 * 1024, &Watch, this, 0, nullptr));
    }

    void Format(const char* what) {
        if (what != what_) snprintf(what_, sizeof(what_), "%s", what);
        length_ = snprintf(line_, sizeof(line_), "\n[ WATCHDOG ] %s is still running after %d s; ending %s\n", what_,
                           seconds_, program_);
        if (length_ < 0) length_ = 0;
        if (length_ >= static_cast<int>(sizeof(line_))) length_ = sizeof(line_) - 1;
    }

    static DWORD WINAPI Watch(void* self) {
        Watchdog& w = *static_cast<Watchdog*>(self);
        for (;;) {
            EnterCriticalSection(&w.lock_);
            ULONGLONG now = GetTickCount64(), deadline = w.deadline_;
            bool armed = w.seconds_ > 0;
            LeaveCriticalSection(&w.lock_);
            if (armed && now >= deadline) w.Fire();
            DWORD wait = armed ? static_cast<DWORD>(deadline - now < 1000 ? deadline - now : 1000) : INFINITE;
            WaitForSingleObject(w.changed_, wait);
        }
    }

    // The critical section is not taken here: the line was complete when it
    // was armed, and the process ends now whatever else is half-way.
    [[noreturn]] void Fire() {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line_, static_cast<DWORD>(length_), &written, nullptr);
        TerminateProcess(GetCurrentProcess(), 124);
        for (;;) Sleep(INFINITE);
    }

    CRITICAL_SECTION lock_;
    HANDLE changed_ = nullptr;
    char program_[MAX_PATH * 3] = "";
    char what_[512] = "";
    char line_[1024] = "";
    int length_ = 0;
    int seconds_ = 0;
    ULONGLONG deadline_ = 0;
};

class WatchdogListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        char what[512];
        snprintf(what, sizeof(what), "%s.%s", test.test_suite_name(), test.name());
        Watchdog::Get().Arm(what, kDefaultTestSeconds);
    }
    // What follows a test (a suite's tear-down, the next one's set-up, the
    // program's end) is watched as well.
    void OnTestEnd(const testing::TestInfo& test) override {
        char what[512];
        snprintf(what, sizeof(what), "what follows %s.%s", test.test_suite_name(), test.name());
        Watchdog::Get().Arm(what, kDefaultTestSeconds);
    }
};

}  // namespace

void InstallTestWatchdog() {
    Watchdog::Get().Arm("the start of the test program", kDefaultTestSeconds);
    testing::UnitTest::GetInstance()->listeners().Append(new WatchdogListener);
}

void AllowTestSeconds(int seconds) { Watchdog::Get().Extend(seconds); }

}  // namespace orvo::test
