#include "recorder/links/help_links.h"

#include <vector>

#include "base/path.h"
#include "base/system_folders.h"
#include "product/maker_links.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"
#include "recorder/program.h"

namespace orvo::recorder {
namespace {

std::wstring OnWebHost(const wchar_t* path) { return std::wstring(L"http://") + maker::kWebHost + path; }

LinkTarget FromFolder(std::wstring target) { return {LaunchStyle::FromFolder, std::move(target)}; }
LinkTarget Plain(std::wstring target) { return {LaunchStyle::Plain, std::move(target)}; }

}  // namespace

std::wstring ProgramFolder() {
    std::wstring path = ModulePath(nullptr);
    return path.empty() ? std::wstring() : FolderOf(path);
}

std::wstring NotepadCommandLine(const std::wstring& programFolder, const std::wstring& fileName) {
    return WindowsProgram(L"notepad.exe") + L" " + programFolder + L"\\" + fileName;
}

LinkTarget HomePageLink() { return Plain(OnWebHost(L"/softinfo/orvorecord.htm")); }
LinkTarget GuestbookLink() { return Plain(std::wstring(L"http://") + maker::kGuestbookHost); }
LinkTarget FeedbackMailLink() {
    return Plain(std::wstring(L"mailto:") + maker::kFeedbackAddress + L"?subject=欧沃录音机意见反馈");
}
LinkTarget MakerHomeLink() { return FromFolder(OnWebHost(L"")); }
LinkTarget SoftwareHallLink() { return FromFolder(OnWebHost(L"/softinfo/orvovelmorasprite.htm")); }
LinkTarget CustomisationLink() { return FromFolder(OnWebHost(L"/orvocustomization.htm")); }

bool LinkToolbarTarget(int index, LinkTarget* out) {
    switch (index) {
        case 1: *out = MakerHomeLink(); return true;
        case 2: *out = FromFolder(std::wstring(L"http://") + maker::kSiteNavigationHost); return true;
        case 3: *out = FromFolder(std::wstring(L"http://") + maker::kWebTvHost); return true;
        case 4: *out = CustomisationLink(); return true;
        case 5: *out = FromFolder(OnWebHost(L"/orvogoodware.htm")); return true;
        default: return false;
    }
}

bool LaunchLink(HWND owner, const LinkTarget& link, const std::wstring& programFolder) {
    if (link.style == LaunchStyle::Plain) return ShellOpen(owner, L"open", link.target, L"", L"", SW_SHOW);
    return ShellOpen(owner, L"Open", link.target, L"", programFolder, SW_SHOWNORMAL);
}

std::wstring AboutText() {
    return std::wstring(kProgramTitle) + L" " + kProgramVersion +
           L"\r\n\r\n"
           L"从声卡录音，播放和保存录音，打开WAV文件，调节麦克风和扬声器音量，"
           L"查看WAV文件的波形，保存为WAV、MP3或FLAC文件。\r\n\r\n"
           L"维莫拉主页：http://" +
           maker::kWebHost +
           L"\r\n\r\n"
           L"本程序使用以下开源库：\r\n"
           L"LAME 3.100（MP3编码，GNU LGPL 2 或更高版本，见 LAME-COPYING.txt；"
           L"它是程序文件夹中的 libmp3lame-0.dll，可以替换）\r\n"
           L"libFLAC 1.4.2（FLAC编码，BSD 许可证，见 FLAC-COPYING.txt）";
}

}  // namespace orvo::recorder
