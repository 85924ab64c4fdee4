#include "audio/wave_element.h"

#include <algorithm>

#include "audio/wave_transport.h"
#include "audio/wave_writer.h"

namespace orvo {

namespace {

bool InputAccepts(UINT device, const WAVEFORMATEX& f) {
    WAVEFORMATEX copy = f;
    return waveInOpen(nullptr, device, &copy, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

WaveTakeEnd::Reason ReasonOf(TakeEndCause end) {
    switch (end) {
        case TakeEndCause::WriteFailed: return WaveTakeEnd::Reason::WriteFailed;
        case TakeEndCause::InputLost: return WaveTakeEnd::Reason::InputLost;
        case TakeEndCause::DurationReached: return WaveTakeEnd::Reason::Duration;
        default: return WaveTakeEnd::Reason::SizeLimit;
    }
}

// The next free number of the voice marks "声音 N" among marks.
uint32_t NextVoiceMark(const std::vector<WaveMark>& marks) {
    static const std::wstring kPrefix = L"声音 ";
    uint32_t next = 1;
    for (const WaveMark& m : marks)
        if (m.name.compare(0, kPrefix.size(), kPrefix) == 0) {
            uint32_t n = static_cast<uint32_t>(wcstoul(m.name.c_str() + kPrefix.size(), nullptr, 10));
            next = std::max(next, n + 1);
        }
    return next;
}

}  // namespace

WaveElement::WaveElement(HWND notify, UINT playbackEnded, UINT takeEnded)
    : notify_(notify), playbackEnded_(playbackEnded), takeEnded_(takeEnded) {}

WaveElement::~WaveElement() {
    // Destroyed without "close": nothing unsaved is thrown away.
    if (HoldsUnsavedSound())
        LeaveForRecovery();
    else
        Close();
}

void WaveElement::Describe(const WAVEFORMATEX& format) {
    format_ = format;
    extension_ = {};
    store_.Describe(format_, extension_, store_.Name(), true);
}

MCIERROR WaveElement::OpenNew(UINT input) {
    if (!store_.Open()) return MCIERR_FILE_WRITE;
    untitled_ = true;
    WAVEFORMATEX f = PcmFormat(44100, 16, 2);
    if (waveInGetNumDevs() > 0) ChooseRecordingFormat([input](const WAVEFORMATEX& c) { return InputAccepts(input, c); }, f);
    Describe(f);
    position_ = 0;
    takeEndPending_ = false;
    return 0;
}

MCIERROR WaveElement::OpenFile(const std::wstring& path) {
    // Others may read the file while it is part of the element, but not
    // change or delete it: its samples are read from it, not copied.
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME
                   ? MCIERR_FILE_NOT_FOUND
                   : MCIERR_FILE_READ;
    }
    WaveLayout layout;
    MCIERROR e = ParseWaveFile(file.Get(), layout);
    if (e) return e;
    if (!store_.Open()) return MCIERR_FILE_WRITE;
    untitled_ = false;
    format_ = layout.format;
    extension_ = layout.extension;
    store_.TakeFile(path, std::move(file), layout);
    position_ = 0;
    takeEndPending_ = false;
    return 0;
}

MCIERROR WaveElement::Restore(Leftover&& leftover, RecoveryLoss& loss) {
    if (!store_.Adopt(std::move(leftover), loss)) return MCIERR_FILE_READ;
    format_ = store_.Format();
    extension_ = store_.Extension();
    untitled_ = store_.Untitled();
    position_ = 0;
    return 0;
}

void WaveElement::Close() {
    Stop();
    store_.Close();
    position_ = 0;
    takeEndPending_ = false;
}

void WaveElement::LeaveForRecovery() {
    Stop();
    store_.Release();
    position_ = 0;
    takeEndPending_ = false;
}

MCIERROR WaveElement::Record(UINT input, const CaptureMaker& maker) {
    if (recorder_) return 0;
    Stop();
    std::unique_ptr<TakeCapture> recorder = maker ? maker() : nullptr;
    if (!recorder) {
        UINT count = waveInGetNumDevs();
        if (count == 0 || (input != WAVE_MAPPER && input >= count)) return MCIERR_WAVE_INPUTSUNSUITABLE;
        recorder = std::make_unique<WaveInCapture>(input);
    }
    if (untitled_ && store_.Length() == 0 && !recorder->Converts()) {
        // Nothing recorded yet: the format may still follow the device.
        WAVEFORMATEX f;
        if (!ChooseRecordingFormat([input](const WAVEFORMATEX& c) { return InputAccepts(input, c); }, f))
            return MCIERR_WAVE_SETINPUTUNSUITABLE;
        Describe(f);
    }
    recordAt_ = std::min(position_, store_.Length());
    recordFileOffset_ = store_.FileEnd();
    // The element must stay savable as one WAV file: the take ends where
    // the file would outgrow what its header can describe.
    uint64_t limit = WaveStore::ElementLimit(MaxWaveDataBytes(format_, extension_));
    uint64_t room = limit > store_.Length() ? limit - store_.Length() : 0;
    WAVEFORMATEXTENSIBLE asked = DeviceFormat(format_, extension_);
    TakeRules rules = rules_;
    rules.firstVoiceMark = NextVoiceMark(store_.Marks());
    recorder->SetRules(rules);
    lastSegments_.clear();
    store_.BeginTake(recordAt_, recordFileOffset_);
    MCIERROR e = recorder->Start(asked.Format, store_, recordFileOffset_, room, notify_, takeEnded_);
    if (e) {
        store_.Insert(recordAt_, recordFileOffset_, 0);  // ends the take with nothing in it
        return e;
    }
    takeEndPending_ = false;
    std::lock_guard<std::mutex> lock(takeLock_);
    recorder_ = std::move(recorder);
    return 0;
}

MCIERROR WaveElement::Play(UINT output) {
    if (player_) return 0;  // already playing on
    MCIERROR e = Stop();
    if (e) return e;
    uint64_t from = std::min(position_, store_.Length());
    uint64_t to = store_.Length();
    if (from >= to) return 0;  // at the end already: nothing to play
    if (waveOutGetNumDevs() == 0) return MCIERR_WAVE_OUTPUTSUNSUITABLE;
    auto player = std::make_unique<WavePlayer>();
    WAVEFORMATEXTENSIBLE asked = DeviceFormat(format_, extension_);
    e = player->Start(output, asked.Format, store_, from, to, notify_, playbackEnded_);
    if (e) return e;
    playFrom_ = from;
    player_ = std::move(player);
    return 0;
}

MCIERROR WaveElement::Stop() {
    MCIERROR e = 0;
    if (recorder_) {
        recorder_->Stop();
        uint64_t bytes = recorder_->Recorded();
        TakeEndCause end = recorder_->Ended();
        if (end != TakeEndCause::None) {
            takeEnd_ = {ReasonOf(end), BytesToMilliseconds(bytes, format_), recorder_->WriteError()};
            takeEndPending_ = true;
            if (end == TakeEndCause::WriteFailed) e = MCIERR_FILE_WRITE;
            if (end == TakeEndCause::InputLost) e = MCIERR_HARDWARE;
        }
        std::vector<VoiceSegment> segments = VoiceSegments();
        for (VoiceSegment& v : segments) v.ended = true;
        std::lock_guard<std::mutex> lock(takeLock_);
        lastSegments_ = std::move(segments);
        store_.Insert(recordAt_, recordFileOffset_, bytes);
        position_ = recordAt_ + bytes;
        recorder_.reset();
    }
    if (player_) {
        player_->Stop();
        position_ = playFrom_ + player_->Played();
        player_.reset();
    }
    return e;
}

void WaveElement::ReapFinishedPlayback() {
    if (player_ && player_->Finished()) Stop();
}

bool WaveElement::TakeEndedByItself() const { return recorder_ && recorder_->Ended() != TakeEndCause::None; }

bool WaveElement::TakeEndNotice(WaveTakeEnd& notice) {
    if (!takeEndPending_) return false;
    takeEndPending_ = false;
    notice = takeEnd_;
    return true;
}

WaveStore::Pending WaveElement::PendingTake() const {
    return {recordAt_, recordFileOffset_, recorder_ ? recorder_->Recorded() : 0};
}

bool WaveElement::VoiceOpen() const {
    std::lock_guard<std::mutex> lock(takeLock_);
    return recorder_ && recorder_->Sink().Gate().IsOpen();
}

std::vector<VoiceSegment> WaveElement::VoiceSegments() const {
    std::lock_guard<std::mutex> lock(takeLock_);
    if (!recorder_) return lastSegments_;
    const uint64_t align = std::max<WORD>(format_.nBlockAlign, 1), at = recordAt_ / align;
    const uint64_t recorded = recorder_->Recorded() / align;
    std::vector<VoiceSegment> segments = recorder_->Sink().Gate().Segments();
    // The gate counts what it handed over; the take holds what reached the
    // file, which is less only where the take hit its size limit.
    for (VoiceSegment& v : segments) {
        v.from = at + std::min(v.from, recorded);
        v.to = at + std::min(v.to, recorded);
    }
    return segments;
}

bool WaveElement::AddMark(const std::wstring& name, uint64_t& frame) {
    if (!IsOpen()) return false;
    const uint64_t align = std::max<WORD>(format_.nBlockAlign, 1);
    if (recorder_) {
        const uint64_t intoTake = recorder_->Recorded() / align;
        store_.AddMark({intoTake, name}, true);
        frame = recordAt_ / align + intoTake;
    } else {
        frame = std::min(PositionBytes(), store_.Length()) / align;
        store_.AddMark({frame, name}, false);
    }
    return true;
}

std::vector<WaveMark> WaveElement::Marks() const {
    if (!IsOpen()) return {};
    WaveStore::Pending pending = PendingTake();
    return store_.Marks(recorder_ ? &pending : nullptr);
}

MCIERROR WaveElement::Save(const std::wstring& path, const JobControl* control) {
    if (!IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (LengthBytes() > MaxWaveDataBytes(format_, extension_)) return MCIERR_FILE_NOT_SAVED;
    WavWriter writer;
    return Save(path, writer, control);
}

MCIERROR WaveElement::Save(const std::wstring& path, SampleWriter& writer, const JobControl* control) {
    if (!IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    // What is there now, including a take still being recorded.
    WaveStore::Pending pending = PendingTake();
    return store_.SaveAs(path, writer, recorder_ ? &pending : nullptr, control);
}

MCIERROR WaveElement::SaveRange(const std::wstring& path, SampleWriter* writer, uint64_t fromFrame,
                                uint64_t toFrame, const JobControl* control) {
    if (!IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    const uint64_t align = std::max<WORD>(format_.nBlockAlign, 1);
    if (fromFrame > toFrame || toFrame > UINT64_MAX / align) return MCIERR_OUTOFRANGE;
    WavWriter wav;
    if (!writer && (toFrame - fromFrame) * align > MaxWaveDataBytes(format_, extension_)) return MCIERR_FILE_NOT_SAVED;
    // The take as it is now. Should it end during the save, the store holds
    // it at the same place, so everything up to where it had got reads the
    // same either way (for a take at the end, as unattended takes are: the
    // whole stretch).
    WaveStore::Pending pending;
    bool running;
    {
        std::lock_guard<std::mutex> lock(takeLock_);
        pending = PendingTake();
        running = recorder_ != nullptr;
    }
    return store_.SaveRange(path, writer ? *writer : wav, running ? &pending : nullptr, fromFrame * align,
                            toFrame * align, control);
}

uint64_t WaveElement::Frames() const {
    std::lock_guard<std::mutex> lock(takeLock_);
    return LengthBytes() / std::max<WORD>(format_.nBlockAlign, 1);
}

bool WaveElement::HoldsUnsavedSound() const {
    if (!IsOpen()) return false;
    if (recorder_) return recorder_->Recorded() > 0 || store_.Length() > 0;
    return store_.Length() > 0 && !store_.Saved();
}

uint64_t WaveElement::LengthBytes() const { return store_.Length() + (recorder_ ? recorder_->Recorded() : 0); }

uint64_t WaveElement::PositionBytes() const {
    if (recorder_) return recordAt_ + recorder_->Recorded();
    if (player_) return playFrom_ + player_->Played();
    return position_;
}

uint32_t WaveElement::LengthMs() const { return IsOpen() ? BytesToMilliseconds(LengthBytes(), format_) : 0; }
uint32_t WaveElement::PositionMs() const { return IsOpen() ? BytesToMilliseconds(PositionBytes(), format_) : 0; }

WaveMode WaveElement::Mode() const {
    if (!IsOpen()) return WaveMode::NotOpen;
    if (recorder_) return WaveMode::Recording;
    if (player_ && !player_->Finished()) return WaveMode::Playing;
    return WaveMode::Stopped;
}

LevelReading WaveElement::Levels() const {
    if (recorder_) return recorder_->Levels();
    if (player_) return player_->Levels();
    return {};
}

}  // namespace orvo
