#include "recorder/level_meter/level_meter.h"

#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "base/failure.h"
#include "base/scoped.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace {

constexpr UINT kReadInterval = 50;  // ms: at most 20 readings a second
constexpr DWORD kHoldMs = 1500;
constexpr double kYellowDb = -12.0;
constexpr double kRedDb = -3.0;

constexpr COLORREF kThresholdColor = RGB(0, 160, 255);

// The bars' width: the clip mark takes the right end, after a gap.
int BarWidthOf(const RECT& client) {
    const int w = client.right, h = client.bottom;
    return w - std::max(4, w / 12) - std::max(1, h / 16);
}

int Rounded(double db) { return static_cast<int>(std::lround(db)); }

// Where a level lies along a bar of the given width.
int XOf(double db, int left, int width) {
    double share = (std::clamp(db, kLevelFloorDb, 0.0) - kLevelFloorDb) / -kLevelFloorDb;
    return left + static_cast<int>(std::lround(share * width));
}

void Fill(HDC dc, int l, int t, int r, int b, COLORREF color) {
    if (r <= l || b <= t) return;
    RECT rc{l, t, r, b};
    ScopedGdi<HBRUSH> brush(CreateSolidBrush(color));
    FillRect(dc, &rc, brush.Get());
}

}  // namespace

std::wstring LevelText(const LevelReading& r, bool input) {
    if (!r.active || r.channels == 0) return {};
    std::wstring text = input ? L"输入电平" : L"输出电平";
    if (r.channels == 1) return text + L" " + std::to_wstring(Rounded(r.db[0])) + L" dB";
    return text + L" 左 " + std::to_wstring(Rounded(r.db[0])) + L" dB 右 " + std::to_wstring(Rounded(r.db[1])) +
           L" dB";
}

void InputWatch::Reset() { *this = InputWatch{}; }

InputWarning InputWatch::Update(const LevelReading& r, DWORD now) {
    if (r.clipEvents != clipEvents_) {
        clipEvents_ = r.clipEvents;
        clipUntil_ = now + 3000;
        clipping_ = true;
    }
    if (clipping_ && static_cast<LONG>(now - clipUntil_) >= 0) clipping_ = false;
    if (clipping_) return InputWarning::Clipping;
    if (r.samplesPerSec && r.silentFrames >= 5ull * r.samplesPerSec) return InputWarning::Silence;
    return InputWarning::None;
}

bool LevelMeter::Surface::Create(HWND parent, const RECT& px) {
    return CreateOf(L"OrvoLevelMeter", WS_CHILD, 0, L"", px.left, px.top, px.right - px.left,
                    px.bottom - px.top, parent, nullptr, nullptr, nullptr);
}

LRESULT LevelMeter::Surface::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Hwnd(), &ps);
            RECT client;
            GetClientRect(Hwnd(), &client);
            // Drawn off screen first, so the bars do not flicker 20 times a second.
            ScopedMemDc mem(CreateCompatibleDC(dc));
            ScopedGdi<HBITMAP> bmp(CreateCompatibleBitmap(dc, client.right, client.bottom));
            if (mem && bmp) {
                ScopedSelect select(mem.Get(), bmp.Get());
                meter_.Paint(mem.Get(), client);
                BitBlt(dc, 0, 0, client.right, client.bottom, mem.Get(), 0, 0, SRCCOPY);
            }
            EndPaint(Hwnd(), &ps);
            return 0;
        }
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void LevelMeter::Create(Window& container, const TwipRect& rect) {
    if (!surface_.Create(container.Hwnd(), PixelsOf(rect, container.Dpi()))) FailWithLastError(L"Cannot create the level meter");
    AdoptWindow(container, rect);
    timer_.Create(surface_, kReadInterval, false);
    timer_.OnTick([this] { Refresh(); });
}

void LevelMeter::Start(std::function<LevelReading()> source, bool input) {
    source_ = std::move(source);
    input_ = input;
    reading_ = LevelReading{};
    for (int c = 0; c < kMaxMeterChannels; ++c) {
        hold_[c] = kLevelFloorDb;
        holdSince_[c] = 0;
    }
    SetVisible(true);
    timer_.SetEnabled(true);
    Refresh();
}

void LevelMeter::Stop() {
    timer_.SetEnabled(false);
    source_ = nullptr;
    // No stale level may stay behind: a stopped meter is blank and hidden.
    reading_ = LevelReading{};
    SetText(L"");
    SetVisible(false);
}

void LevelMeter::Refresh() {
    if (!source_) return;
    reading_ = source_();
    const DWORD now = static_cast<DWORD>(TheClock().MonotonicMs());
    for (int c = 0; c < kMaxMeterChannels; ++c) {
        if (reading_.db[c] >= hold_[c] || now - holdSince_[c] > kHoldMs) {
            hold_[c] = reading_.db[c];
            holdSince_[c] = now;
        }
    }
    std::wstring text = LevelText(reading_, input_);
    if (text != Text()) SetText(text);
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void LevelMeter::SetThreshold(std::optional<double> db) {
    threshold_ = db;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

int LevelMeter::ThresholdX(const RECT& client) const {
    return threshold_ ? XOf(*threshold_, 0, BarWidthOf(client)) : -1;
}

void LevelMeter::Paint(HDC dc, const RECT& client) const {
    Fill(dc, 0, 0, client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
    int channels = std::max(1, reading_.channels);
    int h = client.bottom, w = client.right;
    // The clip mark takes the right end; the bars share the rest of the height.
    int clipW = std::max(4, w / 12), gap = std::max(1, h / 16);
    int barW = BarWidthOf(client);
    int barH = (h - gap * (channels + 1)) / channels;
    int xYellow = XOf(kYellowDb, 0, barW), xRed = XOf(kRedDb, 0, barW);
    for (int c = 0; c < channels; ++c) {
        int top = gap + c * (barH + gap), bottom = top + barH;
        Fill(dc, 0, top, barW, bottom, RGB(32, 32, 32));
        int x = reading_.active ? XOf(reading_.db[c], 0, barW) : 0;
        Fill(dc, 0, top, std::min(x, xYellow), bottom, RGB(0, 200, 0));
        Fill(dc, xYellow, top, std::min(x, xRed), bottom, RGB(230, 210, 0));
        Fill(dc, xRed, top, x, bottom, RGB(230, 0, 0));
        if (reading_.active && hold_[c] > kLevelFloorDb) {
            int hx = XOf(hold_[c], 0, barW);
            int mark = std::max(2, barW / 60);
            Fill(dc, std::max(0, hx - mark), top, hx, bottom, RGB(255, 255, 255));
        }
    }
    Fill(dc, w - clipW, gap, w, h - gap, ClipLit() ? RGB(255, 0, 0) : RGB(80, 0, 0));
    // The threshold across every bar, as wide as the peak-hold mark.
    if (threshold_) {
        int tx = ThresholdX(client), line = std::max(2, barW / 60);
        Fill(dc, tx - line / 2, 0, tx - line / 2 + line, h, kThresholdColor);
    }
}

}  // namespace orvo::recorder
