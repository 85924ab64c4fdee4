// The notice window: a small always-on-top tool window in the bottom-right
// corner of the screen. One per thread that calls Notify; it outlives the COM
// object and closes only when the user closes it.
//
// Its middle holds two browser views on the same rectangle: the online notice
// page (webNotify) and the local page beside the component (webLocal), the
// local one in front until the online page proves to be the maker's notice.
// A strip of link labels lies above them, a search box, the view tools and
// the "never show again" box below.
//
// What the rest of the component relies on:
// - Create() makes the window hidden and runs Form_Load; false on failure.
// - NavigateNotify(url) sends the online view to the notice page, and
//   NotifyUrl() tells the last address it was sent to.
// - SizeTwips()/MoveTwips() read the outer size and move the window, in twips.
// - ShowModeless() shows it without an owner.
// - The handle's creation and destruction are reported to the module
//   (WindowCreated / WindowDestroyed in mod_notify.h): the count keeps the DLL
//   loaded while a window lives, and WindowDestroyed deletes this object once
//   the user has closed the window.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "notifier/info_layout.h"
#include "notifier/info_navigation.h"
#include "notifier/web_view.h"
#include "base/scoped.h"
#include "win/controls.h"
#include "win/window.h"

namespace orvo::notifier {

class frmInfo : public orvo::Window {
public:
    frmInfo();
    ~frmInfo() override;

    // The window class, unique to the module that holds this code so that a
    // program linking the module in and the DLL never share one.
    static std::wstring ClassName();

    bool Create();
    void NavigateNotify(const std::wstring& url);
    const std::wstring& NotifyUrl() const { return notifyUrl_; }
    SIZE SizeTwips() const;
    void MoveTwips(int left, int top);
    void ShowModeless();

    int32_t ViewSwitchCount() const { return viewSwitchCount_; }

    // The window's controls, by name.
    HWND Item(InfoItem control) const;
    WebView& webNotify() { return webNotify_; }
    WebView& webLocal() { return webLocal_; }
    // The picture an image control shows, drawn for the window's dpi.
    HICON PictureOf(InfoItem control) const;
    // True while the local page lies in front of the online one.
    bool LocalViewInFront() const;

    // The window's handlers.
    // A document of the online view has completed, frames and reloads
    // included; markup is that of the view's top-level document.
    void webNotify_DocumentComplete(IDispatch* frame, const std::wstring& url, const std::wstring& markup);
    // Either view or a frame in it is about to go to an address, or a page
    // in it asks for a new window. False keeps the view where it is.
    bool webView_BeforeNavigate(WebView& view, const NavigationRequest& request);
    // The user has clicked in a view or pressed Enter there: that view's
    // page may send the user's browser to one address.
    void webView_Click(WebView& view);
    void imgChange_Click();
    void lblRefresh_Click();
    void lblHomepage_Click();
    void lblSoft_Click();
    void lblDingZhi_Click();
    void lblSO_Click();
    void lblFind_Click();
    void lblBuy_Click();
    void lblMobile_Click();
    void lblSite_Click();
    void imgSearch_Click();
    void txtSearch_GotFocus();
    void txtSearch_KeyPress(int keyCode);
    void chkHideWindow_Click();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Form_Load();
    void LoadArt();
    bool CreateControls();
    // The control of one place, made through the kit; nullptr for a browser
    // view that could not be made. Fails with a Failure.
    HWND CreateItem(const ControlPlace& place);
    HWND CreateWebView(const ControlPlace& place);
    // The window the control of a place lies in.
    Window& ContainerOf(const ControlPlace& place);
    // Its click handler, for the places that have one.
    void AttachClick(const ControlPlace& place, Control& control);
    void DrawPicture(const DRAWITEMSTRUCT& item);
    void Form_DpiChanged() override;
    void AddTooltips();
    void OpenLink(Link link);
    void ShowView(WebView& front);
    LRESULT OnCtlColor(HDC dc, HWND control);
    bool OnSetCursor(HWND under);
    void DestroyViews();
    // The window has gone, or goes with this object: the keyboard and the
    // module let go of it. Last: the module may delete the object.
    void ForgetWindow();

    int32_t viewSwitchCount_ = 0;
    // One per view: a click in the page in front earns nothing for the one
    // behind it.
    NavigationGate notifyNavigation_;
    NavigationGate localNavigation_;
    NavigationGate& NavigationOf(WebView& view);
    std::wstring notifyUrl_;
    bool counted_ = false;
    bool toldNotStored_ = false;  // the user hears once that the box could not be stored

    HWND items_[static_cast<int>(InfoItem::Count)] = {};
    Control* controls_[static_cast<int>(InfoItem::Count)] = {};  // the kit's, by place
    PictureBox topStrip_;
    PictureBox statusStrip_;
    TextBox txtSearch_;
    CheckBox chkHideWindow_;
    std::vector<std::unique_ptr<Control>> others_;  // the labels and pictures
    ToolTip tips_;
    WebView webNotify_;
    WebView webLocal_;
    ScopedIcon iconSmall_;
    ScopedIcon iconLarge_;
    ScopedIcon logoIcon_;
    ScopedIcon searchIcon_;
    ScopedIcon switchIcon_;
    ScopedIcon hand_;
};

}  // namespace orvo::notifier
