#include "base/clock.h"

#include <atomic>

namespace orvo {
namespace {

class SystemClock : public Clock {
public:
    uint64_t MonotonicMs() const override { return GetTickCount64(); }
    uint64_t WallUtc() const override {
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    }
};

SystemClock systemClock;
// Read by any thread; a test installs its clock before the threads it drives.
std::atomic<Clock*> current{&systemClock};

FILETIME ToFileTime(uint64_t value) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

}  // namespace

Clock& TheClock() { return *current; }

Clock* SetClock(Clock* clock) {
    Clock* previous = current.exchange(clock ? clock : &systemClock);
    return previous == &systemClock ? nullptr : previous;
}

bool LocalFromUtc(uint64_t utc, SYSTEMTIME& local) {
    FILETIME ft = ToFileTime(utc);
    SYSTEMTIME system;
    return FileTimeToSystemTime(&ft, &system) && SystemTimeToTzSpecificLocalTime(nullptr, &system, &local);
}

bool UtcFromLocal(const SYSTEMTIME& local, uint64_t& utc) {
    SYSTEMTIME system;
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &system) || !SystemTimeToFileTime(&system, &ft)) return false;
    utc = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return true;
}

}  // namespace orvo
