// The timed recording's logic on a clock the tests drive: when it starts,
// that a change of the system clock does not move the start, what a stored
// schedule does at the next start, its record, the pieces of a split take
// and the gaps of a machine that slept.
#include <gtest/gtest.h>

#include <vector>

#include "base/user_settings.h"
#include "recorder/unattended/timed_recording.h"
#include "tests/support/manual_clock.h"

namespace orvo::recorder {
namespace {

constexpr uint64_t kSecond = kFileTimeSecond;
constexpr uint32_t kRate = 44100;

uint64_t LocalMoment(int hour, int minute, int second = 0) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 10;
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    uint64_t utc = 0;
    EXPECT_TRUE(UtcFromLocal(t, utc));
    return utc;
}

// The main window as the schedule sees it: a take whose frames the test sets.
class FakeHost : public TakeHost {
public:
    bool StartScheduledTake(const std::wstring& s, uint64_t limit, uint64_t& origin) override {
        origin = frames;
        frames += firstBuffer;  // what arrives as the take starts is part of it
        source = s;
        frameLimit = limit;
        ++starts;
        running = true;
        return true;
    }
    bool TakeRunning() const override { return running; }
    void StopScheduledTake() override { running = false; }
    uint64_t ElementFrames() const override { return frames; }
    uint32_t SampleRate() const override { return kRate; }
    uint64_t PieceLimit() const override { return limit; }
    void MarkGap(uint64_t ms) override { gaps.push_back(ms); }
    void SavePiece(const Piece& p, const AutoSaveTarget&, uint64_t utc) override {
        pieces.push_back(p);
        pieceTimes.push_back(utc);
    }
    void ScheduleChanged() override {}

    std::wstring source;
    uint64_t frameLimit = 0;
    int starts = 0;
    bool running = false;
    uint64_t frames = 0;
    uint64_t firstBuffer = 0;
    uint64_t limit = ~0ull;
    std::vector<uint64_t> gaps;
    std::vector<Piece> pieces;
    std::vector<uint64_t> pieceTimes;
};

Schedule TestSchedule() {
    Schedule s;
    s.target.folder = L"C:\\录音";
    s.source = L"device:In: mic2";
    return s;
}

class TimedRecordingTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = ReadUserSetting(L"TimerSchedule"); }
    void TearDown() override { WriteUserSetting(L"TimerSchedule", saved_); }
    std::wstring saved_;
};

TEST(ScheduleTimes, AtATimeIsTodayOrTomorrowInIsFromNowAndAStopAtFollowsTheStart) {
    const uint64_t now = LocalMoment(10, 30);
    Schedule s = TestSchedule();
    s.start = StartMode::At;
    s.startAt = {8, 0};  // passed: tomorrow
    s.stop = StopMode::At;
    s.stopAt = {9, 0};
    ArmedSchedule a = Arm(s, now);
    EXPECT_EQ(a.startUtc, LocalMoment(8, 0) + 86400 * kSecond);
    EXPECT_EQ(a.stopUtc, a.startUtc + 3600 * kSecond);
    s.startAt = {23, 15};  // still ahead: today; the stop at 09:00 the next morning
    a = Arm(s, now);
    EXPECT_EQ(a.startUtc, LocalMoment(23, 15));
    EXPECT_EQ(a.stopUtc, LocalMoment(9, 0) + 86400 * kSecond);
    s.startAt = {10, 30};  // this very minute has begun: tomorrow
    EXPECT_EQ(Arm(s, now + kSecond).startUtc, LocalMoment(10, 30) + 86400 * kSecond);

    s.start = StartMode::In;
    s.startInSeconds = 20 * 60;
    s.stop = StopMode::After;
    s.stopAfterSeconds = 90;
    a = Arm(s, now);
    EXPECT_EQ(a.startUtc, now + 1200 * kSecond);
    EXPECT_EQ(MillisecondsToStart(a, now), 1'200'000u);
    EXPECT_EQ(MillisecondsToStart(a, a.startUtc + 1), 0u);
    // On time, a duration is exact to the frame; started late (or carried
    // over a crash), the take ends at the stored stop.
    ArmedSchedule onTime = a;
    EXPECT_EQ(BeginTake(onTime, a.startUtc + 3 * kSecond, kRate, true), 90u * kRate);
    EXPECT_EQ(onTime.state, ScheduleState::Running);
    EXPECT_EQ(onTime.stopUtc, a.startUtc + 93 * kSecond);
    ArmedSchedule late = a;
    EXPECT_EQ(BeginTake(late, a.startUtc + 30 * kSecond, kRate, false), 60u * kRate);
    s.stop = StopMode::Never;
    ArmedSchedule endless = Arm(s, now);
    EXPECT_EQ(BeginTake(endless, now, kRate, true), 0u);
}

TEST_F(TimedRecordingTest, AChangeOfTheWallClockDuringTheWaitDoesNotMoveTheStart) {
    ManualClock clock(LocalMoment(7, 59));
    FakeHost host;
    TimedRecording timer(host);
    Schedule s = TestSchedule();
    s.start = StartMode::At;
    s.startAt = {8, 0};
    s.stop = StopMode::After;
    s.stopAfterSeconds = 10;
    timer.Arm(s);
    EXPECT_EQ(timer.State(), ScheduleState::Armed);
    EXPECT_EQ(timer.MillisecondsLeft(), 60'000u);
    // The user sets the clock an hour ahead, then two hours back: neither
    // starts the take early nor holds it back.
    clock.ShiftWall(3600'000);
    timer.Tick();
    clock.Advance(30'000);
    clock.ShiftWall(-7200'000);
    timer.Tick();
    clock.Advance(29'900);
    timer.Tick();
    EXPECT_EQ(host.starts, 0);
    EXPECT_EQ(timer.MillisecondsLeft(), 100u);
    clock.Advance(100);
    timer.Tick();
    EXPECT_EQ(host.starts, 1);
    EXPECT_EQ(host.source, L"device:In: mic2");
    EXPECT_EQ(host.frameLimit, 10u * kRate);
    // Running is stored: a crash now continues the take at the next start.
    ArmedSchedule stored;
    ASSERT_EQ(LoadSchedule(stored), StoredSchedule::Found);
    EXPECT_EQ(stored.state, ScheduleState::Running);
    // The take ends by itself; the one piece is handed out, the record goes.
    host.frames = 10 * kRate;
    host.running = false;
    timer.Tick();
    EXPECT_EQ(timer.State(), ScheduleState::Done);
    ASSERT_EQ(host.pieces.size(), 1u);
    EXPECT_EQ(host.pieces[0].from, 0u);
    EXPECT_EQ(host.pieces[0].to, 10u * kRate);
    EXPECT_EQ(LoadSchedule(stored), StoredSchedule::None);
}

TEST_F(TimedRecordingTest, AStoredScheduleWaitsStartsLateContinuesOrIsDroppedAtTheNextStart) {
    const uint64_t armedAt = LocalMoment(7, 0);
    Schedule s = TestSchedule();
    s.start = StartMode::At;
    s.startAt = {8, 0};
    s.stop = StopMode::After;
    s.stopAfterSeconds = 3600;
    ArmedSchedule a = Arm(s, armedAt);
    EXPECT_EQ(ResumptionOf(a, LocalMoment(7, 30)), Resumption::Waits);
    EXPECT_EQ(ResumptionOf(a, LocalMoment(8, 20)), Resumption::StartsLate);
    EXPECT_EQ(ResumptionOf(a, LocalMoment(9, 0)), Resumption::Dropped);
    ArmedSchedule cut = a;
    BeginTake(cut, a.startUtc, kRate, true);
    EXPECT_EQ(ResumptionOf(cut, LocalMoment(8, 40)), Resumption::Continues);
    EXPECT_EQ(ResumptionOf(cut, LocalMoment(9, 1)), Resumption::Dropped);

    // Restored 20 minutes late: it starts at once and records until the stop
    // it was given, and says it started late.
    ManualClock clock(LocalMoment(8, 20));
    FakeHost host;
    TimedRecording timer(host);
    EXPECT_EQ(timer.Restore(a), Resumption::StartsLate);
    timer.Tick();
    EXPECT_EQ(host.starts, 1);
    EXPECT_TRUE(timer.StartedLate());
    EXPECT_EQ(host.frameLimit, 40u * 60 * kRate);
    // A stored wall time is a deadline afresh: restored before its start it
    // waits the time left by the clock as it now reads.
    FakeHost host2;
    TimedRecording waiting(host2);
    clock.ShiftWall(-50 * 60'000);  // 07:30
    EXPECT_EQ(waiting.Restore(a), Resumption::Waits);
    EXPECT_EQ(waiting.MillisecondsLeft(), 30u * 60'000);
    // One that has passed is dropped and forgotten.
    StoreSchedule(a);
    FakeHost host3;
    TimedRecording dropped(host3);
    clock.ShiftWall(2 * 3600'000);
    EXPECT_EQ(dropped.Restore(a), Resumption::Dropped);
    ArmedSchedule none;
    EXPECT_EQ(LoadSchedule(none), StoredSchedule::None);
}

TEST_F(TimedRecordingTest, TheRecordRoundTripsAndADamagedOneIsReportedAndLeftAsItIs) {
    Schedule s = TestSchedule();
    s.start = StartMode::At;
    s.startAt = {6, 45};
    s.stop = StopMode::At;
    s.stopAt = {7, 5};
    s.splitSeconds = 600;
    s.target.pattern = L"晨会_YYYYMMDD";
    s.target.format = SaveFormat::Flac;
    ArmedSchedule a = Arm(s, LocalMoment(6, 0));
    ASSERT_TRUE(StoreSchedule(a));
    ArmedSchedule back;
    ASSERT_EQ(LoadSchedule(back), StoredSchedule::Found);
    EXPECT_EQ(ScheduleRecord(back), ScheduleRecord(a));
    EXPECT_EQ(back.schedule.target.folder, L"C:\\录音");
    EXPECT_EQ(back.schedule.target.format, SaveFormat::Flac);
    EXPECT_EQ(back.startUtc, a.startUtc);

    const std::wstring good = ScheduleRecord(a);
    std::wstring later = good;
    later.replace(0, good.find(L'\n'), L"OrvoTimer 2");
    std::wstring badTime = good;
    badTime.replace(badTime.find(L"startAt=06:45"), 13, L"startAt=25:00");
    for (const std::wstring& damaged :
         {good.substr(0, good.size() / 2), later, badTime, std::wstring(L"garbage"), good + L"\nnoequals"}) {
        ASSERT_TRUE(WriteUserSetting(L"TimerSchedule", damaged));
        ArmedSchedule out = back;
        EXPECT_EQ(LoadSchedule(out), StoredSchedule::Unreadable);
        EXPECT_EQ(ScheduleRecord(out), ScheduleRecord(back));  // untouched
        EXPECT_EQ(StoredScheduleText(), damaged);
    }
}

TEST(SplitPlan, ConsecutivePiecesMeetExactlyAndNoneExceedsTheLimit) {
    SplitPlan plan(1000, 300, ~0ull);
    EXPECT_TRUE(plan.Advance(1299).empty());
    std::vector<Piece> got = plan.Advance(1300);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, 1000u);
    EXPECT_EQ(got[0].to, 1300u);
    got = plan.Advance(1950);  // two boundaries passed at once
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].from, 1300u);
    EXPECT_EQ(got[1].to, 1900u);
    got = plan.Finish(1950);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, 1900u);
    EXPECT_EQ(got[0].to, 1950u);
    EXPECT_TRUE(plan.Finish(1950).empty());
    EXPECT_EQ(plan.Count(), 4u);
    // Without a period the limit alone cuts; with one longer than the limit
    // the limit wins.
    for (uint64_t period : {0ull, 5000ull}) {
        SplitPlan limited(0, period, 400);
        got = limited.Finish(1000);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[1].from, 400u);
        EXPECT_EQ(got[2].to, 1000u);
    }
    WAVEFORMATEX cd{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_LE(PieceLimitFrames(cd, {}) * 4, MaxWaveDataBytes(cd, {}));
    EXPECT_GT((PieceLimitFrames(cd, {}) + 1) * 4, MaxWaveDataBytes(cd, {}));
}

TEST(SleepWatch, AGapIsToldOnceWhetherTheClockOrTheSystemNoticesIt) {
    SleepWatch w;
    w.Start(5000, 100, 1000);
    EXPECT_EQ(w.Check(6000, 1100), 0u);
    EXPECT_EQ(w.Check(7900, 1100), 0u);  // the input lags 1.9 s: no gap
    EXPECT_EQ(w.Check(18000, 1100), 12000u);
    EXPECT_EQ(w.Check(19000, 2100), 0u);  // told once
    w.Suspended(20000);
    EXPECT_EQ(w.Resumed(50000), 30000u);
    EXPECT_EQ(w.Check(51000, 3100), 0u);  // the same 30 s, not again
    EXPECT_EQ(w.Resumed(60000), 0u);      // no suspension seen
}

TEST_F(TimedRecordingTest, ASplitTakeHandsOutPiecesAsItRecordsAndMarksASleep) {
    ManualClock clock(LocalMoment(12, 0));
    FakeHost host;
    host.frames = 5000;  // the element held sound before the take
    host.firstBuffer = 4410;  // pieces count from before it
    TimedRecording timer(host);
    Schedule s = TestSchedule();
    s.start = StartMode::Now;
    s.stop = StopMode::Never;
    s.splitSeconds = 2;
    timer.Arm(s);
    ASSERT_EQ(host.starts, 1);
    EXPECT_EQ(host.frameLimit, 0u);
    for (int i = 0; i < 13; ++i) {
        clock.Advance(500);
        host.frames += kRate / 2;
        timer.Tick();
    }
    ASSERT_EQ(host.pieces.size(), 3u);
    EXPECT_EQ(host.pieces[0].from, 5000u);
    EXPECT_EQ(host.pieces[2].to, 5000u + 6 * kRate);
    EXPECT_EQ(host.pieceTimes[1], LocalMoment(12, 0) + 2 * kSecond);
    clock.Advance(12'000);  // slept: the clock ran on, no sound came
    timer.Tick();
    ASSERT_EQ(host.gaps.size(), 1u);
    EXPECT_GE(host.gaps[0], 11'000u);
    timer.Cancel();  // the user stops it: the rest is the last piece
    EXPECT_FALSE(host.running);
    ASSERT_EQ(host.pieces.size(), 4u);
    EXPECT_EQ(host.pieces[3].from, 5000u + 6 * kRate);
    EXPECT_EQ(host.pieces[3].to, host.frames);
    EXPECT_EQ(timer.State(), ScheduleState::Done);
}

}  // namespace
}  // namespace orvo::recorder
