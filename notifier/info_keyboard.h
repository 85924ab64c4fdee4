// Keys of the notice window. The window lives on a client's thread whose
// message loop is not ours (a script host, a program calling Notify), so no
// accelerator or dialog step of our own runs there. A WH_GETMESSAGE hook on
// that thread sees each keystroke as the client's loop takes it and applies
// the window's keyboard rules before the message is dispatched.
#pragma once
#include <windows.h>

namespace orvo::notifier {

class frmInfo;

// Starts applying the keyboard rules to window on the calling thread; the
// thread's hook is set with the first window and removed with the last.
void AttachInfoKeyboard(frmInfo& window);
void DetachInfoKeyboard(frmInfo& window);

// One keystroke for window: first the web view holding the focus (its own
// accelerators: Tab within the page, Ctrl+C), then Esc closes the window and
// Tab moves between its controls. True when the message was used up.
bool TranslateInfoKey(frmInfo& window, MSG& m);

}  // namespace orvo::notifier
