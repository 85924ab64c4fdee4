// Module-wide state of the notifier. The component is apartment-threaded:
// every thread that calls Notify has its own display name, readme target and
// window, and nothing is shared between threads except the counts that tell
// COM whether the DLL may be unloaded.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

namespace orvo::notifier {

class frmInfo;

// Where the settings live, shared by every client program.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Orvo\\OrvoNotify";
inline constexpr wchar_t kHideWindowValue[] = L"ComHideWindow";
inline constexpr wchar_t kSoftDescValue[] = L"OrvoSoftDesc";
inline constexpr wchar_t kReadmePathValue[] = L"OrvoReadmePath";
inline constexpr wchar_t kProgId[] = L"OrvoVMNotify.CNotify";

struct ThreadState {
    std::wstring SoftDesc;    // display name, resolved when the window loads
    std::wstring ReadmePath;  // target of the window's first link, resolved at load
    std::unique_ptr<frmInfo> window;
};

// This thread's state, made on first use.
ThreadState& ThisThread();
// This thread's state, or nullptr when the thread never used the component.
ThreadState* ThisThreadIfAny();
// Drops this thread's state; the window, if still open, is left to the system
// (DllMain cannot safely tear down a window), and keeps the module loaded.
void ForgetThisThread();

// This thread's window, created and loaded on first use. Fails when the
// window cannot be created.
frmInfo& WindowOfThisThread();

// Bookkeeping the window calls: once when its handle is created, and once
// when it is gone. The closed window's object is deleted by the second call,
// so the caller must not touch its members afterwards.
void WindowCreated();
void WindowDestroyed(frmInfo* window);

// Objects (the component's and the views' sites) and class-factory locks
// that keep the module loaded.
void AddModuleReference();
void ReleaseModuleReference();
LONG LiveObjects();
LONG LiveWindows();
// DllCanUnloadNow: true when no object or window is left. The reference the
// windows held on the module is given back here, while the caller holds one.
bool ModuleMayUnload();

// The file of the module that holds this code (the DLL, or a program that
// links it in).
std::wstring ModulePath();
// The component's folder, without a trailing backslash.
std::wstring ComponentFolder();

// What Notify does for the program key, on the calling thread. Each step is
// skipped on failure and the next one runs; nothing is reported.
void NotifyOnThisThread(const std::wstring& softName);

// Setup and teardown of the per-thread slot and the window classes (DllMain;
// also used by programs that link the module in, lazily).
void ModuleAttach();
void ModuleDetach();

}  // namespace orvo::notifier
