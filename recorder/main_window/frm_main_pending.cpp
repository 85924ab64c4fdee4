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

// Help, links and conversion.
void FrmMain::mnuToMP3_Click() {}
void FrmMain::cmdConvert_Click() {}
void FrmMain::mnuHowtoUsed_Click() {}
void FrmMain::mnuProblem_Click() {}
void FrmMain::mnuHome_Click() {}
void FrmMain::mnuGuestbook_Click() {}
void FrmMain::mnuMail_Click() {}
void FrmMain::mnuAbout_Click() {}
void FrmMain::mnuVelmora_Click() {}
void FrmMain::mnuVMSprite_Click() {}
void FrmMain::mnuSoftDZ_Click() {}
void FrmMain::tbrOther_ButtonClick(const ToolbarButton&) {}

}  // namespace orvo::recorder
