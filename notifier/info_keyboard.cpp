#include "notifier/info_keyboard.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "base/scoped.h"
#include "notifier/frm_info.h"

namespace orvo::notifier {
namespace {

// The notice windows and the hook of each thread that has some. Plain
// module data rather than thread-local data: the DLL may be unloaded before
// the client's thread ends.
struct Watched {
    frmInfo* window;
    DWORD thread;
};
std::mutex g_lock;
std::vector<Watched> g_windows;
std::map<DWORD, ScopedHook> g_hooks;

std::vector<frmInfo*> WindowsOfThisThread() {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<frmInfo*> out;
    for (const Watched& w : g_windows)
        if (w.thread == GetCurrentThreadId()) out.push_back(w.window);
    return out;
}

bool StillWatched(frmInfo* window) {
    std::lock_guard<std::mutex> hold(g_lock);
    return std::any_of(g_windows.begin(), g_windows.end(), [&](const Watched& w) { return w.window == window; });
}

bool Within(HWND outer, HWND hwnd) { return hwnd && (hwnd == outer || IsChild(outer, hwnd)); }

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* m = reinterpret_cast<MSG*>(lParam);
        if (m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST) {
            // A window may go while a key is handled: each is looked up again.
            for (frmInfo* w : WindowsOfThisThread()) {
                if (!StillWatched(w)) continue;
                // A message used up here reaches nobody else.
                if (TranslateInfoKey(*w, *m)) {
                    m->message = WM_NULL;
                    break;
                }
            }
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

void AttachInfoKeyboard(frmInfo& window) {
    if (StillWatched(&window)) return;
    DWORD thread = GetCurrentThreadId();
    std::lock_guard<std::mutex> hold(g_lock);
    ScopedHook& hook = g_hooks[thread];
    if (!hook) hook.Reset(SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, thread));
    g_windows.push_back(Watched{&window, thread});
}

void DetachInfoKeyboard(frmInfo& window) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto gone = std::remove_if(g_windows.begin(), g_windows.end(), [&](const Watched& w) { return w.window == &window; });
    if (gone == g_windows.end()) return;
    DWORD thread = gone->thread;
    g_windows.erase(gone, g_windows.end());
    bool more = std::any_of(g_windows.begin(), g_windows.end(), [&](const Watched& w) { return w.thread == thread; });
    if (!more) g_hooks.erase(thread);
}

bool TranslateInfoKey(frmInfo& window, MSG& m) {
    HWND self = window.Hwnd();
    if (!self || m.message < WM_KEYFIRST || m.message > WM_KEYLAST || !Within(self, m.hwnd)) return false;
    HWND inView = nullptr;
    for (WebView* view : {&window.webNotify(), &window.webLocal()}) {
        if (!view->Host() || !Within(view->Host(), m.hwnd)) continue;
        if (view->Created() && view->TranslateKey(m)) return true;
        inView = view->Host();
    }
    if (m.message != WM_KEYDOWN) return false;
    if (m.wParam == VK_ESCAPE) {
        PostMessageW(self, WM_CLOSE, 0, 0);
        return true;
    }
    // Tab past the page's last link (or first, with Shift) leaves the view
    // for the window's next control. The focus lies deep in the control's
    // own windows there, so the step is taken from the view's host.
    if (m.wParam == VK_TAB && inView) {
        bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(self, inView, back ? TRUE : FALSE)) SetFocus(next);
        return true;
    }
    // Only Tab: Enter belongs to the search box, which starts a search with it.
    if (m.wParam == VK_TAB) return IsDialogMessageW(self, &m) != FALSE;
    return false;
}

}  // namespace orvo::notifier
