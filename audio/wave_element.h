// The recording itself: one element (a new, untitled recording or an opened
// WAV file) held in the store, with the take or playback under way, the
// position and the format. The wave-audio device drives it with its command
// words; everything here is what those words do to the sound.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/level_tap.h"
#include "audio/take_capture.h"
#include "audio/wave_journal.h"
#include "audio/wave_riff.h"
#include "audio/wave_store.h"
#include "base/job.h"

namespace orvo {

class WavePlayer;

enum class WaveMode { NotOpen, Stopped, Recording, Playing };

// Why a take ended by itself, and how much of it was kept.
struct WaveTakeEnd {
    enum class Reason { InputLost, WriteFailed, SizeLimit, Duration } reason = Reason::InputLost;
    uint32_t keptMs = 0;    // how much of the take is in the element
    DWORD systemError = 0;  // WriteFailed: the system's error code
};

class WaveElement {
public:
    // The transport posts playbackEnded and takeEnded to notify when
    // playback reaches its end or a take ends by itself.
    WaveElement(HWND notify, UINT playbackEnded, UINT takeEnded);
    ~WaveElement();
    WaveElement(const WaveElement&) = delete;
    WaveElement& operator=(const WaveElement&) = delete;

    bool IsOpen() const { return store_.IsOpen(); }
    // A new, empty, untitled element in the best format input accepts.
    MCIERROR OpenNew(UINT input);
    // The element becomes a WAV file, read where it is.
    MCIERROR OpenFile(const std::wstring& path);
    // An element an earlier run left behind; see WaveAudioDevice::Restore.
    MCIERROR Restore(Leftover&& leftover, RecoveryLoss& loss);
    // Stops and deletes the element's files.
    void Close();
    // Stops and closes, keeping the files for the next start.
    void LeaveForRecovery();

    // A take inserted at the position, from the wave-in device input or,
    // when maker is given, from the input it makes; playback from the
    // position to the end.
    MCIERROR Record(UINT input, const CaptureMaker& maker = {});
    MCIERROR Play(UINT output);
    // Ends a take or playback where the sound is; a take that ended by
    // itself reports why (MCIERR_FILE_WRITE, MCIERR_HARDWARE).
    MCIERROR Stop();
    void Rewind() { position_ = 0; }
    // Ends playback that reached its end.
    void ReapFinishedPlayback();
    // True while a take that ended by itself waits to be stopped.
    bool TakeEndedByItself() const;
    // Once for each take that ended by itself: true and why.
    bool TakeEndNotice(WaveTakeEnd& notice);

    // What the next takes keep (see WaveAudioDevice::SetVoiceTrigger and
    // SetTakeFrameLimit).
    void SetVoiceTrigger(const VoiceTrigger& trigger) { rules_.voice = trigger; }
    void SetTakeFrameLimit(uint64_t frames) { rules_.frameLimit = frames; }
    bool VoiceOpen() const;
    // In element frames, of the take under way or the last one.
    std::vector<VoiceSegment> VoiceSegments() const;

    // A mark named name where the sound is now (in the take or playback
    // under way, or where they stopped); false without an element.
    bool AddMark(const std::wstring& name, uint64_t& frame);
    // The marks in frame order, a running take's included.
    std::vector<WaveMark> Marks() const;

    MCIERROR Save(const std::wstring& path, const JobControl* control);
    // The same through another writer (another file format).
    MCIERROR Save(const std::wstring& path, SampleWriter& writer, const JobControl* control);
    // Frames [fromFrame, toFrame) of the element through writer (null: WAV
    // in the element's format); see WaveAudioDevice::SaveRange.
    MCIERROR SaveRange(const std::wstring& path, SampleWriter* writer, uint64_t fromFrame, uint64_t toFrame,
                       const JobControl* control);
    bool HoldsUnsavedSound() const;
    // Frames of the element, a running take's included; any thread.
    uint64_t Frames() const;

    uint32_t LengthMs() const;
    uint32_t PositionMs() const;
    WaveMode Mode() const;
    LevelReading Levels() const;
    const WAVEFORMATEX& Format() const { return format_; }
    const WaveExtension& Extension() const { return extension_; }
    bool Untitled() const { return untitled_; }
    const std::wstring& Name() const { return store_.Name(); }

private:
    uint64_t LengthBytes() const;
    uint64_t PositionBytes() const;
    void Describe(const WAVEFORMATEX& format);
    void EndTake();
    // The running take as the store splices it in; under takeLock_ when not
    // on the creating thread.
    WaveStore::Pending PendingTake() const;

    HWND notify_;
    UINT playbackEnded_, takeEnded_;
    WaveStore store_;
    bool untitled_ = false;
    WAVEFORMATEX format_ = PcmFormat(44100, 16, 2);
    WaveExtension extension_;
    uint64_t position_ = 0;  // bytes, while neither recording nor playing
    // Set and cleared on the creating thread under takeLock_, so that other
    // threads (Frames, SaveRange) see a take and its insertion as one change.
    mutable std::mutex takeLock_;
    std::unique_ptr<TakeCapture> recorder_;
    uint64_t recordAt_ = 0, recordFileOffset_ = 0;
    std::unique_ptr<WavePlayer> player_;
    uint64_t playFrom_ = 0;
    TakeRules rules_;
    std::vector<VoiceSegment> lastSegments_;  // of the last take, in element frames
    WaveTakeEnd takeEnd_;
    bool takeEndPending_ = false;
};

}  // namespace orvo
