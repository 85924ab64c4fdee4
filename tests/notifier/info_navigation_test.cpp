#include "notifier/info_navigation.h"

#include <gtest/gtest.h>

namespace orvo::notifier {
namespace {

constexpr wchar_t kLocal[] = L"C:\\Orvo\\vmminihome.htm";
constexpr wchar_t kElsewhere[] = L"https://elsewhere.test/page";

NavigationRequest TopLevel(const wchar_t* url) { return NavigationRequest{url, false, true, false}; }
NavigationRequest Frame(const wchar_t* url) { return NavigationRequest{url, false, false, false}; }
NavigationRequest NewWindow(const wchar_t* url, bool userInitiated) {
    return NavigationRequest{url, true, false, userInitiated};
}

TEST(NavigationGate, FramesStayOnTheMakersPagesAndAreOtherwiseDroppedEvenAfterAClick) {
    NavigationGate gate(kLocal);
    EXPECT_EQ(gate.Decide(Frame(L"https://www.velmora.example/ad/frame.htm"), 100), NavigationVerdict::Proceed);
    gate.Clicked(100);
    EXPECT_EQ(gate.Decide(Frame(kElsewhere), 150), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(Frame(L"javascript:alert(1)"), 150), NavigationVerdict::Drop);
    // The frame did not use the click up.
    EXPECT_TRUE(gate.Armed(160));
}

TEST(NavigationGate, ATopLevelNavigationElsewhereLaunchesOncePerClick) {
    NavigationGate gate(kLocal);
    EXPECT_EQ(gate.Decide(TopLevel(kElsewhere), 10), NavigationVerdict::Drop);  // no click: a script
    gate.Clicked(20);
    EXPECT_EQ(gate.Decide(TopLevel(kElsewhere), 30), NavigationVerdict::Launch);
    EXPECT_EQ(gate.Decide(TopLevel(L"https://other.test/"), 40), NavigationVerdict::Drop);
    EXPECT_FALSE(gate.Armed(40));
    gate.Clicked(50);
    EXPECT_EQ(gate.Decide(TopLevel(L"https://other.test/"), 60), NavigationVerdict::Launch);
    // The maker's pages go ahead in the view and keep the click.
    gate.Clicked(100);
    EXPECT_EQ(gate.Decide(TopLevel(L"https://www.velmora.example/"), 110), NavigationVerdict::Proceed);
    EXPECT_EQ(gate.Decide(TopLevel(kLocal), 110), NavigationVerdict::Proceed);
    EXPECT_EQ(gate.Decide(TopLevel(L"file:///C:/Windows/win.ini"), 120), NavigationVerdict::Drop);
    EXPECT_TRUE(gate.Armed(130));
}

TEST(NavigationGate, AClickExpires) {
    NavigationGate gate(kLocal);
    gate.Clicked(1000);
    EXPECT_EQ(gate.Decide(TopLevel(kElsewhere), 1000 + NavigationGate::kClickLifetimeMs + 1),
              NavigationVerdict::Drop);
    // Across the wrap of the tick count a click keeps its time.
    gate.Clicked(0xFFFFFF00u);
    EXPECT_EQ(gate.Decide(TopLevel(kElsewhere), 0x100u), NavigationVerdict::Launch);
}

TEST(NavigationGate, ANewWindowLaunchesOnlyWhenTheUserAskedAndOncePerClick) {
    NavigationGate gate(kLocal);
    gate.Clicked(10);
    EXPECT_EQ(gate.Decide(NewWindow(kElsewhere, false), 20), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(NewWindow(L"https://www.velmora.example/", false), 20), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(NewWindow(L"javascript:open()", true), 20), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(NewWindow(kElsewhere, true), 30), NavigationVerdict::Launch);
    // One click handler opening a second window, or navigating the view too.
    EXPECT_EQ(gate.Decide(NewWindow(L"https://other.test/", true), 40), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(TopLevel(L"https://other.test/"), 40), NavigationVerdict::Drop);
    EXPECT_EQ(gate.Decide(NewWindow(L"https://other.test/", true), 40 + NavigationGate::kClickLifetimeMs + 1),
              NavigationVerdict::Launch);
}

}  // namespace
}  // namespace orvo::notifier
