// Recording what the computer plays: a shared-mode WASAPI loopback stream on
// the default playback device (Windows Vista and later), its packets turned
// into the element's format by LoopbackTimeline. All COM stays on the
// capture's own thread.
#pragma once
#include <windows.h>

#include <thread>

struct IAudioClient;
struct IAudioCaptureClient;

#include "audio/take_capture.h"
#include "base/scoped.h"

namespace orvo {

class LoopbackTimeline;

class LoopbackCapture : public TakeCapture {
public:
    LoopbackCapture() = default;
    ~LoopbackCapture() override;
    LoopbackCapture(const LoopbackCapture&) = delete;
    LoopbackCapture& operator=(const LoopbackCapture&) = delete;

    // Opens the stream on the capture thread and returns once it runs (0)
    // or could not be opened (an MCI error).
    MCIERROR Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes,
                   HWND notify, UINT message) override;
    void Stop() override;
    uint64_t Recorded() const override { return sink_.Recorded(); }
    TakeEndCause Ended() const override { return sink_.Ended(); }
    DWORD WriteError() const override { return sink_.WriteError(); }
    LevelReading Levels() const override { return sink_.Levels(); }
    bool Converts() const override { return true; }
    const TakeSink& Sink() const override { return sink_; }

    // Whether this system can record the default playback device's sound:
    // S_OK, or why not (no such device, a driver or system that refuses a
    // loopback stream or its capture service).
    static HRESULT Probe();

private:
    void Run() noexcept;
    void Capture(IAudioClient& client, IAudioCaptureClient& capture, LoopbackTimeline& timeline);

    TakeSink sink_;
    WAVEFORMATEXTENSIBLE format_{};
    HWND notify_ = nullptr;
    UINT message_ = 0;
    ScopedHandle stopEvent_, openedEvent_;
    HRESULT opened_ = E_FAIL;
    std::thread worker_;
};

}  // namespace orvo
