#include "notifier/frm_info.h"

#include <commctrl.h>
#include <exdispid.h>
#include <gtest/gtest.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notifier/info_keyboard.h"
#include "notifier/mod_notify.h"
#include "notifier/mod_regedit.h"
#include "tests/notifier/notifier_test_support.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/pump.h"
#include "tests/support/window_checks.h"
#include "win/window_tools.h"

namespace orvo::notifier {
namespace {

// The stored value as the component reads it; nothing when it is missing.
std::optional<std::wstring> Stored(const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

bool Visible(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// Child rectangle in its parent's client pixels.
RECT RectIn(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Writes under HKEY_LOCAL_MACHINE fail, and under HKEY_CURRENT_USER too when
// asked, as they do for a standard user on Windows.
class RefusedWrites {
public:
    explicit RefusedWrites(bool userToo) {
        refuseUser_ = userToo;
        previous_ = SetKeyWriteOpener(&Open);
    }
    ~RefusedWrites() { SetKeyWriteOpener(previous_); }

private:
    static LSTATUS Open(HKEY root, const std::wstring& path, HKEY* key) {
        if (root == HKEY_LOCAL_MACHINE || (refuseUser_ && root == HKEY_CURRENT_USER)) return ERROR_ACCESS_DENIED;
        return RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key, nullptr);
    }
    static inline bool refuseUser_ = false;
    KeyWriteOpener previous_;
};

class NoticeWindow : public testing::Test {
protected:
    void SetUp() override { ui_ = std::make_unique<ScriptedUi>(); }
    void TearDown() override {
        if (window_) window_->Destroy();
        window_.reset();
        ui_.reset();
    }
    frmInfo& Open() {
        window_ = std::make_unique<frmInfo>();
        EXPECT_TRUE(window_->Create());
        return *window_;
    }
    frmInfo& Recognised() {
        frmInfo& w = Open();
        w.webNotify_DocumentComplete(nullptr, L"http://www.velmora.example/notify/", L"<b>维莫拉</b>");
        return w;
    }
    // Clicks a control the way a user does: button down and up on it.
    static void Click(HWND control) {
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    test::SettingsGuard settings_;
    std::unique_ptr<ScriptedUi> ui_;
    std::unique_ptr<frmInfo> window_;
};

int IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP bm{};
    GetObjectW(info.hbmMask, sizeof(bm), &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

// At the prefix's scale, then after a move to another: the controls of each
// strip fit, the strips and the page keep apart, the pictures are drawn at
// least 16 pixels at 100 %, and everything the user meets has a name.
TEST_F(NoticeWindow, FitsAtTheScaleAndFollowsANewScale) {
    frmInfo& w = Recognised();
    ShowWindow(w.Hwnd(), SW_SHOWNA);
    auto check = [&](int dpi) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        test::ExpectTidy(w.Item(InfoItem::picTop), L"top");
        test::ExpectTidy(w.Item(InfoItem::picStatus), L"status");
        RECT client, top = RectIn(w.Item(InfoItem::picTop)), status = RectIn(w.Item(InfoItem::picStatus));
        GetClientRect(w.Hwnd(), &client);
        for (HWND view : {w.webNotify().Host(), w.webLocal().Host()}) {
            RECT page = RectIn(view);
            EXPECT_LE(top.bottom, page.top);
            EXPECT_LE(page.bottom, status.top);
        }
        EXPECT_LE(status.bottom, client.bottom);
        for (InfoItem image : {InfoItem::imgLogo, InfoItem::imgSearch, InfoItem::imgChange})
            EXPECT_GE(IconSize(w.PictureOf(image)) * 96, 16 * dpi);
    };
    int dpi = w.Dpi();
    test::ExpectPrefixDpi(dpi);
    check(dpi);
    test::ExpectNamed(w.Hwnd(), L"notice");
    int to = test::OtherDpi(dpi);
    test::ExpectTakesNewDpi(w.Hwnd(), dpi, to);
    check(to);
    test::ExpectAt(w.webNotify().Host(), {0, 400, kWebWidthTwips, kWebHeightTwips}, to);
    test::ExpectAt(w.Item(InfoItem::lblSoft), TwipsOf(PlaceOf(InfoItem::lblSoft)), to);
    test::ExpectAt(w.Item(InfoItem::chkHideWindow), TwipsOf(PlaceOf(InfoItem::chkHideWindow)), to);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(w.Item(InfoItem::lblSoft), WM_GETFONT, 0, 0)), DialogFont(to));
    HICON small = reinterpret_cast<HICON>(SendMessageW(w.Hwnd(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(IconSize(small), SystemMetricForDpi(SM_CXSMICON, to));
}

TEST_F(NoticeWindow, BlankDisplayNamesFallBackToTheCommunity) {
    for (std::optional<std::wstring> stored : {std::optional<std::wstring>(), std::optional<std::wstring>(L""),
                                               std::optional<std::wstring>(L"   ")}) {
        settings_.Set(L"OrvoSoftDesc", stored);
        frmInfo& w = Open();
        EXPECT_EQ(TextOf(w.Hwnd()), L"维莫拉社区 - 通知链接");
        EXPECT_EQ(TextOf(w.Item(InfoItem::lblSoft)), L"维莫拉社区首页");
        EXPECT_EQ(ThisThread().SoftDesc, L"维莫拉社区");
        w.Destroy();
    }
}

TEST_F(NoticeWindow, ANameKeepsTheSpacesAroundIt) {
    settings_.Set(L"OrvoSoftDesc", L"  欧沃录音机 ");
    frmInfo& w = Open();
    EXPECT_EQ(TextOf(w.Hwnd()), L"  欧沃录音机  - 通知链接");
    EXPECT_EQ(TextOf(w.Item(InfoItem::lblSoft)), L"  欧沃录音机 首页");
}

// The first link's target is the administrator's: only the machine's value
// counts, and only a web address or a page or text in the component's folder.
TEST_F(NoticeWindow, TheReadmeLinkOpensOnlyWhatTheMachineSettingAllows) {
    const std::wstring localPage = ComponentFolder() + L"\\vmminihome.htm";
    struct Case {
        std::optional<std::wstring> machine, user;
        std::wstring opened;  // empty: nothing
    } cases[] = {
        {std::nullopt, std::nullopt, localPage},
        {std::nullopt, L"C:\\windows\\system32\\calc.exe", localPage},  // the user's own value is not read
        {std::nullopt, L"https://elsewhere.test/", localPage},
        {ComponentFolder() + L"\\OrvoRecord.exe", std::nullopt, L""},
        {L"C:\\windows\\system32\\calc.exe", std::nullopt, L""},
        {L"..\\readme.txt", std::nullopt, L""},
        {L" ", std::nullopt, L""},
        {L"readme.htm", L"C:\\evil.exe", ComponentFolder() + L"\\readme.htm"},
        {ComponentFolder() + L"\\FAQ.txt", std::nullopt, ComponentFolder() + L"\\FAQ.txt"},
        {L"https://www.velmora.example/orvo/readme.htm", std::nullopt, L"https://www.velmora.example/orvo/readme.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.opened.begin(), c.opened.end()));
        settings_.Set(kReadmePathValue, c.machine, HKEY_LOCAL_MACHINE);
        settings_.Set(kReadmePathValue, c.user, HKEY_CURRENT_USER);
        ui_->Clear();
        frmInfo& w = Open();
        Click(w.Item(InfoItem::lblSoft));
        auto launches = ui_->Launches();
        if (c.opened.empty()) {
            EXPECT_EQ(launches.size(), 0u);
        } else {
            ASSERT_EQ(launches.size(), 1u);
            EXPECT_EQ(launches[0].target, c.opened);
        }
        w.Destroy();
    }
}

TEST_F(NoticeWindow, LayoutFollowsTheTwipsTable) {
    frmInfo& w = Open();
    int dpi = DpiOf(nullptr);
    auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
    RECT client;
    GetClientRect(w.Hwnd(), &client);
    EXPECT_EQ(client.right, px(7410));
    EXPECT_EQ(client.bottom, px(5625));

    LONG_PTR ex = GetWindowLongPtrW(w.Hwnd(), GWL_EXSTYLE);
    LONG_PTR style = GetWindowLongPtrW(w.Hwnd(), GWL_STYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_NE(SendMessageW(w.Hwnd(), WM_GETICON, ICON_SMALL, 0), 0);

    RECT top = RectIn(w.Item(InfoItem::picTop));
    EXPECT_EQ(top.left, 0);
    EXPECT_EQ(top.top, 0);
    EXPECT_EQ(top.right, px(7440));
    EXPECT_EQ(top.bottom, px(400));
    RECT status = RectIn(w.Item(InfoItem::picStatus));
    EXPECT_EQ(status.top, px(5220));
    EXPECT_EQ(status.bottom - status.top, px(405));

    for (WebView* view : {&w.webLocal(), &w.webNotify()}) {
        RECT r = view->Bounds();
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, px(400));
        EXPECT_EQ(r.right - r.left, px(7425));
        EXPECT_EQ(r.bottom - r.top, px(4800));
    }

    RECT soft = RectIn(w.Item(InfoItem::lblSoft));
    EXPECT_EQ(soft.left, px(1440));
    EXPECT_EQ(soft.top, px(90));
    EXPECT_EQ(soft.right - soft.left, px(3255));
    EXPECT_EQ(GetWindowLongPtrW(w.Item(InfoItem::lblSoft), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    EXPECT_EQ(GetWindowLongPtrW(w.Item(InfoItem::lblHomepage), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
    RECT search = RectIn(w.Item(InfoItem::txtSearch));
    EXPECT_EQ(search.left, px(495));
    EXPECT_EQ(search.right - search.left, px(2700));

    for (InfoItem c : {InfoItem::imgLogo, InfoItem::lblHomepage, InfoItem::Image5, InfoItem::lblSoft, InfoItem::Image1,
                      InfoItem::lblDingZhi, InfoItem::Label1, InfoItem::txtSearch, InfoItem::imgSearch, InfoItem::lblSO,
                      InfoItem::lblFind, InfoItem::chkHideWindow})
        EXPECT_TRUE(Visible(w.Item(c))) << static_cast<int>(c);
    for (InfoItem c : {InfoItem::Image3, InfoItem::lblMobile, InfoItem::Image2, InfoItem::lblBuy, InfoItem::Image4,
                      InfoItem::lblSite, InfoItem::imgChange, InfoItem::lblRefresh})
        EXPECT_FALSE(Visible(w.Item(c))) << static_cast<int>(c);
    EXPECT_EQ(TextOf(w.Item(InfoItem::txtSearch)), L"请输入搜索关键字");
    EXPECT_EQ(SendMessageW(w.Item(InfoItem::chkHideWindow), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(w.LocalViewInFront());
    EXPECT_EQ(w.ViewSwitchCount(), 0);
}

TEST_F(NoticeWindow, LinksAreBlueOnTheStripWithTheHandAndATooltip) {
    frmInfo& w = Open();
    HDC dc = CreateCompatibleDC(nullptr);
    HWND home = w.Item(InfoItem::lblHomepage);
    LRESULT brush = SendMessageW(w.Item(InfoItem::picTop), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(home));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    HWND so = w.Item(InfoItem::lblSO);
    SendMessageW(w.Item(InfoItem::picStatus), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(so));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 192));
    DeleteDC(dc);

    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    HCURSOR arrow = GetCursor();
    EXPECT_TRUE(SendMessageW(home, WM_SETCURSOR, reinterpret_cast<WPARAM>(home), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_NE(GetCursor(), arrow);
    SetCursor(arrow);
    // The plain "搜索" text is no link.
    HWND plain = w.Item(InfoItem::Label1);
    SendMessageW(plain, WM_SETCURSOR, reinterpret_cast<WPARAM>(plain), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);

    HWND tips = nullptr;
    for (HWND h = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); h;
         h = FindWindowExW(nullptr, h, TOOLTIPS_CLASSW, nullptr))
        if (GetWindow(h, GW_OWNER) == w.Hwnd()) tips = h;
    ASSERT_NE(tips, nullptr);
    auto tipOf = [&](InfoItem c) {
        wchar_t text[256] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = w.Hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(w.Item(c));
        ti.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&ti));
        return std::wstring(text);
    };
    EXPECT_EQ(tipOf(InfoItem::lblHomepage), L"维莫拉官网 - www.velmora.example");
    EXPECT_EQ(tipOf(InfoItem::imgLogo), L"维莫拉 - [www.velmora.example]");
    EXPECT_EQ(tipOf(InfoItem::imgSearch), L"速寻搜索");
    EXPECT_EQ(tipOf(InfoItem::chkHideWindow), L"不再显示该对话框");
    EXPECT_EQ(tipOf(InfoItem::Label1), L"");
}

TEST_F(NoticeWindow, EachMarkBringsTheOnlinePageAndTheTools) {
    for (const wchar_t* markup : {L"<h1>VELMORA</h1>", L"<p>维莫拉公告</p>", L"<p>软件通知：新版本</p>"}) {
        frmInfo& w = Open();
        w.webNotify_DocumentComplete(nullptr, L"http://www.velmora.example/notify/", markup);
        EXPECT_TRUE(Visible(w.Item(InfoItem::imgChange))) << markup;
        EXPECT_TRUE(Visible(w.Item(InfoItem::lblRefresh))) << markup;
        EXPECT_FALSE(w.LocalViewInFront()) << markup;
        w.Destroy();
    }
}

TEST_F(NoticeWindow, APageWithoutAMarkStaysBehindAndLaterPagesHideNothing) {
    frmInfo& w = Open();
    w.webNotify_DocumentComplete(nullptr, L"res://error.htm", L"<h1>无法显示网页</h1>");
    w.webNotify_DocumentComplete(nullptr, L"about:blank", L"");
    EXPECT_FALSE(Visible(w.Item(InfoItem::imgChange)));
    EXPECT_FALSE(Visible(w.Item(InfoItem::lblRefresh)));
    EXPECT_TRUE(w.LocalViewInFront());

    w.webNotify_DocumentComplete(nullptr, L"http://www.velmora.example/", L"velmora");
    w.imgChange_Click();
    // A frame without a mark after recognition changes nothing.
    w.webNotify_DocumentComplete(nullptr, L"http://ads.example/", L"<p>ad</p>");
    EXPECT_TRUE(Visible(w.Item(InfoItem::imgChange)));
    EXPECT_TRUE(w.LocalViewInFront());
}

TEST_F(NoticeWindow, TheSwitchAlternatesLocalOnlineLocal) {
    frmInfo& w = Recognised();
    Click(w.Item(InfoItem::imgChange));
    EXPECT_TRUE(w.LocalViewInFront());
    Click(w.Item(InfoItem::imgChange));
    EXPECT_FALSE(w.LocalViewInFront());
    Click(w.Item(InfoItem::imgChange));
    EXPECT_TRUE(w.LocalViewInFront());
    EXPECT_EQ(w.ViewSwitchCount(), 3);
}

TEST_F(NoticeWindow, EveryLinkOpensItsTargetThroughTheShell) {
    settings_.Set(L"OrvoReadmePath", L"readme.txt");
    frmInfo& w = Recognised();
    ASSERT_FALSE(w.LocalViewInFront());
    // The visible labels by a click, the hidden ones through their handlers.
    for (InfoItem c :
         {InfoItem::lblHomepage, InfoItem::lblSoft, InfoItem::lblDingZhi, InfoItem::lblSO, InfoItem::lblFind})
        Click(w.Item(c));
    w.lblBuy_Click();
    w.lblMobile_Click();
    w.lblSite_Click();
    EXPECT_TRUE(w.LocalViewInFront());  // the home page link shows the local page

    const std::vector<std::wstring> targets = {
        L"https://www.velmora.example/",
        ComponentFolder() + L"\\readme.txt",
        L"https://www.velmora.example/orvocustomization.htm",
        L"https://search.velmora.example/",
        L"https://www.velmora.example/extpage/life.htm",
        L"https://shop.velmora.example/",
        L"https://www.velmora.example/ad/orvotuling.htm",
        L"https://nav.velmora.example/",
    };
    auto launches = ui_->Launches();
    ASSERT_EQ(launches.size(), targets.size());
    for (size_t i = 0; i < targets.size(); ++i) {
        EXPECT_EQ(launches[i].kind, LaunchRequest::Kind::ShellExecute);
        EXPECT_EQ(launches[i].owner, w.Hwnd());
        EXPECT_EQ(launches[i].verb, L"Open");
        EXPECT_EQ(launches[i].target, targets[i]);
        EXPECT_EQ(launches[i].parameters, L"");
        EXPECT_EQ(launches[i].directory, ComponentFolder());
        EXPECT_EQ(launches[i].show, SW_SHOWNORMAL);
    }
}

TEST_F(NoticeWindow, ALinkThatCannotOpenFailsSilently) {
    ui_->launchAnswers = {false};
    frmInfo& w = Open();
    w.lblDingZhi_Click();
    EXPECT_EQ(ui_->Messages().size(), 0u);
    EXPECT_TRUE(IsWindow(w.Hwnd()));
}

TEST_F(NoticeWindow, SearchSendsTheBoxTextEncoded) {
    frmInfo& w = Open();
    HWND box = w.Item(InfoItem::txtSearch);
    w.imgSearch_Click();  // the untouched prompt is searched for
    SetWindowTextW(box, L"");
    Click(w.Item(InfoItem::imgSearch));
    SetWindowTextW(box, L"  wave & mixer 音量  ");
    w.imgSearch_Click();

    auto launches = ui_->Launches();
    ASSERT_EQ(launches.size(), 3u);
    const std::wstring service = L"https://www.suxun.example/s?tn=velmora_pg";
    EXPECT_EQ(launches[0].target,
              service + L"&word=%E8%AF%B7%E8%BE%93%E5%85%A5%E6%90%9C%E7%B4%A2%E5%85%B3%E9%94%AE%E5%AD%97");
    EXPECT_EQ(launches[1].target, service);
    EXPECT_EQ(launches[2].target, service + L"&word=wave%20%26%20mixer%20%E9%9F%B3%E9%87%8F");
    for (const LaunchRequest& r : launches) {
        EXPECT_EQ(r.owner, w.Hwnd());
        EXPECT_EQ(r.verb, L"open");
        EXPECT_EQ(r.parameters, L"");
        EXPECT_EQ(r.directory, L"");
        EXPECT_EQ(r.show, SW_SHOW);
    }
}

TEST_F(NoticeWindow, EnterInTheBoxSearchesOtherKeysDoNot) {
    frmInfo& w = Open();
    HWND box = w.Item(InfoItem::txtSearch);
    SetWindowTextW(box, L"录音");
    SendMessageW(box, EM_SETSEL, 2, 2);
    SendMessageW(box, WM_CHAR, L'a', 0);
    EXPECT_EQ(ui_->Launches().size(), 0u);
    SendMessageW(box, WM_CHAR, VK_RETURN, 0);
    ASSERT_EQ(ui_->Launches().size(), 1u);
    EXPECT_EQ(ui_->Launches()[0].target, L"https://www.suxun.example/s?tn=velmora_pg&word=%E5%BD%95%E9%9F%B3a");
}

TEST_F(NoticeWindow, FocusSelectsTheWholeBox) {
    frmInfo& w = Open();
    w.ShowModeless();
    HWND box = w.Item(InfoItem::txtSearch);
    SendMessageW(box, EM_SETSEL, 0, 0);
    SetFocus(box);
    test::PumpMessagesFor(50);
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(wcslen(L"请输入搜索关键字")));
}

TEST_F(NoticeWindow, NeverShowWritesOneThenZeroAndTheNextNotifyStaysQuiet) {
    frmInfo& w = Open();
    HWND box = w.Item(InfoItem::chkHideWindow);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(Stored(L"ComHideWindow"), std::optional<std::wstring>(L"1"));
    EXPECT_TRUE(IsWindow(w.Hwnd()));  // the open window stays

    ThreadState& state = ThisThread();
    ASSERT_FALSE(state.window);
    NotifyOnThisThread(L"orvorecord");
    EXPECT_FALSE(state.window);

    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(Stored(L"ComHideWindow"), std::optional<std::wstring>(L"0"));
    NotifyOnThisThread(L"orvorecord");
    ASSERT_TRUE(state.window);
    EXPECT_TRUE(IsWindowVisible(state.window->Hwnd()));
    state.window->Destroy();  // closing hands the object back to the module
    EXPECT_FALSE(state.window);
}

TEST_F(NoticeWindow, AStandardUsersTickLandsUnderTheUserAndWinsOverTheMachine) {
    settings_.Set(kHideWindowValue, L"0");
    settings_.Set(kSoftDescValue, L"机器的名字");
    settings_.Set(kSoftDescValue, L"用户的名字", HKEY_CURRENT_USER);
    ThreadState& state = ThisThread();
    {
        RefusedWrites refused(false);
        NotifyOnThisThread(L"orvorecord");
        ASSERT_TRUE(state.window);
        EXPECT_EQ(TextOf(state.window->Hwnd()), L"用户的名字 - 通知链接");
        HWND box = state.window->Item(InfoItem::chkHideWindow);
        SendMessageW(box, BM_CLICK, 0, 0);
        EXPECT_EQ(test::StoredSetting(HKEY_CURRENT_USER, kHideWindowValue), std::optional<std::wstring>(L"1"));
        EXPECT_EQ(test::StoredSetting(HKEY_LOCAL_MACHINE, kHideWindowValue), std::optional<std::wstring>(L"0"));
        EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_TRUE(ui_->Messages().empty());

        state.window->Destroy();
        NotifyOnThisThread(L"orvorecord");
        EXPECT_FALSE(state.window) << "the user's tick did not hold";
    }

    // Someone allowed to write the machine's value unticks: the user's old
    // value would hide the new choice, so it goes.
    frmInfo& w = Open();
    HWND box = w.Item(InfoItem::chkHideWindow);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(test::StoredSetting(HKEY_LOCAL_MACHINE, kHideWindowValue), std::optional<std::wstring>(L"0"));
    EXPECT_EQ(test::StoredSetting(HKEY_CURRENT_USER, kHideWindowValue), std::nullopt);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    NotifyOnThisThread(L"orvorecord");
    ASSERT_TRUE(state.window);
    state.window->Destroy();
}

TEST_F(NoticeWindow, WhenNothingCanBeStoredTheBoxStaysAndTheUserIsToldOnce) {
    settings_.Set(kHideWindowValue, std::nullopt);
    RefusedWrites refused(true);
    frmInfo& w = Open();
    HWND box = w.Item(InfoItem::chkHideWindow);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(test::StoredSetting(HKEY_LOCAL_MACHINE, kHideWindowValue), std::nullopt);
    EXPECT_EQ(test::StoredSetting(HKEY_CURRENT_USER, kHideWindowValue), std::nullopt);
    auto messages = ui_->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, w.Hwnd());
    EXPECT_NE(messages[0].text.find(L"不再显示"), std::wstring::npos);
}

// The view's event sink: the site the control was given, which the view
// advises for the control's events. (Taken from the control's client site
// rather than by enumerating its connections: Wine's 32-bit control loses a
// reference when those are enumerated, and the site then dies early.)
ComPtr<IDispatch> EventSinkOf(WebView& view) {
    ComPtr<IDispatch> sink;
    ComPtr<IOleObject> object;
    ComPtr<IOleClientSite> site;
    if (!view.Browser() || FAILED(view.Browser()->QueryInterface(IID_IOleObject, object.PutVoid())) ||
        FAILED(object->GetClientSite(site.Put())) || !site)
        return sink;
    site->QueryInterface(IID_IDispatch, sink.PutVoid());
    return sink;
}

// Fires BeforeNavigate2 at the sink for the given browser object (the view's
// own or a frame's); true when the sink cancelled it.
bool BeforeNavigateCancelled(IDispatch* sink, const wchar_t* url, IDispatch* browser) {
    ScopedVariant address;
    address.Get()->vt = VT_BSTR;
    address.Get()->bstrVal = SysAllocString(url);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7];
    for (VARIANTARG& a : args) VariantInit(&a);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = address.Get();
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = browser;
    DISPPARAMS params{args, nullptr, 7, 0};
    sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
    return cancel != VARIANT_FALSE;
}

// Fires NewWindow3 with the given flags; true when the sink cancelled it.
bool NewWindowCancelled(IDispatch* sink, const wchar_t* url, DWORD flags) {
    ScopedBstr address(url), context(L"https://www.velmora.example/notify/");
    IDispatch* made = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[5];
    for (VARIANTARG& a : args) VariantInit(&a);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = address.Get();
    args[1].vt = VT_BSTR;
    args[1].bstrVal = context.Get();
    args[2].vt = VT_I4;
    args[2].lVal = static_cast<LONG>(flags);
    args[3].vt = VT_BYREF | VT_BOOL;
    args[3].pboolVal = &cancel;
    args[4].vt = VT_BYREF | VT_DISPATCH;
    args[4].ppdispVal = &made;
    DISPPARAMS params{args, nullptr, 5, 0};
    sink->Invoke(DISPID_NEWWINDOW3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
    return cancel != VARIANT_FALSE;
}

ComPtr<IDispatch> TopLevelOf(WebView& view) {
    ComPtr<IDispatch> browser;
    if (view.Browser()) view.Browser()->QueryInterface(IID_IDispatch, browser.PutVoid());
    return browser;
}

// The user releases the mouse button over the view, as the thread's message
// hook sees it.
void UserClicksIn(frmInfo& w, WebView& view) {
    MSG m{};
    m.hwnd = view.Host();
    m.message = WM_LBUTTONUP;
    NoteInfoClick(w, m);
}

constexpr wchar_t kElsewhere[] = L"https://elsewhere.test/page";

TEST_F(NoticeWindow, FramesScriptsAndUnaskedWindowsLaunchNothing) {
    frmInfo& w = Open();
    for (WebView* view : {&w.webNotify(), &w.webLocal()}) {
        ComPtr<IDispatch> sink = EventSinkOf(*view);
        ASSERT_TRUE(sink) << "no event sink connected";
        ComPtr<IDispatch> top = TopLevelOf(*view);
        ASSERT_TRUE(top);
        // A frame's own browser object: any object but the view's.
        IDispatch* frame = sink.Get();
        EXPECT_FALSE(BeforeNavigateCancelled(sink.Get(), L"https://www.velmora.example/notify/a.htm", top.Get()));
        EXPECT_FALSE(BeforeNavigateCancelled(sink.Get(), L"https://www.velmora.example/ad/f.htm", frame));
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), kElsewhere, top.Get()));  // no click: a script
        UserClicksIn(w, *view);
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), kElsewhere, frame));
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), kElsewhere, nullptr));
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), L"file:///C:/windows/win.ini", top.Get()));
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), L"javascript:alert(1)", top.Get()));
        EXPECT_TRUE(NewWindowCancelled(sink.Get(), kElsewhere, NWMF_FIRST));
        EXPECT_EQ(ui_->Launches().size(), 0u);
    }
}

TEST_F(NoticeWindow, OneClickInAViewLetsOneNavigationOutToTheBrowser) {
    frmInfo& w = Open();
    for (WebView* view : {&w.webNotify(), &w.webLocal()}) {
        ComPtr<IDispatch> sink = EventSinkOf(*view);
        ASSERT_TRUE(sink) << "no event sink connected";
        ComPtr<IDispatch> top = TopLevelOf(*view);
        ui_->Clear();
        UserClicksIn(w, *view);
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), kElsewhere, top.Get()));
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), L"https://other.test/", top.Get()));
        auto launches = ui_->Launches();
        ASSERT_EQ(launches.size(), 1u);
        EXPECT_EQ(launches[0].kind, LaunchRequest::Kind::ShellExecute);
        EXPECT_EQ(launches[0].target, kElsewhere);
        EXPECT_EQ(launches[0].owner, w.Hwnd());
    }
}

// The click comes through the client's message loop.
TEST_F(NoticeWindow, AClickTakenFromTheMessageLoopArmsOnlyItsView) {
    frmInfo& w = Open();
    HWND page = GetWindow(w.webLocal().Host(), GW_CHILD);
    PostMessageW(page ? page : w.webLocal().Host(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    test::PumpMessagesFor(50);
    for (WebView* view : {&w.webNotify(), &w.webLocal()}) {
        ComPtr<IDispatch> sink = EventSinkOf(*view);
        ASSERT_TRUE(sink) << "no event sink connected";
        EXPECT_TRUE(BeforeNavigateCancelled(sink.Get(), kElsewhere, TopLevelOf(*view).Get()));
    }
    auto launches = ui_->Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].target, kElsewhere);
}

TEST_F(NoticeWindow, ANewWindowTheUserAskedForOpensOnceInTheBrowser) {
    frmInfo& w = Open();
    ComPtr<IDispatch> sink = EventSinkOf(w.webNotify());
    ASSERT_TRUE(sink) << "no event sink connected";
    EXPECT_TRUE(NewWindowCancelled(sink.Get(), kElsewhere, NWMF_USERINITED | NWMF_FIRST));
    EXPECT_TRUE(NewWindowCancelled(sink.Get(), L"https://other.test/", NWMF_USERINITED));
    auto launches = ui_->Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].target, kElsewhere);
}

TEST_F(NoticeWindow, BothViewsAreCreatedAndNavigated) {
    frmInfo& w = Open();
    ASSERT_TRUE(w.webLocal().Created());
    ASSERT_TRUE(w.webNotify().Created());
    EXPECT_NE(w.webLocal().LocationUrl().find(L"vmminihome.htm"), std::wstring::npos);
    bool silent = false, registered = false;
    EXPECT_EQ(w.webNotify().GetSilent(&silent), S_OK);
    EXPECT_EQ(w.webNotify().GetRegisterAsBrowser(&registered), S_OK);
    EXPECT_TRUE(silent);
    EXPECT_TRUE(registered);

    const std::wstring url = L"http://www.velmora.example/notify/orvonewsdesk.htm?soft=orvorecord";
    w.NavigateNotify(url);
    EXPECT_EQ(w.NotifyUrl(), url);
    EXPECT_EQ(w.webNotify().LocationUrl(), url);
    w.ShowModeless();
    test::PumpMessagesFor(200);
    w.lblRefresh_Click();  // no page engine here: the reload may fail, the window may not
    EXPECT_TRUE(IsWindowVisible(w.Hwnd()));
}

}  // namespace
}  // namespace orvo::notifier

namespace orvo::notifier {
namespace {

// The pictures sit inside the link and search strips, whose panels must hand
// the drawing up to the window: left undrawn, a picture stays a black square.
TEST_F(NoticeWindow, ThePicturesInTheStripsAreDrawn) {
    frmInfo& w = Open();
    w.ShowModeless();
    test::PumpMessagesFor(300);
    for (InfoItem id : {InfoItem::imgLogo, InfoItem::imgSearch}) {
        HWND picture = w.Item(id);
        ASSERT_TRUE(picture && IsWindowVisible(picture));
        RECT rc;
        GetClientRect(picture, &rc);
        HDC dc = GetDC(picture);
        int black = 0, all = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x, ++all)
                if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++black;
        ReleaseDC(picture, dc);
        EXPECT_LT(black * 2, all) << "picture " << static_cast<int>(id) << " is black";
    }
}

}  // namespace
}  // namespace orvo::notifier
