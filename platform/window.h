// The base of every window: one object per window, a static window procedure
// that finds the object and forwards to HandleMessage, and the twips/pixels
// conversion the layouts are written in.
#pragma once
#include <windows.h>

#include <string>

namespace orvo {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Hwnd() const { return hwnd_; }
    void Destroy();

    // Shows the window modally over owner: the owner is disabled and a local
    // message loop runs until this window is destroyed.
    void RunModal(HWND owner);

protected:
    // Registers the class on first use and creates the window; false on failure.
    bool CreateOf(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& title, int x, int y,
                  int width, int height, HWND parent, HMENU menu = nullptr, HICON icon = nullptr,
                  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    // Every message of the window. No exception may leave it: the static
    // procedure catches any that do and lets DefWindowProc answer.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(hwnd_, msg, wParam, lParam); }
    // Called once after WM_NCDESTROY; the handle is already gone.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Dots per inch of the window (its monitor's, where the system can tell).
int DpiOf(HWND hwnd);
// 1440 twips per inch; 15 per pixel at 96 dpi. Rounded half to even.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// The application's message loop with one accelerator table for one window.
int RunMessageLoop(HWND accelWindow, HACCEL accel);

}  // namespace orvo
