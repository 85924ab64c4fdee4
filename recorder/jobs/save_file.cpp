#include "recorder/jobs/save_file.h"

#include "base/path.h"
#include "recorder/jobs/job_progress.h"
#include "recorder/program.h"
#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring ChooseSaveTarget(HWND owner, const std::wstring& proposedName) {
    FileDialogRequest r;
    r.owner = owner;
    r.save = true;
    r.filter = L"*.wav|*.wav";
    r.defaultExt = L"wav";
    // The replace question is asked below, the same way whatever dialog ran.
    r.confirmOverwrite = false;
    r.fileName = proposedName;
    std::wstring path = Ui().FileDialog(r);
    if (path.empty()) return path;
    if (FileExists(path)) {
        std::wstring ask = L"文件“" + FileNameOf(path) + L"”已经存在，是否替换？";
        if (ShowMessage(owner, ask, kProgramTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return std::wstring();
    }
    return path;
}

bool SaveWithProgress(HWND owner, const std::wstring& path,
                      const std::function<MCIERROR(const JobControl&)>& save,
                      const std::function<std::wstring(MCIERROR)>& errorText) {
    // A long file takes a while: the window keeps painting meanwhile, and
    // Cancel leaves whatever file was at the target as it was.
    MCIERROR err = 0;
    bool cancelled = false;
    WorkOutcome outcome = RunWithProgress(owner, L"正在保存 " + FileNameOf(path) + L" ...",
                                          [&](const JobControl& control) {
                                              err = save(control);
                                              cancelled = err != 0 && control.Cancelled();
                                          });
    if (!outcome.ok) {
        ShowMessage(owner, outcome.description, kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (cancelled) return false;
    if (err != 0) {
        ShowMessage(owner, errorText(err), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    return true;
}

}  // namespace orvo::recorder
