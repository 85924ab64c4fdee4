// The recorder's wave-audio device: one element (a new, untitled recording or
// an opened WAV file) driven by command words, as the recording control uses
// an MCI wave-audio device. It is built on waveIn/waveOut so that it behaves
// the same on every system: recording continues the same element after a
// stop, the length grows while recording, and nothing recorded is lost while
// the user-interface thread is busy.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/level_tap.h"
#include "audio/wave_element.h"
#include "audio/wave_errors.h"
#include "audio/wave_riff.h"
#include "base/job.h"

namespace orvo {


class WaveAudioDevice {
public:
    using Mode = WaveMode;

    // Status events are delivered on the thread that creates the device,
    // through its message loop.
    WaveAudioDevice();
    ~WaveAudioDevice();
    WaveAudioDevice(const WaveAudioDevice&) = delete;
    WaveAudioDevice& operator=(const WaveAudioDevice&) = delete;

    // The element "open" opens: "new" (a new, empty, untitled element) or
    // the full path of a WAV file.
    void SetFileName(std::wstring name);
    const std::wstring& FileName() const;

    // One command word: "close", "open", "record", "play", "prev", "stop"
    // (letter case does not matter). Returns 0 or an MCI error code;
    // LastError/LastErrorText keep it.
    //   open    refused while an element is open (close it first), so an
    //           unsaved recording is never dropped by accident;
    //   record  inserts the take at the position (at the end after a stop,
    //           so a second take continues the first); refused when the
    //           input cannot deliver the element's format; Stop reports a
    //           take that could not be written in full (disk full);
    //   play    plays from the position to the end and stops there by
    //           itself (Position then equals Length); at the end, nothing;
    //           converted when the output refuses the element's format;
    //   prev    stops and goes back to the start;
    //   stop    stops recording or playing where the sound is;
    //   close   stops and discards the element, deleting its files.
    // The element's samples live in the recovery folder (wave_store.h) until
    // "close"; an opened WAV file is read where it is, not copied. A device
    // destroyed without "close" leaves an element that holds unsaved sound
    // there for the next start to offer.
    // Commands, the status event and destruction belong to the creating
    // thread; Length and Position stay current while a worker thread moves
    // the sound.
    MCIERROR Command(std::wstring_view word);

    // Milliseconds, as the MCI default time format reports them.
    uint32_t Length() const;
    uint32_t Position() const;
    // Non-zero while an element is open; unique among the open devices.
    uint16_t DeviceID() const;
    Mode GetMode() const;

    MCIERROR LastError() const;
    std::wstring LastErrorText() const;

    // Raised on the creating thread when a take ends by itself: the input
    // stopped delivering for more than three seconds, a write to the store
    // failed (disk full), the element reached the most a WAV file can
    // hold, or the take received the frames SetTakeFrameLimit allows. The take is already stopped then and everything it received is
    // part of the element; TakeEndNotice says why.
    void SetDoneHandler(std::function<void()> handler);

    using TakeEnd = WaveTakeEnd;
    // Once for each take that ended by itself (whether the done event or a
    // "stop" found it first): true and its notice.
    bool TakeEndNotice(TakeEnd& notice);

    // Raised every UpdateInterval milliseconds (1000 by default) from the
    // device's creation to its end, whether an element is open or not, on
    // the creating thread.
    void SetStatusHandler(std::function<void()> handler);
    void SetUpdateInterval(UINT milliseconds);

    // Writes the element as a WAV file in its own format, channel mask
    // included (also mid-take: what is recorded so far). The file is written beside the target and replaces
    // it only when complete, also when the target is the opened file the
    // element reads from (that file is then let go, replaced, and read
    // from again). 0 or an MCI error code; a cancelled save leaves the
    // target untouched and returns MCIERR_FILE_NOT_SAVED. May run on
    // another thread while the creating thread only reads Length/Position.
    MCIERROR Save(const std::wstring& path, const JobControl* progress = nullptr);
    // The same in the file format writer makes. Either way, after a failure
    // the thread's last error is what the system refused, if anything.
    MCIERROR Save(const std::wstring& path, SampleWriter& writer, const JobControl* progress = nullptr);
    // Frames [fromFrame, toFrame) of the element alone, the same way: WAV in
    // the element's format (writer null) or writer's format; also mid-take,
    // from any thread, while the creating thread goes on commanding (a
    // take running at the end of the element may be stopped meanwhile).
    // The marks inside the stretch go with it, moved to its start. A
    // stretch reaching past what is recorded is refused
    // (MCIERR_OUTOFRANGE), and so is a target the element reads from. The
    // element is neither counted saved nor made to read from the new file.
    MCIERROR SaveRange(const std::wstring& path, SampleWriter* writer, uint64_t fromFrame, uint64_t toFrame,
                       const JobControl* progress = nullptr);
    // Frames of the element, a running take's included; any thread.
    uint64_t Frames() const;

    // Voice-activated recording for the next takes (see voice_gate.h): only
    // the stretches with sound are kept, each from up to the pre-roll before
    // its first sound, each start marked "声音 N" in the element.
    void SetVoiceTrigger(const VoiceTrigger& trigger);
    // True while a take runs and its gate is open (sound is being kept).
    bool VoiceOpen() const;
    using VoiceSegment = orvo::VoiceSegment;
    // The stretches the gate kept in the take under way or the last one, in
    // element frames; all ended once the take has.
    std::vector<VoiceSegment> VoiceSegments() const;
    // The next takes end by themselves (TakeEnd::Reason::Duration) after
    // exactly this many frames received from the input, kept or not; 0:
    // no such end.
    void SetTakeFrameLimit(uint64_t frames);

    // Marks: a place in the element with a name, made where the sound is now
    // (during a take or playback, where it has got to); frame says where.
    // False without an element. Marks are kept with the element (after a
    // crash too), saved in the file and read from an opened one.
    bool AddMark(const std::wstring& name, uint64_t& frame);
    std::vector<WaveMark> Marks() const;

    // Opens a leftover element of an earlier run (refused while an element
    // is open). Pieces of opened files that changed or went since are
    // dropped: lost tells how many milliseconds, lostFiles which files.
    MCIERROR Restore(Leftover&& leftover, RecoveryLoss& loss);
    // Stops and closes the element without deleting its files: it stays in
    // the recovery folder, with a final journal, for the next start.
    void LeaveForRecovery();
    // True while the element holds sound that is in no saved file.
    bool HoldsUnsavedSound() const;

    // The element's sample format (new elements: 44100 Hz, 16 bits, 2
    // channels, or the best the wave-in device accepts): PCM or IEEE float,
    // with the extensible description the file had, if any.
    WAVEFORMATEX Format() const;
    WaveExtension Extension() const;
    // The level of the take or playback under way; inactive otherwise.
    LevelReading Levels() const;
    UINT InputDevice() const;
    UINT OutputDevice() const;
    // What the next takes record from when it is not the wave-in device
    // InputDevice names (the computer's own sound); empty: that device.
    void SetCaptureMaker(CaptureMaker maker);

    class Impl;

private:
    // Runs one of the saves, keeping its result as the last error.
    MCIERROR Saved(const std::function<MCIERROR()>& save);

    std::unique_ptr<Impl> impl_;
};

// Same arguments and results as mciSendCommandA, answered by the open
// WaveAudioDevice whose DeviceID is id. Supports MCI_SET with
// MCI_WAVE_INPUT and/or MCI_WAVE_OUTPUT and an MCI_WAVE_SET_PARMS record,
// selecting the wave-in and wave-out device numbers the device then uses.
MCIERROR WaveSendCommand(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR param);

}  // namespace orvo
