#include "recorder/mp3/mp3_command.h"

#include "audio/wave_audio_device.h"
#include "base/path.h"
#include "recorder/program.h"
#include "recorder/save/save_job.h"
#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

void Tell(HWND owner, const std::wstring& text) { ShowMessage(owner, text, kProgramTitle, MB_OK | MB_ICONINFORMATION); }

}  // namespace

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
    if (SamePath(input, output)) {
        Tell(owner, L"MP3 文件不能替换正在转换的文件本身，请另选文件名。");
        return;
    }

    WaveLayout layout;
    if (InspectWaveFile(input, layout) != WaveFileProblem::None) {
        Tell(owner, L"无法读取WAV文件“" + input + L"”：" + ProblemText(layout) + L"。");
        return;
    }
    // The file is read where it is, through an element of its own.
    WaveAudioDevice device;
    device.SetFileName(input);
    if (device.Command(L"open") != 0) {
        Tell(owner, L"无法读取WAV文件“" + input + L"”：" + device.LastErrorText());
        return;
    }
    SaveJob job;
    job.path = output;
    job.format = SaveFormat::Mp3;
    job.sourceFile = input;
    job.caption = L"正在转换为MP3...";
    const SaveResult result = RunSave(owner, device, job);
    device.Command(L"close");
    if (result == SaveResult::Cancelled)
        Tell(owner, L"MP3转换已取消。没有写入文件“" + output + L"”，原有的文件没有改动。");
    if (result == SaveResult::Saved) Tell(owner, L"MP3转换完成：\r\n" + output);
}

}  // namespace orvo::recorder
