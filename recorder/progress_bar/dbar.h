// The busy bar: an indefinite animation inside a sunken bar, for as long as
// the host says work is going on. Two gradient images slide through the bar
// (styles 1 to 3) or a teal block swells and shrinks in its middle (any other
// style). It shows no amount of progress. Everything runs on its own timers on
// the user-interface thread; none of its operations traps a failure.
#pragma once
#include <windows.h>

#include <cstdint>

#include "win/controls.h"
#include "base/scoped.h"

namespace orvo::recorder {

class dBar : public Panelled {
public:
    // Design size 4800 × 990 twips unless the host places it otherwise.
    void Create(Window& container, const TwipRect& rect);

    // 1: one image runs through; 2: the two images in turn; 3: both at once
    // in opposite directions; 0 counts as 1; anything else: the pulse.
    // Stored now, used from the next BeginDisplay.
    void Style(int32_t s) { mStyle = s; }
    // Tick interval in milliseconds, from the next BeginDisplay. A negative
    // interval is no interval at all and is refused.
    void Timimg(int16_t milsec);
    // Step per tick in twips, read on every tick. A negative step would move
    // the images away from the bar for ever and is refused.
    void Increment(int16_t twips);
    void BeginDisplay();
    void EndDisplay() { UserControl_Initialize(); }

    // The reset: every animation stops and the images go home.
    void UserControl_Initialize();
    void UserControl_Resize();
    void tmrMonic_Timer();
    void tmrPace_Timer();
    void tmrBouncy_Timer();
    void tmrPulse_Timer();

    int32_t StyleValue() const { return mStyle; }
    int16_t TimimgValue() const { return mTimimg; }
    int16_t IncrementValue() const { return mIncrement; }
    int32_t LeftHome() const { return mLeftHome; }
    int32_t RightHome() const { return mRightHome; }
    bool Growing() const { return mGrowing != 0; }

    PictureBox pBar;
    PictureBox pLeft;
    PictureBox pRight;
    Label lblPulse;
    Timer tmrPulse;
    Timer tmrMonic;
    Timer tmrPace;
    Timer tmrBouncy;

protected:
    void Moved() override { UserControl_Resize(); }

private:
    void CentrePulse();

    int32_t mStyle = 0;
    int32_t mLeftHome = 0;
    int32_t mRightHome = 0;
    int16_t mIncrement = 0;
    int16_t mTimimg = 0;
    int16_t mGrowing = -1;

    ScopedGdi<HBITMAP> leftImage_;
    ScopedGdi<HBITMAP> rightImage_;
};

// The sliding image: 50 × 20 pixels, 24 bits, light blue at one end and dark
// navy over the other third. darkRight: navy on the right (pLeft's image).
ScopedGdi<HBITMAP> CreateBarGradient(bool darkRight);

}  // namespace orvo::recorder
