#include "recorder/progress_bar/dbar.h"

#include <algorithm>
#include <cstring>

#include "base/failure.h"
#include "base/rounding.h"

namespace orvo::recorder {
namespace {

constexpr COLORREF kPulseColor = RGB(0, 128, 128);
constexpr int kImageWidth = 50;
constexpr int kImageHeight = 20;

}  // namespace

ScopedGdi<HBITMAP> CreateBarGradient(bool darkRight) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kImageWidth;
    bi.bmiHeader.biHeight = kImageHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedGdi<HBITMAP> bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp || !bits) Fail(L"Cannot create the bar's image");
    const int stride = (kImageWidth * 3 + 3) & ~3;
    auto* p = static_cast<BYTE*>(bits);
    // Light blue fades into navy over the first two thirds; the last third is
    // solid navy, the leading edge of the moving block.
    const double light[3] = {156, 168, 230}, dark[3] = {0, 4, 76};
    const double fadeEnd = kImageWidth * 2.0 / 3.0;
    for (int x = 0; x < kImageWidth; ++x) {
        int fromLight = darkRight ? x : kImageWidth - 1 - x;
        double t = std::min(1.0, fromLight / fadeEnd);
        BYTE rgb[3];
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<BYTE>(RoundHalfEven(light[c] + (dark[c] - light[c]) * t));
        for (int y = 0; y < kImageHeight; ++y) {
            BYTE* px = p + y * stride + x * 3;
            px[0] = rgb[2];
            px[1] = rgb[1];
            px[2] = rgb[0];
        }
    }
    return bmp;
}

void dBar::Create(Window& container, const TwipRect& rect) {
    CreatePanel(container, rect, false, CLR_INVALID);
    Window& self = Inner();
    pBar.Create(self, TwipRect{150, 150, 4425, 315}, true);
    leftImage_ = CreateBarGradient(true);
    rightImage_ = CreateBarGradient(false);
    pLeft.Create(pBar.Inner(), TwipRect{0, 0, 750, 300});
    pLeft.SetPicture(leftImage_.Get());
    pRight.Create(pBar.Inner(), TwipRect{3615, -15, 750, 300});
    pRight.SetPicture(rightImage_.Get());
    lblPulse.Create(pBar.Inner(), L"", TwipRect{1155, -15, 2010, 285});
    lblPulse.SetBackColor(kPulseColor);
    tmrPulse.Create(self, 50);
    tmrMonic.Create(self, 50);
    tmrPace.Create(self, 50);
    tmrBouncy.Create(self, 50);
    tmrPulse.OnTick([this] { tmrPulse_Timer(); });
    tmrMonic.OnTick([this] { tmrMonic_Timer(); });
    tmrPace.OnTick([this] { tmrPace_Timer(); });
    tmrBouncy.OnTick([this] { tmrBouncy_Timer(); });
    UserControl_Initialize();
    UserControl_Resize();
}

void dBar::Timimg(int16_t milsec) {
    if (milsec >= 0) mTimimg = milsec;
}

void dBar::Increment(int16_t twips) {
    if (twips >= 0) mIncrement = twips;
}

void dBar::UserControl_Initialize() {
    mGrowing = -1;
    tmrPace.SetEnabled(false);
    tmrMonic.SetEnabled(false);
    tmrBouncy.SetEnabled(false);
    tmrPulse.SetEnabled(false);
    lblPulse.SetVisible(false);
    pLeft.SetLeft(pBar.Left() - pLeft.Width() - 150);
    pRight.SetLeft(pBar.Width() + pBar.Left() - 150);
    mLeftHome = static_cast<int32_t>(RoundHalfEven(pLeft.Left()));
    mRightHome = static_cast<int32_t>(RoundHalfEven(pRight.Left()));
}

// The bar keeps margins of 150 on the left and top and 50 on the right, and
// is never taller than the images' 315. A control too small for the margins
// gets an empty bar rather than a negative size.
void dBar::UserControl_Resize() {
    if (!pBar.Created()) return;
    double width = std::max(0.0, Width() - 200);
    double height = std::clamp(Height() - 200, 0.0, 315.0);
    pBar.Move(pBar.Left(), pBar.Top(), width, height);
    UserControl_Initialize();
}

void dBar::BeginDisplay() {
    UserControl_Initialize();
    if (mTimimg == 0) mTimimg = 50;
    if (mIncrement == 0) mIncrement = 200;
    if (mStyle == 0) mStyle = 1;
    Timer* timer;
    switch (mStyle) {
        case 1: timer = &tmrMonic; break;
        case 2: timer = &tmrPace; break;
        case 3: timer = &tmrBouncy; break;
        default:
            timer = &tmrPulse;
            lblPulse.SetVisible(true);
            lblPulse.SetWidth(0);
            break;
    }
    timer->SetInterval(static_cast<UINT>(mTimimg));
    timer->SetEnabled(true);
}

void dBar::tmrMonic_Timer() {
    pLeft.SetLeft(pLeft.Left() + mIncrement);
    if (pLeft.Left() >= mRightHome) pLeft.SetLeft(mLeftHome);
}

void dBar::tmrPace_Timer() {
    if (pLeft.Left() < mRightHome) {
        pLeft.SetLeft(pLeft.Left() + mIncrement);
    } else if (pRight.Left() > mLeftHome) {
        pRight.SetLeft(pRight.Left() - mIncrement);
    } else {
        pLeft.SetLeft(mLeftHome);
        pRight.SetLeft(mRightHome);
    }
}

void dBar::tmrBouncy_Timer() {
    if (pLeft.Left() >= mRightHome) {
        pLeft.SetLeft(mLeftHome);
    } else {
        pLeft.SetLeft(pLeft.Left() + mIncrement);
    }
    if (pRight.Left() > mLeftHome) {
        pRight.SetLeft(pRight.Left() - mIncrement);
    } else {
        pRight.SetLeft(mRightHome);
    }
}

void dBar::CentrePulse() { lblPulse.SetLeft(pBar.Width() / 2 + pBar.Left() - lblPulse.Width() / 2 - 300); }

void dBar::tmrPulse_Timer() {
    if (mGrowing) {
        lblPulse.SetWidth(lblPulse.Width() + mIncrement);
        CentrePulse();
        if (lblPulse.Width() > pBar.Width()) mGrowing = 0;
    } else if (lblPulse.Width() - mIncrement >= 0) {
        lblPulse.SetWidth(lblPulse.Width() - mIncrement);
        CentrePulse();
    } else {
        mGrowing = -1;
    }
}

}  // namespace orvo::recorder
