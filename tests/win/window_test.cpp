#include "win/window.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

class Plain : public Window {
public:
    bool Create(HWND owner) {
        return CreateOf(L"OrvoWindowTestPlain", WS_POPUP, 0, L"", 0, 0, 50, 50, owner);
    }
};

// A quit that arrives during a modal window ends the modal loop and still
// reaches the program's loop, with its exit code.
TEST(ModalLoop, PassesWmQuitOnToTheOuterLoop) {
    Plain owner;
    ASSERT_TRUE(owner.Create(nullptr));
    Plain modal;
    ASSERT_TRUE(modal.Create(owner.Hwnd()));
    PostQuitMessage(7);
    modal.RunModal(owner.Hwnd());
    EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(m.wParam, 7u);
}

}  // namespace
}  // namespace orvo
