#include "recorder/waveform/frm_audio_edit.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "recorder/program.h"
#include "base/failure.h"
#include "win/report.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"
#include "recorder/resource.h"
#include "recorder/waveform/mod_audio_edit.h"
#include "recorder/waveform/wave_trace.h"

namespace orvo::recorder {
namespace mae = modAudioEdit;

namespace {

// Client area and the drawing area of the layout, in twips.
constexpr int kClientWidth = 6855, kClientHeight = 3795;
constexpr int kPictureWidth = 5685, kPictureHeight = 2325;

frmAudioEdit* g_open = nullptr;  // the window whose timer watches the play

}  // namespace

// --- drawing area ---

WavePicture::~WavePicture() {
    if (oldBitmap_) SelectObject(image_.Get(), oldBitmap_);
}

bool WavePicture::Create(HWND parent, int id, int x, int y, int width, int height) {
    if (!CreateOf(L"OrvoWavePicture", WS_CHILD | WS_VISIBLE | WS_TABSTOP, WS_EX_CLIENTEDGE, L"", x, y, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                  static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)))) {
        return false;
    }
    return MakeImage();
}

bool WavePicture::MakeImage() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    ScopedGetDc screen(Hwnd());
    if (!image_) image_.Reset(CreateCompatibleDC(screen.Get()));
    ScopedGdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    if (!image_ || !bitmap) return false;
    HGDIOBJ old = SelectObject(image_.Get(), bitmap.Get());
    if (!oldBitmap_) oldBitmap_ = old;
    bitmap_ = std::move(bitmap);  // the old image, no longer selected, goes
    width_ = client.right;
    height_ = client.bottom;
    Clear();
    return true;
}

void WavePicture::Clear() {
    RECT r{0, 0, width_, height_};
    FillRect(image_.Get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

LRESULT WavePicture::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            // The window redraws the traces into the new image.
            MakeImage();
            return 0;
        case WM_PAINT: {
            ScopedPaint paint(Hwnd());
            BitBlt(paint.Get(), 0, 0, width_, height_, image_.Get(), 0, 0, SRCCOPY);
            if (GetFocus() == Hwnd()) {
                RECT r{0, 0, width_, height_};
                DrawFocusRect(paint.Get(), &r);
            }
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Show();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            SetFocus(Hwnd());
            if (onMouseDown) onMouseDown(static_cast<short>(LOWORD(lParam)), msg == WM_RBUTTONDOWN);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS;
        case WM_CHAR:
            if (onKeyPress) onKeyPress(static_cast<wchar_t>(wParam));
            return 0;
    }
    return Default(msg, wParam, lParam);
}

// --- the window ---

// The window may still be open: the sound stops as when it closes.
frmAudioEdit::~frmAudioEdit() { Form_Unload(); }

bool frmAudioEdit::Create(HWND owner) {
    int dpi = DpiOf(owner);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    // Centred on the screen, whoever owns it.
    RECT r = CentredFrame(nullptr, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi), style,
                          WS_EX_DLGMODALFRAME);
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_AUDIOEDIT));
    if (!CreateOf(L"OrvoAudioEdit", style, WS_EX_DLGMODALFRAME, L"WAV波形分析", r.left, r.top, r.right - r.left,
                  r.bottom - r.top, owner, nullptr, icon)) {
        return false;
    }
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    CreateControls();
    g_open = this;
    mae::SetPlayStartedHook(&frmAudioEdit::StartTimer1);
    Form_Load();
    return true;
}

// Controls are created in tab order, which is also their order on the
// keyboard; Text1 and Command1 sit inside Frame1 (offsets from its corner).
void frmAudioEdit::CreateControls() {
    const int frameLeft = 120, frameTop = 90;
    hScroll2_.Create(*this, {120, 1170, 5685, 135}, IDC_HSCROLL2);
    hScroll1_.Create(*this, {120, 990, 5685, 135}, IDC_HSCROLL1);
    label2_.Create(*this, L"<-终点B", {5880, 1200, 855, 255}, IDC_LABEL2);
    label1_.Create(*this, L"<-起点A", {5880, 930, 855, 225}, IDC_LABEL1);
    const TwipRect picture{120, 1380, kPictureWidth, kPictureHeight};
    RECT px = PixelsOf(picture, Dpi());
    if (!picture_.Create(Hwnd(), IDC_PICAUDIOWAV, px.left, px.top, px.right - px.left, px.bottom - px.top)) {
        FailWithLastError(L"Creating the drawing area");
    }
    KeepPlace(picture_.Hwnd(), picture);
    frame1_.Create(*this, L"请选择WAV文件：", {frameLeft, frameTop, 6615, 795}, IDC_FRAME1);
    command1_.Create(*this, L"...", {frameLeft + 5880, frameTop + 300, 525, 315}, IDC_COMMAND1);
    text1_.Create(*this, L"", {frameLeft + 150, frameTop + 300, 5535, 285}, ES_AUTOHSCROLL, IDC_TEXT1);
    command3_.Create(*this, L"停止", {5940, 1950, 705, 375}, IDC_COMMAND3);
    command2_.Create(*this, L"播放", {5940, 1500, 705, 375}, IDC_COMMAND2);
    command4_.Create(*this, L"保存A–B\n为…", {5880, 2430, 915, 555}, IDC_COMMAND4);
    command5_.Create(*this, L"删除A–B\n另存为…", {5880, 3090, 915, 555}, IDC_COMMAND5);
    for (Button* b : {&command4_, &command5_})
        SetWindowLongW(b->Hwnd(), GWL_STYLE, GetWindowLongW(b->Hwnd(), GWL_STYLE) | BS_MULTILINE);
    command4_.OnClick([this] { Command4_Click(); });
    command5_.OnClick([this] { Command5_Click(); });
    picture_.onMouseDown = [this](int x, bool right) { picAudioWav_MouseDown(x, right); };
    picture_.onKeyPress = [this](wchar_t key) { picAudioWav_KeyPress(key); };
    command1_.OnClick([this] { Command1_Click(); });
    command2_.OnClick([this] { Command2_Click(); });
    command3_.OnClick([this] { Command3_Click(); });
    // Esc, through the modal loop's dialog keys: closes as the title bar's button does.
    OnCommand(IDCANCEL, [this] { SendMessageW(Hwnd(), WM_CLOSE, 0, 0); });
    hScroll1_.OnScroll([this](int code, int thumb) { OnHScroll(1, code, thumb); });
    hScroll2_.OnScroll([this](int code, int thumb) { OnHScroll(2, code, thumb); });
    timer1_.Create(*this, 100);
    timer1_.OnTick([this] { Timer1_Timer(); });
    // Both markers range over the file in thousandths, one step per click.
    valueA_ = valueB_ = 0;
    // Their labels follow them; the markers and the drawing carry names of their own.
    SetAccessibleName(hScroll1_.Hwnd(), L"起点A");
    SetAccessibleName(hScroll2_.Hwnd(), L"终点B");
    SetAccessibleName(picture_.Hwnd(), L"波形");
    FitScrollBars();
}

// The markers are drawn thinner than the system's scroll bars: 135 twips,
// 9 of the system's 17 pixels at 100 %. At other scales they keep that share
// of the system's own thickness for the scale (and for the user's choice of
// scroll-bar size), which is not always the plain multiple of 100 %.
int frmAudioEdit::ScrollBarThickness(int dpi) {
    int atDesign = SystemMetricForDpi(SM_CYHSCROLL, 96);
    int designed = TwipsToPixels(135, 96);
    if (atDesign <= 0) return TwipsToPixels(135, dpi);
    return std::max(1, MulDiv(designed, SystemMetricForDpi(SM_CYHSCROLL, dpi), atDesign));
}

void frmAudioEdit::FitScrollBars() {
    int thickness = ScrollBarThickness(Dpi());
    for (ScrollBar* marker : {&hScroll1_, &hScroll2_}) {
        HWND bar = marker->Hwnd();
        RECT r;
        GetWindowRect(bar, &r);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(bar, nullptr, r.left, r.top, r.right - r.left, thickness, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// At a new dpi: the markers' thickness and the traces, drawn again at the
// drawing area's new size.
void frmAudioEdit::Form_DpiChanged() {
    FitScrollBars();
    DrawWaves();
}

LRESULT frmAudioEdit::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        Form_Unload();
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// A scroll bar was clicked or its thumb moved. Dragging only moves the thumb;
// the value, and with it the redraw, changes when the thumb is released.
void frmAudioEdit::OnHScroll(int marker, int code, int thumb) {
    ScrollBar& bar = Marker(marker);
    int value = HScrollValue(marker);
    switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT: SetHScrollValue(marker, value - 1); break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT: SetHScrollValue(marker, value + 1); break;
        case SB_LEFT: SetHScrollValue(marker, 0); break;
        case SB_RIGHT: SetHScrollValue(marker, kScrollMax); break;
        // The range fits the 16-bit thumb position of the message.
        case SB_THUMBTRACK: bar.SetValue(thumb); break;
        case SB_THUMBPOSITION: SetHScrollValue(marker, thumb); break;
        case SB_ENDSCROLL: bar.SetValue(value); break;
    }
}

void frmAudioEdit::SetHScrollValue(int marker, int value) {
    value = std::max(0, std::min(kScrollMax, value));
    int& current = marker == 1 ? valueA_ : valueB_;
    Marker(marker).SetValue(value);
    if (value == current) return;
    current = value;
    if (marker == 1) HScroll1_Change();
    else HScroll2_Change();
}

void frmAudioEdit::SetTimer1(bool on) { timer1_.SetEnabled(on); }

void frmAudioEdit::StartTimer1() {
    if (g_open && g_open->Hwnd()) g_open->SetTimer1(true);
}

// Runs once when the window is created, before it is shown.
void frmAudioEdit::Form_Load() {
    mae::bWaveLoaded = 0;
    dialogFileName_ = L"*.wav";
    dialogDefaultExt_ = L"wav";
    for (ScrollBar* marker : {&hScroll1_, &hScroll2_}) marker->SetRange(0, kScrollMax);
    SetHScrollValue(2, kScrollMax);
}

// The "..." button: choose a file and read it.
void frmAudioEdit::Command1_Click() {
    TrapAndReport(Hwnd(), kProgramTitle, [&] {
        FileDialogRequest request;
        request.owner = Hwnd();
        request.filter = L"*.wav|*.wav";
        request.fileName = dialogFileName_;
        request.defaultExt = dialogDefaultExt_;
        std::wstring chosen = Ui().FileDialog(request);
        if (chosen.empty()) {
            // Cancelled: nothing changes. A dialog that failed is reported.
            if (DWORD error = Ui().FileDialogError()) {
                wchar_t code[16];
                swprintf(code, 16, L"0x%04lX", static_cast<unsigned long>(error));
                Fail(std::wstring(L"无法打开选择文件的对话框（错误 ") + code + L"）。");
            }
            return;
        }
        dialogFileName_ = chosen;
        sWaveFile_ = chosen;
        text1_.SetText(sWaveFile_);
        mae::LoadWaveFile(sWaveFile_);
        ReadMarks();
        mae::lStartFrame = 0;
        mae::lEndFrame = mae::lFrameCount;
        SetHScrollValue(1, 0);
        SetHScrollValue(2, kScrollMax);
        DrawWaves();
    });
}

// Marker A changed: it stays below B.
void frmAudioEdit::HScroll1_Change() {
    if (valueA_ >= valueB_) SetHScrollValue(1, valueB_ - 1);
    UpdateRange();
}

// Marker B changed: it stays above A.
void frmAudioEdit::HScroll2_Change() {
    if (valueA_ >= valueB_) SetHScrollValue(2, valueA_ + 1);
    UpdateRange();
}

void frmAudioEdit::UpdateRange() {
    mae::lStartFrame = static_cast<int32_t>(RoundHalfEven(valueA_ / 1000.0 * mae::lFrameCount));
    mae::lEndFrame = static_cast<int32_t>(RoundHalfEven(valueB_ / 1000.0 * mae::lFrameCount));
    DrawWaves();
}

void frmAudioEdit::DrawWaves() {
    ++redraws_;
    picture_.Clear();
    WaveGeometry g;
    if (mae::bWaveLoaded &&
        WaveGeometryOf(mae::lStartFrame, mae::lEndFrame, static_cast<float>(kPictureWidth),
                       static_cast<float>(kPictureHeight), mae::WaveFormat, mae::lFrameCount, g)) {
        HDC dc = picture_.ImageDc();
        ScopedSelect pen(dc, GetStockObject(BLACK_PEN));
        const int dpi = Dpi();
        TraceWave(g, [dc, dpi](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
            MoveToEx(dc, TwipsToPixels(static_cast<double>(x0), dpi), TwipsToPixels(static_cast<double>(y0), dpi),
                     nullptr);
            LineTo(dc, TwipsToPixels(static_cast<double>(x1), dpi), TwipsToPixels(static_cast<double>(y1), dpi));
        });
        DrawTicks(g.framesPerTwip);
    } else {
        ticks_.clear();
    }
    picture_.Show();
}

// The play button: plays the stretch unless a play is running.
void frmAudioEdit::Command2_Click() {
    if (mae::bPlaying.load() == 0) mae::PlayWaveRange(-1);
}

// The stop button.
void frmAudioEdit::Command3_Click() { mae::ResetWaveOut(); }

// Every 100 ms while a play runs: closes the device once it reports the end.
void frmAudioEdit::Timer1_Timer() {
    if (mae::bPlaying.load() == 0) {
        mae::CloseWaveOut();
        SetTimer1(false);
    }
}

// The window is going: the sound stops and no device stays open.
void frmAudioEdit::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (timer1_.Enabled()) Resume([&] { SetTimer1(false); });
    Resume([] { mae::ResetWaveOut(); });
    Resume([] { mae::CloseWaveOut(); });
    if (g_open == this) {
        g_open = nullptr;
        mae::SetPlayStartedHook(nullptr);
    }
}

}  // namespace orvo::recorder
