#include "recorder/progress_bar/dbar.h"

#include <gtest/gtest.h>

#include "tests/support/pump.h"

namespace orvo::recorder {
namespace {

class Host : public Window {
public:
    bool Create() {
        return CreateOf(L"OrvoDBarTestHost", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, L"dBar", 0, 0, 400, 150,
                        nullptr);
    }
};

// The main window's instance: 3165 × 375 twips.
class DBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create());
        bar.Create(host, {0, 0, 3165, 375});
    }
    Host host;
    dBar bar;
};

bool AnyTimerOn(const dBar& b) {
    return b.tmrMonic.Enabled() || b.tmrPace.Enabled() || b.tmrBouncy.Enabled() || b.tmrPulse.Enabled();
}

TEST_F(DBarTest, SizesTheBarAndPutsTheImagesHomeOutsideIt) {
    EXPECT_EQ(bar.pBar.Width(), 2965);
    EXPECT_EQ(bar.pBar.Height(), 175);
    EXPECT_EQ(bar.LeftHome(), -750);
    EXPECT_EQ(bar.RightHome(), 2965);
    EXPECT_EQ(bar.pLeft.Left(), -750);
    EXPECT_EQ(bar.pRight.Left(), 2965);
    EXPECT_FALSE(bar.lblPulse.Visible());
    EXPECT_FALSE(AnyTimerOn(bar));

    // A taller control still gets a bar of at most 315; a tiny one an empty bar.
    bar.Move(0, 0, 4800, 990);
    EXPECT_EQ(bar.pBar.Width(), 4600);
    EXPECT_EQ(bar.pBar.Height(), 315);
    EXPECT_EQ(bar.RightHome(), 4600);
    bar.Move(0, 0, 100, 100);
    EXPECT_EQ(bar.pBar.Width(), 0);
    EXPECT_EQ(bar.pBar.Height(), 0);
}

TEST_F(DBarTest, BouncyStyleCrossesTheBarAndWrapsOnTheTwentiethTick) {
    bar.Style(3);
    bar.BeginDisplay();
    EXPECT_TRUE(bar.tmrBouncy.Enabled());
    EXPECT_EQ(bar.tmrBouncy.Interval(), 50u);
    EXPECT_EQ(bar.IncrementValue(), 200);
    for (int tick = 1; tick <= 19; ++tick) {
        bar.tmrBouncy_Timer();
        ASSERT_EQ(bar.pLeft.Left(), -750 + tick * 200) << tick;
    }
    EXPECT_EQ(bar.pLeft.Left(), 3050);
    // pRight moves left alongside; at -635 it is still right of its home
    // (-750), so it takes one more step before it returns.
    EXPECT_EQ(bar.pRight.Left(), -835);
    bar.tmrBouncy_Timer();
    EXPECT_EQ(bar.pLeft.Left(), -750);
    EXPECT_EQ(bar.pRight.Left(), 2965);

    bar.EndDisplay();
    EXPECT_FALSE(AnyTimerOn(bar));
    EXPECT_EQ(bar.pLeft.Left(), -750);
}

TEST_F(DBarTest, DefaultsAndStyleZeroRunTheSingleImage) {
    bar.BeginDisplay();
    EXPECT_EQ(bar.StyleValue(), 1);
    EXPECT_EQ(bar.TimimgValue(), 50);
    EXPECT_EQ(bar.IncrementValue(), 200);
    EXPECT_TRUE(bar.tmrMonic.Enabled());
    EXPECT_FALSE(bar.tmrBouncy.Enabled());

    bar.Style(0);
    bar.BeginDisplay();
    EXPECT_TRUE(bar.tmrMonic.Enabled());
    for (int tick = 1; tick <= 18; ++tick) bar.tmrMonic_Timer();
    EXPECT_EQ(bar.pLeft.Left(), -750 + 18 * 200);
    bar.tmrMonic_Timer();  // 3050 >= 2965: back home in the same tick
    EXPECT_EQ(bar.pLeft.Left(), -750);
    EXPECT_EQ(bar.pRight.Left(), 2965);
}

TEST_F(DBarTest, PaceStyleMovesTheImagesInTurn) {
    bar.Style(2);
    bar.BeginDisplay();
    EXPECT_TRUE(bar.tmrPace.Enabled());
    for (int tick = 1; tick <= 19; ++tick) bar.tmrPace_Timer();
    EXPECT_EQ(bar.pLeft.Left(), 3050);
    EXPECT_EQ(bar.pRight.Left(), 2965);
    for (int tick = 1; tick <= 19; ++tick) bar.tmrPace_Timer();
    EXPECT_EQ(bar.pRight.Left(), 2965 - 19 * 200);
    EXPECT_EQ(bar.pLeft.Left(), 3050);
    bar.tmrPace_Timer();  // both return home together
    EXPECT_EQ(bar.pLeft.Left(), -750);
    EXPECT_EQ(bar.pRight.Left(), 2965);
}

TEST_F(DBarTest, PulseGrowsPastTheBarShrinksAndRefusesANegativeWidth) {
    for (int style : {4, 7, -1}) {
        bar.Style(style);
        bar.BeginDisplay();
        EXPECT_TRUE(bar.tmrPulse.Enabled()) << style;
        EXPECT_TRUE(bar.lblPulse.Visible());
        EXPECT_EQ(bar.lblPulse.Width(), 0);
    }
    bar.Increment(1000);
    bar.tmrPulse_Timer();
    EXPECT_EQ(bar.lblPulse.Width(), 1000);
    // Centred 150 twips left of the bar's middle: 2965/2 + 150 - 500 - 300.
    EXPECT_DOUBLE_EQ(bar.lblPulse.Left(), 2965 / 2.0 + 150 - 500 - 300);
    bar.tmrPulse_Timer();
    EXPECT_TRUE(bar.Growing());
    bar.tmrPulse_Timer();  // 3000 > 2965: from now on it shrinks
    EXPECT_EQ(bar.lblPulse.Width(), 3000);
    EXPECT_FALSE(bar.Growing());
    bar.Increment(1500);  // takes effect on the very next tick
    bar.tmrPulse_Timer();
    EXPECT_EQ(bar.lblPulse.Width(), 1500);
    bar.tmrPulse_Timer();  // down to exactly 0 is allowed
    EXPECT_EQ(bar.lblPulse.Width(), 0);
    EXPECT_FALSE(bar.Growing());
    bar.tmrPulse_Timer();  // 0 - 1500 < 0: nothing moves, growth again
    EXPECT_EQ(bar.lblPulse.Width(), 0);
    EXPECT_TRUE(bar.Growing());
    bar.tmrPulse_Timer();
    EXPECT_EQ(bar.lblPulse.Width(), 1500);
}

TEST_F(DBarTest, TimingAndStyleWaitForTheNextBeginDisplay) {
    bar.Style(3);
    bar.BeginDisplay();
    bar.Timimg(120);
    bar.Style(2);
    EXPECT_TRUE(bar.tmrBouncy.Enabled());
    EXPECT_EQ(bar.tmrBouncy.Interval(), 50u);
    EXPECT_FALSE(bar.tmrPace.Enabled());
    bar.BeginDisplay();
    EXPECT_FALSE(bar.tmrBouncy.Enabled());
    EXPECT_TRUE(bar.tmrPace.Enabled());
    EXPECT_EQ(bar.tmrPace.Interval(), 120u);
    // Negative values are refused and the stored ones stay.
    bar.Timimg(-5);
    bar.Increment(-200);
    EXPECT_EQ(bar.TimimgValue(), 120);
    EXPECT_EQ(bar.IncrementValue(), 200);
}

TEST_F(DBarTest, RunsOnItsOwnTimerAndAResizeStopsIt) {
    bar.Style(3);
    bar.BeginDisplay();
    EXPECT_TRUE(test::PumpUntil([&] { return bar.pLeft.Left() > -750 + 400; }, 3000));
    bar.Move(0, 0, 3165, 375);
    EXPECT_FALSE(AnyTimerOn(bar));
    EXPECT_EQ(bar.pLeft.Left(), -750);
}

TEST(BarGradient, RunsFromLightBlueToNavy) {
    ScopedGdi<HBITMAP> left(CreateBarGradient(true));
    ScopedGdi<HBITMAP> right(CreateBarGradient(false));
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(left.Get(), sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmWidth, 50);
    EXPECT_EQ(ds.dsBm.bmHeight, 20);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    auto pixel = [](HBITMAP bmp, int x) {
        DIBSECTION d{};
        GetObjectW(bmp, sizeof(d), &d);
        auto* p = static_cast<BYTE*>(d.dsBm.bmBits) + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    EXPECT_EQ(pixel(left.Get(), 0), RGB(156, 168, 230));
    EXPECT_EQ(pixel(left.Get(), 49), RGB(0, 4, 76));
    EXPECT_EQ(pixel(left.Get(), 40), RGB(0, 4, 76));
    EXPECT_EQ(pixel(right.Get(), 0), RGB(0, 4, 76));
    EXPECT_EQ(pixel(right.Get(), 49), RGB(156, 168, 230));
}

}  // namespace
}  // namespace orvo::recorder
