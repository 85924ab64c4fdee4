#include "win/ui_seam.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/scoped.h"
#include "win/report.h"

namespace orvo {
namespace {

// The folder browser opens at the folder the caller names.
int CALLBACK StartIn(HWND dialog, UINT msg, LPARAM, LPARAM start) {
    if (msg == BFFM_INITIALIZED && start) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
    return 0;
}

class RealUi : public UiSeam {
public:
    int MessageBox(const MessageBoxRequest& r) override {
        return ::MessageBoxW(r.owner, r.text.c_str(), r.title.c_str(), r.type);
    }

    std::wstring FileDialog(const FileDialogRequest& r) override {
        std::wstring filter = DialogFilterFromBars(r.filter);
        std::wstring buffer = r.fileName;
        buffer.resize(32768, L'\0');
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = r.owner;
        ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = static_cast<DWORD>(r.filterIndex);
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.lpstrDefExt = r.defaultExt.empty() ? nullptr : r.defaultExt.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
        BOOL ok;
        if (r.save) {
            ofn.Flags |= OFN_PATHMUSTEXIST;
            if (r.confirmOverwrite) ofn.Flags |= OFN_OVERWRITEPROMPT;
            ok = GetSaveFileNameW(&ofn);
        } else {
            ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
            ok = GetOpenFileNameW(&ofn);
        }
        lastDialogError_ = ok ? 0 : CommDlgExtendedError();
        if (!ok) return {};
        if (r.chosenFilter) *r.chosenFilter = static_cast<int>(ofn.nFilterIndex);
        return std::wstring(buffer.c_str());
    }

    DWORD FileDialogError() const override { return lastDialogError_; }

    std::wstring FolderDialog(HWND owner, const std::wstring& title, const std::wstring& start) override {
        BROWSEINFOW info{};
        info.hwndOwner = owner;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        info.lpfn = &StartIn;
        info.lParam = reinterpret_cast<LPARAM>(start.c_str());
        ScopedCoTaskMem chosen(SHBrowseForFolderW(&info));
        wchar_t path[MAX_PATH] = L"";
        if (!chosen || !SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(chosen.Get()), path)) return {};
        return path;
    }
    int Choice(const ChoiceRequest& r) override {
        // The task dialog lives in version 6 of the common controls, which
        // the program's manifest asks for; it is looked up at run time so
        // that a process without it still gets its question asked.
        using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
        HMODULE controls = GetModuleHandleW(L"comctl32.dll");
        auto taskDialog = controls ? reinterpret_cast<TaskDialogIndirectFn>(
                                         reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")))
                                   : nullptr;
        if (taskDialog) {
            std::vector<TASKDIALOG_BUTTON> buttons;
            for (size_t i = 0; i < r.buttons.size(); ++i)
                buttons.push_back({static_cast<int>(100 + i), r.buttons[i].c_str()});
            TASKDIALOGCONFIG config{};
            config.cbSize = sizeof(config);
            config.hwndParent = r.owner;
            config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
            config.pszWindowTitle = r.title.c_str();
            config.pszContent = r.text.c_str();
            config.cButtons = static_cast<UINT>(buttons.size());
            config.pButtons = buttons.data();
            config.nDefaultButton = 100;
            int pressed = 0;
            if (SUCCEEDED(taskDialog(&config, &pressed, nullptr, nullptr)))
                return pressed >= 100 && pressed < 100 + static_cast<int>(buttons.size()) ? pressed - 100 : -1;
        }
        // Without the task dialog: a message box whose three buttons are
        // named in the text, Yes / No / Cancel for the first three choices.
        std::wstring text = r.text + L"\n";
        const wchar_t* keys[] = {L"是", L"否", L"取消"};
        for (size_t i = 0; i < r.buttons.size() && i < 3; ++i)
            text += L"\n" + std::wstring(keys[i]) + L"：" + r.buttons[i];
        int answer = ::MessageBoxW(r.owner, text.c_str(), r.title.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
        return answer == IDYES ? 0 : answer == IDNO ? 1 : answer == IDCANCEL && r.buttons.size() > 2 ? 2 : -1;
    }

    bool Launch(const LaunchRequest& r) override {
        if (r.kind == LaunchRequest::Kind::ShellExecute) {
            HINSTANCE h = ShellExecuteW(r.owner, r.verb.empty() ? nullptr : r.verb.c_str(), r.target.c_str(),
                                        r.parameters.empty() ? nullptr : r.parameters.c_str(),
                                        r.directory.empty() ? nullptr : r.directory.c_str(), r.show);
            return reinterpret_cast<INT_PTR>(h) > 32;
        }
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = static_cast<WORD>(r.show);
        PROCESS_INFORMATION pi{};
        std::wstring cmd = r.target;  // CreateProcess may write into the buffer
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            r.directory.empty() ? nullptr : r.directory.c_str(), &si, &pi)) {
            return false;
        }
        ScopedHandle process(pi.hProcess), thread(pi.hThread);
        return true;
    }

private:
    DWORD lastDialogError_ = 0;
};

RealUi& RealSeam() {
    static RealUi real;
    return real;
}

UiSeam* g_seam = nullptr;

}  // namespace

UiSeam& Ui() { return g_seam ? *g_seam : RealSeam(); }

UiSeam* SetUi(UiSeam* seam) {
    UiSeam* old = g_seam;
    g_seam = seam;
    return old;
}

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
    return Ui().MessageBox({owner, text, title, type});
}

bool StartCommandLine(const std::wstring& commandLine, int show, const std::wstring& directory) {
    LaunchRequest r;
    r.kind = LaunchRequest::Kind::CommandLine;
    r.target = commandLine;
    r.show = show;
    r.directory = directory;
    return Ui().Launch(r);
}

bool ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& target, const std::wstring& parameters,
               const std::wstring& directory, int show) {
    LaunchRequest r;
    r.kind = LaunchRequest::Kind::ShellExecute;
    r.owner = owner;
    r.verb = verb;
    r.target = target;
    r.parameters = parameters;
    r.directory = directory;
    r.show = show;
    return Ui().Launch(r);
}

void ReportFailure(HWND owner, const std::wstring& title, const std::wstring& description) {
    ShowMessage(owner, description, title, MB_OK | MB_ICONINFORMATION);
}

std::wstring DialogFilterFromBars(const std::wstring& filter) {
    if (filter.empty()) return {};
    std::wstring out = filter;
    for (auto& c : out)
        if (c == L'|') c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

}  // namespace orvo
