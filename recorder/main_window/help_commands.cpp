// The help menu, the link toolbar and the conversion command of the main
// window. The targets and launch styles live in help_links; each handler here
// only adds its own way of meeting failure.
#include "recorder/main_window/frm_main.h"
#include "recorder/links/help_links.h"
#include "recorder/mp3/mp3_command.h"
#include "base/failure.h"
#include "win/report.h"
#include "win/ui_seam.h"

namespace orvo::recorder {

// Help menu "使用说明" and the toolbar's "help" button: the readme in Notepad.
// A missing Notepad or file is left for Notepad, or nobody, to report.
void FrmMain::mnuHowtoUsed_Click() {
    Resume([] { StartCommandLine(NotepadCommandLine(ProgramFolder(), L"readme.txt"), SW_SHOWNORMAL); });
}

// Help menu "常见问题": the FAQ in Notepad.
void FrmMain::mnuProblem_Click() {
    Resume([] { StartCommandLine(NotepadCommandLine(ProgramFolder(), L"FAQ.txt"), SW_SHOWNORMAL); });
}

// Help menu "软件主页" and the toolbar's "update" button.
void FrmMain::mnuHome_Click() { LaunchLink(Hwnd(), HomePageLink(), ProgramFolder()); }

// Help menu "给我留言" and the toolbar's "guestbook" button.
void FrmMain::mnuGuestbook_Click() { LaunchLink(Hwnd(), GuestbookLink(), ProgramFolder()); }

// Help menu "意见反馈": a new mail to the maker.
void FrmMain::mnuMail_Click() { LaunchLink(Hwnd(), FeedbackMailLink(), ProgramFolder()); }

// Help menu "关于".
void FrmMain::mnuAbout_Click() { ShowMessage(Hwnd(), AboutText(), kProgramTitle, MB_OK | MB_ICONINFORMATION); }

// Help menu "维莫拉主页".
void FrmMain::mnuVelmora_Click() {
    Resume([this] { LaunchLink(Hwnd(), MakerHomeLink(), ProgramFolder()); });
}

// Help menu "欧沃软件大厅".
void FrmMain::mnuVMSprite_Click() {
    Resume([this] { LaunchLink(Hwnd(), SoftwareHallLink(), ProgramFolder()); });
}

// Help menu "软件定制业务".
void FrmMain::mnuSoftDZ_Click() {
    Resume([this] { LaunchLink(Hwnd(), CustomisationLink(), ProgramFolder()); });
}

// A click on a link toolbar button; buttons outside 1 to 5 do nothing.
void FrmMain::tbrOther_ButtonClick(const ToolbarButton& Button) {
    TrapAndReport(Hwnd(), kProgramTitle, [&] {
        LinkTarget link;
        if (LinkToolbarTarget(Button.index, &link)) LaunchLink(Hwnd(), link, ProgramFolder());
    });
}

// Tools menu "MP3音频转换": a WAV file to MP3 with the system's encoder.
void FrmMain::mnuToMP3_Click() {
    TrapAndReport(Hwnd(), kProgramTitle, [this] { RunMp3ConversionCommand(Hwnd()); });
}

// The side panel's "MP3转换" button.
void FrmMain::cmdConvert_Click() { mnuToMP3_Click(); }

}  // namespace orvo::recorder
