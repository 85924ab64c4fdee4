#include "tests/support/window_checks.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <cstdlib>
#include <vector>

#include "base/scoped.h"
#include "win/window_tools.h"

namespace orvo::test {
namespace {

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

std::vector<HWND> VisibleChildren(HWND parent) {
    std::vector<HWND> shown;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) shown.push_back(c);
    return shown;
}

// The name the system's accessibility layer gives the control itself. The
// interface id is the header's: the import library's symbol of that name is
// not the data.
std::wstring AccessibleName(HWND control) {
    ComPtr<IAccessible> acc;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          acc.PutVoid())))
        return L"";
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (acc->get_accName(self, &name) != S_OK || !name) return L"";
    std::wstring text(name);
    SysFreeString(name);
    return text;
}

// A group box is drawn around the controls it holds, which are its siblings.
bool GroupBox(HWND h) {
    return ClassOf(h) == L"Button" && (GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

}  // namespace

RECT RectInParent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectTidy(HWND parent, const std::wstring& where) {
    RECT client;
    GetClientRect(parent, &client);
    std::vector<HWND> shown = VisibleChildren(parent);
    for (size_t i = 0; i < shown.size(); ++i) {
        RECT r = RectInParent(shown[i]);
        std::wstring name = where + L"/" + ClassOf(shown[i]) + L" " + std::to_wstring(i);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "outside: " << testing::PrintToString(name) << " " << r.left << "," << r.top << "," << r.right << ","
            << r.bottom << " in " << client.right << "x" << client.bottom;
        for (size_t j = i + 1; j < shown.size(); ++j) {
            if (GroupBox(shown[i]) || GroupBox(shown[j])) continue;
            RECT other = RectInParent(shown[j]), both;
            EXPECT_FALSE(IntersectRect(&both, &r, &other))
                << "overlap: " << testing::PrintToString(name) << " and "
                << testing::PrintToString(ClassOf(shown[j]));
        }
        ExpectTidy(shown[i], name);
    }
}

void ExpectNamed(HWND parent, const std::wstring& where) {
    for (HWND c : VisibleChildren(parent)) {
        std::wstring name = where + L"/" + ClassOf(c);
        if (!AccessibleName(c).empty()) continue;
        if (VisibleChildren(c).empty())
            ADD_FAILURE() << "no accessible name: " << testing::PrintToString(name) << " showing "
                          << testing::PrintToString(WindowText(c));
        else
            ExpectNamed(c, name);
    }
}

void ExpectAt(HWND control, const TwipRect& twips, int dpi) {
    RECT want = PixelsOf(twips, dpi);
    RECT got = RectInParent(control);
    EXPECT_TRUE(EqualRect(&want, &got)) << "at " << dpi << " dpi: " << got.left << "," << got.top << "," << got.right
                                        << "," << got.bottom << " for " << want.left << "," << want.top << ","
                                        << want.right << "," << want.bottom;
}

void ExpectPrefixDpi(int dpi) {
    if (const char* want = getenv("ORVO_TEST_DPI")) {
        EXPECT_EQ(dpi, atoi(want));
    }
}

void ExpectTakesNewDpi(HWND window, int from, int to) {
    // The client area scaled, in the frame the window has now (the system
    // here keeps drawing the frame at its own dpi).
    RECT before, client;
    GetWindowRect(window, &before);
    GetClientRect(window, &client);
    int frameX = before.right - before.left - client.right, frameY = before.bottom - before.top - client.bottom;
    // Rounded up: a client area already rounded down must not lose a pixel more.
    auto scaled = [&](int pixels) { return (pixels * to + from - 1) / from; };
    RECT suggested{before.left, before.top, before.left + scaled(client.right) + frameX,
                   before.top + scaled(client.bottom) + frameY};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << now.left << "," << now.top << "," << now.right << "," << now.bottom;
}

}  // namespace orvo::test
