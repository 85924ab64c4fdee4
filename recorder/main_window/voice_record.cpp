// Voice-activated recording in the main window: the 声控录音 window, the
// gate handed to each take, the status line while it waits or records, and
// per segment the files the auto-saver writes while the take goes on.
#include "recorder/main_window/frm_main.h"
#include "recorder/main_window/scheduled_takes.h"
#include "recorder/voice/frm_voice_record.h"

namespace orvo::recorder {

// 工具 → 声控录音...
void FrmMain::mnuVoiceRecord_Click() {
    if (voiceWindow_ && voiceWindow_->Hwnd()) {
        SetForegroundWindow(voiceWindow_->Hwnd());
        return;
    }
    voiceWindow_ = std::make_unique<FrmVoiceRecord>();
    if (!voiceWindow_->Load(Hwnd(), voice_, voiceTarget_, [this](const VoiceSettings& s, const AutoSaveTarget& t) {
            VoiceRecord_Switched(s, t);
        }))
        voiceWindow_.reset();
}

// The switch in the 声控录音 window: the next takes record with these.
void FrmMain::VoiceRecord_Switched(const VoiceSettings& settings, const AutoSaveTarget& target) {
    voice_ = settings;
    voiceTarget_ = target;
    mtrLevel.SetThreshold(voice_.trigger.on ? std::optional<double>(voice_.trigger.thresholdDb) : std::nullopt);
}

void FrmMain::ApplyVoiceToTake(bool timed) {
    VoiceTrigger trigger = voice_.trigger;
    if (timed) trigger.on = false;
    MMCRecord.SetVoiceTrigger(trigger);
    voiceTake_ = trigger.on;
    segmentFiles_ = voiceTake_ && voice_.mode == VoiceMode::FilePerSegment;
    segmentTakeOver_ = false;
    modifiedBeforeTake_ = blnModified;
    segmentsQueued_ = segmentsSaved_ = segmentsFailed_ = 0;
    segmentFailure_.clear();
    segmentStarts_.clear();
}

void FrmMain::QueueEndedSegments() {
    if (!segmentFiles_) return;
    const std::vector<WaveAudioDevice::VoiceSegment> segments = MMCRecord.VoiceSegments();
    SYSTEMTIME now;
    GetLocalTime(&now);
    // Named after when the voice came, as near as the window's tick tells.
    while (segmentStarts_.size() < segments.size()) segmentStarts_.push_back(now);
    for (; segmentsQueued_ < segments.size() && segments[segmentsQueued_].ended; ++segmentsQueued_) {
        const auto& s = segments[segmentsQueued_];
        const std::wstring path = UniqueTarget(voiceTarget_, segmentStarts_[segmentsQueued_], autoSaver_.Reserved());
        autoSaver_.Queue({&MMCRecord, s.from, s.to, path, voiceTarget_.format, kVoiceSegmentPiece});
    }
}

// A piece is written (or could not be): once every segment of the take is
// in its file, the element counts as saved as it did before the take.
void FrmMain::AutoSaver_Done() {
    // The one place that takes the saver's results: each kind of piece is
    // told by whoever queued it.
    const std::vector<AutoSaveResult> results = autoSaver_.TakeResults();
    if (scheduled_) scheduled_->PiecesDone(results);
    for (const AutoSaveResult& r : results) {
        if (r.piece.tag != kVoiceSegmentPiece) continue;
        if (r.Saved()) {
            ++segmentsSaved_;
        } else {
            ++segmentsFailed_;
            segmentFailure_ = r.failure;
        }
    }
    // Pieces of other kinds may still be queued; the segments are all
    // written once none is pending.
    if (!segmentFiles_ || !segmentTakeOver_ || autoSaver_.Pending() > 0) return;
    if (segmentsFailed_ == 0) {
        blnModified = modifiedBeforeTake_;
        Lblread.SetText(L"声控录音：已保存 " + std::to_wstring(segmentsSaved_) + L" 个文件");
    } else {
        Lblread.SetText(L"声控录音：有 " + std::to_wstring(segmentsFailed_) + L" 段没有保存。" + segmentFailure_);
    }
}

void FrmMain::FinishAutoSaves() {
    autoSaver_.Finish();
    AutoSaver_Done();
}

}  // namespace orvo::recorder
