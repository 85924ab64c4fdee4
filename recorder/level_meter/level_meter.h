// The level meter beside the recording controls: while a take or playback
// runs it shows the peak of the last ~50 ms per channel on a dBFS scale from
// -60 to 0 (green, yellow from -12, red from -3), a peak-hold mark that falls
// after 1.5 s, and a clip mark that stays lit for the rest of the take. Its
// window text carries the same reading ("输入电平 -12 dB"), so screen readers
// and tests can read it. Stopped, it is hidden and says nothing.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "audio/level_tap.h"
#include "win/controls.h"
#include "win/window.h"

namespace orvo::recorder {

// What the meter's text says for a reading: "输入电平 -12 dB", per channel
// when stereo ("输入电平 左 -12 dB 右 -13 dB"), empty when nothing is measured.
std::wstring LevelText(const LevelReading& reading, bool input);

// The recording status line's warning for the input heard so far.
enum class InputWarning { None, Silence, Clipping };

// Turns readings into warnings on the window's clock: silence after five
// seconds of audio below -50 dBFS, ending with the first sound; clipping for
// three seconds from each clipped second of audio.
class InputWatch {
public:
    void Reset();
    InputWarning Update(const LevelReading& reading, DWORD nowTick);

private:
    uint32_t clipEvents_ = 0;
    DWORD clipUntil_ = 0;
    bool clipping_ = false;
};

class LevelMeter : public Control {
public:
    void Create(Window& container, const TwipRect& rect);
    HWND Hwnd() const override { return surface_.Hwnd(); }

    // Shows the meter and reads source about 20 times a second until Stop.
    void Start(std::function<LevelReading()> source, bool input);
    void Stop();
    // Reads the source and repaints now (the timer does it otherwise).
    void Refresh();

    // A level drawn as a line across the bars (the voice gate's threshold);
    // none by default.
    void SetThreshold(std::optional<double> db);
    std::optional<double> Threshold() const { return threshold_; }
    // The middle of that line in a client area of the meter's, or -1.
    int ThresholdX(const RECT& client) const;

    double HoldDb(int channel) const { return hold_[channel]; }
    bool ClipLit() const { return reading_.clipEvents > 0; }

private:
    class Surface : public Window {
    public:
        explicit Surface(LevelMeter& meter) : meter_(meter) {}
        bool Create(HWND parent, const RECT& px);

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        LevelMeter& meter_;
    };

    void Paint(HDC dc, const RECT& client) const;

    Surface surface_{*this};
    Timer timer_;
    std::function<LevelReading()> source_;
    bool input_ = true;
    LevelReading reading_;
    double hold_[kMaxMeterChannels] = {kLevelFloorDb, kLevelFloorDb};
    DWORD holdSince_[kMaxMeterChannels] = {0, 0};
    std::optional<double> threshold_;
};

}  // namespace orvo::recorder
