#include "win/window.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

class Plain : public Window {
public:
    bool Create(HWND owner) {
        return CreateOf(L"OrvoModalTestWindow", WS_POPUP, 0, L"", 0, 0, 50, 50, owner);
    }
};

// A quit that arrives while a modal window runs ends its loop, and the
// program's own loop still receives it, once the owner works again.
TEST(ModalLoop, PassesAQuitOnToTheOuterLoop) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    Plain window;
    ASSERT_TRUE(window.Create(owner));
    PostQuitMessage(7);
    EXPECT_FALSE(window.RunModal(owner, false));
    EXPECT_TRUE(IsWindowEnabled(owner));
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
    window.Destroy();
    DestroyWindow(owner);
}

}  // namespace
}  // namespace orvo
