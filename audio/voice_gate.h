// Voice-activated recording: a gate on the capture thread that keeps only the
// stretches with sound in them. While it is closed, what arrives goes into a
// pre-roll ring; a window of sound at the threshold opens it, and the ring's
// content is written first, so each stretch starts a little before the first
// word. After the hold time below the threshold it closes again.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace orvo {

struct VoiceTrigger {
    bool on = false;
    double thresholdDb = -40;  // the loudest channel's peak in a window, dBFS
    uint32_t holdMs = 2000;    // below the threshold this long: the gate closes (with that window)
    uint32_t preRollMs = 1000; // kept before the window that opened it; at most kMaxPreRollMs
    static constexpr uint32_t kMaxPreRollMs = 30000;
};

// A stretch the gate let through: frames [from, to) of what was kept; ended
// once nothing more will be added to it.
struct VoiceSegment {
    uint64_t from = 0, to = 0;
    bool ended = false;
    bool operator==(const VoiceSegment& o) const { return from == o.from && to == o.to && ended == o.ended; }
};

class VoiceGate {
public:
    // Window length in milliseconds (the last one of a block may be cut short).
    static constexpr uint32_t kWindowMs = 10;
    // Writes n bytes (whole frames) of what is kept; false: nothing more can be.
    using Keep = std::function<bool(const void* data, uint32_t n)>;

    // A new take: closed, no segments. The ring is allocated here, once.
    void Start(const WAVEFORMATEX& format, const VoiceTrigger& trigger);
    bool Active() const { return active_; }
    // Whole frames as they arrive, in order. Returns false once keep did.
    bool Feed(const void* data, uint32_t bytes, const Keep& keep);

    bool IsOpen() const { return open_.load(); }
    // Any thread.
    std::vector<VoiceSegment> Segments() const;
    size_t SegmentCount() const;

private:
    // What arrives while closed: the last ringFrames_ frames.
    void Remember(const uint8_t* data, uint64_t frames);
    // The window just completed decides; written runs start at run.
    bool Decide(const Keep& keep);
    bool KeepRing(const Keep& keep);
    bool KeepRun(const uint8_t* data, uint64_t frames, const Keep& keep);

    bool active_ = false;
    WAVEFORMATEX format_{};
    uint32_t align_ = 1;
    double threshold_ = 0;  // share of full scale
    uint64_t windowFrames_ = 1, holdFrames_ = 0;
    std::vector<uint8_t> ring_;
    uint64_t ringFrames_ = 0, ringStart_ = 0, ringCount_ = 0;
    uint64_t windowFill_ = 0;  // frames of the window being measured
    double windowPeak_ = 0;
    uint64_t quietFrames_ = 0; // below the threshold since the last loud window
    uint64_t kept_ = 0;        // frames handed to keep
    std::atomic<bool> open_{false};
    mutable std::mutex lock_;
    std::vector<VoiceSegment> segments_;
};

}  // namespace orvo
