// A web-browser control hosted in a child window of our own: the control is
// activated in place inside that host window, so moving, stacking and hiding
// the view is done on the host. The host answers the client-site calls the
// control makes and listens to its DocumentComplete event.
#pragma once
#include <windows.h>
#include <exdisp.h>

#include <functional>
#include <string>

#include "base/scoped.h"
#include "notifier/info_navigation.h"
#include "win/window.h"

namespace orvo::notifier {

class WebSite;

class WebView : public orvo::Window {
public:
    // Runs on the view's thread for every completed document, frames
    // included: the frame's object and its address.
    using DocumentCompleteHandler = std::function<void(IDispatch* frame, const std::wstring& url)>;

    WebView();
    ~WebView() override;

    // Creates the host window (a child of parent, in pixels) and the control
    // inside it, active in place. On failure nothing is left behind.
    HRESULT Create(HWND parent, int id, int x, int y, int width, int height);
    // Releases the control, then the host window. Safe to call twice.
    void Destroy();
    bool Created() const { return static_cast<bool>(browser_); }

    HWND Host() const { return Hwnd(); }
    IWebBrowser2* Browser() const { return browser_.Get(); }

    void SetDocumentCompleteHandler(DocumentCompleteHandler handler) { onDocumentComplete_ = std::move(handler); }
    // Asked before the view or one of its frames goes to an address
    // (BeforeNavigate2) and before a page opens a new window (NewWindow3).
    // False cancels it. Without a handler only the view's own document
    // navigates; frames and new windows are refused.
    using NavigationHandler = std::function<bool(const NavigationRequest& request)>;
    void SetNavigationHandler(NavigationHandler handler) { onNavigation_ = std::move(handler); }

    HRESULT Navigate(const std::wstring& url);
    HRESULT Refresh();
    HRESULT SetSilent(bool silent);
    HRESULT SetRegisterAsBrowser(bool registered);
    HRESULT GetSilent(bool* silent) const;
    HRESULT GetRegisterAsBrowser(bool* registered) const;
    // The markup of the top-level document: Document, its "documentElement",
    // that element's "innerHTML", all read by name as a script would.
    HRESULT DocumentMarkup(std::wstring* markup) const;
    // The address the view was last sent to or is showing.
    std::wstring LocationUrl() const;

    // Offers a keystroke to the control's own accelerator handling (Tab
    // within the page, copy); true when the control used it up.
    bool TranslateKey(MSG& m);

    // Position and size in the parent's client pixels.
    void Move(int x, int y, int width, int height);
    RECT Bounds() const;
    // Puts the view in front of its sibling windows.
    void BringToFront();
    // Whether Tab stops at the view. With the focus, the host hands it on to
    // the page inside.
    void SetTabStop(bool stop);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Releases the control; the host window stays (the base's destructor
    // takes it, after the control has let go of it).
    void ReleaseControl();

    friend class WebSite;
    void FitControlToHost();
    // The focus has come to the host: the control is activated for the user,
    // which gives the page the keyboard.
    void TakeFocus();
    bool activating_ = false;
    void DocumentCompleted(IDispatch* frame, const std::wstring& url);
    bool NavigationAllowed(const NavigationRequest& request);
    // Whether an event's browser object is the view's own, not a frame's.
    bool IsTopLevel(IDispatch* browser) const;

    ComPtr<WebSite> site_;
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> events_;
    DWORD eventsCookie_ = 0;
    DocumentCompleteHandler onDocumentComplete_;
    NavigationHandler onNavigation_;
};

// Reads a property of a script object by name (IDispatch, property get).
HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value);

}  // namespace orvo::notifier
