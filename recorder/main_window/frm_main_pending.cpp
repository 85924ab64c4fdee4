// Handlers of the main window that belong to the level controls, the tools
// and the help and link commands. Their behaviour arrives later with those
// areas, which move each of them into their own files; until then they do
// nothing.
#include "main_window/frm_main.h"

namespace orvo::recorder {

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
