// Moving sample buffers between a wave device and the element's store. Each
// running take or playback has a worker thread of its own woken by the
// device's buffer event, so buffers keep flowing however long the
// user-interface thread is busy.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "base/scoped.h"
#include "audio/level_tap.h"
#include "audio/wave_store.h"

namespace orvo {

// Records into the store's samples file from fileOffset on, telling the
// store how far the take has reached the disk; the caller makes the bytes
// part of the element after Stop.
class WaveRecorder {
public:
    WaveRecorder() = default;
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // 0 or an MCI error; on error nothing keeps running.
    MCIERROR Start(UINT device, const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset);
    // Returns once every recorded byte is in the file and the device is closed.
    void Stop();
    // Whole frames written to the file so far.
    uint64_t Recorded() const { return recorded_.load(); }
    // True when a buffer could not be written (disk full) or requeued.
    bool Failed() const { return failed_.load(); }
    // The input level of what arrives; any thread.
    LevelReading Levels() const { return levels_.Read(); }

private:
    void Run() noexcept;
    void Drain(bool requeue);
    void Release();

    ScopedWaveIn device_;
    ScopedHandle bufferEvent_, stopEvent_;
    std::vector<std::vector<char>> memory_;
    std::vector<WAVEHDR> headers_;
    size_t prepared_ = 0;
    size_t next_ = 0, outstanding_ = 0;
    WaveStore* store_ = nullptr;
    uint64_t fileOffset_ = 0;
    WORD blockAlign_ = 1;
    std::atomic<uint64_t> recorded_{0};
    std::atomic<bool> failed_{false};
    LevelTap levels_;
    std::thread worker_;
};

// Plays the element bytes [from, to) of the store. When the last buffer has
// been played it posts `message` to `notify`.
class WavePlayer {
public:
    WavePlayer() = default;
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    MCIERROR Start(UINT device, const WAVEFORMATEX& format, const WaveStore& store, uint64_t from, uint64_t to,
                   HWND notify, UINT message);
    // Stops at once; Played() then tells how far the sound got.
    void Stop();
    // Bytes played from `from` on, in whole frames.
    uint64_t Played() const { return played_.load(); }
    bool Finished() const { return finished_.load(); }
    // The level of what has been played; any thread.
    LevelReading Levels() const { return levels_.Read(); }

private:
    void Run() noexcept;
    bool Fill(WAVEHDR& h);
    void Release();

    ScopedWaveOut device_;
    ScopedHandle bufferEvent_, stopEvent_;
    std::vector<std::vector<char>> memory_;
    std::vector<WAVEHDR> headers_;
    size_t prepared_ = 0;
    size_t next_ = 0, outstanding_ = 0;
    const WaveStore* store_ = nullptr;
    uint64_t readPos_ = 0, from_ = 0, to_ = 0, queued_ = 0;
    WORD blockAlign_ = 1;
    HWND notify_ = nullptr;
    UINT message_ = 0;
    std::atomic<uint64_t> played_{0};
    std::atomic<bool> finished_{false};
    LevelTap levels_;
    std::thread worker_;
};

// The MCI error that best describes a failed waveInOpen / waveOutOpen.
MCIERROR WaveInErrorToMci(MMRESULT r);
MCIERROR WaveOutErrorToMci(MMRESULT r);

}  // namespace orvo
