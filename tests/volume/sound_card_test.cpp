#include <gtest/gtest.h>

#include "tests/support/window_checks.h"
#include "tests/volume/mixer_probe.h"
#include "win/window_tools.h"
#include "recorder/resource.h"
#include "recorder/volume/frm_test_card.h"
#include "recorder/volume/sound_card_report.h"

namespace orvo::recorder {
namespace {

const std::wstring kFoundHeader = L"测试结果 - 发现声卡！信息如下：\r\n\r\n";

WaveOutDescription StereoDevice() {
    WaveOutDescription d;
    d.wMid = 1;
    d.wPid = 100;
    d.vDriverVersion = 0x0105;
    d.szPname = L"Out: default";
    d.dwFormats = 0xFFF;
    d.wChannels = 2;
    d.dwSupport = WAVECAPS_VOLUME;
    return d;
}

TEST(SoundCardReport, ReadsLineByLineAsTheUserSeesIt) {
    std::wstring expected = std::wstring(L"产品名称：Out: default                    \r\n") +
                            L"产品 Id：100\r\n"
                            L"驱动程序 Id：1\r\n"
                            L"驱动程序版本：1.5\r\n"
                            L"输出声道： 2\r\n"
                            L"支持格式列表：\r\n"
                            L"11.025Khz,Mono,8bit,11Kb/Ps\r\n"
                            L"11.025Khz,Stereo,8bit,22Kb/Ps\r\n"
                            L"11.025Khz,Mono,16bit,22Kb/Ps\r\n"
                            L"11.025Khz,Stereo,16bit,43Kb/Ps\r\n"
                            L"22.05Khz,Mono,8bit,22Kb/Ps\r\n"
                            L"22.05Khz,Stereo,8bit,43Kb/Ps\r\n"
                            L"22.05Khz,Mono,16bit,43Kb/Ps\r\n"
                            L"22.05Khz,Stereo,16bit,86Kb/Ps\r\n"
                            L"44.1Khz,Mono,8bit,43Kb/Ps\r\n"
                            L"44.1Khz,Stereo,8bit,86Kb/Ps\r\n"
                            L"44.1Khz,Mono,16bit,86Kb/Ps\r\n"
                            L"44.1Khz,Stereo,16bit,172Kb/Ps\r\n"
                            L"扩展输出功能列表：Support Volume Control\r\n";
    EXPECT_EQ(SoundCardDetails(StereoDevice()), expected);
    EXPECT_EQ(SoundCardHeader(true), kFoundHeader);
    EXPECT_EQ(SoundCardHeader(false), L"测试结果 - 没有发现声卡！\r\n\r\n");
}

TEST(SoundCardReport, NameIsPaddedOrCutToThirtyTwoCharacters) {
    WaveOutDescription d = StereoDevice();
    d.szPname = std::wstring(31, L'n');
    std::wstring report = SoundCardDetails(d);
    EXPECT_EQ(report.substr(0, report.find(L"\r\n")), L"产品名称：" + std::wstring(31, L'n') + L" ");
    d.szPname = L"";
    report = SoundCardDetails(d);
    EXPECT_EQ(report.substr(0, report.find(L"\r\n")), L"产品名称：" + std::wstring(32, L' '));
}

TEST(SoundCardReport, NumbersAreSignedAndChannelsTwoCharactersWide) {
    WaveOutDescription d = StereoDevice();
    d.wPid = -1;
    d.wMid = -32768;
    d.vDriverVersion = 0x0A0C;
    d.wChannels = 12;
    std::wstring report = SoundCardDetails(d);
    EXPECT_NE(report.find(L"\r\n产品 Id：-1\r\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"\r\n驱动程序 Id：-32768\r\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"\r\n驱动程序版本：10.12\r\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"\r\n输出声道： 1\r\n"), std::wstring::npos);
    d.wChannels = -3;
    EXPECT_NE(SoundCardDetails(d).find(L"\r\n输出声道：-3\r\n"), std::wstring::npos);
    // A 16-bit identifier above 32767 reads as negative.
    WAVEOUTCAPSW caps{};
    caps.wMid = 0xFFFF;
    caps.wChannels = 1;
    caps.vDriverVersion = 0x0105;
    EXPECT_EQ(DescriptionFromCaps(caps).wMid, -1);
    EXPECT_EQ(DescriptionFromCaps(caps).vDriverVersion, 0x0105);
}

TEST(SoundCardReport, OnlyTheTwelveStandardFormatsAndFiveFunctionsAreListed) {
    WaveOutDescription d = StereoDevice();
    d.dwFormats = 0xFFFFF000 | WAVE_FORMAT_4S16;
    d.dwSupport = 0;
    std::wstring report = SoundCardDetails(d);
    std::wstring formats = L"支持格式列表：\r\n44.1Khz,Stereo,16bit,172Kb/Ps\r\n扩展输出功能列表：";
    ASSERT_GE(report.size(), formats.size());
    // Nothing after the heading when the device has no optional functions.
    EXPECT_EQ(report.substr(report.size() - formats.size()), formats);

    d.dwSupport = 0xFFFFFFFF;
    report = SoundCardDetails(d);
    std::wstring functions =
        L"扩展输出功能列表：Support Pitch\r\nSupport Playback\r\nSupport Volume Control\r\n"
        L"Support Left-Right Channals\r\nSupport Synchronization\r\n";
    EXPECT_EQ(report.substr(report.size() - functions.size()), functions);
}

TEST(SoundCardReport, LookUpsAnswerOnlyExactBits) {
    EXPECT_EQ(GetFormatText(2048), L"44.1Khz,Stereo,16bit,172Kb/Ps");
    EXPECT_EQ(GetFormatText(16), L"22.05Khz,Mono,8bit,22Kb/Ps");
    EXPECT_EQ(GetFormatText(3), L"");
    EXPECT_EQ(GetFormatText(4096), L"");
    EXPECT_EQ(GetSupportText(8), L"Support Left-Right Channals");
    EXPECT_EQ(GetSupportText(32), L"");
    EXPECT_EQ(GetSupportText(0), L"");
}

// The window as it loads against the real devices of the test set-up.
TEST(SoundCardWindow, EachOpeningRebuildsTheSameReport) {
    if (test::NoAudioRun()) GTEST_SKIP() << "no sound server in this run";
    WaveOutDescription device;
    ASSERT_TRUE(QueryWaveOutDescription(0, device));
    std::wstring expected = kFoundHeader + SoundCardDetails(device);

    std::wstring first, second;
    {
        frmTestCard window;
        ASSERT_TRUE(window.Load(nullptr));
        first = window.Text();
        EXPECT_FALSE(IsWindowVisible(window.Hwnd()));
        SendMessageW(window.Command1(), BM_CLICK, 0, 0);
        EXPECT_EQ(window.Hwnd(), nullptr);
    }
    {
        frmTestCard window;
        ASSERT_TRUE(window.Load(nullptr));
        second = window.Text();
    }
    EXPECT_EQ(first, expected);
    EXPECT_EQ(second, first);
    // The set-up's device: its name, and formats beyond the standard twelve
    // that must not show.
    EXPECT_NE(first.find(L"产品名称：Out: default"), std::wstring::npos);
    EXPECT_NE(device.dwFormats & ~0xFFFu, 0u);
    EXPECT_NE(first.find(L"44.1Khz,Stereo,16bit,172Kb/Ps\r\n扩展输出功能列表："), std::wstring::npos);
}

TEST(SoundCardWindow, LaysOutTheTextBoxAndButtonInTwips) {
    frmTestCard window;
    ASSERT_TRUE(window.Load(nullptr));
    int dpi = DpiOf(window.Hwnd());
    RECT client{};
    GetClientRect(window.Hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(4425, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(5790, dpi));
    RECT button{};
    GetWindowRect(window.Command1(), &button);
    MapWindowPoints(nullptr, window.Hwnd(), reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, TwipsToPixels(3390, dpi));
    EXPECT_EQ(button.top, TwipsToPixels(5370, dpi));
    wchar_t caption[32]{};
    GetWindowTextW(window.Command1(), caption, 32);
    EXPECT_STREQ(caption, L"关闭");
    GetWindowTextW(window.Hwnd(), caption, 32);
    EXPECT_STREQ(caption, L"声卡信息：");
    EXPECT_TRUE(GetWindowLongW(window.Text1(), GWL_STYLE) & ES_MULTILINE);
    EXPECT_TRUE(GetWindowLongW(window.Text1(), GWL_STYLE) & WS_VSCROLL);
}

// At the prefix's scale, then after a move to another: the text box and the
// button fit, follow their twips, and the report keeps its own font.
TEST(SoundCardWindow, FitsAtTheScaleAndFollowsANewScale) {
    frmTestCard window;
    ASSERT_TRUE(window.Load(nullptr));
    ShowWindow(window.Hwnd(), SW_SHOWNA);
    int dpi = window.Dpi();
    orvo::test::ExpectPrefixDpi(dpi);
    orvo::test::ExpectTidy(window.Hwnd(), L"card");
    int to = orvo::test::OtherDpi(dpi);
    orvo::test::ExpectTakesNewDpi(window.Hwnd(), dpi, to);
    orvo::test::ExpectAt(window.Text1(), {30, 60, 4335, 5235}, to);
    orvo::test::ExpectAt(window.Command1(), {3390, 5370, 975, 375}, to);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.Text1(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, to, 72));
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageW(window.Text1(), WM_GETFONT, 0, 0)), DialogFont(to));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(window.Command1(), WM_GETFONT, 0, 0)), DialogFont(to));
}

// The modal path: "关闭" is clicked from a timer while the window's own loop
// runs, and the owner is usable again afterwards.
HWND g_closeClicked = nullptr;
int g_closeTries = 0;
void CALLBACK ClickClose(HWND, UINT, UINT_PTR id, DWORD) {
    HWND window = FindWindowW(L"OrvoTestCard", nullptr);
    if (!window || !IsWindowVisible(window)) {
        // Never leave the test stuck in the modal loop.
        if (++g_closeTries > 30) {
            KillTimer(nullptr, id);
            PostQuitMessage(0);
        }
        return;
    }
    KillTimer(nullptr, id);
    g_closeClicked = window;
    SendMessageW(GetDlgItem(window, IDC_TESTCARD_COMMAND1), BM_CLICK, 0, 0);
}

TEST(SoundCardWindow, ShowsModallyAndCloses) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    g_closeClicked = nullptr;
    g_closeTries = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, &ClickClose);
    frmTestCard::ShowModal(owner);
    KillTimer(nullptr, timer);
    EXPECT_NE(g_closeClicked, nullptr);
    EXPECT_FALSE(IsWindow(g_closeClicked));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace orvo::recorder
