#include "notifier/web_view.h"

#include <gtest/gtest.h>

#include "support/pump.h"

namespace orvo::notifier {
namespace {

class Parent {
public:
    Parent() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 500, 400, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Parent() { if (hwnd_) DestroyWindow(hwnd_); }
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_;
};

TEST(WebView, CreatesTheControlInPlaceAndNavigates) {
    Parent parent;
    ASSERT_NE(parent.Get(), nullptr);
    WebView view;
    ASSERT_EQ(view.Create(parent.Get(), 7, 0, 27, 495, 320), S_OK);
    ASSERT_TRUE(view.Created());
    EXPECT_EQ(GetParent(view.Host()), parent.Get());
    EXPECT_EQ(GetDlgCtrlID(view.Host()), 7);

    EXPECT_EQ(view.SetSilent(true), S_OK);
    EXPECT_EQ(view.SetRegisterAsBrowser(true), S_OK);
    bool silent = false, registered = false;
    EXPECT_EQ(view.GetSilent(&silent), S_OK);
    EXPECT_EQ(view.GetRegisterAsBrowser(&registered), S_OK);
    EXPECT_TRUE(silent);
    EXPECT_TRUE(registered);

    int completes = 0;
    view.SetDocumentCompleteHandler([&](IDispatch*, const std::wstring& url) { ++completes; printf("DC %ls\n", url.c_str()); });
    HRESULT hr = view.Navigate(L"C:\\windows\\win.ini");
    printf("navigate %08lx\n", hr);
    test::PumpMessagesFor(1500);
    BSTR loc = nullptr; view.Browser()->get_LocationURL(&loc); printf("loc %ls completes %d\n", loc?loc:L"(null)", completes);
    std::wstring markup;
    hr = view.DocumentMarkup(&markup);
    printf("markup %08lx\n", hr);
    printf("refresh %08lx\n", view.Refresh());
    view.Destroy();
    EXPECT_FALSE(view.Created());
    EXPECT_EQ(view.Host(), nullptr);
}

}  // namespace
}  // namespace orvo::notifier
