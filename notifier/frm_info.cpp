#include "notifier/frm_info.h"

#include <commctrl.h>

#include "notifier/info_art.h"
#include "notifier/info_keyboard.h"
#include "notifier/mod_notify.h"
#include "notifier/mod_regedit.h"
#include "base/failure.h"
#include "win/controls.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"

namespace orvo::notifier {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr UINT_PTR kSearchBoxSubclass = 1;
constexpr wchar_t kNotStoredText[] = L"无法保存“不再显示”的设置：没有写入注册表的权限。";

InfoItem InfoItemOfId(int id) {
    int index = id - ControlId(InfoItem::picTop);
    if (index < 0 || index >= static_cast<int>(InfoItem::Count)) return InfoItem::Count;
    return static_cast<InfoItem>(index);
}

}  // namespace

frmInfo::frmInfo() = default;

frmInfo::~frmInfo() { Destroy(); }

std::wstring frmInfo::ClassName() { return ModuleClassName(L"OrvoVMNotify.frmInfo"); }

bool frmInfo::Create() {
    int dpi = DpiOf(nullptr);
    RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    if (!CreateOf(ClassName().c_str(), kStyle, kExStyle, kStoredCaption, CW_USEDEFAULT, CW_USEDEFAULT,
                  r.right - r.left, r.bottom - r.top, nullptr))
        return false;
    if (!CreateControls()) {
        Destroy();
        return false;
    }
    Form_Load();
    AttachInfoKeyboard(*this);
    // Made after the window has become topmost: a window that already owns
    // a tooltip could not be raised to the topmost band under Wine.
    AddTooltips();
    return true;
}

// The pictures drawn for the window's dpi: the small ones at the smallest
// size at least 16 pixels at 100 %, the window's icons at the system's sizes.
void frmInfo::LoadArt() {
    int dpi = Dpi();
    int size = ImageList::kSizes[ImageList::SizeIndexForDpi(dpi)];
    logoIcon_ = MakeLogoIcon(size);
    searchIcon_ = MakeSearchIcon(size);
    switchIcon_ = MakeSwitchIcon(size);
    if (!hand_) hand_ = MakeHandCursor();
    // The window keeps showing the old icons until it has the new ones.
    ScopedIcon small = MakeWindowIcon(SystemMetricForDpi(SM_CXSMICON, dpi));
    ScopedIcon large = MakeWindowIcon(SystemMetricForDpi(SM_CXICON, dpi));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.Get()));
    iconSmall_ = std::move(small);
    iconLarge_ = std::move(large);
}

HICON frmInfo::PictureOf(InfoItem control) const {
    switch (PlaceOf(control).picture) {
        case Picture::Search: return searchIcon_.Get();
        case Picture::Switch: return switchIcon_.Get();
        case Picture::Logo: return logoIcon_.Get();
        case Picture::None: break;
    }
    return nullptr;
}

// A new scale: the pictures are drawn again for it; the controls are back at
// their twips already.
void frmInfo::Form_DpiChanged() {
    Resume([&] { LoadArt(); });
    for (const ControlPlace& place : InfoLayout())
        if (place.kind == ControlKind::Image && Item(place.id)) InvalidateRect(Item(place.id), nullptr, TRUE);
}

bool frmInfo::CreateControls() {
    LoadArt();
    for (const ControlPlace& place : InfoLayout()) {
        HWND made = CreateItem(place);
        if (!made && place.kind == ControlKind::Strip) return false;
        items_[static_cast<int>(place.id)] = made;
    }

    // The local page starts in front of the online one.
    ShowView(webLocal_);
    webNotify_.SetDocumentCompleteHandler([this](IDispatch* frame, const std::wstring& url) {
        // A document that cannot be read counts as one without any mark.
        std::wstring markup;
        Resume([&] { webNotify_.DocumentMarkup(&markup); });
        webNotify_DocumentComplete(frame, url, markup);
    });
    for (WebView* view : {&webNotify_, &webLocal_})
        view->SetNavigationHandler([this](const std::wstring& url, bool newWindow) {
            return webView_BeforeNavigate(url, newWindow);
        });
    return true;
}

bool frmInfo::webView_BeforeNavigate(const std::wstring& url, bool newWindow) {
    Navigation where = NavigationFor(url, LocalPagePath(ComponentFolder()));
    if (where == Navigation::Stay && !newWindow) return true;
    // Other sites, and every new window, go to the user's own browser.
    if (where != Navigation::Refuse) Resume([&] { ShellOpen(Hwnd(), L"open", url, L"", L"", SW_SHOWNORMAL); });
    return false;
}

HWND frmInfo::CreateItem(const ControlPlace& place) {
    const DWORD visible = place.visible ? WS_VISIBLE : 0;
    switch (place.kind) {
        case ControlKind::Strip: return CreateStrip(place);
        case ControlKind::Label: {
            DWORD style = SS_NOPREFIX | (place.centred ? SS_CENTER : SS_LEFT) | visible;
            if (place.hand) style |= SS_NOTIFY;
            return AddControl(place, L"STATIC", style);
        }
        case ControlKind::Image: return AddImage(place);
        case ControlKind::Edit: {
            HWND box = AddControl(place, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | visible, WS_EX_CLIENTEDGE);
            if (box)
                SetWindowSubclass(box, &frmInfo::SearchBoxProc, kSearchBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
            return box;
        }
        case ControlKind::CheckBox: return AddControl(place, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX | visible);
        case ControlKind::WebView: return CreateWebView(place);
    }
    return nullptr;
}

HWND frmInfo::CreateStrip(const ControlPlace& place) {
    Panel& strip = place.id == InfoItem::picTop ? topStrip_ : statusStrip_;
    RECT r = PixelsOf(TwipsOf(place), Dpi());
    COLORREF back = place.id == InfoItem::picTop ? kTopStripColor : kStatusStripColor;
    if (!strip.Create(*this, r.left, r.top, r.right - r.left, r.bottom - r.top, false, back)) return nullptr;
    SetWindowLongPtrW(strip.Hwnd(), GWLP_ID, ControlId(place.id));
    KeepPlace(strip.Hwnd(), TwipsOf(place));
    return strip.Hwnd();
}

// A view that cannot be made leaves an empty area; the rest of the window
// still works.
HWND frmInfo::CreateWebView(const ControlPlace& place) {
    WebView& view = place.id == InfoItem::webNotify ? webNotify_ : webLocal_;
    RECT r = PixelsOf(TwipsOf(place), Dpi());
    Resume([&] { view.Create(Hwnd(), ControlId(place.id), r.left, r.top, r.right - r.left, r.bottom - r.top); });
    if (view.Host()) {
        KeepPlace(view.Host(), TwipsOf(place));
        SetAccessibleName(view.Host(), place.id == InfoItem::webNotify ? L"在线公告" : L"本地页面");
    }
    return view.Host();
}

HWND frmInfo::AddControl(const ControlPlace& place, const wchar_t* className, DWORD style, DWORD exStyle) {
    HWND container = place.container == InfoItem::Count ? Hwnd() : Item(place.container);
    return AddChild(className, place.caption, style, exStyle, TwipsOf(place), static_cast<UINT>(ControlId(place.id)),
                    container);
}

// The window draws the picture itself, centred at the size drawn for its dpi,
// so the control's text is free to name the picture for screen readers: its
// tooltip says what it does.
HWND frmInfo::AddImage(const ControlPlace& place) {
    // Tooltips need the mouse, so every picture takes notifications.
    HWND hwnd = AddControl(place, L"STATIC", SS_OWNERDRAW | SS_NOTIFY | (place.visible ? WS_VISIBLE : 0));
    if (hwnd) SetAccessibleName(hwnd, place.tooltip);
    return hwnd;
}

void frmInfo::DrawPicture(const DRAWITEMSTRUCT& item) {
    InfoItem id = InfoItemOfId(static_cast<int>(item.CtlID));
    if (id == InfoItem::Count) return;
    bool top = PlaceOf(id).container == InfoItem::picTop;
    HBRUSH back = top ? topStrip_.BackBrush() : statusStrip_.BackBrush();
    if (back) FillRect(item.hDC, &item.rcItem, back);
    HICON icon = PictureOf(id);
    if (!icon) return;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return;
    BITMAP bm{};
    GetObjectW(info.hbmMask, sizeof(bm), &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    int size = bm.bmWidth;
    int x = (item.rcItem.left + item.rcItem.right - size) / 2;
    int y = (item.rcItem.top + item.rcItem.bottom - size) / 2;
    DrawIconEx(item.hDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

void frmInfo::AddTooltips() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
    for (const ControlPlace& place : InfoLayout())
        if (!place.tooltip.empty() && Item(place.id)) AddTooltip(Item(place.id), place.tooltip);
}

void frmInfo::AddTooltip(HWND control, const std::wstring& text) {
    if (!tooltip_) return;
    TTTOOLINFOW ti{};
    // The older record size: accepted by every version of the common controls.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = Hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

HWND frmInfo::Item(InfoItem control) const {
    int index = static_cast<int>(control);
    if (index < 0 || index >= static_cast<int>(InfoItem::Count)) return nullptr;
    return items_[index];
}

// Only the view in front is a stop for Tab: the one behind is out of sight.
void frmInfo::ShowView(WebView& front) {
    front.BringToFront();
    for (WebView* view : {&webNotify_, &webLocal_}) view->SetTabStop(view == &front);
}

bool frmInfo::LocalViewInFront() const {
    for (HWND child = GetWindow(Hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == webLocal_.Host()) return true;
        if (child == webNotify_.Host()) return false;
    }
    return false;
}

// Runs once per window, before the online view is first sent anywhere.
void frmInfo::Form_Load() {
    Resume([&] { viewSwitchCount_ = 0; });
    Resume([&] { webLocal_.Navigate(LocalPagePath(ComponentFolder())); });
    Resume([&] {
        // Both views lie on the same place, just under the top strip.
        const ControlPlace& top = PlaceOf(InfoItem::picTop);
        TwipRect place{0, double(top.top + top.height), kWebWidthTwips, kWebHeightTwips};
        RECT px = PixelsOf(place, Dpi());
        for (WebView* view : {&webLocal_, &webNotify_}) {
            if (!view->Host()) continue;
            view->Move(px.left, px.top, px.right - px.left, px.bottom - px.top);
            KeepPlace(view->Host(), place);
        }
    });
    Resume([&] { SendMessageW(Item(InfoItem::chkHideWindow), BM_SETCHECK, BST_UNCHECKED, 0); });
    Resume([&] {
        RECT r;
        if (!GetWindowRect(Hwnd(), &r)) FailWithLastError(L"GetWindowRect");
        double twipsPerPixel = 1440.0 / DpiOf(nullptr);
        auto place = TopmostPlacementFor(r.left * twipsPerPixel, r.top * twipsPerPixel,
                                         (r.right - r.left) * twipsPerPixel, (r.bottom - r.top) * twipsPerPixel,
                                         twipsPerPixel, twipsPerPixel);
        if (!place) Fail(L"The window's place cannot be expressed in pixels");
        // The window keeps its own size: the whole-pixel divisor of the size
        // would shrink it wherever a pixel is not a whole number of twips (at
        // 200 %, 7.5 twips round to 8) and cut off the status strip.
        SetWindowPos(Hwnd(), HWND_TOPMOST, place->x, place->y, 0, 0, SWP_NOSIZE);
    });
    Resume([&] { webNotify_.SetSilent(true); });
    Resume([&] { webNotify_.SetRegisterAsBrowser(true); });
    ThreadState& state = ThisThread();
    Resume([&] { state.SoftDesc = ResolveSoftDesc(ReadSetting(kSettingsKey, kSoftDescValue)); });
    Resume([&] { SetWindowTextW(Hwnd(), WindowCaption(state.SoftDesc).c_str()); });
    Resume([&] { SetWindowTextW(Item(InfoItem::lblSoft), SoftLinkCaption(state.SoftDesc).c_str()); });
    Resume([&] {
        state.ReadmePath =
            ResolveReadmePath(ReadSetting(kSettingsKey, kReadmePathValue), ComponentFolder());
    });
}

void frmInfo::NavigateNotify(const std::wstring& url) {
    notifyUrl_ = url;
    HRESULT hr = webNotify_.Navigate(url);
    if (FAILED(hr)) Fail(L"The online view cannot go to " + url, hr);
}

SIZE frmInfo::SizeTwips() const {
    RECT r{};
    if (!GetWindowRect(Hwnd(), &r)) FailWithLastError(L"GetWindowRect");
    int dpi = DpiOf(Hwnd());
    return SIZE{static_cast<LONG>(PixelsToTwips(r.right - r.left, dpi)),
                static_cast<LONG>(PixelsToTwips(r.bottom - r.top, dpi))};
}

void frmInfo::MoveTwips(int left, int top) {
    int dpi = DpiOf(Hwnd());
    if (!SetWindowPos(Hwnd(), nullptr, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        FailWithLastError(L"SetWindowPos");
}

void frmInfo::ShowModeless() {
    if (!Hwnd()) Fail(L"The notice window is not open");
    ShowWindow(Hwnd(), SW_SHOW);
}

void frmInfo::webNotify_DocumentComplete(IDispatch* /*frame*/, const std::wstring& /*url*/,
                                         const std::wstring& markup) {
    bool found = false;
    Resume([&] { found = HasNoticeMark(markup); });
    if (!found) return;
    Resume([&] { ShowWindow(Item(InfoItem::imgChange), SW_SHOW); });
    Resume([&] { ShowWindow(Item(InfoItem::lblRefresh), SW_SHOW); });
    Resume([&] { ShowView(webNotify_); });
}

void frmInfo::imgChange_Click() {
    // Counting stops rather than overflow; the view keeps alternating.
    Resume([&] { viewSwitchCount_ = viewSwitchCount_ == INT32_MAX ? 1 : viewSwitchCount_ + 1; });
    Resume([&] {
        if (SwitchShowsLocal(viewSwitchCount_))
            ShowView(webLocal_);
        else
            ShowView(webNotify_);
    });
}

void frmInfo::lblRefresh_Click() {
    Resume([&] { webNotify_.Refresh(); });
}

void frmInfo::lblHomepage_Click() {
    Resume([&] { ShowView(webLocal_); });
    OpenLink(Link::Homepage);
}

void frmInfo::lblSoft_Click() { OpenLink(Link::Soft); }
void frmInfo::lblDingZhi_Click() { OpenLink(Link::DingZhi); }
void frmInfo::lblSO_Click() { OpenLink(Link::SO); }
void frmInfo::lblFind_Click() { OpenLink(Link::Find); }
void frmInfo::lblBuy_Click() { OpenLink(Link::Buy); }
void frmInfo::lblMobile_Click() { OpenLink(Link::Mobile); }
void frmInfo::lblSite_Click() { OpenLink(Link::Site); }

void frmInfo::OpenLink(Link link) {
    Resume([&] {
        std::wstring readme;
        if (ThreadState* state = ThisThreadIfAny()) readme = state->ReadmePath;
        ShellOpen(Hwnd(), L"Open", LinkAddress(link, readme), L"", ComponentFolder(), SW_SHOWNORMAL);
    });
}

void frmInfo::imgSearch_Click() {
    std::wstring url;
    Resume([&] { url = SearchUrl(WindowText(Item(InfoItem::txtSearch))); });
    Resume([&] { ShellOpen(Hwnd(), L"open", url, L"", L"", SW_SHOW); });
}

void frmInfo::txtSearch_GotFocus() {
    Resume([&] {
        HWND box = Item(InfoItem::txtSearch);
        SendMessageW(box, EM_SETSEL, 0, GetWindowTextLengthW(box));
    });
}

void frmInfo::txtSearch_KeyPress(int keyCode) {
    if (keyCode == VK_RETURN) imgSearch_Click();
}

void frmInfo::chkHideWindow_Click() {
    HWND box = Item(InfoItem::chkHideWindow);
    StoredFor stored = StoredFor::Nobody;
    Resume([&] {
        bool ticked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        stored = WriteSetting(kSettingsKey, kHideWindowValue, ticked ? L"1" : L"0");
    });
    // The box shows the choice in force, which stays the old one when
    // nothing could be stored.
    Resume([&] {
        bool hidden = ReadSetting(kSettingsKey, kHideWindowValue) == L"1";
        SendMessageW(box, BM_SETCHECK, hidden ? BST_CHECKED : BST_UNCHECKED, 0);
    });
    if (stored != StoredFor::Nobody || toldNotStored_) return;
    toldNotStored_ = true;
    Resume([&] { ShowMessage(Hwnd(), kNotStoredText, WindowText(Hwnd()), MB_OK | MB_ICONINFORMATION); });
}

void frmInfo::RouteCommand(int id, int code) {
    switch (InfoItemOfId(id)) {
        case InfoItem::imgChange: if (code == STN_CLICKED) imgChange_Click(); break;
        case InfoItem::lblRefresh: if (code == STN_CLICKED) lblRefresh_Click(); break;
        case InfoItem::lblHomepage: if (code == STN_CLICKED) lblHomepage_Click(); break;
        case InfoItem::lblSoft: if (code == STN_CLICKED) lblSoft_Click(); break;
        case InfoItem::lblDingZhi: if (code == STN_CLICKED) lblDingZhi_Click(); break;
        case InfoItem::lblSO: if (code == STN_CLICKED) lblSO_Click(); break;
        case InfoItem::lblFind: if (code == STN_CLICKED) lblFind_Click(); break;
        case InfoItem::lblBuy: if (code == STN_CLICKED) lblBuy_Click(); break;
        case InfoItem::lblMobile: if (code == STN_CLICKED) lblMobile_Click(); break;
        case InfoItem::lblSite: if (code == STN_CLICKED) lblSite_Click(); break;
        case InfoItem::imgSearch: if (code == STN_CLICKED) imgSearch_Click(); break;
        case InfoItem::txtSearch: if (code == EN_SETFOCUS) txtSearch_GotFocus(); break;
        case InfoItem::chkHideWindow: if (code == BN_CLICKED) chkHideWindow_Click(); break;
        default: break;
    }
}

LRESULT frmInfo::OnCtlColor(HDC dc, HWND control) {
    InfoItem id = InfoItemOfId(GetDlgCtrlID(control));
    if (id == InfoItem::Count || id == InfoItem::txtSearch) return 0;
    const ControlPlace& place = PlaceOf(id);
    bool top = place.container == InfoItem::picTop;
    SetTextColor(dc, place.text);
    SetBkColor(dc, top ? kTopStripColor : kStatusStripColor);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(top ? topStrip_.BackBrush() : statusStrip_.BackBrush());
}

bool frmInfo::OnSetCursor(HWND under) {
    InfoItem id = InfoItemOfId(GetDlgCtrlID(under));
    if (id == InfoItem::Count || !hand_) return false;
    if (!PlaceOf(id).hand) return false;
    SetCursor(hand_.Get());
    return true;
}

LRESULT CALLBACK frmInfo::SearchBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    if (msg == WM_CHAR) {
        try {
            reinterpret_cast<frmInfo*>(self)->txtSearch_KeyPress(static_cast<int>(wParam));
        } catch (...) {
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &frmInfo::SearchBoxProc, kSearchBoxSubclass);
    }
    // The key goes on to the box unchanged.
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT frmInfo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DRAWITEM:
            DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_NCCREATE:
            if (!counted_) {
                counted_ = true;
                WindowCreated();
            }
            break;
        case WM_COMMAND:
            RouteCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_DESTROY:
            // The controls go before their host windows do.
            webNotify_.Destroy();
            webLocal_.Destroy();
            break;
    }
    return Default(msg, wParam, lParam);
}

void frmInfo::OnDestroyed() {
    DetachInfoKeyboard(*this);
    tooltip_ = nullptr;
    for (HWND& item : items_) item = nullptr;
    if (!counted_) return;
    counted_ = false;
    // Last statement: this may delete the object.
    WindowDestroyed(this);
}

}  // namespace orvo::notifier
