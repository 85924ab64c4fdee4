#include "recorder/waveform/frm_audio_edit.h"

#include <commdlg.h>
#include <gtest/gtest.h>

#include "base/rounding.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/window_checks.h"
#include "tests/support/pump.h"
#include "tests/waveform/wav_files.h"
#include "recorder/waveform/mod_audio_edit.h"

namespace orvo::recorder {
namespace {

namespace mae = modAudioEdit;
using F = frmAudioEdit;
using test::Format;

class AudioEditWindow : public ::testing::Test {
protected:
    void SetUp() override {
        mae::CloseWaveOut();
        ASSERT_TRUE(form.Create(nullptr));
    }
    void TearDown() override { mae::CloseWaveOut(); }

    std::wstring Text(int id) {
        wchar_t buf[512];
        GetWindowTextW(form.Item(id), buf, 512);
        return buf;
    }
    // Chooses a file through the dialog.
    void Choose(const std::wstring& path) {
        ui.dialogAnswers.push_back(path);
        form.Command1_Click();
    }
    std::wstring StereoFile(double seconds = 0.5) {
        Format f;
        f.channels = 2;
        std::vector<int16_t> v;
        for (int i = 0; i < 8000 * seconds; ++i) {
            v.push_back(16384);
            v.push_back(-16384);
        }
        return dir.Write(L"stereo.wav", test::Wave(f, test::Samples16(v)));
    }
    int BlackPixels(int row) {
        int n = 0;
        for (int x = 0; x < form.Picture().ImageWidth(); ++x) {
            n += GetPixel(form.Picture().ImageDc(), x, row) == RGB(0, 0, 0);
        }
        return n;
    }
    int AllBlackPixels() {
        int n = 0;
        for (int y = 0; y < form.Picture().ImageHeight(); ++y) n += BlackPixels(y);
        return n;
    }
    void Drag(int id, int code, int pos) {
        SendMessageW(form.Hwnd(), WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(form.Item(id)));
    }

    ScriptedUi ui;
    test::ScratchDir dir;
    frmAudioEdit form;
};

TEST_F(AudioEditWindow, LaysOutItsControlsInTwips) {
    EXPECT_EQ(Text(0), L"");
    wchar_t caption[64];
    GetWindowTextW(form.Hwnd(), caption, 64);
    EXPECT_STREQ(caption, L"WAV波形分析");
    RECT client;
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(client.right, 457);  // 6855 twips at 96 dpi
    EXPECT_EQ(client.bottom, 253);
    LONG style = GetWindowLongW(form.Hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(Text(F::IDC_FRAME1), L"请选择WAV文件：");
    EXPECT_EQ(Text(F::IDC_LABEL1), L"<-起点A");
    EXPECT_EQ(Text(F::IDC_COMMAND2), L"播放");
    EXPECT_EQ(Text(F::IDC_COMMAND3), L"停止");

    RECT pic;
    GetWindowRect(form.Item(F::IDC_PICAUDIOWAV), &pic);
    MapWindowPoints(nullptr, form.Hwnd(), reinterpret_cast<POINT*>(&pic), 2);
    EXPECT_EQ(pic.left, 8);
    EXPECT_EQ(pic.top, 92);
    EXPECT_EQ(pic.right - pic.left, 379);
    EXPECT_EQ(pic.bottom - pic.top, 155);
    RECT text1;  // inside Frame1: 120 + 150, 90 + 300 twips
    GetWindowRect(form.Item(F::IDC_TEXT1), &text1);
    MapWindowPoints(nullptr, form.Hwnd(), reinterpret_cast<POINT*>(&text1), 2);
    EXPECT_EQ(text1.left, 18);
    EXPECT_EQ(text1.top, 26);

    // Tab order is the order of the children.
    std::vector<int> order;
    for (HWND h = GetWindow(form.Hwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(GetDlgCtrlID(h));
    EXPECT_EQ(order, (std::vector<int>{F::IDC_HSCROLL2, F::IDC_HSCROLL1, F::IDC_LABEL2, F::IDC_LABEL1,
                                       F::IDC_PICAUDIOWAV, F::IDC_FRAME1, F::IDC_COMMAND1, F::IDC_TEXT1,
                                       F::IDC_COMMAND3, F::IDC_COMMAND2, F::IDC_COMMAND4, F::IDC_COMMAND5}));
}

// At the prefix's scale, then after a move to another with a file drawn: the
// controls fit and follow their twips, the markers grow with the system's
// scroll bars, and the traces are drawn again over the whole new area.
TEST_F(AudioEditWindow, FitsAtTheScaleAndFollowsANewScale) {
    ShowWindow(form.Hwnd(), SW_SHOWNA);
    int dpi = form.Dpi();
    test::ExpectPrefixDpi(dpi);
    test::ExpectTidy(form.Hwnd(), L"waveform");
    test::ExpectNamed(form.Hwnd(), L"waveform");
    Choose(StereoFile());
    int to = test::OtherDpi(dpi);
    test::ExpectTakesNewDpi(form.Hwnd(), dpi, to);
    test::ExpectTidy(form.Hwnd(), L"waveform");
    test::ExpectAt(form.Item(F::IDC_PICAUDIOWAV), {120, 1380, 5685, 2325}, to);
    test::ExpectAt(form.Item(F::IDC_COMMAND2), {5940, 1500, 705, 375}, to);
    test::ExpectAt(form.Item(F::IDC_TEXT1), {270, 390, 5535, 285}, to);
    for (int id : {F::IDC_HSCROLL1, F::IDC_HSCROLL2}) {
        RECT bar = test::RectInParent(form.Item(id));
        EXPECT_GE((bar.bottom - bar.top) * 96, 8 * to);
    }
    RECT client;
    GetClientRect(form.Item(F::IDC_PICAUDIOWAV), &client);
    EXPECT_EQ(form.Picture().ImageWidth(), client.right);
    EXPECT_EQ(form.Picture().ImageHeight(), client.bottom);
    // The lines of 0.5 and -0.5 (871 and 1453 twips down) across the new width.
    EXPECT_GT(BlackPixels(TwipsToPixels(871, to)), form.Picture().ImageWidth() / 2);
    EXPECT_GT(BlackPixels(TwipsToPixels(1453, to)), form.Picture().ImageWidth() / 2);
}

TEST_F(AudioEditWindow, LoadStartsEmptyWithBAtTheEnd) {
    EXPECT_EQ(mae::bWaveLoaded, 0);
    EXPECT_EQ(form.HScrollValue(1), 0);
    EXPECT_EQ(form.HScrollValue(2), 1000);
    EXPECT_EQ(GetScrollPos(form.Item(F::IDC_HSCROLL2), SB_CTL), 1000);
    EXPECT_EQ(form.Redraws(), 1);
    EXPECT_FALSE(form.Timer1Enabled());
    EXPECT_EQ(AllBlackPixels(), 0);
}

TEST_F(AudioEditWindow, ChoosingAFileDrawsItAndResetsTheMarkers) {
    // Cancelling changes nothing and says nothing.
    form.Command1_Click();
    ASSERT_EQ(ui.Dialogs().size(), 1u);
    EXPECT_EQ(ui.Dialogs()[0].filter, L"*.wav|*.wav");
    EXPECT_EQ(ui.Dialogs()[0].fileName, L"*.wav");
    EXPECT_EQ(ui.Dialogs()[0].defaultExt, L"wav");
    EXPECT_FALSE(ui.Dialogs()[0].save);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form.Redraws(), 1);

    std::wstring path = StereoFile();
    form.SetHScrollValue(2, 600);
    form.SetHScrollValue(1, 200);
    Choose(path);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(Text(F::IDC_TEXT1), path);
    EXPECT_EQ(form.HScrollValue(1), 0);
    EXPECT_EQ(form.HScrollValue(2), 1000);
    EXPECT_EQ(mae::lStartFrame, 0);
    EXPECT_EQ(mae::lEndFrame, 4000);
    // Centre lines at a quarter and three quarters: 0.5 lies 290 twips
    // below the first (871 twips: row 58), -0.5 above the second (row 97).
    int width = form.Picture().ImageWidth();
    EXPECT_GT(BlackPixels(58), width / 2);
    EXPECT_GT(BlackPixels(97), width / 2);
    EXPECT_EQ(BlackPixels(20), 0);
    EXPECT_EQ(BlackPixels(130), 0);
    EXPECT_EQ(ui.Dialogs().back().fileName, L"*.wav");

    // A file that is not a WAV file: its message, its path, a clear area.
    std::wstring text = dir.Write(L"notes.wav", {'n', 'o', 't', 'e', 's'});
    Choose(text);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"Not a wave file");
    EXPECT_EQ(Text(F::IDC_TEXT1), text);
    EXPECT_EQ(AllBlackPixels(), 0);
    EXPECT_EQ(form.HScrollValue(1), 0);
    EXPECT_EQ(form.HScrollValue(2), 1000);
    EXPECT_EQ(ui.Dialogs().back().fileName, path);  // the dialog remembers the last choice
}

TEST_F(AudioEditWindow, MarkersStayApartAndRedrawOnRelease) {
    Choose(StereoFile());
    int before = form.Redraws();
    // Dragging moves the thumb but neither the value nor the drawing.
    Drag(F::IDC_HSCROLL1, SB_THUMBTRACK, 700);
    EXPECT_EQ(form.HScrollValue(1), 0);
    EXPECT_EQ(form.Redraws(), before);
    Drag(F::IDC_HSCROLL1, SB_THUMBPOSITION, 700);
    EXPECT_EQ(form.HScrollValue(1), 700);
    EXPECT_EQ(form.Redraws(), before + 1);
    EXPECT_EQ(mae::lStartFrame, 2800);

    // A dragged onto B ends one below it; B onto A one above.
    Drag(F::IDC_HSCROLL2, SB_THUMBPOSITION, 750);
    Drag(F::IDC_HSCROLL1, SB_THUMBPOSITION, 900);
    EXPECT_EQ(form.HScrollValue(1), 749);
    EXPECT_EQ(GetScrollPos(form.Item(F::IDC_HSCROLL1), SB_CTL), 749);
    Drag(F::IDC_HSCROLL2, SB_THUMBPOSITION, 100);
    EXPECT_EQ(form.HScrollValue(2), 750);
    Drag(F::IDC_HSCROLL2, SB_LEFT, 0);
    EXPECT_EQ(form.HScrollValue(2), 750);
    Drag(F::IDC_HSCROLL1, SB_LINERIGHT, 0);
    EXPECT_EQ(form.HScrollValue(1), 749);
    Drag(F::IDC_HSCROLL1, SB_PAGELEFT, 0);
    EXPECT_EQ(form.HScrollValue(1), 748);
    EXPECT_EQ(mae::lStartFrame, 2992);
    EXPECT_EQ(mae::lEndFrame, 3000);
    Drag(F::IDC_HSCROLL2, SB_RIGHT, 0);
    EXPECT_EQ(form.HScrollValue(2), 1000);

    // Marker frames round half to even: 5 frames, A at 100 -> 0.5 -> 0, 300 -> 1.5 -> 2.
    Format f;
    Choose(dir.Write(L"five.wav", test::Wave(f, test::Samples16({1, 2, 3, 4, 5}))));
    form.SetHScrollValue(1, 100);
    EXPECT_EQ(mae::lStartFrame, 0);
    form.SetHScrollValue(1, 300);
    EXPECT_EQ(mae::lStartFrame, 2);
    form.SetHScrollValue(2, 500);
    EXPECT_EQ(mae::lEndFrame, 2);  // 2.5 -> 2: an empty stretch draws nothing and does not fail
    EXPECT_EQ(AllBlackPixels(), 0);
}

TEST_F(AudioEditWindow, TheDrawingSurvivesCoveringAndUncovering) {
    ShowWindow(form.Hwnd(), SW_SHOWNOACTIVATE);
    Choose(StereoFile());
    HWND pic = form.Item(F::IDC_PICAUDIOWAV);
    InvalidateRect(pic, nullptr, TRUE);
    UpdateWindow(pic);
    test::PumpMessagesFor(50);
    HDC screen = GetDC(pic);
    int black = 0;
    for (int x = 0; x < form.Picture().ImageWidth(); ++x) black += GetPixel(screen, x, 58) == RGB(0, 0, 0);
    ReleaseDC(pic, screen);
    EXPECT_EQ(black, BlackPixels(58));
    EXPECT_GT(black, 0);
}

TEST_F(AudioEditWindow, PlaysAStretchAndTheTimerClosesTheDevice) {
    // Stop with nothing playing does nothing.
    form.Command3_Click();
    EXPECT_FALSE(mae::WaveOutOpen());

    Choose(StereoFile(0.5));
    form.SetHScrollValue(2, 400);  // 0.2 s
    form.Command2_Click();
    ASSERT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(form.Timer1Enabled());
    EXPECT_TRUE(mae::WaveOutOpen());
    EXPECT_EQ(mae::WaveHeader.dwBufferLength, 1600u * 4);
    EXPECT_TRUE(test::PumpUntil([&] { return !form.Timer1Enabled(); }, 5000));
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::bPlaying.load(), 0);
}

TEST_F(AudioEditWindow, PlayWhilePlayingDoesNothingAndStopEndsIt) {
    Choose(StereoFile(6.0));
    form.Command2_Click();
    ASSERT_EQ(mae::bPlaying.load(), -1);
    HWAVEOUT device = mae::hWaveOut;
    form.Command2_Click();
    EXPECT_EQ(mae::hWaveOut, device);
    EXPECT_EQ(mae::bPlaying.load(), -1);
    form.Command3_Click();
    EXPECT_TRUE(test::PumpUntil([&] { return !form.Timer1Enabled(); }, 2000));
    EXPECT_FALSE(mae::WaveOutOpen());
}

TEST_F(AudioEditWindow, ClosingWhilePlayingStopsTheSound) {
    Choose(StereoFile(6.0));
    form.Command2_Click();
    ASSERT_TRUE(mae::WaveOutOpen());
    SendMessageW(form.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.Hwnd(), nullptr);
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::bPlaying.load(), 0);
    // The module outlives the window; the next opening starts unloaded.
    EXPECT_GT(mae::DataBytes(), 0u);
    frmAudioEdit again;
    ASSERT_TRUE(again.Create(nullptr));
    EXPECT_EQ(mae::bWaveLoaded, 0);
}

}  // namespace
}  // namespace orvo::recorder

namespace orvo::recorder {
namespace {

void CALLBACK CloseWaveformWindow(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (HWND w = FindWindowW(L"OrvoAudioEdit", nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
}

void CALLBACK ProbeOwner(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND o = FindWindowW(L"STATIC", L"owner");
    if (o && !IsWindowEnabled(o)) SetPropW(o, L"blocked", reinterpret_cast<HANDLE>(1));
}

TEST_F(AudioEditWindow, AGoodFileThenAFailedOneLeavesNothingToPlay) {
    Choose(StereoFile());
    ASSERT_EQ(mae::bWaveLoaded, -1);
    Choose(dir.Write(L"broken.wav", test::Bytes{'R', 'I', 'F', 'F'}));
    ASSERT_EQ(mae::bWaveLoaded, 0);
    ui.Clear();
    form.Command2_Click();
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_FALSE(mae::WaveOutOpen());
    EXPECT_EQ(mae::bPlaying.load(), 0);
}

TEST_F(AudioEditWindow, ADialogThatFailsIsReportedACancelIsNot) {
    form.Command1_Click();
    EXPECT_TRUE(ui.Messages().empty());
    ui.dialogError = FNERR_INVALIDFILENAME;
    form.Command1_Click();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].owner, form.Hwnd());
    EXPECT_NE(ui.Messages()[0].text.find(L"0x3002"), std::wstring::npos);
    EXPECT_EQ(Text(F::IDC_TEXT1), L"");
}

TEST(AudioEditModal, BlocksItsOwnerUntilClosed) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(owner, nullptr);
    UINT_PTR probe = SetTimer(nullptr, 0, 50, nullptr);
    SetTimer(nullptr, 0, 300, &CloseWaveformWindow);
    {
        frmAudioEdit form;
        ASSERT_TRUE(form.Create(owner));
        EXPECT_EQ(GetWindow(form.Hwnd(), GW_OWNER), owner);
        // The modal loop dispatches the probe timer too; it sees the owner disabled.
        SetTimer(nullptr, probe, 50, &ProbeOwner);
        form.RunModal(owner);
        EXPECT_EQ(form.Hwnd(), nullptr);
    }
    EXPECT_NE(GetPropW(owner, L"blocked"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    RemovePropW(owner, L"blocked");
    DestroyWindow(owner);
}

}  // namespace
}  // namespace orvo::recorder
