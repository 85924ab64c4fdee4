// A recorder process for the timed-recording tests: it arms a schedule the
// way the 定时录音 window does (stored per user), marks that it has, and
// waits until it is killed, before the start comes.
//
//   orvo_timer_child.exe <folder> <start in seconds> <stop after seconds>
//       arms "start in, stop after, into folder" and writes
//       <folder>\armed once the schedule is stored
#include <windows.h>

#include <cwchar>
#include <string>

#include "recorder/unattended/timed_recording.h"

namespace {

// Nothing ever starts here: the process is killed while the schedule waits.
class IdleHost : public orvo::recorder::TakeHost {
public:
    bool StartScheduledTake(const std::wstring&, uint64_t, uint64_t&) override { return false; }
    bool TakeRunning() const override { return false; }
    void StopScheduledTake() override {}
    uint64_t ElementFrames() const override { return 0; }
    uint32_t SampleRate() const override { return 44100; }
    uint64_t PieceLimit() const override { return ~0ull; }
    void MarkGap(uint64_t) override {}
    void SavePiece(const orvo::recorder::Piece&, const orvo::recorder::AutoSaveTarget&, uint64_t) override {}
    void ScheduleChanged() override {}
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    orvo::recorder::Schedule s;
    s.start = orvo::recorder::StartMode::In;
    s.startInSeconds = static_cast<uint32_t>(wcstoul(argv[2], nullptr, 10));
    s.stop = orvo::recorder::StopMode::After;
    s.stopAfterSeconds = static_cast<uint32_t>(wcstoul(argv[3], nullptr, 10));
    s.target.folder = argv[1];
    s.target.pattern = L"定时_HHMMSS";
    IdleHost host;
    orvo::recorder::TimedRecording timer(host);
    if (!timer.Arm(s)) return 3;
    const std::wstring marker = std::wstring(argv[1]) + L"\\armed";
    CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (;;) Sleep(1000);
}
