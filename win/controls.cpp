#include "win/controls.h"

#include <algorithm>

#include "base/failure.h"

namespace orvo {
namespace {

[[noreturn]] void FailGone() { Fail(SystemErrorText(ERROR_INVALID_WINDOW_HANDLE), ERROR_INVALID_WINDOW_HANDLE); }

}  // namespace

// The handlers go first, so that the messages the control's destruction
// sends reach none of them.
Control::~Control() {
    if (sink_) sink_->Unregister(this, id_, hwnd_.Get());
}

int Control::Dpi() const { return container_ ? container_->Dpi() : DpiOf(nullptr); }

HWND Control::Checked() const {
    HWND h = Hwnd();
    if (!h || !IsWindow(h)) FailGone();
    return h;
}

void Control::CreateControl(Window& container, const wchar_t* className, DWORD style, DWORD exStyle,
                            const std::wstring& text, const TwipRect& rect, UINT id) {
    UINT made = id ? id : container.EventSink().NextId();
    HWND h = CreateChild(container.Hwnd(), className, text, style, exStyle, rect, made);
    if (!h) FailWithLastError(std::wstring(L"Cannot create control ") + className);
    hwnd_.Reset(h);
    id_ = made;
    Enrol(container, rect);
}

void Control::AdoptWindow(Window& container, const TwipRect& rect) { Enrol(container, rect); }

void Control::Enrol(Window& container, const TwipRect& rect) {
    container_ = &container;
    rect_ = rect;
    if (!sink_) {
        sink_ = &container.EventSink();
        sink_->Register(this);
    }
}

Window& Control::Sink() const {
    if (!sink_) Fail(L"The control has not been made");
    return *sink_;
}

void Control::Move(double left, double top, double width, double height) {
    HWND h = Checked();
    rect_ = TwipRect{left, top, width, height};
    RECT px = PixelsOf(rect_, Dpi());
    SetWindowPos(h, nullptr, px.left, px.top, px.right - px.left, px.bottom - px.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Moved();
}

void Control::Rescale() {
    HWND h = Checked();
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(Dpi())), FALSE);
    Move(rect_.left, rect_.top, rect_.width, rect_.height);
    InvalidateRect(h, nullptr, TRUE);
}

bool Control::Visible() const { return (GetWindowLongPtrW(Checked(), GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) { ShowWindow(Checked(), visible ? SW_SHOWNA : SW_HIDE); }

bool Control::Enabled() const { return IsWindowEnabled(Checked()) != FALSE; }

void Control::SetEnabled(bool enabled) { EnableWindow(Checked(), enabled ? TRUE : FALSE); }

std::wstring Control::Text() const { return WindowText(Checked()); }

void Control::SetText(const std::wstring& text) {
    if (!SetWindowTextW(Checked(), text.c_str())) FailWithLastError(L"Cannot set the text of a control");
}

void Control::SetToolTip(const std::wstring& text) {
    HWND h = Checked();
    if (!tipWindow_) {
        auto tip = std::make_unique<orvo::ToolTip>();
        tip->Create(GetAncestor(h, GA_ROOT));
        tipWindow_ = std::move(tip);
    }
    tip_ = text;
    tipWindow_->Set(h, tip_);
}

void Control::SetFont(HFONT font) { SendMessageW(Checked(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

void Control::SetFocus() { ::SetFocus(Checked()); }

void ToolTip::Create(HWND owner) {
    owner_ = owner;
    window_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    if (!window_) FailWithLastError(L"Cannot create a tooltip");
    SendMessageW(window_.Get(), TTM_SETMAXTIPWIDTH, 0, 600);
}

void ToolTip::Set(HWND tool, const std::wstring& text) {
    if (!window_) Fail(L"The tooltip has not been made");
    TTTOOLINFOW ti{};
    // The older record size: accepted by every version of the common controls.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner_;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<wchar_t*>(text.c_str());
    bool known = std::find(tools_.begin(), tools_.end(), tool) != tools_.end();
    SendMessageW(window_.Get(), known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (!known) tools_.push_back(tool);
}

// ---------------------------------------------------------------------------

Label::~Label() {
    if (Hwnd() && IsWindow(Hwnd())) AttachBackColor(Hwnd(), nullptr);
}

void Label::Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id, DWORD style) {
    CreateControl(container, L"STATIC", WS_VISIBLE | SS_NOPREFIX | style, 0, caption, rect, id);
}

void Label::CreateCaption(Window& container, const std::wstring& caption, const TwipRect& rect) {
    CreateControl(container, L"STATIC", WS_VISIBLE | SS_LEFT, 0, caption, rect, 0);
}

void Label::OnClick(Window::Handler handler) { Sink().OnControlCommand(Id(), STN_CLICKED, std::move(handler)); }

void Label::SetBackColor(COLORREF color) {
    HWND h = Checked();
    AttachBackColor(h, nullptr);
    back_.color = color;
    back_.brush.Reset(color != CLR_INVALID ? CreateSolidBrush(color) : nullptr);
    AttachBackColor(h, &back_);
}

void Button::Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id,
                    bool isDefault) {
    CreateControl(container, L"BUTTON", WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                  caption, rect, id);
    container.EventSink().OnCommand(Id(), [this] {
        if (click_) click_();
    });
}

void Button::OnClick(Window::Handler handler) { click_ = std::move(handler); }

void Button::Click() {
    HWND h = Checked();
    if (IsWindowEnabled(h)) SendMessageW(h, BM_CLICK, 0, 0);
}

void CheckBox::Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id) {
    CreateControl(container, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption, rect, id);
}

bool CheckBox::IsChecked() const { return SendMessageW(Checked(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
    SendMessageW(Checked(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::OnClick(Window::Handler handler) { Sink().OnControlCommand(Id(), BN_CLICKED, std::move(handler)); }

void GroupBox::Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id) {
    CreateControl(container, L"BUTTON", WS_VISIBLE | BS_GROUPBOX, 0, caption, rect, id);
}

void Panelled::CreatePanel(Window& container, const TwipRect& rect, bool sunken, COLORREF back, UINT id) {
    RECT px = PixelsOf(rect, container.Dpi());
    if (!panel_.Create(container, px.left, px.top, px.right - px.left, px.bottom - px.top, sunken, back, id)) {
        FailWithLastError(L"Cannot create a container");
    }
    AdoptWindow(container, rect);
}

void Frame::Create(Window& container, const std::wstring& caption, const TwipRect& rect) {
    CreatePanel(container, rect, false, CLR_INVALID);
    panel_.SetFrameCaption(caption);
}

void PictureBox::Create(Window& container, const TwipRect& rect, bool sunken, COLORREF back, UINT id) {
    CreatePanel(container, rect, sunken, back, id);
}

// ---------------------------------------------------------------------------

Timer::~Timer() {
    if (owner_) {
        if (running_ && owner_->Hwnd()) KillTimer(owner_->Hwnd(), id_);
        owner_->RemoveTimer(id_);
    }
}

void Timer::Create(Window& owner, UINT interval, bool enabled) {
    owner_ = &owner;
    id_ = owner.NextId();
    interval_ = interval;
    owner.OnTimer(id_, [this] { Tick(); });
    SetEnabled(enabled);
}

void Timer::OnTick(Window::Handler handler) { tick_ = std::move(handler); }

void Timer::Tick() {
    if (tick_) tick_();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void Timer::SetInterval(UINT milliseconds) {
    interval_ = milliseconds;
    Apply();
}

// A timer ticks only while it is enabled and has a period; a new period or a
// fresh enable starts the count again.
void Timer::Apply() {
    if (!owner_ || !owner_->Hwnd()) Fail(L"The timer has no window");
    bool run = enabled_ && interval_ > 0;
    if (run) {
        if (!SetTimer(owner_->Hwnd(), id_, interval_, nullptr)) FailWithLastError(L"Cannot start a timer");
    } else if (running_) {
        KillTimer(owner_->Hwnd(), id_);
    }
    running_ = run;
}

}  // namespace orvo
