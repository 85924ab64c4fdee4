#include "notifier/frm_info.h"

#include <cstdio>

#include "notifier/mod_notify.h"
#include "notifier/mod_regedit.h"
#include "platform/failure.h"

namespace orvo::notifier {

namespace {

constexpr int kClientWidthTwips = 7410;
constexpr int kClientHeightTwips = 5625;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

bool IsBlank(const std::wstring& s) {
    for (wchar_t c : s)
        if (c != L' ') return false;
    return true;
}

}  // namespace

frmInfo::~frmInfo() { Destroy(); }

std::wstring frmInfo::ClassName() {
    wchar_t name[64];
    swprintf(name, 64, L"OrvoVMNotify.frmInfo.%p", static_cast<void*>(ModuleInstance()));
    return name;
}

bool frmInfo::Create() {
    int dpi = DpiOf(nullptr);
    RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    if (!CreateOf(ClassName().c_str(), kStyle, kExStyle, L"最新公告", CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                  r.bottom - r.top, nullptr))
        return false;
    Form_Load();
    return true;
}

// Runs once per window, before the online view is first sent anywhere.
void frmInfo::Form_Load() {
    Resume([&] { viewSwitchCount_ = 0; });
    Resume([&] { SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); });
    ThreadState& state = ThisThread();
    Resume([&] {
        state.SoftDesc = ReadRegValue(kHkeyLocalMachine, kSettingsKey, kSoftDescValue);
        if (IsBlank(state.SoftDesc)) state.SoftDesc = L"维莫拉社区";
    });
    Resume([&] { SetWindowTextW(Hwnd(), (state.SoftDesc + L" - 通知链接").c_str()); });
    Resume([&] {
        state.ReadmePath = ReadRegValue(kHkeyLocalMachine, kSettingsKey, kReadmePathValue);
        if (state.ReadmePath.empty()) state.ReadmePath = ComponentFolder() + L"\\vmminihome.htm";
    });
}

void frmInfo::NavigateNotify(const std::wstring& url) { notifyUrl_ = url; }

SIZE frmInfo::SizeTwips() const {
    RECT r{};
    if (!GetWindowRect(Hwnd(), &r)) FailWithLastError(L"GetWindowRect");
    int dpi = DpiOf(Hwnd());
    return SIZE{static_cast<LONG>(PixelsToTwips(r.right - r.left, dpi)),
                static_cast<LONG>(PixelsToTwips(r.bottom - r.top, dpi))};
}

void frmInfo::MoveTwips(int left, int top) {
    int dpi = DpiOf(Hwnd());
    if (!SetWindowPos(Hwnd(), nullptr, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        FailWithLastError(L"SetWindowPos");
}

void frmInfo::ShowModeless() {
    if (!Hwnd()) Fail(L"The notice window is not open");
    ShowWindow(Hwnd(), SW_SHOW);
}

LRESULT frmInfo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE && !counted_) {
        counted_ = true;
        WindowCreated();
    }
    return Default(msg, wParam, lParam);
}

void frmInfo::OnDestroyed() {
    if (!counted_) return;
    counted_ = false;
    // Last statement: this may delete the object.
    WindowDestroyed(this);
}

}  // namespace orvo::notifier
