// The main window's way into the waveform window.
#include "recorder/main_window/frm_main.h"
#include "recorder/waveform/frm_audio_edit.h"

namespace orvo::recorder {

// Tools menu "WAV波形分析": the waveform window, loaded anew on each opening
// and shown modally over the main window.
void FrmMain::mnuAudioEdit_Click() {
    frmAudioEdit form;
    if (form.Create(Hwnd())) form.RunModal(Hwnd());
}

}  // namespace orvo::recorder
