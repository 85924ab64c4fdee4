// The recorder's MP3 command: the dialogs around a conversion.
#pragma once
#include <windows.h>

namespace orvo::recorder {

// Asks for a WAV file and an MP3 name through the UI seam, converts on a
// worker thread behind a small progress window, and tells the user how it
// ended. Failures are thrown for the caller's trap.
void RunMp3ConversionCommand(HWND owner);

}  // namespace orvo::recorder
