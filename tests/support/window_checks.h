// Checks every window's layout and naming tests share: at any scale the
// controls fit and keep apart, and everything a user can reach has a name.
#pragma once
#include <windows.h>

#include <string>

#include "win/window.h"

namespace orvo::test {

// A child's rectangle in its parent's client pixels.
RECT RectInParent(HWND child);
// Every visible child of parent lies inside its client area and overlaps no
// visible sibling; the same for the children of each, all the way down.
void ExpectTidy(HWND parent, const std::wstring& where);
// Every visible control under parent has an accessible name, or lies inside
// a container that has one; containers without a name need named insides.
void ExpectNamed(HWND parent, const std::wstring& where);
// The control lies at the pixels of its twips at dpi.
void ExpectAt(HWND control, const TwipRect& twips, int dpi);
// Sends WM_DPICHANGED for dpi with a suggested rectangle that keeps the
// window's corner and scales its client area; expects the window to take it.
void ExpectTakesNewDpi(HWND window, int from, int to);
// In a run made for a scale (ORVO_TEST_DPI), the window really is at it.
void ExpectPrefixDpi(int dpi);
// The dpi the test's window should move to: 192, or 96 from 192 and above.
inline int OtherDpi(int dpi) { return dpi >= 192 ? 96 : 192; }

}  // namespace orvo::test
