// What every kind of take shares, whatever it records from: the face the
// element drives a take through (TakeCapture), and the writing of what
// arrives into the store (TakeSink) with the size limit, a failed write and
// the level meter.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "audio/level_tap.h"
#include "audio/voice_gate.h"
#include "audio/wave_store.h"

namespace orvo {

// Why a take ended without being asked to.
enum class TakeEndCause { None, InputLost, WriteFailed, LimitReached, DurationReached };

// What a take keeps of what arrives, fixed at its start.
struct TakeRules {
    // The take ends after this many frames received from the input, kept or
    // not; 0: no such end.
    uint64_t frameLimit = 0;
    VoiceTrigger voice;
    // The number the first voice segment's mark gets ("声音 N").
    uint32_t firstVoiceMark = 1;
};

class TakeSink;

// Records into the store's samples file from fileOffset on, telling the
// store how far the take has reached the disk; the element makes the bytes
// part of itself after Stop.
class TakeCapture {
public:
    virtual ~TakeCapture() = default;
    // format may head a WAVEFORMATEXTENSIBLE (its cbSize says so). At most
    // maxBytes are recorded. When the take ends by itself it posts
    // `message` to `notify`. 0 or an MCI error; on error nothing keeps
    // running.
    virtual MCIERROR Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes,
                           HWND notify, UINT message) = 0;
    // Returns once every recorded byte is in the file and the input is closed.
    virtual void Stop() = 0;
    // Bytes (whole frames) written to the file so far.
    virtual uint64_t Recorded() const = 0;
    virtual TakeEndCause Ended() const = 0;
    // The system's error code of a failed write.
    virtual DWORD WriteError() const = 0;
    // The input level of what arrives; any thread.
    virtual LevelReading Levels() const = 0;
    // True when the input itself delivers format; false when it must be
    // given what it delivers best (a wave-in device). An input that
    // converts takes any format.
    virtual bool Converts() const { return false; }
    // Applied by the next Start.
    void SetRules(const TakeRules& rules) { rules_ = rules; }
    // The writing side of the take, for what the voice gate let through.
    virtual const TakeSink& Sink() const = 0;

protected:
    TakeRules rules_;
};

// Makes the capture of the next take; empty: wave-in from the device number.
using CaptureMaker = std::function<std::unique_ptr<TakeCapture>()>;

// The writing side of a take, used from the capture's own thread.
class TakeSink {
public:
    void Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes,
               const TakeRules& rules = {});
    // Whole frames as they arrive: measured for the meter, counted against
    // the frame limit, and appended (through the voice gate when it is on).
    // After a failed write nothing more is written, so that the take stays
    // one unbroken piece; past the size or frame limit nothing more fits.
    // False once the take cannot take more.
    bool Write(const void* data, uint32_t bytes);
    // Frames received from the input, kept or not.
    uint64_t Received() const { return received_.load(); }
    const VoiceGate& Gate() const { return gate_; }
    void EndBy(TakeEndCause why);
    uint64_t Recorded() const { return recorded_.load(); }
    TakeEndCause Ended() const { return end_.load(); }
    DWORD WriteError() const { return writeError_.load(); }
    LevelReading Levels() const { return levels_.Read(); }
    WORD BlockAlign() const { return blockAlign_; }

private:
    bool Running() const;
    // Appends kept bytes to the take.
    bool Keep(const void* data, uint32_t bytes);
    // Marks the segments the gate opened since the last call.
    void MarkNewSegments();

    WaveStore* store_ = nullptr;
    uint64_t fileOffset_ = 0;
    WORD blockAlign_ = 1;
    uint64_t maxBytes_ = 0;
    std::atomic<uint64_t> recorded_{0}, received_{0};
    uint64_t frameLimit_ = 0;
    VoiceGate gate_;
    size_t segmentsMarked_ = 0;
    uint32_t firstVoiceMark_ = 1;
    std::atomic<TakeEndCause> end_{TakeEndCause::None};
    std::atomic<DWORD> writeError_{0};
    LevelTap levels_;
};

}  // namespace orvo
