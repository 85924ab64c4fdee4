// The notice window's keys arrive through a loop that is not ours (here the
// plain loop of the test, as a client's would be): Esc must still close it,
// and keys of the thread's other windows must pass untouched.
#include "notifier/frm_info.h"

#include <gtest/gtest.h>

#include "tests/support/pump.h"
#include "tests/support/scripted_ui.h"

namespace orvo::notifier {
namespace {

TEST(NoticeKeyboard, EscThroughTheClientsOwnLoopClosesOnlyTheNoticeWindow) {
    ScriptedUi ui;
    frmInfo window;
    ASSERT_TRUE(window.Create());
    ShowWindow(window.Hwnd(), SW_SHOWNA);
    ScopedWindow other(CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 40, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(other);

    // Another window's Esc is not the notice window's business.
    PostMessageW(other.Get(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    orvo::test::PumpMessagesFor(200);
    EXPECT_TRUE(IsWindow(window.Hwnd()));

    HWND notice = window.Hwnd();
    PostMessageW(notice, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(orvo::test::PumpUntil([&] { return !IsWindow(notice); }, 2000));
    EXPECT_TRUE(IsWindow(other.Get()));
}

// Tab through the client's loop: from the search box on through the window's
// controls into the page in front (never the one behind it), and on out of
// the page to the search box again.
TEST(NoticeKeyboard, TabGoesIntoThePageInFrontAndOutAgain) {
    ScriptedUi ui;
    frmInfo window;
    ASSERT_TRUE(window.Create());
    ShowWindow(window.Hwnd(), SW_SHOW);
    ASSERT_NE(window.webLocal().Host(), nullptr);
    HWND box = window.Item(InfoItem::txtSearch);
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    auto within = [](HWND outer) {
        HWND focus = GetFocus();
        return focus && (focus == outer || IsChild(outer, focus));
    };
    bool reachedPage = false, backAtBox = false;
    for (int i = 0; i < 8 && !backAtBox; ++i) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
        orvo::test::PumpMessagesFor(50);
        EXPECT_FALSE(within(window.webNotify().Host())) << "the page behind took the focus";
        if (within(window.webLocal().Host())) reachedPage = true;
        backAtBox = reachedPage && GetFocus() == box;
    }
    EXPECT_TRUE(reachedPage);
    EXPECT_TRUE(backAtBox);
}

}  // namespace
}  // namespace orvo::notifier
