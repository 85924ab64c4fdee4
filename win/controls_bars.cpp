#include "win/controls.h"

#include <iterator>

#include "base/failure.h"

namespace orvo {


int ImageList::SizeIndexForDpi(int dpi) {
    int last = static_cast<int>(std::size(kSizes)) - 1;
    for (int i = 0; i < last; ++i) {
        if (kSizes[i] * 96 >= 16 * dpi) return i;
    }
    return last;
}

void ImageList::Load(UINT bitmapResource, int size, COLORREF mask) {
    list_.Reset(ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapResource), size, 0, mask,
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (!list_) FailWithLastError(L"Cannot load the images");
}

void Toolbar::Create(Window& container, const TwipRect& rect, const ImageList& images,
                     std::vector<ToolbarButtonDef> buttons) {
    CreateControl(container, TOOLBARCLASSNAMEW,
                  WS_VISIBLE | WS_TABSTOP | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                  L"", rect);
    HWND h = Hwnd();
    buttons_ = std::move(buttons);
    Window& sink = container.EventSink();
    firstId_ = sink.NextId();
    for (size_t i = 1; i < buttons_.size(); ++i) sink.NextId();

    SendMessageW(h, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(h, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Handle()));
    std::vector<TBBUTTON> tb(buttons_.size());
    for (size_t i = 0; i < buttons_.size(); ++i) {
        tb[i].iBitmap = buttons_[i].image > 0 ? buttons_[i].image - 1 : I_IMAGENONE;
        tb[i].idCommand = static_cast<int>(firstId_ + i);
        tb[i].fsState = TBSTATE_ENABLED;
        tb[i].fsStyle = BTNS_BUTTON;
        tb[i].iString = reinterpret_cast<INT_PTR>(buttons_[i].caption.c_str());
        int index = static_cast<int>(i) + 1;
        sink.OnCommand(firstId_ + static_cast<UINT>(i), [this, index] {
            if (click_) click_(ToolbarButton{index, buttons_[static_cast<size_t>(index) - 1].key});
        });
    }
    SendMessageW(h, TB_ADDBUTTONSW, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
    SetWindowSubclass(h, &Toolbar::KeyboardProc, 0, reinterpret_cast<DWORD_PTR>(this));
    sink.OnNotify(h, [this](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TBN_GETINFOTIPW) return 0;
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(hdr);
        int index = static_cast<int>(static_cast<UINT>(tip->iItem) - firstId_) + 1;
        if (index >= 1 && index <= Count() && tip->pszText && tip->cchTextMax > 0) {
            lstrcpynW(tip->pszText, buttons_[static_cast<size_t>(index) - 1].tooltip.c_str(), tip->cchTextMax);
        }
        return 0;
    });
}

Toolbar::~Toolbar() {
    if (Hwnd() && IsWindow(Hwnd())) RemoveWindowSubclass(Hwnd(), &Toolbar::KeyboardProc, 0);
}

int Toolbar::HotIndex() const {
    auto hot = static_cast<int>(SendMessageW(Checked(), TB_GETHOTITEM, 0, 0));
    return hot >= 0 && hot < Count() ? hot + 1 : 0;
}

void Toolbar::SetHotIndex(int index) { SendMessageW(Checked(), TB_SETHOTITEM, static_cast<WPARAM>(index - 1), 0); }

int Toolbar::NextEnabled(int step) const {
    int from = HotIndex();
    if (from == 0) from = step > 0 ? 0 : Count() + 1;
    for (int i = from + step; i >= 1 && i <= Count(); i += step) {
        if (SendMessageW(Hwnd(), TB_ISBUTTONENABLED, CommandId(i), 0)) return i;
    }
    return 0;
}

// The keys of a focused toolbar. The control's own keyboard handling differs
// between systems, so these are answered here, through Click, so that a
// disabled button does nothing.
LRESULT CALLBACK Toolbar::KeyboardProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
    auto* bar = reinterpret_cast<Toolbar*>(self);
    switch (msg) {
        case WM_GETDLGCODE: {
            // Arrows and characters stay here; Enter too, which a dialog would
            // otherwise take for its default button. Tab moves on.
            LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
            auto* m = reinterpret_cast<const MSG*>(lParam);
            if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_SETFOCUS:
            if (bar->HotIndex() == 0) bar->SetHotIndex(bar->NextEnabled(1));
            break;
        case WM_KILLFOCUS:
            bar->SetHotIndex(0);
            break;
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN: {
                    int next = bar->NextEnabled(wParam == VK_LEFT || wParam == VK_UP ? -1 : 1);
                    if (next) bar->SetHotIndex(next);
                    return 0;
                }
                case VK_RETURN:
                case VK_SPACE:
                    if (int hot = bar->HotIndex()) bar->Click(hot);
                    return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ' || wParam == L'\r') return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &Toolbar::KeyboardProc, 0);
            break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void Toolbar::SetImages(const ImageList& images) {
    HWND h = Checked();
    SendMessageW(h, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Handle()));
    int cx = 0, cy = 0;
    if (images.Handle()) ImageList_GetIconSize(images.Handle(), &cx, &cy);
    SendMessageW(h, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    SendMessageW(h, TB_SETBUTTONSIZE, 0, 0);
    SendMessageW(h, TB_AUTOSIZE, 0, 0);
    InvalidateRect(h, nullptr, TRUE);
}

void Toolbar::OnButtonClick(std::function<void(const ToolbarButton&)> handler) { click_ = std::move(handler); }

void Toolbar::Click(int index) {
    HWND h = Checked();
    if (index < 1 || index > Count()) return;
    UINT id = CommandId(index);
    if (!SendMessageW(h, TB_ISBUTTONENABLED, id, 0)) return;
    SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
}

const ToolbarButtonDef& Toolbar::Button(int index) const {
    if (index < 1 || index > Count()) Fail(L"Index out of bounds");
    return buttons_[static_cast<size_t>(index) - 1];
}

int Toolbar::IndexOf(const std::wstring& key) const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i].key == key) return static_cast<int>(i) + 1;
    }
    Fail(L"Element not found: " + key);
}

bool Toolbar::ButtonEnabled(const std::wstring& key) const {
    return SendMessageW(Checked(), TB_ISBUTTONENABLED, CommandId(IndexOf(key)), 0) != 0;
}

void Toolbar::SetButtonEnabled(const std::wstring& key, bool enabled) {
    SendMessageW(Checked(), TB_ENABLEBUTTON, CommandId(IndexOf(key)), MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

// ---------------------------------------------------------------------------

void StatusBar::Create(Window& form, const std::vector<double>& widths, const std::vector<std::wstring>& texts) {
    CreateControl(form, STATUSCLASSNAMEW, WS_VISIBLE | CCS_BOTTOM, 0, L"", TwipRect{});
    widths_ = widths;
    ParentResized();
    for (size_t i = 0; i < texts.size() && i < widths_.size(); ++i) SetPanelText(static_cast<int>(i) + 1, texts[i]);
}

void StatusBar::ParentResized() {
    HWND h = Checked();
    SendMessageW(h, WM_SIZE, 0, 0);
    std::vector<int> edges;
    int dpi = Dpi();
    double right = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        right += widths_[i];
        edges.push_back(i + 1 == widths_.size() ? -1 : TwipsToPixels(right, dpi));
    }
    SendMessageW(h, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::Rescale() {
    SendMessageW(Checked(), WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(Dpi())), TRUE);
    ParentResized();
}

std::wstring StatusBar::PanelText(int index) const {
    HWND h = Checked();
    if (index < 1 || index > PanelCount()) Fail(L"Index out of bounds");
    auto len = LOWORD(SendMessageW(h, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index - 1), 0));
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(h, SB_GETTEXTW, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(s.data()));
    s.resize(len);
    return s;
}

void StatusBar::SetPanelText(int index, const std::wstring& text) {
    HWND h = Checked();
    if (index < 1 || index > PanelCount()) Fail(L"Index out of bounds");
    SendMessageW(h, SB_SETTEXTW, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(text.c_str()));
}

// ---------------------------------------------------------------------------

MenuBar::MenuBar() : bar_(CreateMenu()) {
    if (!bar_) FailWithLastError(L"Cannot create the menu bar");
}

HMENU MenuBar::AddPopup(const std::wstring& caption, bool visible) {
    HMENU popup = CreatePopupMenu();
    if (!popup) FailWithLastError(L"Cannot create a menu");
    if (!visible) {
        hidden_.emplace_back(popup);
        return popup;
    }
    if (!AppendMenuW(Bar(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str())) {
        DestroyMenu(popup);
        FailWithLastError(L"Cannot add a menu");
    }
    return popup;
}

void MenuBar::AddItem(HMENU popup, UINT id, const std::wstring& caption, wchar_t ctrlKey) {
    std::wstring text = caption;
    if (ctrlKey) {
        text += L"\tCtrl+";
        text += ctrlKey;
        accels_.push_back(ACCEL{FVIRTKEY | FCONTROL, static_cast<WORD>(ctrlKey), static_cast<WORD>(id)});
    }
    if (!AppendMenuW(popup, MF_STRING, id, text.c_str())) FailWithLastError(L"Cannot add a menu item");
}

void MenuBar::AddSeparator(HMENU popup) { AppendMenuW(popup, MF_SEPARATOR, 0, nullptr); }

HMENU MenuBar::AddSubmenu(HMENU popup, const std::wstring& caption) {
    HMENU sub = CreatePopupMenu();
    if (!sub) FailWithLastError(L"Cannot create a menu");
    if (!AppendMenuW(popup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), caption.c_str())) {
        DestroyMenu(sub);
        FailWithLastError(L"Cannot add a menu");
    }
    return sub;
}

void MenuBar::AddShortcut(BYTE modifiers, WORD key, UINT id) {
    accels_.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | modifiers), key, static_cast<WORD>(id)});
}

void MenuBar::AttachTo(HWND window) {
    if (!SetMenu(window, bar_.Get())) FailWithLastError(L"Cannot attach the menu bar");
    attached_ = bar_.Detach();
    if (!accels_.empty()) {
        accel_.Reset(CreateAcceleratorTableW(accels_.data(), static_cast<int>(accels_.size())));
    }
}

}  // namespace orvo
