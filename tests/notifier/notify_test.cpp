// Notify on the calling thread: the hide setting, the window it opens and
// where, and the notice address it sends the online view to.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "notifier/frm_info.h"
#include "notifier/mod_notify.h"
#include "tests/notifier/notifier_test_support.h"
#include "win/window.h"

namespace orvo::test {
namespace {

using namespace orvo::notifier;

class NotifyOnThread : public ::testing::Test {
protected:
    void TearDown() override { CloseNoticeWindows(GetCurrentThreadId()); }
    SettingsGuard settings_;
};

TEST_F(NotifyOnThread, HideSettingOfExactlyOneLeavesNoWindow) {
    settings_.Set(kHideWindowValue, L"1");
    NotifyOnThisThread(L"orvorecord");
    EXPECT_TRUE(NoticeWindowsOf(GetCurrentThreadId()).empty());
    ThreadState* state = ThisThreadIfAny();
    EXPECT_TRUE(!state || !state->window);
}

TEST_F(NotifyOnThread, AnyOtherHideSettingShowsTheWindowTopmostInTheCorner) {
    const std::optional<std::wstring> values[] = {L" 1", L"1 ", L"0", L" ", std::nullopt};
    for (const auto& value : values) {
        SCOPED_TRACE(value ? "\"" + std::string(value->begin(), value->end()) + "\"" : std::string("missing"));
        settings_.Set(kHideWindowValue, value);
        NotifyOnThisThread(L"orvorecord");
        std::vector<HWND> windows = NoticeWindowsOf(GetCurrentThreadId());
        ASSERT_EQ(windows.size(), 1u);
        HWND hwnd = windows[0];
        EXPECT_TRUE(IsWindowVisible(hwnd));
        LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
        EXPECT_TRUE(ex & WS_EX_TOPMOST);
        EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
        EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);

        int dpi = DpiOf(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, TwipsToPixels(7410, dpi));
        EXPECT_EQ(client.bottom, TwipsToPixels(5625, dpi));

        // 20 twips from the right edge, 450 above the bottom (room for the taskbar).
        RECT r{};
        GetWindowRect(hwnd, &r);
        EXPECT_NEAR(r.right, GetSystemMetrics(SM_CXSCREEN) - TwipsToPixels(20, dpi), 1);
        EXPECT_NEAR(r.bottom, GetSystemMetrics(SM_CYSCREEN) - TwipsToPixels(450, dpi), 1);
        CloseNoticeWindows(GetCurrentThreadId());
    }
}

TEST_F(NotifyOnThread, SecondCallReusesTheWindowAndMovesItBackToTheCorner) {
    settings_.Set(kHideWindowValue, L"0");
    NotifyOnThisThread(L"orvorecord");
    ThreadState* state = ThisThreadIfAny();
    ASSERT_TRUE(state && state->window);
    frmInfo* window = state->window.get();
    HWND hwnd = window->Hwnd();
    RECT corner{};
    GetWindowRect(hwnd, &corner);

    SetWindowPos(hwnd, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_HIDE);
    NotifyOnThisThread(L"orvotv");
    EXPECT_EQ(state->window.get(), window);
    EXPECT_EQ(window->Hwnd(), hwnd);
    EXPECT_EQ(NoticeWindowsOf(GetCurrentThreadId()).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT again{};
    GetWindowRect(hwnd, &again);
    EXPECT_EQ(again.left, corner.left);
    EXPECT_EQ(again.top, corner.top);
    EXPECT_EQ(window->NotifyUrl(), L"https://www.velmora.example/notify/orvonewsdesk.htm?soft=orvotv");
}

TEST_F(NotifyOnThread, ClosedWindowIsCreatedAgainAndLoadedAfresh) {
    settings_.Set(kHideWindowValue, std::nullopt);
    settings_.Set(kSoftDescValue, L"  欧沃录音机 ");
    NotifyOnThisThread(L"orvorecord");
    std::vector<HWND> first = NoticeWindowsOf(GetCurrentThreadId());
    ASSERT_EQ(first.size(), 1u);
    wchar_t caption[128] = {};
    GetWindowTextW(first[0], caption, 128);
    EXPECT_STREQ(caption, L"  欧沃录音机  - 通知链接");

    CloseNoticeWindows(GetCurrentThreadId());
    EXPECT_FALSE(IsWindow(first[0]));
    EXPECT_FALSE(ThisThread().window);

    settings_.Set(kSoftDescValue, L"   ");
    NotifyOnThisThread(L"orvorecord");
    std::vector<HWND> second = NoticeWindowsOf(GetCurrentThreadId());
    ASSERT_EQ(second.size(), 1u);
    GetWindowTextW(second[0], caption, 128);
    EXPECT_STREQ(caption, L"维莫拉社区 - 通知链接");
}

TEST_F(NotifyOnThread, NoticeAddressIsHttpsWithTheProgramKeyPercentEncoded) {
    const std::wstring page = L"https://www.velmora.example/notify/orvonewsdesk.htm?soft=";
    EXPECT_EQ(NoticeUrl(L""), page);
    EXPECT_EQ(NoticeUrl(L"orvorecord"), page + L"orvorecord");
    // A key cannot add parameters of its own or end the address.
    EXPECT_EQ(NoticeUrl(L"my soft&x=1#top"), page + L"my%20soft%26x%3D1%23top");
    EXPECT_EQ(NoticeUrl(L"录音机"), page + L"%E5%BD%95%E9%9F%B3%E6%9C%BA");

    // And it is what the window's online view is sent to.
    settings_.Set(kHideWindowValue, std::nullopt);
    NotifyOnThisThread(L"录音 机");
    ASSERT_TRUE(ThisThread().window);
    EXPECT_EQ(ThisThread().window->NotifyUrl(), page + L"%E5%BD%95%E9%9F%B3%20%E6%9C%BA");
}

TEST_F(NotifyOnThread, ReadmePathDefaultsToTheLocalPageOnlyWhenEmpty) {
    settings_.Set(kHideWindowValue, std::nullopt);
    settings_.Set(kReadmePathValue, std::nullopt);
    NotifyOnThisThread(L"orvorecord");
    EXPECT_EQ(ThisThread().ReadmePath, ComponentFolder() + L"\\vmminihome.htm");
    CloseNoticeWindows(GetCurrentThreadId());

    settings_.Set(kReadmePathValue, L" ");  // no usable target: the link opens nothing
    NotifyOnThisThread(L"orvorecord");
    EXPECT_EQ(ThisThread().ReadmePath, L"");
}

}  // namespace
}  // namespace orvo::test
