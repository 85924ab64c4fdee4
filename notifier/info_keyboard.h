// Keys of the notice window. The window lives on a client's thread whose
// message loop is not ours (a script host, a program calling Notify), so no
// accelerator or dialog step of our own runs there. A WH_GETMESSAGE hook on
// that thread sees each keystroke as the client's loop takes it and applies
// the window's keyboard rules before the message is dispatched. The same hook
// notes the user's clicks in the window's views.
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

// A mouse button released over one of window's views: the user's click,
// which lets the page send the user's browser to one address.
void NoteInfoClick(frmInfo& window, const MSG& m);

}  // namespace orvo::notifier
