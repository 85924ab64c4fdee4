// The main window at the prefix's scale (the suite runs again in prefixes at
// 144 and 192 dpi) and after a change of scale while it is open.
#include "tests/main_window/main_window_fixture.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace orvo::recorder::test {
namespace {

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

RECT RectInParent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Every visible child of parent lies inside its client area and overlaps no
// visible sibling; the same for the children of each, all the way down.
void ExpectTidy(HWND parent, const std::wstring& where) {
    RECT client;
    GetClientRect(parent, &client);
    std::vector<HWND> shown;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (IsWindowVisible(c)) shown.push_back(c);
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        RECT r = RectInParent(shown[i]);
        std::wstring name = where + L"/" + ClassOf(shown[i]) + L" " + std::to_wstring(i);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "outside: " << testing::PrintToString(name) << " " << r.left << "," << r.top << "," << r.right << ","
            << r.bottom << " in " << client.right << "x" << client.bottom;
        for (size_t j = i + 1; j < shown.size(); ++j) {
            RECT other = RectInParent(shown[j]), both;
            EXPECT_FALSE(IntersectRect(&both, &r, &other))
                << "overlap: " << testing::PrintToString(name) << " and "
                << testing::PrintToString(ClassOf(shown[j]));
        }
        ExpectTidy(shown[i], name);
    }
}

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
    for (Control* c : std::vector<Control*>{&form->picMain, &form->TbrRecord, &form->LblFile, &form->cmdRecCtr}) {
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
