// The one place where the programs reach things that would block a test or
// leave the machine: modal message boxes, file dialogs, starting programs and
// shell targets. The programs use the real implementation, which calls Windows;
// tests install one of their own that records every request and answers from a script.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace orvo {

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring title;
    UINT type = 0;  // MB_ buttons | MB_ icon
};

struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = false;            // Save As rather than Open
    std::wstring filter;          // "Description|pattern|Description|pattern"
    std::wstring fileName;        // proposed name or folder+name
    std::wstring defaultExt;      // without the dot, added when the user types none
    bool confirmOverwrite = true;  // save dialogs: ask before replacing a file
    int filterIndex = 1;           // the type selected at first, from 1
    int* chosenFilter = nullptr;   // if given: receives the type selected at the end
};

// A question answered by one of a few buttons with their own captions.
struct ChoiceRequest {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring title;
    std::vector<std::wstring> buttons;  // left to right; the first is the default
};

struct LaunchRequest {
    enum class Kind { CommandLine, ShellExecute };
    Kind kind = Kind::CommandLine;
    HWND owner = nullptr;        // ShellExecute only
    std::wstring verb;           // ShellExecute only ("open", "Open")
    std::wstring target;         // the command line, or the file/URL for the shell
    std::wstring parameters;     // ShellExecute only
    std::wstring directory;      // working folder; empty for the caller's
    int show = SW_SHOWNORMAL;
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Returns the button pressed (IDOK, IDYES, ...).
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // Returns the chosen full path, or empty when the user cancelled or the
    // dialog failed.
    virtual std::wstring FileDialog(const FileDialogRequest& request) = 0;
    // Why the last file dialog returned nothing: 0 when the user cancelled,
    // otherwise the common dialogs' error code (CommDlgExtendedError).
    virtual DWORD FileDialogError() const { return 0; }
    // Returns the index of the button pressed, or -1 when the question was
    // closed without an answer.
    virtual int Choice(const ChoiceRequest& request) = 0;
    // A folder chosen in the system's folder browser, starting at start;
    // empty when the user cancelled.
    virtual std::wstring FolderDialog(HWND owner, const std::wstring& title, const std::wstring& start) = 0;
    // Starts without waiting. Command lines: true when the process started.
    // Shell targets: true when ShellExecute returned more than 32.
    virtual bool Launch(const LaunchRequest& request) = 0;
};

// The seam in force: the real one unless a test installed another.
UiSeam& Ui();
// Installs a seam (nullptr restores the real one); returns the previous one.
UiSeam* SetUi(UiSeam* seam);

// Convenience wrappers that fill a request and go through Ui().
int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT type);
bool StartCommandLine(const std::wstring& commandLine, int show, const std::wstring& directory = {});
bool ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& target,
               const std::wstring& parameters, const std::wstring& directory, int show);

// Converts a "Description|pattern|..." filter to the double-NUL form of the
// common dialogs.
std::wstring DialogFilterFromBars(const std::wstring& filter);

}  // namespace orvo
