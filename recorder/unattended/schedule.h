// A timed recording: when it starts, when it stops, what it records from,
// where the files go and how long each file may be; the moments it settles
// on when armed, and its record in the user's settings, so that a crash, a
// kill or a restart before (or during) the take keeps it.
//
// Every wait is measured on the monotonic clock. "At 08:00" is turned into a
// wall-clock moment (UTC) when the schedule is armed, and that moment into a
// monotonic deadline: a change of the system clock or of the time zone while
// the schedule waits does not move the start, which comes after the time
// that was left when it was armed (a user who sets the clock an hour ahead
// at 07:00 still gets the take an hour later, at what now reads 09:00). Only
// when the program starts again is the stored moment turned into a deadline
// afresh, by the clock as it then reads.
#pragma once
#include <cstdint>
#include <string>

#include "recorder/unattended/auto_saver.h"

namespace orvo::recorder {

enum class StartMode { Now, At, In };
enum class StopMode { Never, After, At };
enum class ScheduleState { None, Armed, Running, Done };

// A time of day on the user's local clock.
struct ClockTime {
    int hour = 8;
    int minute = 0;
};

struct Schedule {
    StartMode start = StartMode::In;
    ClockTime startAt;             // At
    uint32_t startInSeconds = 60;  // In
    StopMode stop = StopMode::After;
    uint32_t stopAfterSeconds = 3600;  // After
    ClockTime stopAt{9, 0};            // At
    std::wstring source = L"default";  // as the 录音来源 setting stores it
    AutoSaveTarget target;
    uint32_t splitSeconds = 0;  // each file at most this long; 0: one file
};

// A schedule with its moments settled: what is stored and shown.
struct ArmedSchedule {
    Schedule schedule;
    ScheduleState state = ScheduleState::None;
    uint64_t startUtc = 0;  // when the take starts (FILETIME units)
    // When the take stops; 0 for never. A stop after a duration is settled
    // again when the take really starts.
    uint64_t stopUtc = 0;
};

// The next moment the local clock reads t (seconds 0), after nowUtc: today,
// or tomorrow when it has passed.
uint64_t NextLocalTime(ClockTime t, uint64_t nowUtc);

// Settles the schedule's moments by the wall clock now; the state is Armed.
ArmedSchedule Arm(const Schedule& schedule, uint64_t nowUtc);

// Milliseconds from now to the start on the monotonic clock: the deadline
// is monotonicNow plus this. 0 when the start has come.
uint64_t MillisecondsToStart(const ArmedSchedule& armed, uint64_t nowUtc);

// What a schedule found in the settings at start-up does.
enum class Resumption {
    Waits,      // armed, the start still ahead
    StartsLate, // the start passed while the program was not running
    Continues,  // its take was cut short (crash, kill): it records on
    Dropped,    // its stop has passed, or it had ended
};
Resumption ResumptionOf(const ArmedSchedule& stored, uint64_t nowUtc);

// The take starts now: the schedule is Running, its stop settled (a
// duration from now when it starts on time), and the result is the number
// of frames the take may hold at rate; 0 for no limit.
uint64_t BeginTake(ArmedSchedule& armed, uint64_t nowUtc, uint32_t rate, bool onTime);

// The versioned text of the stored record, and back; false (armed left
// untouched) for a record that cannot be read.
std::wstring ScheduleRecord(const ArmedSchedule& armed);
bool ParseScheduleRecord(const std::wstring& text, ArmedSchedule& armed);

// The stored schedule, per user.
enum class StoredSchedule { None, Found, Unreadable };
StoredSchedule LoadSchedule(ArmedSchedule& armed);
// The unreadable record as it is, for the message that tells about it.
std::wstring StoredScheduleText();
bool StoreSchedule(const ArmedSchedule& armed);
void ForgetSchedule();

// What the user types: a time of day "8:05"; a length of time as minutes
// ("90") or as hours, minutes and seconds ("1:30:00", "0:00:10").
bool ParseClockTime(const std::wstring& text, ClockTime& t);
bool ParseSpan(const std::wstring& text, uint32_t& seconds);
std::wstring ClockTimeText(ClockTime t);
std::wstring SpanEditText(uint32_t seconds);

// "08:05:30" for a UTC moment on the local clock.
std::wstring LocalClockText(uint64_t utc);
// "1:02:05" for a length of time, rounded up to the second (a countdown).
std::wstring CountdownText(uint64_t milliseconds);

}  // namespace orvo::recorder
