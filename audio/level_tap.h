// Input and output levels, measured on the transport's worker threads from the
// buffers already flowing to or from the device, and read by the window when
// it repaints its meter. All levels are peaks in dB below full scale (dBFS).
#pragma once
#include <windows.h>
#include <mmreg.h>

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace orvo {

// The quietest level a meter tells apart from silence.
inline constexpr double kLevelFloorDb = -60.0;
// Below this for a while, the input is taken to be silent.
inline constexpr double kSilenceDb = -50.0;
// A second of audio with more full-scale samples than this counts as clipped.
inline constexpr uint32_t kClipSamplesPerSecond = 4;

inline constexpr int kMaxMeterChannels = 2;

struct PeakMeasure {
    // Per channel, as a share of full scale (0 to 1). A file with more than two
    // channels folds the others onto the second.
    double peak[kMaxMeterChannels] = {0, 0};
    int channels = 0;
    // Samples at full scale (either end), all channels together.
    uint32_t fullScale = 0;
};

// Measures whole frames of PCM (8, 16, 24 or 32 bit) or IEEE float (32 or 64
// bit) data, also inside WAVE_FORMAT_EXTENSIBLE. Other formats measure as
// nothing. A trailing partial frame is ignored.
PeakMeasure MeasurePeaks(const void* data, size_t bytes, const WAVEFORMATEX& format);

// A share of full scale as dBFS, never below kLevelFloorDb.
double PeakToDb(double peak);

// What the window reads.
struct LevelReading {
    bool active = false;  // a take or playback is feeding it
    int channels = 0;
    double db[kMaxMeterChannels] = {kLevelFloorDb, kLevelFloorDb};  // the last ~50 ms
    // Audio seen since Start, and how much of its end was below kSilenceDb.
    uint64_t frames = 0;
    uint64_t silentFrames = 0;
    // Counts the seconds of audio that clipped since Start; a change means a
    // new one.
    uint32_t clipEvents = 0;
    uint32_t samplesPerSec = 0;
};

// Fed by one worker thread, read by the window thread.
class LevelTap {
public:
    void Start(const WAVEFORMATEX& format);
    void Stop();
    // One buffer of whole frames in the format given to Start.
    void Feed(const void* data, size_t bytes);
    LevelReading Read() const;

private:
    mutable std::mutex lock_;
    WAVEFORMATEX format_{};
    LevelReading reading_;
    // The clipping second being counted.
    uint64_t clipWindowFrames_ = 0;
    uint32_t clipWindowSamples_ = 0;
    bool clipWindowCounted_ = false;
};

}  // namespace orvo
