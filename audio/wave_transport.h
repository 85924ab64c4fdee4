// Moving sample buffers between a wave device and the element's store. Each
// running take or playback has a worker thread of its own woken by the
// device's buffer event, so buffers keep flowing however long the
// user-interface thread is busy.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "base/scoped.h"
#include "audio/level_tap.h"
#include "audio/missed_sound.h"
#include "audio/sample_convert.h"
#include "audio/take_capture.h"
#include "audio/wave_store.h"

namespace orvo {

// What the recorder and the player share: the device, the ring of buffers
// it is handed in turn, the two events the worker thread waits on, and the
// order in which it is all taken down.
template <class Device>
class WaveBufferRing {
protected:
    WaveBufferRing() = default;
    ~WaveBufferRing() = default;
    // The buffer event (the device's callback) and the stop event; false
    // when the system has none to give.
    bool MakeEvents();
    DWORD_PTR BufferCallback() const { return reinterpret_cast<DWORD_PTR>(bufferEvent_.Get()); }
    // Ends the worker thread, if one runs.
    void StopWorker();
    // Resets the device, waits for it to hand the buffers back, unprepares
    // and frees them, and closes it.
    void ReleaseBuffers();
    // Makes `count` empty buffers of `bytes` each, none prepared yet.
    void MakeBuffers(size_t count, DWORD bytes);

    Device device_;
    ScopedHandle bufferEvent_, stopEvent_;
    std::vector<std::vector<char>> memory_;
    std::vector<WAVEHDR> headers_;
    size_t prepared_ = 0;
    size_t next_ = 0, outstanding_ = 0;
    HWND notify_ = nullptr;
    UINT message_ = 0;
    std::thread worker_;
};

extern template class WaveBufferRing<ScopedWaveIn>;
extern template class WaveBufferRing<ScopedWaveOut>;

// Records from a wave-in device into the store's samples file from
// fileOffset on, telling the store how far the take has reached the disk;
// the caller makes the bytes part of the element after Stop.
class WaveRecorder : private WaveBufferRing<ScopedWaveIn> {
public:
    using End = TakeEndCause;

    WaveRecorder() = default;
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // As TakeCapture::Start, from the given wave-in device.
    MCIERROR Start(UINT device, const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset,
                   uint64_t maxBytes = UINT64_MAX, HWND notify = nullptr, UINT message = 0);
    // Returns once every recorded byte is in the file and the device is closed.
    void Stop();
    // Whole frames written to the file so far.
    uint64_t Recorded() const { return sink_.Recorded(); }
    End Ended() const { return sink_.Ended(); }
    // The system's error code of a failed write.
    DWORD WriteError() const { return sink_.WriteError(); }
    // Input that hands over nothing for this long is taken as gone.
    static constexpr DWORD kInputLostAfterMs = 3000;
    // The input level of what arrives; any thread.
    LevelReading Levels() const { return sink_.Levels(); }
    // Applied by the next Start.
    void SetRules(const TakeRules& rules) { rules_ = rules; }
    const TakeSink& Sink() const { return sink_; }

private:
    void Run() noexcept;
    // Writes what the device has handed back; true when it held sound.
    // dry: every buffer queued had been filled, so the device may have had
    // nowhere to put what came next.
    bool Drain(bool requeue, bool* dry = nullptr);
    void Release();

    TakeSink sink_;
    MissedSoundWatch missed_;
    uint64_t arrived_ = 0;  // bytes the device handed over this take
    TakeRules rules_;
};

// A take from one wave-in device (WAVE_MAPPER: the system's default).
class WaveInCapture : public TakeCapture {
public:
    explicit WaveInCapture(UINT device) : device_(device) {}
    MCIERROR Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes,
                   HWND notify, UINT message) override {
        recorder_.SetRules(rules_);
        return recorder_.Start(device_, format, store, fileOffset, maxBytes, notify, message);
    }
    const TakeSink& Sink() const override { return recorder_.Sink(); }
    void Stop() override { recorder_.Stop(); }
    uint64_t Recorded() const override { return recorder_.Recorded(); }
    TakeEndCause Ended() const override { return recorder_.Ended(); }
    DWORD WriteError() const override { return recorder_.WriteError(); }
    LevelReading Levels() const override { return recorder_.Levels(); }

private:
    UINT device_;
    WaveRecorder recorder_;
};

// Plays the element bytes [from, to) of the store. When the last buffer has
// been played it posts `message` to `notify`. An output that refuses the
// element's format is given it converted (SampleConverter).
class WavePlayer : private WaveBufferRing<ScopedWaveOut> {
public:
    WavePlayer() = default;
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // format may head a WAVEFORMATEXTENSIBLE (its cbSize says so).
    MCIERROR Start(UINT device, const WAVEFORMATEX& format, const WaveStore& store, uint64_t from, uint64_t to,
                   HWND notify, UINT message);
    // True when the output plays a converted copy of the samples.
    bool Converting() const { return converter_ != nullptr; }
    // Stops at once; Played() then tells how far the sound got.
    void Stop();
    // Bytes played from `from` on, in whole frames.
    uint64_t Played() const { return played_.load(); }
    bool Finished() const { return finished_.load(); }
    // The level of what has been played; any thread.
    LevelReading Levels() const { return levels_.Read(); }

private:
    void Run() noexcept;
    // Opens the output in format, or failing that in a plain format the
    // samples are converted to.
    MMRESULT OpenOutput(UINT device, const WAVEFORMATEX& format);
    // Prepares the buffers of bytes each and queues the first of the sound.
    MCIERROR QueueBuffers(DWORD bytes);
    bool Fill(WAVEHDR& h);
    void Release();

    std::vector<char> scratch_;  // element samples before conversion
    std::unique_ptr<SampleConverter> converter_;
    const WaveStore* store_ = nullptr;
    uint64_t readPos_ = 0, from_ = 0, to_ = 0, queued_ = 0;  // element bytes
    DWORD bufferFrames_ = 1;
    WORD blockAlign_ = 1, outputAlign_ = 1;
    std::atomic<uint64_t> played_{0};
    std::atomic<bool> finished_{false};
    LevelTap levels_;
};

// The MCI error that best describes a failed waveInOpen / waveOutOpen.
MCIERROR WaveInErrorToMci(MMRESULT r);
MCIERROR WaveOutErrorToMci(MMRESULT r);

}  // namespace orvo
