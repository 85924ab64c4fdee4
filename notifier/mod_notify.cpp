#include "notifier/mod_notify.h"

#include "notifier/frm_info.h"
#include "notifier/mod_regedit.h"
#include "base/failure.h"
#include "win/window_tools.h"
#include "product/maker_links.h"
#include "win/window.h"

namespace orvo::notifier {

namespace {

LONG g_objects = 0;
LONG g_windows = 0;

DWORD Slot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

// Distance of the window from the screen's right and bottom edges, in twips;
// the bottom one leaves room for the taskbar.
constexpr int kCornerMarginRight = 20;
constexpr int kCornerMarginBottom = 450;

}  // namespace

ThreadState* ThisThreadIfAny() {
    DWORD slot = Slot();
    if (slot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<ThreadState*>(TlsGetValue(slot));
}

ThreadState& ThisThread() {
    if (ThreadState* state = ThisThreadIfAny()) return *state;
    DWORD slot = Slot();
    if (slot == TLS_OUT_OF_INDEXES) Fail(L"No thread-local slot for the notifier");
    auto state = std::make_unique<ThreadState>();
    if (!TlsSetValue(slot, state.get())) FailWithLastError(L"TlsSetValue");
    return *state.release();
}

void ForgetThisThread() {
    ThreadState* state = ThisThreadIfAny();
    if (!state) return;
    TlsSetValue(Slot(), nullptr);
    // An open window cannot be torn down from here; its object is left
    // behind and its count keeps the module loaded.
    (void)state->window.release();
    delete state;
}

frmInfo& WindowOfThisThread() {
    ThreadState& state = ThisThread();
    if (!state.window) {
        auto window = std::make_unique<frmInfo>();
        if (!window->Create()) FailWithLastError(L"Cannot create the notice window");
        state.window = std::move(window);
    }
    return *state.window;
}

void WindowCreated() { InterlockedIncrement(&g_windows); }

void WindowDestroyed(frmInfo* window) {
    InterlockedDecrement(&g_windows);
    ThreadState* state = ThisThreadIfAny();
    // When the owner is already deleting the object (teardown), it has taken
    // it out of the state first and nothing more is to be done here.
    if (state && state->window.get() == window) state->window.reset();
}

void AddModuleReference() { InterlockedIncrement(&g_objects); }
void ReleaseModuleReference() { InterlockedDecrement(&g_objects); }
LONG LiveObjects() { return InterlockedCompareExchange(&g_objects, 0, 0); }
LONG LiveWindows() { return InterlockedCompareExchange(&g_windows, 0, 0); }

std::wstring ModulePath() {
    std::wstring path = orvo::ModulePath(ThisModule());
    if (path.empty()) FailWithLastError(L"GetModuleFileName");
    return path;
}

std::wstring ComponentFolder() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring NoticeUrl(const std::wstring& softName) {
    return std::wstring(L"http://") + maker::kWebHost + L"/notify/orvonewsdesk.htm?soft=" + softName;
}

void NotifyOnThisThread(const std::wstring& softName) {
    std::wstring hide;
    Resume([&] { hide = ReadRegValue(kHkeyLocalMachine, kSettingsKey, kHideWindowValue); });
    if (hide == L"1") return;

    std::wstring url;
    Resume([&] { url = NoticeUrl(softName); });
    Resume([&] { WindowOfThisThread().NavigateNotify(url); });
    Resume([&] {
        frmInfo& window = WindowOfThisThread();
        int dpi = DpiOf(window.Hwnd());
        int screenWidth = static_cast<int>(PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi));
        int screenHeight = static_cast<int>(PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi));
        SIZE size = window.SizeTwips();
        window.MoveTwips(screenWidth - size.cx - kCornerMarginRight, screenHeight - size.cy - kCornerMarginBottom);
    });
    Resume([&] { WindowOfThisThread().ShowModeless(); });
}

void ModuleAttach() { (void)Slot(); }

void ModuleDetach() {
    ForgetThisThread();
    if (Slot() != TLS_OUT_OF_INDEXES) TlsFree(Slot());
    UnregisterClassW(frmInfo::ClassName().c_str(), GetModuleHandleW(nullptr));
}

}  // namespace orvo::notifier
