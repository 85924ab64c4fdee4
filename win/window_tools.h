// The small recipes every window of both programs is built with: a child
// control from a twips rectangle, a frame centred on its owner, the dialog
// font, a window's text, and the module the code runs in.
#pragma once
#include <windows.h>

#include <string>

#include "win/window.h"

namespace orvo {

// The rectangle in pixels at dpi; a negative size counts as none.
RECT PixelsOf(const TwipRect& rect, int dpi);

// Creates a system control (WS_CHILD is added) in parent, placed at the
// parent's dpi (its window's, for one of this program's windows) and given
// the dialog font. nullptr when the system refuses.
HWND CreateChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle,
                 const TwipRect& rect, UINT id);

// The outer rectangle of a window with the given client size and styles,
// centred over owner's window, or on the work area without an owner.
RECT CentredFrame(HWND owner, int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu = false);

// The dialog font (9 points) at the given dpi, created once per dpi and kept
// for the life of the module.
HFONT DialogFont(int dpi);

// A system metric (GetSystemMetrics' index) at dpi. Where the system has no
// per-dpi metrics, the metric at the system's dpi in proportion.
int SystemMetricForDpi(int index, int dpi);

// Names a control that shows no text of its own (a slider, a picture, a
// container of other windows) for screen readers: the system's accessibility
// layer reads the name from the window text, which such a control never draws.
void SetAccessibleName(HWND control, const std::wstring& name);

// What the system's shutdown screen says the window is still doing, so the
// user who ends the session knows what would be cut short; nullptr takes it
// back. Does nothing on systems without the call (before Vista).
void SetShutdownReason(HWND hwnd, const wchar_t* reason);

// The whole text of a window or control.
std::wstring WindowText(HWND hwnd);

// The module (program or DLL) this code is linked into.
HMODULE ThisModule();
// The full path of a module's file (nullptr: the program's); empty when the
// system cannot tell.
std::wstring ModulePath(HMODULE module);
// A window class name for this module: code linked into a DLL adds the DLL's
// address, so a host program's class of the same name, or one left behind by
// an unloaded copy of the DLL, is never taken for its own.
std::wstring ModuleClassName(const wchar_t* stem);

}  // namespace orvo
