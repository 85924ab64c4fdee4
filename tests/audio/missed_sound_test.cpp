// Telling missed sound from the input's own unevenness: hand-overs in
// blocks and a drifting clock are never reported, a held-back backlog that
// comes after all is not a loss, sound that never comes is — once, with
// its place.
#include "audio/missed_sound.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvo {
namespace {

constexpr DWORD kRate = 176400;  // bytes per second, 44.1 kHz 16-bit stereo

// Drives a watch through `seconds` of a take in 100-ms looks. arrivedBy
// gives the bytes handed over by a time (ms). With a stall, the recorder's
// thread is held up from 1 s to 11 s (no looks), and the first look after
// finds the queue dry unless dry is false. Returns the total reported
// missed, the place of the last report and how many reports there were.
struct Reports {
    uint64_t missed = 0, at = 0;
    int reports = 0;
};
Reports Drive(int seconds, const std::function<uint64_t(ULONGLONG)>& arrivedBy, bool stall = false,
              bool dry = true) {
    MissedSoundWatch w;
    const ULONGLONG start = 1000000;
    w.Start(kRate, start);
    Reports r;
    uint64_t at = 0;
    auto report = [&](uint64_t m) {
        if (!m) return;
        r.missed += m;
        r.at = at;
        ++r.reports;
    };
    ULONGLONG t = 0;
    for (; t <= static_cast<ULONGLONG>(seconds) * 1000; t += 100) {
        if (stall && t >= 1000 && t < 11000) continue;
        report(w.Look(start + t, arrivedBy(t), stall && dry && t == 11000, arrivedBy(t), at));
    }
    report(w.Finish(start + t, arrivedBy(t), at));
    return r;
}

uint64_t Bytes(double seconds) { return static_cast<uint64_t>(seconds * kRate) / 4 * 4; }

TEST(MissedSound, OnlySoundThatNeverComesIsReportedOnceAtItsPlace) {
    // Sound handed over in 2-s blocks, and a clock 0.1 % slow over ten
    // minutes: nothing missed, however far behind it looks at times.
    EXPECT_EQ(Drive(20, [](ULONGLONG t) { return Bytes(t / 2000 * 2.0); }).reports, 0);
    EXPECT_EQ(Drive(600, [](ULONGLONG t) { return Bytes(t * 0.999 / 1000); }).reports, 0);

    // A 10-s stall with 6 s queued; the driver held the rest back and hands
    // it over within a second after: nothing missed.
    auto heldBack = [](ULONGLONG t) -> uint64_t {
        if (t < 1000) return Bytes(t / 1000.0);
        if (t < 11000) return Bytes(1.0);
        if (t < 11500) return Bytes(7.0);
        return Bytes(t / 1000.0);
    };
    EXPECT_EQ(Drive(20, heldBack, true).reports, 0);

    // The same stall where the device had nowhere to put 4 s of it: those
    // 4 s are told once, placed after the 7 s that were in.
    auto lost = [](ULONGLONG t) -> uint64_t {
        if (t < 1000) return Bytes(t / 1000.0);
        if (t < 11000) return Bytes(1.0);
        return Bytes(t / 1000.0 - 4.0);
    };
    Reports r = Drive(20, lost, true);
    EXPECT_EQ(r.reports, 1);
    EXPECT_NEAR(static_cast<double>(r.missed) / kRate, 4.0, 0.15);
    EXPECT_EQ(r.at, Bytes(7.0));

    // Without a dry queue the same numbers are the input's own business
    // (a device that delivers late on its own is not a recorder's loss).
    EXPECT_EQ(Drive(20, lost, true, false).reports, 0);

    // The take stopping before the backlog had its time tells nothing.
    EXPECT_EQ(Drive(11, lost, true).reports, 0);
}

}  // namespace
}  // namespace orvo
