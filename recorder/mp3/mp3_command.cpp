#include "recorder/mp3/mp3_command.h"

#include "base/failure.h"
#include "base/path.h"
#include "recorder/jobs/job_progress.h"
#include "recorder/mp3/mp3_conversion.h"
#include "recorder/program.h"
#include "win/ui_seam.h"

namespace orvo::recorder {

void RunMp3ConversionCommand(HWND owner) {
    FileDialogRequest open;
    open.owner = owner;
    open.filter = L"WAV 音频文件 (*.wav)|*.wav|所有文件 (*.*)|*.*";
    open.defaultExt = L"wav";
    std::wstring input = Ui().FileDialog(open);
    if (input.empty()) return;

    FileDialogRequest save;
    save.owner = owner;
    save.save = true;
    save.filter = L"MP3 音频文件 (*.mp3)|*.mp3";
    save.defaultExt = L"mp3";
    save.fileName = WithExtension(input, L"mp3");
    std::wstring output = Ui().FileDialog(save);
    if (output.empty()) return;

    WorkOutcome outcome = RunWithProgress(owner, L"正在转换为MP3...", [&](const JobControl& control) {
        ConvertWaveToMp3(input, output, control);
    });
    if (!outcome.ok) {
        if (IsCancellation(outcome.code)) {
            ShowMessage(owner, outcome.description, kProgramTitle, MB_OK | MB_ICONINFORMATION);
            return;
        }
        Fail(outcome.description, outcome.code);
    }
    ShowMessage(owner, L"MP3转换完成：\r\n" + output, kProgramTitle, MB_OK | MB_ICONINFORMATION);
}

}  // namespace orvo::recorder
