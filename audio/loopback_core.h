// The heart of recording what the computer plays: packets of the output's
// mix format, read from a capture client, turned into the element's format
// on a timeline the clock keeps. A loopback stream hands over nothing while
// nothing plays, so where the clock runs ahead of the packets the timeline
// is filled with silence: a take of a lecture with pauses is as long as the
// lecture. No COM here, so it can be driven by a scripted client.
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "audio/sample_convert.h"

namespace orvo {

// The face of a capture client the timeline reads packets through, as
// IAudioCaptureClient has it.
class CapturePackets {
public:
    virtual ~CapturePackets() = default;
    // Frames in the next packet; 0 when none waits.
    virtual HRESULT NextPacketSize(UINT32& frames) = 0;
    // The next packet; flags may hold AUDCLNT_BUFFERFLAGS_SILENT.
    virtual HRESULT GetBuffer(BYTE*& data, UINT32& frames, DWORD& flags) = 0;
    virtual HRESULT ReleaseBuffer(UINT32 frames) = 0;
};

// The silent flag of a packet (AUDCLNT_BUFFERFLAGS_SILENT).
inline constexpr DWORD kPacketSilent = 0x2;

class LoopbackTimeline {
public:
    // Whole frames of the target format; false stops the take.
    using Writer = std::function<bool(const void* data, uint32_t bytes)>;
    // While no packets come, silence is filled in only up to this far
    // behind the clock, so that packets still on their way are not pushed
    // back by it.
    static constexpr uint64_t kSlack100ns = 2000000;  // 200 ms
    // A packet that ends further than this behind the clock came after a
    // pause: the rest of the pause is filled in before it, so the sound
    // after a pause is where the clock puts it.
    static constexpr uint64_t kLate100ns = 500000;  // 50 ms

    // mix: the packets' format (PCM or float, also extensible); target:
    // the element's.
    LoopbackTimeline(const WAVEFORMATEX& mix, const WAVEFORMATEX& target, Writer writer);
    // Both formats are ones it reads and writes.
    bool Usable() const;
    // Drains every packet waiting, then fills the gap up to the clock (time
    // since the take began, 100-ns units) less the slack. S_OK, the client's
    // failure, or S_FALSE when the writer refused more.
    HRESULT Pump(CapturePackets& client, uint64_t elapsed100ns);
    // At the take's end: silence up to the clock itself.
    void Finish(uint64_t elapsed100ns);
    // Target frames on the timeline so far.
    uint64_t Frames() const { return frames_; }

private:
    void Packet(const BYTE* data, UINT32 frames, bool silent, uint64_t clock);
    void Emit(const double* frame);
    bool FillTo(uint64_t frames);
    bool Flush();
    uint64_t ClockFrames(uint64_t elapsed100ns) const;

    WAVEFORMATEX mix_, target_;
    SampleKind mixKind_, targetKind_;
    Writer writer_;
    double step_ = 1;   // mix frames per target frame
    double phase_ = 0;  // where the next target frame lies past prev_
    std::vector<double> prev_, cur_, at_;
    std::vector<uint8_t> out_;
    uint64_t frames_ = 0;
    bool refused_ = false;
};

}  // namespace orvo
