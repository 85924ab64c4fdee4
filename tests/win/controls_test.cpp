#include "win/controls.h"

#include <gtest/gtest.h>

#include "tests/support/window_checks.h"
#include "win/window_tools.h"

namespace orvo {
namespace {

// A window that makes its controls through the kit and has nothing else to
// say about them: no list of them, no handler of its own for a new dpi.
class KitWindow : public Window {
public:
    explicit KitWindow(int* destroys = nullptr) : destroys_(destroys) {}
    bool Create() {
        if (!CreateOf(L"OrvoKitTestWindow", WS_OVERLAPPED | WS_CAPTION, 0, L"", 0, 0, 400, 300, nullptr)) return false;
        box.Create(*this, {120, 240, 2400, 300}, false);
        name.Create(box.Inner(), L"", {60, 30, 1800, 285});
        check.Create(*this, L"check", {120, 900, 1500, 285});
        return true;
    }
    PictureBox box;
    TextBox name;
    CheckBox check;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_DESTROY && destroys_) ++*destroys_;
        return Window::HandleMessage(msg, wParam, lParam);
    }

private:
    int* destroys_;
};

// Every control made through the kit, in the window or inside a container of
// it, goes back to its twips with the dialog font of the new dpi.
TEST(ControlKit, ControlsMadeThroughItFollowANewDpi) {
    KitWindow window;
    ASSERT_TRUE(window.Create());
    int from = window.Dpi();
    int to = test::OtherDpi(from);
    test::ExpectTakesNewDpi(window.Hwnd(), from, to);
    test::ExpectAt(window.box.Hwnd(), {120, 240, 2400, 300}, to);
    test::ExpectAt(window.name.Hwnd(), {60, 30, 1800, 285}, to);
    test::ExpectAt(window.check.Hwnd(), {120, 900, 1500, 285}, to);
    for (HWND control : {window.name.Hwnd(), window.check.Hwnd()})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), DialogFont(to));
}

// The object stops answering before its window goes: a window still open when
// its object is deleted is destroyed without reaching the deleted handlers.
TEST(ControlKit, AWindowOpenAtItsObjectsEndGoesWithoutCallingBack) {
    int destroys = 0;
    HWND hwnd = nullptr;
    {
        KitWindow window(&destroys);
        ASSERT_TRUE(window.Create());
        hwnd = window.Hwnd();
        window.check.OnClick([&] { ADD_FAILURE() << "a handler ran during the teardown"; });
        SetFocus(window.check.Hwnd());
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(destroys, 0);

    KitWindow closed(&destroys);
    ASSERT_TRUE(closed.Create());
    closed.Destroy();
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(closed.Hwnd(), nullptr);
}

}  // namespace
}  // namespace orvo
