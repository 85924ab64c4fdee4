#include "win/controls.h"

#include "base/failure.h"

namespace orvo {

namespace {
constexpr UINT_PTR kKeyPressSubclass = 1;
}  // namespace

TextBox::~TextBox() {
    if (keyPress_ && Hwnd() && IsWindow(Hwnd())) RemoveWindowSubclass(Hwnd(), &TextBox::KeyProc, kKeyPressSubclass);
}

void TextBox::Create(Window& container, const std::wstring& text, const TwipRect& rect, DWORD style, UINT id) {
    CreateControl(container, L"EDIT", WS_VISIBLE | WS_TABSTOP | style, WS_EX_CLIENTEDGE, text, rect, id);
}

void TextBox::SelectAll() {
    HWND h = Checked();
    SendMessageW(h, EM_SETSEL, 0, GetWindowTextLengthW(h));
}

void TextBox::OnGotFocus(Window::Handler handler) {
    Sink().OnControlCommand(Id(), EN_SETFOCUS, std::move(handler));
}

void TextBox::OnKeyPress(std::function<void(int)> handler) {
    HWND h = Checked();
    if (!keyPress_) SetWindowSubclass(h, &TextBox::KeyProc, kKeyPressSubclass, reinterpret_cast<DWORD_PTR>(this));
    keyPress_ = std::move(handler);
}

LRESULT CALLBACK TextBox::KeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (msg == WM_CHAR) {
        auto* box = reinterpret_cast<TextBox*>(self);
        // No failure of the handler may leave the control's procedure.
        Resume([&] {
            if (box->keyPress_) box->keyPress_(static_cast<int>(wParam));
        });
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &TextBox::KeyProc, kKeyPressSubclass);
    }
    // The key goes on to the box unchanged.
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------

void ScrollBar::Create(Window& container, const TwipRect& rect, UINT id) {
    CreateControl(container, L"SCROLLBAR", WS_VISIBLE | WS_TABSTOP | SBS_HORZ, 0, L"", rect, id);
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_POS | SIF_PAGE, 0, 0, 0, 0, 0};
    SetScrollInfo(Hwnd(), SB_CTL, &si, FALSE);
}

void ScrollBar::SetRange(int min, int max) { SetScrollRange(Checked(), SB_CTL, min, max, FALSE); }

int ScrollBar::Value() const { return GetScrollPos(Checked(), SB_CTL); }

void ScrollBar::SetValue(int value) { SetScrollPos(Checked(), SB_CTL, value, TRUE); }

void ScrollBar::OnScroll(std::function<void(int, int)> handler) { Sink().OnScroll(Checked(), std::move(handler)); }

// The drop-down part is part of the control's height, not an extra.
void ComboBox::Create(Window& container, const TwipRect& rect, UINT id) {
    CreateControl(container, L"COMBOBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, L"", rect, id);
}

void ComboBox::AddItem(const std::wstring& text) {
    if (SendMessageW(Checked(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())) < 0)
        Fail(L"Cannot add an item to a list");
}

int ComboBox::Count() const { return static_cast<int>(SendMessageW(Checked(), CB_GETCOUNT, 0, 0)); }
int ComboBox::SelectedIndex() const { return static_cast<int>(SendMessageW(Checked(), CB_GETCURSEL, 0, 0)); }
void ComboBox::SetSelectedIndex(int index) { SendMessageW(Checked(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ComboBox::OnChange(Window::Handler handler) {
    Sink().OnControlCommand(Id(), CBN_SELCHANGE, std::move(handler));
}

// Its height is the one asked for, not rounded to whole items.
void ListBox::Create(Window& container, const TwipRect& rect, UINT id) {
    CreateControl(container, L"LISTBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                  WS_EX_CLIENTEDGE, L"", rect, id);
}

void ListBox::AddItem(const std::wstring& text) {
    if (SendMessageW(Checked(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())) < 0)
        Fail(L"Cannot add an item to a list");
}

int ListBox::Count() const { return static_cast<int>(SendMessageW(Checked(), LB_GETCOUNT, 0, 0)); }
int ListBox::SelectedIndex() const { return static_cast<int>(SendMessageW(Checked(), LB_GETCURSEL, 0, 0)); }
void ListBox::SetSelectedIndex(int index) { SendMessageW(Checked(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ListBox::OnChange(Window::Handler handler) { Sink().OnControlCommand(Id(), LBN_SELCHANGE, std::move(handler)); }

void ProgressBar::Create(Window& container, const TwipRect& rect, int max, UINT id) {
    CreateControl(container, PROGRESS_CLASSW, WS_VISIBLE, 0, L"", rect, id);
    SendMessageW(Hwnd(), PBM_SETRANGE32, 0, max);
}

void ProgressBar::SetValue(int value) { SendMessageW(Checked(), PBM_SETPOS, static_cast<WPARAM>(value), 0); }

// The window draws the picture itself, so the control's text is free to name
// it for screen readers.
void Picture::Create(Window& container, const std::wstring& name, const TwipRect& rect, UINT id) {
    CreateControl(container, L"STATIC", WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, 0, L"", rect, id);
    SetAccessibleName(Hwnd(), name);
}

void Picture::OnClick(Window::Handler handler) { Sink().OnControlCommand(Id(), STN_CLICKED, std::move(handler)); }

// ---------------------------------------------------------------------------

void Slider::Create(Window& container, const TwipRect& rect) {
    CreateControl(container, TRACKBAR_CLASSW, WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM,
                  0, L"", rect);
    SendMessageW(Hwnd(), TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(Hwnd(), TBM_SETTICFREQ, 1, 0);
}

void Slider::OnScroll(std::function<void(int)> handler) {
    Sink().OnScroll(Checked(), [handler = std::move(handler)](int code, int) {
        if (handler) handler(code);
    });
}

int Slider::Min() const { return static_cast<int>(SendMessageW(Checked(), TBM_GETRANGEMIN, 0, 0)); }
void Slider::SetMin(int value) { SendMessageW(Checked(), TBM_SETRANGEMIN, TRUE, value); }
int Slider::Max() const { return static_cast<int>(SendMessageW(Checked(), TBM_GETRANGEMAX, 0, 0)); }
void Slider::SetMax(int value) { SendMessageW(Checked(), TBM_SETRANGEMAX, TRUE, value); }
int Slider::Value() const { return static_cast<int>(SendMessageW(Checked(), TBM_GETPOS, 0, 0)); }
void Slider::SetValue(int value) { SendMessageW(Checked(), TBM_SETPOS, TRUE, value); }
int Slider::SmallChange() const { return static_cast<int>(SendMessageW(Checked(), TBM_GETLINESIZE, 0, 0)); }
void Slider::SetSmallChange(int value) { SendMessageW(Checked(), TBM_SETLINESIZE, 0, value); }
int Slider::LargeChange() const { return static_cast<int>(SendMessageW(Checked(), TBM_GETPAGESIZE, 0, 0)); }
void Slider::SetLargeChange(int value) { SendMessageW(Checked(), TBM_SETPAGESIZE, 0, value); }

void Slider::SetTickFrequency(int value) {
    HWND h = Checked();
    tickFrequency_ = value;
    if (value > 0) {
        SendMessageW(h, TBM_SETTICFREQ, static_cast<WPARAM>(value), 0);
    } else {
        SendMessageW(h, TBM_CLEARTICS, TRUE, 0);
    }
}

}  // namespace orvo
