#include "notifier/web_view.h"

#include <exdispid.h>
#include <ocidl.h>
#include <oleidl.h>
#include <shobjidl.h>

#include <new>

#include "notifier/mod_notify.h"
#include "win/window_tools.h"

namespace orvo::notifier {
namespace {

CLSID BrowserClass() {
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(L"Shell.Explorer.2", &clsid))) return clsid;
    return CLSID_WebBrowser;
}

// The event's URL argument arrives as a VARIANT by reference holding a BSTR.
std::wstring UrlOf(const VARIANT& v) {
    const VARIANT* p = &v;
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
    if (p->vt == VT_BSTR && p->bstrVal) return std::wstring(p->bstrVal, SysStringLen(p->bstrVal));
    if (p->vt == (VT_BYREF | VT_BSTR) && p->pbstrVal && *p->pbstrVal)
        return std::wstring(*p->pbstrVal, SysStringLen(*p->pbstrVal));
    return {};
}

// NewWindow3's flags, whatever integer form the control passes them in.
DWORD FlagsOf(const VARIANT& v) {
    ScopedVariant number;
    if (FAILED(VariantChangeType(number.Get(), const_cast<VARIANT*>(&v), 0, VT_UI4))) return 0;
    return number.Get()->ulVal;
}

}  // namespace

// The control's view of its container: client site, in-place site and frame
// (one object, since the view has no menus or toolbars to share), and the
// dispatch interface that receives the browser's events. It outlives the
// view if the control keeps a reference; the view detaches itself first.
class WebSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
public:
    // The site counts as one of the module's objects: the control may call
    // it for as long as it keeps a reference.
    explicit WebSite(WebView* view) : view_(view) { AddModuleReference(); }
    void Detach() { view_ = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *out = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = view_ ? view_->Hwnd() : nullptr;
        return *hwnd ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return view_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT posRect,
                                  LPRECT clipRect, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !doc || !posRect || !clipRect || !info) return E_POINTER;
        *frame = nullptr;
        *doc = nullptr;
        if (!view_ || !view_->Hwnd()) return E_FAIL;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        GetClientRect(view_->Hwnd(), posRect);
        *clipRect = *posRect;
        info->cb = sizeof(OLEINPLACEFRAMEINFO);
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(view_->Hwnd(), GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, toolbars or status bar.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the browser's events, and ambient properties (none set).
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == DISPID_DOCUMENTCOMPLETE) {
            // Arguments arrive last to first: rgvarg[1] is the frame, rgvarg[0] its URL.
            if (!view_ || !params || params->cArgs < 2) return S_OK;
            const VARIANT& frameArg = params->rgvarg[1];
            IDispatch* frame = frameArg.vt == VT_DISPATCH ? frameArg.pdispVal : nullptr;
            try {
                view_->DocumentCompleted(frame, UrlOf(params->rgvarg[0]));
            } catch (...) {
                // The window's handler keeps its own failures; nothing may reach the control.
            }
            return S_OK;
        }
        if (id == DISPID_BEFORENAVIGATE2 || id == DISPID_NEWWINDOW2 || id == DISPID_NEWWINDOW3)
            return OnNavigation(id, params);
        if (id < 0) return DISP_E_MEMBERNOTFOUND;  // ambient properties: take the defaults
        return S_OK;
    }

private:
    ~WebSite() { ReleaseModuleReference(); }

    // The Cancel argument: BeforeNavigate2's last, NewWindow2's last,
    // NewWindow3's fourth from the end (arguments arrive last to first).
    static void SetCancel(VARIANT& arg, bool cancel) {
        if (arg.vt == (VT_BYREF | VT_BOOL) && arg.pboolVal) *arg.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    }

    HRESULT OnNavigation(DISPID id, DISPPARAMS* params) {
        if (!params) return S_OK;
        try {
            if (id == DISPID_BEFORENAVIGATE2 && params->cArgs >= 7) {
                // Arguments arrive last to first: rgvarg[6] is the browser
                // object that navigates (the view's own or a frame's).
                NavigationRequest request;
                request.url = UrlOf(params->rgvarg[5]);
                const VARIANT& browser = params->rgvarg[6];
                request.topLevel = view_ && browser.vt == VT_DISPATCH && view_->IsTopLevel(browser.pdispVal);
                bool allowed = view_ && view_->NavigationAllowed(request);
                SetCancel(params->rgvarg[0], !allowed);
            } else if (id == DISPID_NEWWINDOW3 && params->cArgs >= 5) {
                NavigationRequest request;
                request.newWindow = true;
                request.url = UrlOf(params->rgvarg[0]);
                request.userInitiated = (FlagsOf(params->rgvarg[2]) & NWMF_USERINITED) != 0;
                if (view_) view_->NavigationAllowed(request);
                SetCancel(params->rgvarg[3], true);
            } else if (id == DISPID_NEWWINDOW2 && params->cArgs >= 2) {
                // No address here: the view never makes a window of its own.
                SetCancel(params->rgvarg[0], true);
            }
        } catch (...) {
            // Nothing may reach the control; a failed check refuses.
            if (id == DISPID_BEFORENAVIGATE2 && params->cArgs >= 7) SetCancel(params->rgvarg[0], true);
        }
        return S_OK;
    }
    LONG refs_ = 1;
    WebView* view_;
};

WebView::WebView() = default;

WebView::~WebView() { ReleaseControl(); }

LRESULT WebView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            FitControlToHost();
            return 0;
        case WM_SETFOCUS:
            TakeFocus();
            return 0;
        case WM_ERASEBKGND:
            // The control paints the whole host while it lives.
            if (browser_) return 1;
            break;
    }
    return Default(msg, wParam, lParam);
}

HRESULT WebView::Create(HWND parent, int id, int x, int y, int width, int height) {
    if (Hwnd() || browser_) return E_UNEXPECTED;
    if (!CreateOf(ModuleClassName(L"OrvoWebViewHost").c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                  0, L"", x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                  reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), CS_HREDRAW | CS_VREDRAW))
        return HRESULT_FROM_WIN32(GetLastError());

    site_ = ComPtr<WebSite>::Attach(new (std::nothrow) WebSite(this));
    if (!site_) {
        Destroy();
        return E_OUTOFMEMORY;
    }
    IOleClientSite* clientSite = static_cast<IOleClientSite*>(site_.Get());
    CLSID clsid = BrowserClass();
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.PutVoid());
    if (SUCCEEDED(hr)) hr = object_->SetClientSite(clientSite);
    if (SUCCEEDED(hr)) {
        RECT rc;
        GetClientRect(Hwnd(), &rc);
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, Hwnd(), &rc);
    }
    if (SUCCEEDED(hr)) hr = object_.As(browser_);
    if (SUCCEEDED(hr)) {
        // Events are a convenience: a view without them still shows pages.
        ComPtr<IConnectionPointContainer> points;
        if (SUCCEEDED(object_.As(points)) &&
            SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.Put()))) {
            if (FAILED(events_->Advise(static_cast<IDispatch*>(site_.Get()), &eventsCookie_))) events_.Reset();
        }
    }
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    FitControlToHost();
    return S_OK;
}

void WebView::Destroy() {
    ReleaseControl();
    Window::Destroy();
}

void WebView::ReleaseControl() {
    if (events_) {
        events_->Unadvise(eventsCookie_);
        events_.Reset();
        eventsCookie_ = 0;
    }
    browser_.Reset();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.As(inPlace))) inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
    if (site_) {
        site_->Detach();
        site_.Reset();
    }
}

bool WebView::TranslateKey(MSG& m) {
    if (!browser_) return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(browser_.As(active))) return false;
    return active->TranslateAccelerator(&m) == S_OK;
}

void WebView::TakeFocus() {
    if (!object_ || !site_ || activating_) return;
    activating_ = true;
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(site_.Get()), 0, Hwnd(), &rc);
    activating_ = false;
}

void WebView::SetTabStop(bool stop) {
    if (!Hwnd()) return;
    LONG_PTR style = GetWindowLongPtrW(Hwnd(), GWL_STYLE);
    SetWindowLongPtrW(Hwnd(), GWL_STYLE, stop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

void WebView::FitControlToHost() {
    if (!object_ || !Hwnd()) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(object_.As(inPlace))) return;
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    inPlace->SetObjectRects(&rc, &rc);
}

bool WebView::NavigationAllowed(const NavigationRequest& request) {
    if (!onNavigation_) return request.topLevel && !request.newWindow;
    return onNavigation_(request);
}

bool WebView::IsTopLevel(IDispatch* browser) const {
    if (!browser || !browser_) return false;
    // COM identity: the same object answers IUnknown with the same pointer.
    ComPtr<IUnknown> theirs, ours;
    if (FAILED(browser->QueryInterface(IID_IUnknown, theirs.PutVoid()))) return false;
    if (FAILED(browser_->QueryInterface(IID_IUnknown, ours.PutVoid()))) return false;
    return theirs.Get() == ours.Get();
}

void WebView::DocumentCompleted(IDispatch* frame, const std::wstring& url) {
    if (onDocumentComplete_) onDocumentComplete_(frame, url);
}

HRESULT WebView::Navigate(const std::wstring& url) {
    if (!browser_) return E_UNEXPECTED;
    ScopedBstr address(url.c_str());
    if (!address.Get()) return E_OUTOFMEMORY;
    ScopedVariant flags, target, postData, headers;
    return browser_->Navigate(address.Get(), flags.Get(), target.Get(), postData.Get(), headers.Get());
}

HRESULT WebView::Refresh() { return browser_ ? browser_->Refresh() : E_UNEXPECTED; }

HRESULT WebView::SetSilent(bool silent) {
    return browser_ ? browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE) : E_UNEXPECTED;
}

HRESULT WebView::SetRegisterAsBrowser(bool registered) {
    return browser_ ? browser_->put_RegisterAsBrowser(registered ? VARIANT_TRUE : VARIANT_FALSE) : E_UNEXPECTED;
}

HRESULT WebView::GetSilent(bool* silent) const {
    if (!silent) return E_POINTER;
    if (!browser_) return E_UNEXPECTED;
    VARIANT_BOOL v = VARIANT_FALSE;
    HRESULT hr = browser_->get_Silent(&v);
    *silent = v != VARIANT_FALSE;
    return hr;
}

HRESULT WebView::GetRegisterAsBrowser(bool* registered) const {
    if (!registered) return E_POINTER;
    if (!browser_) return E_UNEXPECTED;
    VARIANT_BOOL v = VARIANT_FALSE;
    HRESULT hr = browser_->get_RegisterAsBrowser(&v);
    *registered = v != VARIANT_FALSE;
    return hr;
}

HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value) {
    if (!object || !name || !value) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT WebView::DocumentMarkup(std::wstring* markup) const {
    if (!markup) return E_POINTER;
    markup->clear();
    if (!browser_) return E_UNEXPECTED;
    ComPtr<IDispatch> document;
    HRESULT hr = browser_->get_Document(document.Put());
    if (FAILED(hr)) return hr;
    if (!document) return E_FAIL;  // nothing loaded (yet)
    ScopedVariant element;
    hr = GetPropertyByName(document.Get(), L"documentElement", element.Get());
    if (FAILED(hr)) return hr;
    if (element.Get()->vt != VT_DISPATCH || !element.Get()->pdispVal) return E_FAIL;
    ScopedVariant html;
    hr = GetPropertyByName(element.Get()->pdispVal, L"innerHTML", html.Get());
    if (FAILED(hr)) return hr;
    hr = VariantChangeType(html.Get(), html.Get(), 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    BSTR text = html.Get()->bstrVal;
    if (text) markup->assign(text, SysStringLen(text));
    return S_OK;
}

std::wstring WebView::LocationUrl() const {
    if (!browser_) return {};
    ScopedBstr url;
    if (FAILED(browser_->get_LocationURL(url.Put())) || !url.Get()) return {};
    return std::wstring(url.Get(), url.Length());
}

void WebView::Move(int x, int y, int width, int height) {
    if (Hwnd()) MoveWindow(Hwnd(), x, y, width, height, TRUE);
}

RECT WebView::Bounds() const {
    RECT rc{};
    if (!Hwnd()) return rc;
    GetWindowRect(Hwnd(), &rc);
    MapWindowPoints(nullptr, GetParent(Hwnd()), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void WebView::BringToFront() {
    if (Hwnd()) SetWindowPos(Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace orvo::notifier
