#include "recorder/unattended/schedule.h"

#include <cwchar>
#include <map>

#include "base/clock.h"
#include "base/user_settings.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kScheduleSetting[] = L"TimerSchedule";
// The first line of the record; a later layout gets a new number, and an
// older program leaves a record it cannot read alone.
constexpr wchar_t kRecordHeader[] = L"OrvoTimer 1";
constexpr uint64_t kDay = 86400 * kFileTimeSecond;

const wchar_t* const kStartWords[] = {L"now", L"at", L"in"};
const wchar_t* const kStopWords[] = {L"never", L"after", L"at"};
const wchar_t* const kStateWords[] = {L"none", L"armed", L"running", L"done"};
const wchar_t* const kFormatWords[] = {L"wav", L"mp3", L"flac"};

template <typename E, size_t N>
bool FromWord(const std::wstring& word, const wchar_t* const (&words)[N], E& value) {
    for (size_t i = 0; i < N; ++i)
        if (word == words[i]) {
            value = static_cast<E>(i);
            return true;
        }
    return false;
}

std::wstring TimeText(ClockTime t) {
    wchar_t text[8];
    swprintf(text, 8, L"%02d:%02d", t.hour, t.minute);
    return text;
}

bool ParseTime(const std::wstring& text, ClockTime& t) {
    int h = -1, m = -1;
    wchar_t tail = 0;
    if (swscanf(text.c_str(), L"%d:%d%lc", &h, &m, &tail) != 2) return false;
    if (h < 0 || h > 23 || m < 0 || m > 59) return false;
    t = {h, m};
    return true;
}

bool ParseNumber(const std::wstring& text, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<uint64_t>(c - L'0');
    }
    value = v;
    return true;
}

bool ParseSeconds(const std::wstring& text, uint32_t& value) {
    uint64_t v = 0;
    if (!ParseNumber(text, v) || v > 0xFFFFFFFFu) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

uint64_t NextLocalTime(ClockTime t, uint64_t nowUtc) {
    SYSTEMTIME local{};
    uint64_t candidate = 0;
    if (!LocalFromUtc(nowUtc, local)) return nowUtc;
    local.wHour = static_cast<WORD>(t.hour);
    local.wMinute = static_cast<WORD>(t.minute);
    local.wSecond = 0;
    local.wMilliseconds = 0;
    if (!UtcFromLocal(local, candidate)) return nowUtc;
    // Tomorrow's by the day's length; on a day the clocks change this is an
    // hour off, which the next start of the program settles again.
    while (candidate <= nowUtc) candidate += kDay;
    return candidate;
}

ArmedSchedule Arm(const Schedule& schedule, uint64_t nowUtc) {
    ArmedSchedule armed;
    armed.schedule = schedule;
    armed.state = ScheduleState::Armed;
    switch (schedule.start) {
        case StartMode::Now: armed.startUtc = nowUtc; break;
        case StartMode::At: armed.startUtc = NextLocalTime(schedule.startAt, nowUtc); break;
        case StartMode::In: armed.startUtc = nowUtc + schedule.startInSeconds * kFileTimeSecond; break;
    }
    switch (schedule.stop) {
        case StopMode::Never: armed.stopUtc = 0; break;
        case StopMode::After: armed.stopUtc = armed.startUtc + schedule.stopAfterSeconds * kFileTimeSecond; break;
        case StopMode::At: armed.stopUtc = NextLocalTime(schedule.stopAt, armed.startUtc); break;
    }
    return armed;
}

uint64_t MillisecondsToStart(const ArmedSchedule& armed, uint64_t nowUtc) {
    if (armed.startUtc <= nowUtc) return 0;
    // Rounded up, so the deadline never comes before the moment.
    return (armed.startUtc - nowUtc + 9999) / 10000;
}

Resumption ResumptionOf(const ArmedSchedule& stored, uint64_t nowUtc) {
    bool stopPassed = stored.stopUtc != 0 && stored.stopUtc <= nowUtc;
    switch (stored.state) {
        case ScheduleState::Armed:
            if (nowUtc < stored.startUtc) return Resumption::Waits;
            return stopPassed ? Resumption::Dropped : Resumption::StartsLate;
        case ScheduleState::Running: return stopPassed ? Resumption::Dropped : Resumption::Continues;
        case ScheduleState::None:
        case ScheduleState::Done: break;
    }
    return Resumption::Dropped;
}

uint64_t BeginTake(ArmedSchedule& armed, uint64_t nowUtc, uint32_t rate, bool onTime) {
    armed.state = ScheduleState::Running;
    const Schedule& s = armed.schedule;
    if (s.stop == StopMode::After && onTime) {
        // Exact to the frame: the take holds the duration asked for, however
        // late the first buffer arrives.
        armed.stopUtc = nowUtc + s.stopAfterSeconds * kFileTimeSecond;
        return static_cast<uint64_t>(s.stopAfterSeconds) * rate;
    }
    if (armed.stopUtc == 0) return 0;
    uint64_t left = armed.stopUtc > nowUtc ? armed.stopUtc - nowUtc : 0;
    // A take of at least one frame: a limit of 0 would mean none.
    uint64_t frames = left / 10000 * rate / 1000;
    return frames ? frames : 1;
}

std::wstring ScheduleRecord(const ArmedSchedule& a) {
    const Schedule& s = a.schedule;
    std::wstring r = kRecordHeader;
    auto line = [&r](const wchar_t* key, const std::wstring& value) { r += L"\n" + std::wstring(key) + L"=" + value; };
    line(L"state", kStateWords[static_cast<int>(a.state)]);
    line(L"start", kStartWords[static_cast<int>(s.start)]);
    line(L"startAt", TimeText(s.startAt));
    line(L"startIn", std::to_wstring(s.startInSeconds));
    line(L"stop", kStopWords[static_cast<int>(s.stop)]);
    line(L"stopAfter", std::to_wstring(s.stopAfterSeconds));
    line(L"stopAt", TimeText(s.stopAt));
    line(L"split", std::to_wstring(s.splitSeconds));
    line(L"source", s.source);
    line(L"folder", s.target.folder);
    line(L"format", kFormatWords[static_cast<int>(s.target.format)]);
    line(L"pattern", s.target.pattern);
    line(L"startUtc", std::to_wstring(a.startUtc));
    line(L"stopUtc", std::to_wstring(a.stopUtc));
    return r;
}

bool ParseScheduleRecord(const std::wstring& text, ArmedSchedule& armed) {
    size_t end = text.find(L'\n');
    if (text.substr(0, end) != kRecordHeader) return false;
    std::map<std::wstring, std::wstring> values;
    while (end != std::wstring::npos) {
        size_t begin = end + 1;
        end = text.find(L'\n', begin);
        std::wstring line = text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos) return false;
        values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    // Every field must be there and well formed: a record half written or
    // edited by hand is not guessed at.
    static const wchar_t* const kKeys[] = {L"state", L"start", L"startAt", L"startIn", L"stop", L"stopAfter",
                                           L"stopAt", L"split", L"source", L"folder", L"format", L"pattern",
                                           L"startUtc", L"stopUtc"};
    for (const wchar_t* key : kKeys)
        if (!values.count(key)) return false;
    ArmedSchedule a;
    Schedule& s = a.schedule;
    s.source = values[L"source"];
    s.target.folder = values[L"folder"];
    s.target.pattern = values[L"pattern"];
    bool ok = FromWord(values[L"state"], kStateWords, a.state) && FromWord(values[L"start"], kStartWords, s.start) &&
              FromWord(values[L"stop"], kStopWords, s.stop) &&
              FromWord(values[L"format"], kFormatWords, s.target.format) && ParseTime(values[L"startAt"], s.startAt) &&
              ParseTime(values[L"stopAt"], s.stopAt) && ParseSeconds(values[L"startIn"], s.startInSeconds) &&
              ParseSeconds(values[L"stopAfter"], s.stopAfterSeconds) &&
              ParseSeconds(values[L"split"], s.splitSeconds) && ParseNumber(values[L"startUtc"], a.startUtc) &&
              ParseNumber(values[L"stopUtc"], a.stopUtc);
    if (!ok || s.target.folder.empty()) return false;
    armed = a;
    return true;
}

StoredSchedule LoadSchedule(ArmedSchedule& armed) {
    std::wstring text = ReadUserSetting(kScheduleSetting);
    if (text.empty()) return StoredSchedule::None;
    return ParseScheduleRecord(text, armed) ? StoredSchedule::Found : StoredSchedule::Unreadable;
}

std::wstring StoredScheduleText() { return ReadUserSetting(kScheduleSetting); }

bool StoreSchedule(const ArmedSchedule& armed) { return WriteUserSetting(kScheduleSetting, ScheduleRecord(armed)); }

void ForgetSchedule() { WriteUserSetting(kScheduleSetting, L""); }

bool ParseClockTime(const std::wstring& text, ClockTime& t) { return ParseTime(text, t); }

std::wstring ClockTimeText(ClockTime t) { return TimeText(t); }

bool ParseSpan(const std::wstring& text, uint32_t& seconds) {
    uint64_t minutes = 0;
    if (ParseNumber(text, minutes)) {
        if (minutes > 0xFFFFFFFFull / 60) return false;
        seconds = static_cast<uint32_t>(minutes * 60);
        return true;
    }
    unsigned h = 0, m = 0, s = 0;
    wchar_t tail = 0;
    if (swscanf(text.c_str(), L"%u:%u:%u%lc", &h, &m, &s, &tail) != 3 || m > 59 || s > 59 || h > 9999) return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

std::wstring SpanEditText(uint32_t seconds) {
    if (seconds % 60 == 0) return std::to_wstring(seconds / 60);
    wchar_t text[32];
    swprintf(text, 32, L"%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::wstring LocalClockText(uint64_t utc) {
    SYSTEMTIME t{};
    if (!LocalFromUtc(utc, t)) return L"--:--:--";
    wchar_t text[16];
    swprintf(text, 16, L"%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::wstring CountdownText(uint64_t milliseconds) {
    uint64_t s = (milliseconds + 999) / 1000;
    wchar_t text[32];
    swprintf(text, 32, L"%llu:%02llu:%02llu", static_cast<unsigned long long>(s / 3600),
             static_cast<unsigned long long>(s / 60 % 60), static_cast<unsigned long long>(s % 60));
    return text;
}

}  // namespace orvo::recorder
