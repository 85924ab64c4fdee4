// What the help menu and the link toolbar open, and how. Plain functions so
// the targets and the launch styles can be checked without the main window.
#pragma once
#include <windows.h>

#include <string>

namespace orvo::recorder {

// The folder of the running program as the system reports it: no trailing
// separator, except at a drive root ("C:\"), where the separator stays.
std::wstring ProgramFolder();
// Notepad, by its full path in the Windows folder, with a file of the
// program folder. The file's path is deliberately not quoted: Notepad takes
// the whole rest of the line as the file name, so a folder with spaces still
// works, and a root folder gives "C:\\readme.txt".
std::wstring NotepadCommandLine(const std::wstring& programFolder, const std::wstring& fileName);

// Two ways of handing a target to the shell; each command keeps its own.
enum class LaunchStyle {
    Plain,       // verb "open", no working folder, SW_SHOW
    FromFolder,  // verb "Open", the program folder as working folder, SW_SHOWNORMAL
};

struct LinkTarget {
    LaunchStyle style = LaunchStyle::Plain;
    std::wstring target;
};

LinkTarget HomePageLink();        // the recorder's page on the maker's site
LinkTarget GuestbookLink();
LinkTarget FeedbackMailLink();
LinkTarget MakerHomeLink();
LinkTarget SoftwareHallLink();
LinkTarget CustomisationLink();
// The link toolbar's buttons 1 to 5; false for any other index.
bool LinkToolbarTarget(int index, LinkTarget* out);

// Hands the target to the shell in its style; the shell's answer is returned
// for callers that care (none of the menu commands do).
bool LaunchLink(HWND owner, const LinkTarget& link, const std::wstring& programFolder);

// The about box's text: name, version, what it does, the maker's home page.
std::wstring AboutText();

}  // namespace orvo::recorder
