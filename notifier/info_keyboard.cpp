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
// the client's thread ends. The hook itself never looks here: it runs inside
// the client's message retrieval, and a hook call that does not come back
// the ordinary way (a fault the system swallows between the loop and the
// hook) would leave the lock held, with every later notice window of the
// process waiting on it for ever. So the lock guards only memory, never a
// call into the system, and the hook takes no lock and allocates nothing.
struct Watched {
    frmInfo* window;
    DWORD thread;
};
std::mutex g_lock;
std::vector<Watched> g_windows;
std::map<DWORD, ScopedHook> g_hooks;

bool Within(HWND outer, HWND hwnd) { return hwnd && (hwnd == outer || IsChild(outer, hwnd)); }

// The notice window a message is for: the top-level window above its target,
// when it is one of this module's notice windows.
frmInfo* NoticeWindowOf(HWND target) {
    if (!target) return nullptr;
    return dynamic_cast<frmInfo*>(Window::FromHandle(GetAncestor(target, GA_ROOT)));
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* m = reinterpret_cast<MSG*>(lParam);
        if (m->message >= WM_KEYFIRST && m->message <= WM_KEYLAST) {
            // A message used up here reaches nobody else.
            frmInfo* w = NoticeWindowOf(m->hwnd);
            if (w && TranslateInfoKey(*w, *m)) m->message = WM_NULL;
        } else if (m->message == WM_LBUTTONUP || m->message == WM_MBUTTONUP) {
            if (frmInfo* w = NoticeWindowOf(m->hwnd)) NoteInfoClick(*w, *m);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

void AttachInfoKeyboard(frmInfo& window) {
    DWORD thread = GetCurrentThreadId();
    bool needHook = false;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        for (const Watched& w : g_windows)
            if (w.window == &window) return;
        // Only this thread touches its own slot; one left empty by a failed
        // SetWindowsHookEx is tried again with the next window.
        ScopedHook& slot = g_hooks[thread];
        needHook = !slot;
        g_windows.push_back(Watched{&window, thread});
    }
    if (!needHook) return;
    ScopedHook hook(SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, thread));
    std::lock_guard<std::mutex> hold(g_lock);
    auto slot = g_hooks.find(thread);
    if (slot != g_hooks.end()) slot->second = std::move(hook);
}

void DetachInfoKeyboard(frmInfo& window) {
    ScopedHook unhook;  // removed after the lock is given back
    std::lock_guard<std::mutex> hold(g_lock);
    auto gone = std::remove_if(g_windows.begin(), g_windows.end(), [&](const Watched& w) { return w.window == &window; });
    if (gone == g_windows.end()) return;
    DWORD thread = gone->thread;
    g_windows.erase(gone, g_windows.end());
    bool more = std::any_of(g_windows.begin(), g_windows.end(), [&](const Watched& w) { return w.thread == thread; });
    if (more) return;
    auto slot = g_hooks.find(thread);
    if (slot == g_hooks.end()) return;
    unhook = std::move(slot->second);
    g_hooks.erase(slot);
}

void NoteInfoClick(frmInfo& window, const MSG& m) {
    for (WebView* view : {&window.webNotify(), &window.webLocal()})
        if (view->Host() && Within(view->Host(), m.hwnd)) window.webView_Click(*view);
}

bool TranslateInfoKey(frmInfo& window, MSG& m) {
    HWND self = window.Hwnd();
    if (!self || m.message < WM_KEYFIRST || m.message > WM_KEYLAST || !Within(self, m.hwnd)) return false;
    HWND inView = nullptr;
    for (WebView* view : {&window.webNotify(), &window.webLocal()}) {
        if (!view->Host() || !Within(view->Host(), m.hwnd)) continue;
        // Enter follows the page's marked link, as a click would.
        if (m.message == WM_KEYDOWN && m.wParam == VK_RETURN) window.webView_Click(*view);
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
