#include "notifier/frm_info.h"

#include <commctrl.h>

#include "notifier/browser_features.h"
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
constexpr wchar_t kNotStoredText[] = L"无法保存“不再显示”的设置：没有写入注册表的权限。";

InfoItem InfoItemOfId(int id) {
    int index = id - ControlId(InfoItem::picTop);
    if (index < 0 || index >= static_cast<int>(InfoItem::Count)) return InfoItem::Count;
    return static_cast<InfoItem>(index);
}

}  // namespace

frmInfo::frmInfo() = default;

// The window may still be open (the module's teardown): it lets go in the
// order of a close, the browser views before the keyboard and the module.
frmInfo::~frmInfo() {
    if (!Hwnd()) return;
    DestroyViews();
    ForgetWindow();
}

// The controls go before their host windows do.
void frmInfo::DestroyViews() {
    webNotify_.Destroy();
    webLocal_.Destroy();
}

std::wstring frmInfo::ClassName() { return ModuleClassName(L"OrvoVMNotify.frmInfo"); }

bool frmInfo::Create() {
    int dpi = DpiOf(nullptr);
    RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    if (!CreateOf(ClassName().c_str(), kStyle, kExStyle, kStoredCaption, CW_USEDEFAULT, CW_USEDEFAULT,
                  r.right - r.left, r.bottom - r.top, nullptr))
        return false;
    // Before the first view: the control takes its features from there.
    Resume([] { EnableBrowserFeatures(HostProgramName()); });
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
        HWND made = nullptr;
        bool ok = Resume([&] { made = CreateItem(place); });
        if (!ok && place.kind == ControlKind::Strip) return false;
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
        view->SetNavigationHandler([this, view](const NavigationRequest& request) {
            return webView_BeforeNavigate(*view, request);
        });
    return true;
}

NavigationGate& frmInfo::NavigationOf(WebView& view) {
    return &view == &webNotify_ ? notifyNavigation_ : localNavigation_;
}

bool frmInfo::webView_BeforeNavigate(WebView& view, const NavigationRequest& request) {
    NavigationVerdict verdict = NavigationVerdict::Drop;
    Resume([&] {
        NavigationGate& gate = NavigationOf(view);
        gate.SetLocalPage(LocalPagePath(ComponentFolder()));
        verdict = gate.Decide(request, GetTickCount());
    });
    if (verdict == NavigationVerdict::Launch)
        Resume([&] { ShellOpen(Hwnd(), L"open", request.url, L"", L"", SW_SHOWNORMAL); });
    return verdict == NavigationVerdict::Proceed;
}

void frmInfo::webView_Click(WebView& view) { NavigationOf(view).Clicked(GetTickCount()); }

Window& frmInfo::ContainerOf(const ControlPlace& place) {
    if (place.container == InfoItem::picTop) return topStrip_.Inner();
    if (place.container == InfoItem::picStatus) return statusStrip_.Inner();
    return *this;
}

HWND frmInfo::CreateItem(const ControlPlace& place) {
    if (place.kind == ControlKind::WebView) return CreateWebView(place);
    Window& container = ContainerOf(place);
    const TwipRect rect = TwipsOf(place);
    const UINT id = static_cast<UINT>(ControlId(place.id));
    Control* made = nullptr;
    switch (place.kind) {
        case ControlKind::Strip: {
            bool top = place.id == InfoItem::picTop;
            PictureBox& strip = top ? topStrip_ : statusStrip_;
            strip.Create(*this, rect, false, top ? kTopStripColor : kStatusStripColor, id);
            made = &strip;
            break;
        }
        case ControlKind::Label: {
            auto label = std::make_unique<Label>();
            label->Create(container, place.caption, rect, id,
                          (place.centred ? SS_CENTER : SS_LEFT) | (place.hand ? SS_NOTIFY : 0));
            made = label.get();
            others_.push_back(std::move(label));
            break;
        }
        case ControlKind::Image: {
            // Tooltips need the mouse, so every picture takes notifications;
            // its tooltip, read as its name, says what it does.
            auto image = std::make_unique<orvo::Picture>();
            image->Create(container, place.tooltip, rect, id);
            made = image.get();
            others_.push_back(std::move(image));
            break;
        }
        case ControlKind::Edit:
            txtSearch_.Create(container, place.caption, rect, ES_AUTOHSCROLL, id);
            txtSearch_.OnGotFocus([this] { txtSearch_GotFocus(); });
            txtSearch_.OnKeyPress([this](int key) { txtSearch_KeyPress(key); });
            made = &txtSearch_;
            break;
        case ControlKind::CheckBox:
            chkHideWindow_.Create(container, place.caption, rect, id);
            chkHideWindow_.OnClick([this] { chkHideWindow_Click(); });
            made = &chkHideWindow_;
            break;
        case ControlKind::WebView:
            break;
    }
    if (!made) return nullptr;
    if (!place.visible) made->SetVisible(false);
    AttachClick(place, *made);
    controls_[static_cast<int>(place.id)] = made;
    return made->Hwnd();
}

void frmInfo::AttachClick(const ControlPlace& place, Control& control) {
    static const struct {
        InfoItem id;
        void (frmInfo::*handler)();
    } kClicks[] = {
        {InfoItem::imgChange, &frmInfo::imgChange_Click},     {InfoItem::lblRefresh, &frmInfo::lblRefresh_Click},
        {InfoItem::lblHomepage, &frmInfo::lblHomepage_Click}, {InfoItem::lblSoft, &frmInfo::lblSoft_Click},
        {InfoItem::lblDingZhi, &frmInfo::lblDingZhi_Click},   {InfoItem::lblSO, &frmInfo::lblSO_Click},
        {InfoItem::lblFind, &frmInfo::lblFind_Click},         {InfoItem::lblBuy, &frmInfo::lblBuy_Click},
        {InfoItem::lblMobile, &frmInfo::lblMobile_Click},     {InfoItem::lblSite, &frmInfo::lblSite_Click},
        {InfoItem::imgSearch, &frmInfo::imgSearch_Click},
    };
    for (const auto& click : kClicks) {
        if (click.id != place.id) continue;
        auto handler = click.handler;
        Window::Handler run = [this, handler] { (this->*handler)(); };
        if (auto* label = dynamic_cast<Label*>(&control)) label->OnClick(run);
        if (auto* image = dynamic_cast<orvo::Picture*>(&control)) image->OnClick(run);
    }
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
    if (!Resume([&] { tips_.Create(Hwnd()); })) return;
    for (const ControlPlace& place : InfoLayout())
        if (!place.tooltip.empty() && Item(place.id)) Resume([&] { tips_.Set(Item(place.id), place.tooltip); });
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
    Resume([&] { chkHideWindow_.SetChecked(false); });
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
    Resume([&] { controls_[static_cast<int>(InfoItem::lblSoft)]->SetText(SoftLinkCaption(state.SoftDesc)); });
    // The first link's target is the administrator's choice alone: a value
    // under the user's own key could send the link to any program.
    Resume([&] {
        state.ReadmePath =
            ResolveReadmePath(ReadRegValue(kHkeyLocalMachine, kSettingsKey, kReadmePathValue), ComponentFolder());
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
    for (InfoItem tool : {InfoItem::imgChange, InfoItem::lblRefresh})
        Resume([&] { controls_[static_cast<int>(tool)]->SetVisible(true); });
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
        std::wstring target = LinkAddress(link, readme);
        // An unusable readme setting leaves its link without a target.
        if (!target.empty()) ShellOpen(Hwnd(), L"Open", target, L"", ComponentFolder(), SW_SHOWNORMAL);
    });
}

void frmInfo::imgSearch_Click() {
    std::wstring url;
    Resume([&] { url = SearchUrl(txtSearch_.Text()); });
    Resume([&] { ShellOpen(Hwnd(), L"open", url, L"", L"", SW_SHOW); });
}

void frmInfo::txtSearch_GotFocus() {
    Resume([&] { txtSearch_.SelectAll(); });
}

void frmInfo::txtSearch_KeyPress(int keyCode) {
    if (keyCode == VK_RETURN) imgSearch_Click();
}

void frmInfo::chkHideWindow_Click() {
    StoredFor stored = StoredFor::Nobody;
    Resume([&] {
        bool ticked = chkHideWindow_.IsChecked();
        stored = WriteSetting(kSettingsKey, kHideWindowValue, ticked ? L"1" : L"0");
    });
    // The box shows the choice in force, which stays the old one when
    // nothing could be stored.
    Resume([&] {
        bool hidden = ReadSetting(kSettingsKey, kHideWindowValue) == L"1";
        chkHideWindow_.SetChecked(hidden);
    });
    if (stored != StoredFor::Nobody || toldNotStored_) return;
    toldNotStored_ = true;
    Resume([&] { ShowMessage(Hwnd(), kNotStoredText, WindowText(Hwnd()), MB_OK | MB_ICONINFORMATION); });
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
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_DESTROY:
            DestroyViews();
            break;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void frmInfo::OnDestroyed() { ForgetWindow(); }

void frmInfo::ForgetWindow() {
    DetachInfoKeyboard(*this);
    for (HWND& item : items_) item = nullptr;
    if (!counted_) return;
    counted_ = false;
    // Last statement: this may delete the object.
    WindowDestroyed(this);
}

}  // namespace orvo::notifier
