// The main window at the prefix's scale (the suite runs again in prefixes at
// 144 and 192 dpi) and after a change of scale while it is open.
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/window_checks.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace orvo::recorder::test {
namespace {

using orvo::test::ExpectNamed;
using orvo::test::ExpectTidy;
using orvo::test::RectInParent;

int PictureSize(HWND toolbar) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0)), &cx, &cy);
    return cy == cx ? cx : -1;
}

TEST_F(MainWindowTest, AtThePrefixScaleControlsFitAndPicturesAreLargeEnough) {
    int dpi = form->Dpi();
    SCOPED_TRACE("dpi " + std::to_string(dpi));
    // A run in a prefix made for a scale must really be at that scale.
    if (const char* want = getenv("ORVO_TEST_DPI")) {
        EXPECT_EQ(dpi, atoi(want));
    }
    ExpectTidy(form->Hwnd(), L"main");
    ExpectNamed(form->Hwnd(), L"main");
    for (HWND bar : {form->TbrRecord.Hwnd(), form->tbrOther.Hwnd()}) {
        EXPECT_GE(PictureSize(bar) * 96, 16 * dpi);
        // The button shows the whole picture.
        RECT button{};
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        EXPECT_GE(button.bottom - button.top, PictureSize(bar));
    }
}

TEST_F(MainWindowTest, ANewScaleTakesTheSuggestedRectangleAndScalesFromTwips) {
    int to = form->Dpi() >= 192 ? 96 : 192;
    RECT suggested{40, 30, 40 + MulDiv(5565, to, 1440) + 20, 30 + MulDiv(2625, to, 1440) + 60};
    SendMessageW(form->Hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(form->Hwnd(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(form->Dpi(), to);
    // Positions follow the twips at the new dpi, inside containers too.
    for (Control* c : std::vector<Control*>{&form->picMain, &form->TbrRecord, &form->LblFile, &form->cmdRecCtr,
                                                &form->mtrLevel}) {
        RECT want = PixelsOf(c->Rect(), to);
        RECT got = RectInParent(c->Hwnd());
        EXPECT_TRUE(EqualRect(&want, &got)) << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
    EXPECT_EQ(PictureSize(form->TbrRecord.Hwnd()), to == 192 ? 32 : 16);
    EXPECT_EQ(PictureSize(form->tbrOther.Hwnd()), to == 192 ? 32 : 16);
    // The text is drawn with the dialog font of the new dpi.
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(form->Lblread.Hwnd(), WM_GETFONT, 0, 0)), DialogFont(to));
}

}  // namespace
}  // namespace orvo::recorder::test
