// The base of every window: one object per window, a static window procedure
// that finds the object and forwards to HandleMessage, and the twips/pixels
// conversion the layouts are written in.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/scoped.h"

namespace orvo {

// A place in twips, relative to the container's client area.
struct TwipRect {
    double left = 0, top = 0, width = 0, height = 0;
};

class Control;

class Window {
public:
    Window() = default;
    // Destroys the window if it is still open, without calling back into the
    // object (no WM_DESTROY handler, no OnDestroyed): a derived window needs
    // no Destroy() in its destructor, only the teardown of its own state.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Hwnd() const { return hwnd_; }
    void Destroy();

    // The object behind one of this program's windows, or nullptr.
    static Window* FromHandle(HWND hwnd);

    // One handler per event. Controls register here; the handlers run from
    // the window procedure, which lets no exception pass. Commands are
    // dispatched only this way, never by a switch over identifiers: each
    // handler is registered next to the control it belongs to, so no list of
    // identifiers has to be kept in step with the controls.
    using Handler = std::function<void()>;
    // WM_COMMAND by identifier: menu items, accelerators, buttons, toolbar buttons.
    void OnCommand(UINT id, Handler handler);
    // WM_COMMAND from a control with one notification code (STN_CLICKED,
    // EN_SETFOCUS...); it goes before a handler for the identifier alone.
    void OnControlCommand(UINT id, WORD code, Handler handler);
    // WM_NOTIFY from one control; the handler's result is the message's result.
    void OnNotify(HWND from, std::function<LRESULT(NMHDR*)> handler);
    // WM_HSCROLL / WM_VSCROLL from one control (slider, scroll bar): the
    // scroll code and the thumb position the message carries.
    void OnScroll(HWND from, std::function<void(int code, int thumb)> handler);
    // WM_TIMER by timer identifier.
    void OnTimer(UINT_PTR id, Handler handler);
    void RemoveTimer(UINT_PTR id);
    // A fresh identifier for a child control or timer of this window.
    UINT NextId() { return nextId_++; }
    // The window whose handlers receive the notifications of controls placed
    // in this one: itself, or for a container panel, its parent's sink.
    virtual Window& EventSink() { return *this; }
    // The dpi the window is laid out for: the last WM_DPICHANGED's of its
    // top-level window, else what the system reports for it.
    int Dpi() const;

    // Shows the window modally over owner: the owner is disabled and a local
    // message loop runs until this window is destroyed. show: false leaves the
    // showing to the window itself (one that appears only after a delay). A
    // WM_QUIT ends the loop early and is posted again for the outer loop once
    // the owner is enabled again; then the result is false.
    bool RunModal(HWND owner, bool show = true);

protected:
    // Keeps the place of a child window of the program's own that is no
    // control of the kit (a drawing area, a browser host), or takes a new
    // place for one already kept: a change of dpi puts it back there.
    void KeepPlace(HWND child, const TwipRect& rect);
    // After a change of dpi, once the window has taken the rectangle the
    // system suggests and its controls and kept children their places and
    // fonts: what else it draws at its scale (fonts of its own, pictures,
    // metrics).
    virtual void Form_DpiChanged() {}

    // Registers the class on first use and creates the window; false on failure.
    bool CreateOf(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& title, int x, int y,
                  int width, int height, HWND parent, HMENU menu = nullptr, HICON icon = nullptr,
                  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), UINT classStyle = 0);

    // Every message of the window. No exception may leave it: the static
    // procedure catches any that do and lets DefWindowProc answer. The base
    // version dispatches to the registered handlers, then calls Default.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs the registered handler for a control notification; false when none.
    bool Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(hwnd_, msg, wParam, lParam); }
    // Called once after WM_NCDESTROY when the window goes while its object
    // lives (closed by the user or by Destroy); the handle is already gone.
    // Not called from the destructor: the object stops answering its window
    // before the handle goes, and its own destructor tears down its state.
    virtual void OnDestroyed() {}

private:
    friend class Control;  // registers itself with the window that receives its notifications
    // The controls a new dpi lays out again, in the order they were made.
    void Register(Control* control);
    // A control going: it is laid out no more, and its handlers are dropped.
    void Unregister(Control* control, UINT id, HWND hwnd);
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_DPICHANGED: the suggested rectangle, then everything laid out again.
    void TakeDpi(const RECT& suggested);
    struct Kept {
        HWND child;
        TwipRect rect;
    };
    HWND hwnd_ = nullptr;
    std::vector<Kept> kept_;
    std::vector<Control*> controls_;
    int dpi_ = 0;  // from WM_DPICHANGED; 0 until one arrives
    UINT nextId_ = 1000;
    std::map<UINT, Handler> commands_;
    std::map<std::pair<UINT, WORD>, Handler> controlCommands_;
    std::map<HWND, std::function<LRESULT(NMHDR*)>> notifies_;
    std::map<HWND, std::function<void(int, int)>> scrolls_;
    std::map<UINT_PTR, Handler> timers_;
};

// A plain child window that holds other controls (frames, picture boxes, the
// busy bar). It passes its children's notifications on to its parent, so the
// handlers all live with the form that owns the controls.
class Panel : public Window {
public:
    // Sunken: a sunken border. back: the background colour (CLR_INVALID for
    // the button face).
    bool Create(Window& parent, int x, int y, int width, int height, bool sunken = false,
                COLORREF back = CLR_INVALID, UINT id = 0);
    Window& EventSink() override { return parent_ ? parent_->EventSink() : *this; }
    // A bitmap painted at its natural size in the top-left corner (not owned).
    void SetPicture(HBITMAP bitmap);
    void SetBackColor(COLORREF color);
    // The brush of the background colour; nullptr for the button face.
    HBRUSH BackBrush() const { return backBrush_.Get(); }
    // Draws an etched group border with the caption in its top edge.
    void SetFrameCaption(const std::wstring& caption);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintFrame(HDC dc);
    Window* parent_ = nullptr;
    bool framed_ = false;
    std::wstring caption_;
    HBITMAP picture_ = nullptr;
    COLORREF back_ = CLR_INVALID;
    ScopedGdi<HBRUSH> backBrush_;
};

// Dots per inch of the window (its monitor's, where the system can tell).
int DpiOf(HWND hwnd);
// 1440 twips per inch; 15 per pixel at 96 dpi. Rounded half to even.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// A control's own background colour and the brush that paints it, owned by
// the control's wrapper. The control's window only points at it, so that its
// parent can answer WM_CTLCOLORSTATIC.
struct BackColor {
    COLORREF color = CLR_INVALID;
    ScopedGdi<HBRUSH> brush;
};
// back: nullptr to detach.
void AttachBackColor(HWND control, const BackColor* back);
// Answers WM_CTLCOLORSTATIC for a control with its own background; nullptr
// when it has none.
HBRUSH ControlBackBrush(HWND control, HDC dc);

// One step of the application's message loop before dispatch: the window's
// accelerators first, then dialog-style keyboard navigation (Tab, arrows)
// among its controls. True when the message was used up.
bool TranslateAppMessage(MSG& m, HWND accelWindow, HACCEL accel);
// The application's message loop with one accelerator table for one window.
int RunMessageLoop(HWND accelWindow, HACCEL accel);

}  // namespace orvo
