// 设置 → MP3比特率: the constant bit rate of the MP3 files Save and the
// conversion write, remembered per user, the current one marked.
#include <iterator>

#include "audio/mp3_writer.h"
#include "recorder/main_window/frm_main.h"
#include "recorder/resource.h"
#include "recorder/save/save_formats.h"

namespace orvo::recorder {

void FrmMain::mnuBitrate128_Click() { SetMp3Bitrate(128); }
void FrmMain::mnuBitrate192_Click() { SetMp3Bitrate(192); }
void FrmMain::mnuBitrate256_Click() { SetMp3Bitrate(256); }
void FrmMain::mnuBitrate320_Click() { SetMp3Bitrate(320); }

void FrmMain::SetMp3Bitrate(int kbps) {
    StoreMp3Bitrate(kbps);
    ShowMp3Bitrate();
}

void FrmMain::ShowMp3Bitrate() {
    const int current = LoadMp3Bitrate();
    UINT id = IDM_BITRATE_192;
    for (size_t i = 0; i < std::size(kMp3Bitrates); ++i)
        if (kMp3Bitrates[i] == current) id = IDM_BITRATE_128 + static_cast<UINT>(i);
    CheckMenuRadioItem(mnuSettings_, IDM_BITRATE_128, IDM_BITRATE_320, id, MF_BYCOMMAND);
}

}  // namespace orvo::recorder
