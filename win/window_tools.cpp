#include "win/window_tools.h"

#include <cwchar>
#include <map>

#include "base/scoped.h"

namespace orvo {

RECT PixelsOf(const TwipRect& r, int dpi) {
    int x = TwipsToPixels(r.left, dpi);
    int y = TwipsToPixels(r.top, dpi);
    int w = TwipsToPixels(r.width, dpi);
    int h = TwipsToPixels(r.height, dpi);
    return RECT{x, y, x + (w > 0 ? w : 0), y + (h > 0 ? h : 0)};
}

HWND CreateChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle,
                 const TwipRect& rect, UINT id) {
    Window* container = Window::FromHandle(parent);
    int dpi = container ? container->Dpi() : DpiOf(parent);
    RECT px = PixelsOf(rect, dpi);
    HWND h = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | style, px.left, px.top, px.right - px.left,
                             px.bottom - px.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(dpi)), FALSE);
    return h;
}

RECT CentredFrame(HWND owner, int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, menu ? TRUE : FALSE, exStyle);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    return RECT{x, y, x + width, y + height};
}

HFONT DialogFont(int dpi) {
    static std::map<int, ScopedGdi<HFONT>> fonts;
    auto& f = fonts[dpi];
    if (!f) {
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(9, dpi, 72);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
        f.Reset(CreateFontIndirectW(&lf));
    }
    return f.Get();
}

int SystemMetricForDpi(int index, int dpi) {
    // Looked up at run time: older systems lack the call.
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static auto forDpi = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, DpiOf(nullptr));
}

void SetShutdownReason(HWND hwnd, const wchar_t* reason) {
    using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
    using DestroyFn = BOOL(WINAPI*)(HWND);
    static HMODULE user = GetModuleHandleW(L"user32.dll");
    static auto create =
        reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(user, "ShutdownBlockReasonCreate")));
    static auto destroy =
        reinterpret_cast<DestroyFn>(reinterpret_cast<void*>(GetProcAddress(user, "ShutdownBlockReasonDestroy")));
    if (reason && create) create(hwnd, reason);
    if (!reason && destroy) destroy(hwnd);
}

void SetAccessibleName(HWND control, const std::wstring& name) {
    if (control) SetWindowTextW(control, name.c_str());
}

std::wstring WindowText(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ModuleClassName(const wchar_t* stem) {
    HMODULE self = ThisModule();
    if (self == GetModuleHandleW(nullptr)) return stem;
    wchar_t suffix[32];
    swprintf(suffix, 32, L".%p", static_cast<void*>(self));
    return stem + std::wstring(suffix);
}

}  // namespace orvo
