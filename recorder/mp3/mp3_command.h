// The recorder's MP3 command: a WAV file the user chooses becomes an MP3
// file through the bundled encoder, with the same dialogs, notice and
// progress window as a save.
#pragma once
#include <windows.h>

namespace orvo::recorder {

// Asks for a WAV file (any the recorder opens) and an MP3 name through the UI
// seam, converts on a worker thread behind a small progress window, and
// tells the user how it ended: done, cancelled, or why not. The chosen file
// is only read, and a file at the target stays as it was unless the
// conversion completes.
void RunMp3ConversionCommand(HWND owner);

}  // namespace orvo::recorder
