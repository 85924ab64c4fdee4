#include "win/window.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "base/failure.h"
#include "base/rounding.h"
#include "base/scoped.h"
#include "base/window_class.h"
#include "win/controls.h"
#include "win/window_tools.h"

namespace orvo {

// The object stops answering its window before the handle goes: by now the
// parts of the derived class are torn down, so the messages of the
// destruction get the default answer only, and no window has to remember to
// destroy itself from its own destructor.
Window::~Window() {
    HWND h = hwnd_;
    if (!h) return;
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(h);
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Window::CreateOf(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& title, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HICON icon, HBRUSH background,
                      UINT classStyle) {
    if (!RegisterWindowClass({className, &Window::Proc, classStyle, icon, background})) return false;
    return CreateWindowExW(exStyle, className, title.c_str(), style, x, y, width, height, parent, menu,
                           GetModuleHandleW(nullptr), this) != nullptr;
}

int Window::Dpi() const {
    if (dpi_) return dpi_;
    // A child follows its top-level window, which hears of a new dpi first.
    if (hwnd_ && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD)) {
        Window* top = FromHandle(GetAncestor(hwnd_, GA_ROOT));
        if (top && top != this) return top->Dpi();
    }
    return DpiOf(hwnd_);
}

void Window::KeepPlace(HWND child, const TwipRect& rect) {
    for (Kept& k : kept_) {
        if (k.child == child) {
            k.rect = rect;
            return;
        }
    }
    kept_.push_back(Kept{child, rect});
}

void Window::TakeDpi(const RECT& suggested) {
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    int dpi = Dpi();
    for (const Kept& k : kept_) {
        if (!IsWindow(k.child)) continue;
        RECT px = PixelsOf(k.rect, dpi);
        SetWindowPos(k.child, nullptr, px.left, px.top, px.right - px.left, px.bottom - px.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Every control made through the kit for this window, wherever it lies:
    // no window lists its controls by hand. One that fails stays as it was.
    std::vector<Control*> controls = controls_;
    for (Control* c : controls) {
        if (c->Created() && IsWindow(c->Hwnd())) Resume([c] { c->Rescale(); });
    }
    Form_DpiChanged();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Window* Window::FromHandle(HWND hwnd) {
    if (!hwnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &Window::Proc) return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Window::OnCommand(UINT id, Handler handler) { commands_[id] = std::move(handler); }
void Window::OnControlCommand(UINT id, WORD code, Handler handler) {
    controlCommands_[{id, code}] = std::move(handler);
}
void Window::OnNotify(HWND from, std::function<LRESULT(NMHDR*)> handler) { notifies_[from] = std::move(handler); }
void Window::OnScroll(HWND from, std::function<void(int, int)> handler) { scrolls_[from] = std::move(handler); }

void Window::Register(Control* control) { controls_.push_back(control); }

void Window::Unregister(Control* control, UINT id, HWND hwnd) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (id) {
        commands_.erase(id);
        for (auto it = controlCommands_.begin(); it != controlCommands_.end();)
            it = it->first.first == id ? controlCommands_.erase(it) : std::next(it);
    }
    if (hwnd) {
        notifies_.erase(hwnd);
        scrolls_.erase(hwnd);
    }
}
void Window::OnTimer(UINT_PTR id, Handler handler) { timers_[id] = std::move(handler); }
void Window::RemoveTimer(UINT_PTR id) { timers_.erase(id); }

bool Window::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (msg) {
        case WM_COMMAND: {
            auto control = controlCommands_.find({LOWORD(wParam), HIWORD(wParam)});
            if (control != controlCommands_.end() && lParam) {
                Handler h = control->second;
                if (h) h();
                return true;
            }
            auto it = commands_.find(LOWORD(wParam));
            if (it == commands_.end()) return false;
            // Handlers may replace themselves; run a copy.
            Handler h = it->second;
            if (h) h();
            return true;
        }
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            auto it = notifies_.find(hdr->hwndFrom);
            if (it == notifies_.end()) return false;
            auto h = it->second;
            result = h ? h(hdr) : 0;
            return true;
        }
        case WM_HSCROLL:
        case WM_VSCROLL: {
            auto it = scrolls_.find(reinterpret_cast<HWND>(lParam));
            if (it == scrolls_.end()) return false;
            auto h = it->second;
            if (h) h(LOWORD(wParam), HIWORD(wParam));
            return true;
        }
        case WM_TIMER: {
            auto it = timers_.find(wParam);
            if (it == timers_.end()) return false;
            Handler h = it->second;
            if (h) h();
            return true;
        }
        case WM_CTLCOLORSTATIC: {
            HBRUSH brush = ControlBackBrush(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
            if (!brush) return false;
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        default:
            return false;
    }
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(msg, wParam, lParam, result)) return result;
    return Default(msg, wParam, lParam);
}

bool Panel::Create(Window& parent, int x, int y, int width, int height, bool sunken, COLORREF back, UINT id) {
    parent_ = &parent;
    SetBackColor(back);
    // A control parent: Tab and the arrows reach the controls inside it.
    DWORD exStyle = (sunken ? WS_EX_CLIENTEDGE : 0) | WS_EX_CONTROLPARENT;
    return CreateOf(ModuleClassName(L"OrvoPanel").c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                    exStyle, L"", x, y, width, height, parent.Hwnd(),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void Panel::SetPicture(HBITMAP bitmap) {
    picture_ = bitmap;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Panel::SetBackColor(COLORREF color) {
    back_ = color;
    backBrush_.Reset(color != CLR_INVALID ? CreateSolidBrush(color) : nullptr);
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Panel::SetFrameCaption(const std::wstring& caption) {
    framed_ = true;
    caption_ = caption;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Panel::PaintFrame(HDC dc) {
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    ScopedSelect font(dc, DialogFont(Dpi()));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RECT edge = rc;
    edge.top += tm.tmHeight / 2;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    if (!caption_.empty()) {
        SIZE size{};
        GetTextExtentPoint32W(dc, caption_.c_str(), static_cast<int>(caption_.size()), &size);
        int x = MulDiv(8, Dpi(), 96);
        RECT text{x - 2, 0, x + size.cx + 2, tm.tmHeight};
        FillRect(dc, &text, backBrush_ ? backBrush_.Get() : GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        TextOutW(dc, x, 0, caption_.c_str(), static_cast<int>(caption_.size()));
    }
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_DRAWITEM:  // an owner-drawn picture is drawn by the form
            // The controls' handlers live with the form; pass the message up.
            if (HWND parent = GetParent(Hwnd())) return SendMessageW(parent, msg, wParam, lParam);
            break;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(Hwnd(), &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc,
                     backBrush_ ? backBrush_.Get() : GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_PAINT: {
            ScopedPaint paint(Hwnd());
            if (framed_) PaintFrame(paint.Get());
            if (picture_) {
                BITMAP bm{};
                GetObjectW(picture_, sizeof(bm), &bm);
                ScopedMemDc mem(CreateCompatibleDC(paint.Get()));
                if (mem) {
                    ScopedSelect picture(mem.Get(), picture_);
                    BitBlt(paint.Get(), 0, 0, bm.bmWidth, bm.bmHeight, mem.Get(), 0, 0, SRCCOPY);
                }
            }
            return 0;
        }
    }
    return Default(msg, wParam, lParam);
}

namespace {
const wchar_t kBackColorProp[] = L"OrvoBackColor";
}  // namespace

void AttachBackColor(HWND control, const BackColor* back) {
    RemovePropW(control, kBackColorProp);
    if (back && back->brush) SetPropW(control, kBackColorProp, const_cast<BackColor*>(back));
    InvalidateRect(control, nullptr, TRUE);
}

HBRUSH ControlBackBrush(HWND control, HDC dc) {
    auto* back = static_cast<const BackColor*>(GetPropW(control, kBackColorProp));
    if (!back) return nullptr;
    SetBkColor(dc, back->color);
    return back->brush.Get();
}

namespace {

// Called inside a catch block: names the message and the failure.
void TraceUnhandled(UINT msg) noexcept {
    try {
        wchar_t head[64];
        swprintf(head, 64, L"Orvo: message 0x%04X failed: ", msg);
        OutputDebugStringW((head + DescribeCurrentException() + L"\n").c_str());
    } catch (...) {
        OutputDebugStringW(L"Orvo: a window message failed\n");
    }
}

}  // namespace

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT result;
    try {
        // Every window of the program lays itself out again the same way.
        if (msg == WM_DPICHANGED && LOWORD(wParam) && lParam) {
            self->dpi_ = LOWORD(wParam);
            self->TakeDpi(*reinterpret_cast<const RECT*>(lParam));
            return 0;
        }
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        // No handler above this one could report it; the debugger still hears of it.
        TraceUnhandled(msg);
        result = DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

bool Window::RunModal(HWND owner, bool show) {
    if (!hwnd_) return true;
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    if (show) ShowWindow(hwnd_, SW_SHOW);
    bool quit = false;
    int quitCode = 0;
    MSG m;
    while (hwnd_) {
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            quitCode = got == 0 ? static_cast<int>(m.wParam) : 0;
            break;
        }
        if (!IsDialogMessageW(hwnd_, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (quit) PostQuitMessage(quitCode);
    return !quit;
}

int DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow) {
        UINT dpi = getDpiForWindow(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    ScopedGetDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(double twips, int dpi) { return static_cast<int>(RoundHalfEven(twips * dpi / 1440.0)); }

double PixelsToTwips(int pixels, int dpi) { return pixels * 1440.0 / dpi; }

bool TranslateAppMessage(MSG& m, HWND accelWindow, HACCEL accel) {
    if (!accelWindow) return false;
    // A modeless window of the program, owned by the main one, takes its
    // own keys (Tab, mnemonics, Enter, Esc) rather than the main window's
    // shortcuts.
    HWND root = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
    if (root && root != accelWindow && GetWindow(root, GW_OWNER) == accelWindow && Window::FromHandle(root))
        return IsDialogMessageW(root, &m) != FALSE;
    if (accel && TranslateAcceleratorW(accelWindow, accel, &m)) return true;
    // Only keys for the window itself or its controls; a modal window runs its own loop.
    return IsDialogMessageW(accelWindow, &m) != FALSE;
}

int RunMessageLoop(HWND accelWindow, HACCEL accel) {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (TranslateAppMessage(m, accelWindow, accel)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}

}  // namespace orvo
