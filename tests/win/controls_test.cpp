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
        list.Create(box.Inner(), {60, 360, 1800, 900});
        combo.Create(*this, {120, 1320, 1800, 1200});
        return true;
    }
    PictureBox box;
    TextBox name;
    CheckBox check;
    ListBox list;
    ComboBox combo;

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
    test::ExpectAt(window.list.Hwnd(), {60, 360, 1800, 900}, to);
    for (HWND control : {window.name.Hwnd(), window.check.Hwnd(), window.list.Hwnd(), window.combo.Hwnd()})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), DialogFont(to));
}

// A choice the user makes reaches the list's handler; one the program makes
// does not.
TEST(ControlKit, ListsTellTheUsersChoiceOnly) {
    KitWindow window;
    ASSERT_TRUE(window.Create());
    int changes = 0;
    window.list.OnChange([&] { ++changes; });
    for (const wchar_t* item : {L"一", L"二", L"三"}) window.list.AddItem(item);
    window.list.SetSelectedIndex(1);
    EXPECT_EQ(window.list.SelectedIndex(), 1);
    EXPECT_EQ(changes, 0);
    window.combo.AddItem(L"一");
    window.combo.AddItem(L"二");
    EXPECT_EQ(window.combo.Count(), 2);
    EXPECT_EQ(window.combo.SelectedIndex(), -1);

    RECT item{};
    SendMessageW(window.list.Hwnd(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 2, item.top + 2);
    SendMessageW(window.list.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window.list.Hwnd(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(window.list.SelectedIndex(), 2);
    EXPECT_EQ(changes, 1);
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
