// The process's one view of time, behind a seam tests drive: a monotonic
// count of milliseconds for everything that waits, and the wall clock (UTC,
// and the local time the user reads) for what is shown and stored. A wait
// is always measured on the monotonic count, so setting the system clock,
// a time-zone change or a daylight-saving jump never lengthens or shortens
// it; the wall clock only names the moment to the user.
#pragma once
#include <windows.h>

#include <cstdint>

namespace orvo {

// 100-nanosecond units, as FILETIME counts them.
inline constexpr uint64_t kFileTimeSecond = 10'000'000;

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some fixed point; never goes back.
    virtual uint64_t MonotonicMs() const = 0;
    // The wall clock in UTC, as a FILETIME in one number.
    virtual uint64_t WallUtc() const = 0;
};

// The clock in force: the system's unless a test installed another.
Clock& TheClock();
// Installs a clock (nullptr restores the system's); returns the previous one.
Clock* SetClock(Clock* clock);

// The wall clock's UTC time as the user's local time, and back (the time
// zone's rules for that date); false when the system refuses the date.
bool LocalFromUtc(uint64_t utc, SYSTEMTIME& local);
bool UtcFromLocal(const SYSTEMTIME& local, uint64_t& utc);

}  // namespace orvo
