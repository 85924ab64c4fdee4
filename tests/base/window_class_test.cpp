#include "base/window_class.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

// What a DLL does as it unloads: every class it registered goes, so none is
// left pointing at a window procedure that is no longer mapped.
TEST(WindowClasses, EveryClassRegisteredIsUnregisteredAgain) {
    const wchar_t* names[] = {L"OrvoClassTestA", L"OrvoClassTestB"};
    for (const wchar_t* name : names) ASSERT_TRUE(RegisterWindowClass({name, &DefWindowProcW}));
    UnregisterWindowClasses();
    for (const wchar_t* name : names) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) << name;
    }
    // A class whose window still exists stays, and goes at the next call.
    ASSERT_TRUE(RegisterWindowClass({names[0], &DefWindowProcW}));
    HWND window = CreateWindowExW(0, names[0], L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    UnregisterWindowClasses();
    DestroyWindow(window);
    UnregisterWindowClasses();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), names[0], &wc));
}

}  // namespace
}  // namespace orvo
