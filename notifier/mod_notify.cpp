#include "notifier/mod_notify.h"

#include <utility>

#include "notifier/frm_info.h"
#include "notifier/info_rules.h"
#include "notifier/mod_regedit.h"
#include "base/failure.h"
#include "base/path.h"
#include "base/window_class.h"
#include "win/window_tools.h"
#include "win/window.h"

namespace orvo::notifier {

namespace {

LONG g_objects = 0;
LONG g_windows = 0;

// The reference on this module that the open windows hold. A window outlives
// every COM reference when its client uninitialises COM with the window open,
// and COM then frees the DLL whatever DllCanUnloadNow says; the next message
// to the window would run code that is gone. So the first window takes a
// reference of its own. It is not given back when the last window closes:
// that happens inside this module on the window's thread, and a release that
// unmapped the module would return into nothing (FreeLibraryAndExitThread
// would end the client's thread). DllCanUnloadNow gives it back instead,
// since COM calls it while still holding the module itself; until then the
// DLL simply stays loaded.
SRWLOCK g_holdLock = SRWLOCK_INIT;
HMODULE g_heldForWindows = nullptr;

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

void WindowCreated() {
    AcquireSRWLockExclusive(&g_holdLock);
    InterlockedIncrement(&g_windows);
    if (!g_heldForWindows)
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WindowCreated),
                           &g_heldForWindows);
    ReleaseSRWLockExclusive(&g_holdLock);
}

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

bool ModuleMayUnload() {
    HMODULE release = nullptr;
    AcquireSRWLockExclusive(&g_holdLock);
    bool idle = LiveObjects() == 0 && LiveWindows() == 0;
    if (idle) release = std::exchange(g_heldForWindows, nullptr);
    ReleaseSRWLockExclusive(&g_holdLock);
    if (release) FreeLibrary(release);
    return idle;
}

std::wstring ModulePath() {
    std::wstring path = orvo::ModulePath(ThisModule());
    if (path.empty()) FailWithLastError(L"GetModuleFileName");
    return path;
}

std::wstring ComponentFolder() {
    return FolderOf(ModulePath());
}

void NotifyOnThisThread(const std::wstring& softName) {
    std::wstring hide;
    Resume([&] { hide = ReadSetting(kSettingsKey, kHideWindowValue); });
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
    // A class left registered would keep a window procedure that is about to
    // be unmapped: the window's, its strips', the views' hosts'.
    UnregisterWindowClasses();
}

}  // namespace orvo::notifier
