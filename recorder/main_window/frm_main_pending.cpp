// Handlers of the main window that belong to the level controls, the tools
// and the help and link commands. Their behaviour arrives later with those
// areas, which move each of them into their own files; until then they do
// nothing.
#include "main_window/frm_main.h"

namespace orvo::recorder {

// Waveform window.
void FrmMain::mnuAudioEdit_Click() {}

}  // namespace orvo::recorder
