#include "notifier/web_view.h"

#include <gtest/gtest.h>

#include "tests/support/pump.h"

namespace orvo::notifier {
namespace {

class Parent {
public:
    Parent() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 500, 400, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Parent() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_;
};

TEST(WebView, IsActivatedInPlaceNavigatesAndTearsDownTwiceSafely) {
    Parent parent;
    ASSERT_NE(parent.Get(), nullptr);
    WebView view;
    ASSERT_EQ(view.Create(parent.Get(), 7, 0, 27, 495, 320), S_OK);
    ASSERT_TRUE(view.Created());
    HWND host = view.Host();
    EXPECT_EQ(GetParent(host), parent.Get());
    EXPECT_EQ(GetDlgCtrlID(host), 7);
    // The control's own window lives inside the host.
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_EQ(view.Create(parent.Get(), 8, 0, 0, 10, 10), E_UNEXPECTED);

    EXPECT_EQ(view.SetSilent(true), S_OK);
    EXPECT_EQ(view.SetRegisterAsBrowser(true), S_OK);
    bool silent = false, registered = false;
    EXPECT_EQ(view.GetSilent(&silent), S_OK);
    EXPECT_EQ(view.GetRegisterAsBrowser(&registered), S_OK);
    EXPECT_TRUE(silent);
    EXPECT_TRUE(registered);

    EXPECT_EQ(view.Navigate(L"http://www.velmora.example/notify/orvonewsdesk.htm?soft=ab"), S_OK);
    EXPECT_EQ(view.LocationUrl(), L"http://www.velmora.example/notify/orvonewsdesk.htm?soft=ab");
    test::PumpMessagesFor(100);

    // Without a page engine there is no document: the read fails cleanly.
    std::wstring markup = L"stale";
    EXPECT_TRUE(FAILED(view.DocumentMarkup(&markup)));
    EXPECT_EQ(markup, L"");

    view.Destroy();
    EXPECT_FALSE(view.Created());
    EXPECT_EQ(view.Host(), nullptr);
    EXPECT_FALSE(IsWindow(host));
    view.Destroy();
}

TEST(WebView, AViewWithoutAControlRefusesPolitely) {
    WebView view;
    EXPECT_EQ(view.Navigate(L"about:blank"), E_UNEXPECTED);
    EXPECT_EQ(view.Refresh(), E_UNEXPECTED);
    EXPECT_EQ(view.SetSilent(true), E_UNEXPECTED);
    std::wstring markup;
    EXPECT_EQ(view.DocumentMarkup(&markup), E_UNEXPECTED);
    EXPECT_EQ(view.LocationUrl(), L"");
    view.BringToFront();
    view.Move(0, 0, 1, 1);
}

TEST(WebView, MovesAndStacksAsASiblingWindow) {
    Parent parent;
    WebView first, second;
    ASSERT_EQ(first.Create(parent.Get(), 1, 0, 0, 100, 100), S_OK);
    ASSERT_EQ(second.Create(parent.Get(), 2, 0, 0, 100, 100), S_OK);
    first.Move(3, 27, 495, 320);
    RECT r = first.Bounds();
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.top, 27);
    EXPECT_EQ(r.right - r.left, 495);
    EXPECT_EQ(r.bottom - r.top, 320);

    first.BringToFront();
    EXPECT_EQ(GetWindow(parent.Get(), GW_CHILD), first.Host());
    second.BringToFront();
    EXPECT_EQ(GetWindow(parent.Get(), GW_CHILD), second.Host());
}

}  // namespace
}  // namespace orvo::notifier
