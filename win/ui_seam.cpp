#include "win/ui_seam.h"

#include <commdlg.h>
#include <shellapi.h>

#include "base/scoped.h"
#include "win/report.h"

namespace orvo {
namespace {

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
        ofn.nFilterIndex = 1;
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
        return std::wstring(buffer.c_str());
    }

    DWORD FileDialogError() const override { return lastDialogError_; }

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
