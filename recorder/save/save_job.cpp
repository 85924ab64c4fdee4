#include "recorder/save/save_job.h"

#include <memory>

#include "audio/wave_errors.h"
#include "recorder/jobs/job_progress.h"
#include "recorder/program.h"
#include "win/ui_seam.h"

namespace orvo::recorder {

SaveResult RunSave(HWND owner, WaveAudioDevice& device, const SaveJob& job) {
    auto tell = [&](const std::wstring& text) { ShowMessage(owner, text, kProgramTitle, MB_OK | MB_ICONINFORMATION); };
    const WAVEFORMATEX format = device.Format();
    std::wstring problem = UnavailableReason(job.format, format);
    // The file the element reads is held by the element itself, and only a
    // WAV file can take its place (the element reads its sound from it).
    const bool overSource = !job.sourceFile.empty() && SamePath(job.path, job.sourceFile);
    if (problem.empty() && overSource && job.format != SaveFormat::Wav)
        problem = L"录音的声音正从文件“" + job.path + L"”读取，不能用 MP3 或 FLAC 文件替换它。请另选文件名。";
    if (problem.empty() && overSource && !device.HoldsAllOfItsFile())
        problem = L"文件“" + job.path + L"”中的声音比录音机所能容纳的长，只打开了它的开头；保存到这个文件会丢掉其后的声音。请另选文件名。";
    if (problem.empty() && !overSource) problem = TargetProblem(job.path);
    bool rf64 = false;
    const uint64_t wavBytes = job.format == SaveFormat::Wav ? device.WaveFileBytes(rf64) : 0;
    if (problem.empty()) problem = VolumeSizeProblem(job.path, wavBytes);
    if (!problem.empty()) {
        ShowMessage(owner, problem, kProgramTitle, MB_OK | MB_ICONEXCLAMATION);
        return SaveResult::Failed;
    }
    if (rf64 && ShowMessage(owner, Rf64Notice(wavBytes), kProgramTitle, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return SaveResult::Cancelled;
    const int kbps = LoadMp3Bitrate();
    std::unique_ptr<SampleWriter> encoder;
    if (job.format != SaveFormat::Wav) {
        encoder = MakeEncoder(job.format, kbps, TagsFor(job.path, job.sourceFile));
        if (!encoder) return SaveResult::Failed;
        const std::wstring notice = ConversionNotice(job.format, format, device.Extension(), kbps);
        if (!notice.empty() && ShowMessage(owner, notice, kProgramTitle, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return SaveResult::Cancelled;
    }
    // A long element takes a while: the window keeps painting meanwhile,
    // and Cancel leaves whatever file was at the target as it was.
    MCIERROR err = 0;
    DWORD why = 0;
    bool cancelled = false;
    WorkOutcome outcome = RunWithProgress(owner, job.caption, [&](const JobControl& control) {
        err = encoder ? device.Save(job.path, *encoder, &control) : device.Save(job.path, &control);
        why = err ? GetLastError() : 0;
        cancelled = err != 0 && control.Cancelled();
    });
    if (!outcome.ok) {
        tell(outcome.description);
        return SaveResult::Failed;
    }
    if (cancelled) return SaveResult::Cancelled;
    if (err != 0) {
        std::wstring text = device.LastErrorText();
        tell(SaveFailureText(job.path, why, text.empty() ? WaveErrorText(err) : text));
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

}  // namespace orvo::recorder
