// Handlers of the main window that belong to the level controls, the tools
// and the help and link commands. Their behaviour arrives later with those
// areas, which move each of them into their own files; until then they do
// nothing.
#include "main_window/frm_main.h"

namespace orvo::recorder {

// Level controls and sound tools.
void FrmMain::InitVolumeControls() {}
void FrmMain::vsMic_Scroll() {}
void FrmMain::vsVolume_Scroll() {}
void FrmMain::mnuRecCtr_Click() {}
void FrmMain::mnuVolCtr_Click() {}
void FrmMain::cmdRecCtr_Click() {}
void FrmMain::cmdVolCtr_Click() {}
void FrmMain::mnuAddMic_Click() {}
void FrmMain::mnuRedMic_Click() {}
void FrmMain::mnuAddVol_Click() {}
void FrmMain::mnuRedVol_Click() {}
void FrmMain::mnuTestGuide_Click() {}
void FrmMain::mnuTestCard_Click() {}

// Waveform window.
void FrmMain::mnuAudioEdit_Click() {}

}  // namespace orvo::recorder
