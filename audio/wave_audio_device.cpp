#include "audio/wave_audio_device.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>

#include "base/path.h"
#include "base/scoped.h"
#include "audio/wave_recovery.h"
#include "base/window_class.h"
#include "audio/wave_riff.h"
#include "audio/wave_store.h"
#include "audio/wave_transport.h"

namespace orvo {

#ifndef _WIN64
// The device-selection record is passed by address from 32-bit callers that
// lay it out by hand; its size is part of the contract.
static_assert(sizeof(MCI_WAVE_SET_PARMS) == 44, "MCI_WAVE_SET_PARMS must be 44 bytes");
#endif

namespace {

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kPlaybackEnded = WM_APP + 1;
constexpr UINT kTakeEnded = WM_APP + 2;
constexpr uint32_t kCopyChunk = 1024 * 1024;

// Open devices by identifier, so that WaveSendCommand can find them.
std::mutex g_devicesLock;
std::map<uint16_t, WaveAudioDevice::Impl*> g_devices;
uint16_t g_lastId = 0;

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

uint32_t BytesToMilliseconds(uint64_t bytes, const WAVEFORMATEX& f) {
    if (f.nBlockAlign == 0 || f.nSamplesPerSec == 0) return 0;
    uint64_t ms = bytes / f.nBlockAlign * 1000 / f.nSamplesPerSec;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, 0xFFFFFFFFu));
}

bool InputAccepts(UINT device, const WAVEFORMATEX& f) {
    WAVEFORMATEX copy = f;
    return waveInOpen(nullptr, device, &copy, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

}  // namespace

class WaveAudioDevice::Impl {
public:
    Impl();
    ~Impl();

    MCIERROR Command(std::wstring_view word);
    MCIERROR Save(const std::wstring& path, const JobControl* progress);
    MCIERROR Restore(Leftover&& leftover, uint32_t& lostMs, std::vector<std::wstring>& lostFiles);
    void LeaveForRecovery();
    bool HoldsUnsavedSound() const;
    MCIERROR SetDevices(DWORD_PTR flags, const MCI_WAVE_SET_PARMS& parms);
    uint32_t Length() const;
    LevelReading Levels() const {
        if (recorder_) return recorder_->Levels();
        if (player_) return player_->Levels();
        return {};
    }
    uint32_t Position() const;
    Mode GetMode() const;
    void SetUpdateInterval(UINT ms);

    std::wstring fileName_;
    std::function<void()> handler_, doneHandler_;
    WAVEFORMATEX format_ = PcmFormat(44100, 16, 2);
    WaveExtension extension_;
    TakeEnd takeEnd_;
    bool takeEndPending_ = false;
    std::atomic<UINT> input_{0}, output_{0};
    uint16_t id_ = 0;
    MCIERROR lastError_ = 0;

private:
    MCIERROR Open();
    void Register();
    void Close();
    MCIERROR OpenFile(const std::wstring& path);
    MCIERROR Record();
    MCIERROR Play();
    MCIERROR StopTransport();
    void ReapFinishedPlayback();
    void ReapEndedTake();
    void Unregister();
    uint64_t LengthBytes() const;
    uint64_t PositionBytes() const;
    bool HasElement() const { return store_.IsOpen(); }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnTimer();

    ScopedWindow window_;
    UINT interval_ = 1000;
    WaveStore store_;
    bool untitled_ = false;
    uint64_t position_ = 0;  // bytes, while neither recording nor playing
    std::unique_ptr<WaveRecorder> recorder_;
    uint64_t recordAt_ = 0, recordFileOffset_ = 0;
    std::unique_ptr<WavePlayer> player_;
    uint64_t playFrom_ = 0, playTo_ = 0;
};

WaveAudioDevice::Impl::Impl() {
    static const wchar_t kClass[] = L"OrvoWaveAudioDevice";
    RegisterWindowClass({kClass, &Impl::WindowProc});
    // A message-only window carries the status timer and the end-of-playback
    // notice to the creating thread.
    window_.Reset(CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                  nullptr));
    if (window_) {
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The status event runs for the device's whole life, element or not:
        // a window that believes it is playing always hears that nothing is.
        SetTimer(window_.Get(), kStatusTimer, interval_, nullptr);
    }
}

WaveAudioDevice::Impl::~Impl() {
    // Destroyed without "close": nothing unsaved is thrown away.
    if (HoldsUnsavedSound())
        LeaveForRecovery();
    else
        Close();
    if (window_) {
        KillTimer(window_.Get(), kStatusTimer);
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
    }
}

LRESULT CALLBACK WaveAudioDevice::Impl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_TIMER || msg == kPlaybackEnded || msg == kTakeEnded)) {
        try {
            if (msg == kPlaybackEnded)
                self->ReapFinishedPlayback();
            else if (msg == kTakeEnded)
                self->ReapEndedTake();
            else if (wParam == kStatusTimer)
                self->OnTimer();
        } catch (...) {
            // A failing status handler must not take the message loop down.
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Every update interval.
void WaveAudioDevice::Impl::OnTimer() {
    ReapFinishedPlayback();
    // A copy: the handler may replace itself or close the device.
    std::function<void()> handler = handler_;
    if (handler) handler();
}

void WaveAudioDevice::Impl::SetUpdateInterval(UINT ms) {
    interval_ = std::max<UINT>(ms, 1);
    if (window_) SetTimer(window_.Get(), kStatusTimer, interval_, nullptr);
}

// A take that ended by itself (input gone, disk full, size limit) is made
// part of the element at once, and the owner hears of it.
void WaveAudioDevice::Impl::ReapEndedTake() {
    if (!recorder_ || recorder_->Ended() == WaveRecorder::End::None) return;
    StopTransport();
    std::function<void()> handler = doneHandler_;
    if (handler) handler();
}

MCIERROR WaveAudioDevice::Impl::Command(std::wstring_view word) {
    ReapFinishedPlayback();
    if (EqualsNoCase(word, L"open")) return Open();
    if (EqualsNoCase(word, L"close")) {
        Close();
        return 0;
    }
    bool known = EqualsNoCase(word, L"record") || EqualsNoCase(word, L"play") || EqualsNoCase(word, L"prev") ||
                 EqualsNoCase(word, L"stop");
    if (!known) return MCIERR_UNRECOGNIZED_COMMAND;
    if (!HasElement()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (EqualsNoCase(word, L"record")) return Record();
    if (EqualsNoCase(word, L"play")) return Play();
    MCIERROR e = StopTransport();
    if (EqualsNoCase(word, L"prev")) position_ = 0;
    return e;
}

MCIERROR WaveAudioDevice::Impl::Open() {
    // Opening over an open element would throw away a recording nobody
    // closed; the caller closes first.
    if (HasElement()) return MCIERR_DEVICE_OPEN;
    if (fileName_.empty()) return MCIERR_FILE_NOT_FOUND;
    if (!store_.Open()) return MCIERR_FILE_WRITE;
    MCIERROR e = 0;
    if (EqualsNoCase(fileName_, L"new")) {
        untitled_ = true;
        WAVEFORMATEX f = PcmFormat(44100, 16, 2);
        UINT in = input_.load();
        if (waveInGetNumDevs() > 0) ChooseRecordingFormat([in](const WAVEFORMATEX& c) { return InputAccepts(in, c); }, f);
        format_ = f;
        extension_ = {};
        store_.Describe(format_, extension_, L"", true);
    } else {
        untitled_ = false;
        e = OpenFile(fileName_);
    }
    if (e) {
        store_.Close();
        return e;
    }
    takeEndPending_ = false;
    Register();
    return 0;
}

void WaveAudioDevice::Impl::Register() {
    position_ = 0;
    {
        std::lock_guard<std::mutex> lock(g_devicesLock);
        do {
            id_ = ++g_lastId;
        } while (id_ == 0 || g_devices.count(id_));
        g_devices[id_] = this;
    }
}

void WaveAudioDevice::Impl::Unregister() {
    if (id_) {
        std::lock_guard<std::mutex> lock(g_devicesLock);
        g_devices.erase(id_);
        id_ = 0;
    }
    position_ = 0;
}

MCIERROR WaveAudioDevice::Impl::OpenFile(const std::wstring& path) {
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
    format_ = layout.format;
    extension_ = layout.extension;
    store_.Describe(format_, extension_, path, false);
    uint32_t source = store_.AddSource(path, std::move(file));
    store_.AppendSource(source, layout.dataOffset, layout.dataBytes);
    store_.SetSaved(true);
    return 0;
}

void WaveAudioDevice::Impl::Close() {
    StopTransport();
    Unregister();
    store_.Close();
    takeEndPending_ = false;
}

MCIERROR WaveAudioDevice::Impl::Record() {
    if (recorder_) return 0;
    StopTransport();
    UINT in = input_.load();
    UINT count = waveInGetNumDevs();
    if (count == 0 || (in != WAVE_MAPPER && in >= count)) return MCIERR_WAVE_INPUTSUNSUITABLE;
    if (untitled_ && store_.Length() == 0) {
        // Nothing recorded yet: the format may still follow the device.
        WAVEFORMATEX f;
        if (!ChooseRecordingFormat([in](const WAVEFORMATEX& c) { return InputAccepts(in, c); }, f))
            return MCIERR_WAVE_SETINPUTUNSUITABLE;
        format_ = f;
        extension_ = {};
        store_.Describe(format_, extension_, store_.Name(), true);
    }
    auto recorder = std::make_unique<WaveRecorder>();
    recordAt_ = std::min(position_, store_.Length());
    recordFileOffset_ = store_.FileEnd();
    // The element must stay savable as one WAV file: the take ends where
    // the file would outgrow what its header can describe.
    uint64_t limit = WaveStore::ElementLimit(MaxWaveDataBytes(format_, extension_));
    uint64_t room = limit > store_.Length() ? limit - store_.Length() : 0;
    WAVEFORMATEXTENSIBLE asked = DeviceFormat(format_, extension_);
    store_.BeginTake(recordAt_, recordFileOffset_);
    MCIERROR e = recorder->Start(in, asked.Format, store_, recordFileOffset_, room, window_.Get(), kTakeEnded);
    if (e) {
        store_.Insert(recordAt_, recordFileOffset_, 0);  // ends the take with nothing in it
        return e;
    }
    takeEndPending_ = false;
    recorder_ = std::move(recorder);
    return 0;
}

MCIERROR WaveAudioDevice::Impl::Play() {
    if (player_) return 0;  // already playing on
    MCIERROR e = StopTransport();
    if (e) return e;
    uint64_t from = std::min(position_, store_.Length());
    uint64_t to = store_.Length();
    if (from >= to) return 0;  // at the end already: nothing to play
    if (waveOutGetNumDevs() == 0) return MCIERR_WAVE_OUTPUTSUNSUITABLE;
    auto player = std::make_unique<WavePlayer>();
    WAVEFORMATEXTENSIBLE asked = DeviceFormat(format_, extension_);
    e = player->Start(output_.load(), asked.Format, store_, from, to, window_.Get(), kPlaybackEnded);
    if (e) return e;
    playFrom_ = from;
    playTo_ = to;
    player_ = std::move(player);
    return 0;
}

// Ends a take or playback, leaving the position where the sound stopped.
MCIERROR WaveAudioDevice::Impl::StopTransport() {
    MCIERROR e = 0;
    if (recorder_) {
        recorder_->Stop();
        uint64_t bytes = recorder_->Recorded();
        store_.Insert(recordAt_, recordFileOffset_, bytes);
        position_ = recordAt_ + bytes;
        WaveRecorder::End end = recorder_->Ended();
        if (end != WaveRecorder::End::None) {
            takeEnd_.reason = end == WaveRecorder::End::WriteFailed ? TakeEnd::Reason::WriteFailed
                              : end == WaveRecorder::End::InputLost ? TakeEnd::Reason::InputLost
                                                                    : TakeEnd::Reason::SizeLimit;
            takeEnd_.keptMs = BytesToMilliseconds(bytes, format_);
            takeEnd_.systemError = recorder_->WriteError();
            takeEndPending_ = true;
            if (end == WaveRecorder::End::WriteFailed) e = MCIERR_FILE_WRITE;
            if (end == WaveRecorder::End::InputLost) e = MCIERR_HARDWARE;
        }
        recorder_.reset();
    }
    if (player_) {
        player_->Stop();
        position_ = playFrom_ + player_->Played();
        player_.reset();
    }
    return e;
}

void WaveAudioDevice::Impl::ReapFinishedPlayback() {
    if (player_ && player_->Finished()) StopTransport();
}

uint64_t WaveAudioDevice::Impl::LengthBytes() const {
    return store_.Length() + (recorder_ ? recorder_->Recorded() : 0);
}

uint64_t WaveAudioDevice::Impl::PositionBytes() const {
    if (recorder_) return recordAt_ + recorder_->Recorded();
    if (player_) return playFrom_ + player_->Played();
    return position_;
}

uint32_t WaveAudioDevice::Impl::Length() const { return HasElement() ? BytesToMilliseconds(LengthBytes(), format_) : 0; }
uint32_t WaveAudioDevice::Impl::Position() const {
    return HasElement() ? BytesToMilliseconds(PositionBytes(), format_) : 0;
}

WaveAudioDevice::Mode WaveAudioDevice::Impl::GetMode() const {
    if (!HasElement()) return Mode::NotOpen;
    if (recorder_) return Mode::Recording;
    if (player_ && !player_->Finished()) return Mode::Playing;
    return Mode::Stopped;
}

MCIERROR WaveAudioDevice::Impl::Save(const std::wstring& path, const JobControl* progress) {
    if (!HasElement()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (path.empty()) return MCIERR_FILE_NOT_SAVED;
    // What is there now, including a take still being recorded.
    bool recording = recorder_ != nullptr;
    WaveStore::Pending pending{recordAt_, recordFileOffset_, recording ? recorder_->Recorded() : 0};
    uint64_t length = store_.Length();
    uint64_t bytes = length + pending.bytes;
    if (bytes > MaxWaveDataBytes(format_, extension_)) return MCIERR_FILE_NOT_SAVED;
    auto cancelled = [progress] { return progress && progress->Cancelled(); };

    // Written beside the target and moved over it only when complete, so a
    // full disk or a Cancel never leaves a half-written file in place of a
    // good one.
    std::wstring dir = FolderOf(path);
    if (dir.empty()) dir = L".";
    wchar_t temp[MAX_PATH + 1];
    if (!GetTempFileNameW(dir.c_str(), L"orv", 0, temp)) return MCIERR_FILE_NOT_SAVED;
    MCIERROR e = 0;
    std::vector<uint8_t> header;
    {
        ScopedFile out(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) e = MCIERR_FILE_NOT_SAVED;
        auto write = [&out](const void* data, DWORD n) {
            DWORD written = 0;
            return WriteFile(out.Get(), data, n, &written, nullptr) && written == n;
        };
        header = BuildWaveHeader(format_, extension_, static_cast<uint32_t>(bytes));
        if (!e && !write(header.data(), static_cast<DWORD>(header.size()))) e = MCIERR_FILE_WRITE;
        std::vector<char> chunk(kCopyChunk);
        for (uint64_t done = 0; !e && done < bytes;) {
            if (cancelled()) {
                e = MCIERR_FILE_NOT_SAVED;
                break;
            }
            // Blocks end on whole megabytes of the new file: an opened
            // source's data starts as far into its file, so both sides are
            // read and written in page-aligned blocks.
            uint64_t room = kCopyChunk - (header.size() + done) % kCopyChunk;
            uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(room, bytes - done));
            if (!store_.ReadElement(done, chunk.data(), n, &pending))
                e = MCIERR_FILE_READ;
            else if (!write(chunk.data(), n))
                e = MCIERR_FILE_WRITE;
            done += n;
            if (progress) progress->Report(static_cast<double>(done) / bytes);
        }
        const char pad = 0;
        if (!e && (bytes & 1) && !write(&pad, 1)) e = MCIERR_FILE_WRITE;
        if (!e && !FlushFileBuffers(out.Get())) e = MCIERR_FILE_WRITE;
    }
    if (!e && cancelled()) e = MCIERR_FILE_NOT_SAVED;
    // The target may be the very file the element reads from: it is let go
    // for the replace and the new file is read from after it.
    uint32_t source = e ? 0 : store_.SourceOf(path);
    if (source) store_.ReleaseSource(source);
    if (!e && !MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        e = MCIERR_FILE_NOT_SAVED;
    if (e) {
        DeleteFileW(temp);
        if (source) store_.ReopenSource(source);
        return e;
    }
    if (source) {
        ScopedFile saved(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        const uint64_t data = header.size();
        // A take still running is spliced in at recordAt_ when it ends, so
        // the part of it already in the file is left out of the pieces.
        std::vector<std::pair<uint64_t, uint64_t>> pieces = {{data, pending.elementOffset},
                                                             {data + pending.elementOffset + pending.bytes,
                                                              length - pending.elementOffset}};
        if (!pending.bytes) pieces = {{data, length}};
        if (!saved || !store_.ReplaceSources(path, std::move(saved), pieces)) return MCIERR_FILE_READ;
    }
    if (!recording) store_.SetSaved(true);
    return 0;
}

MCIERROR WaveAudioDevice::Impl::Restore(Leftover&& leftover, uint32_t& lostMs, std::vector<std::wstring>& lostFiles) {
    if (HasElement()) return MCIERR_DEVICE_OPEN;
    uint64_t lost = 0;
    if (!store_.Adopt(std::move(leftover), lost, lostFiles)) return MCIERR_FILE_READ;
    format_ = store_.Format();
    extension_ = store_.Extension();
    untitled_ = store_.Untitled();
    fileName_ = untitled_ ? std::wstring(L"new") : store_.Name();
    lostMs = BytesToMilliseconds(lost, format_);
    Register();
    return 0;
}

void WaveAudioDevice::Impl::LeaveForRecovery() {
    StopTransport();
    Unregister();
    store_.Release();
    takeEndPending_ = false;
}

bool WaveAudioDevice::Impl::HoldsUnsavedSound() const {
    if (!HasElement()) return false;
    if (recorder_) return recorder_->Recorded() > 0 || store_.Length() > 0;
    return store_.Length() > 0 && !store_.Saved();
}

MCIERROR WaveAudioDevice::Impl::SetDevices(DWORD_PTR flags, const MCI_WAVE_SET_PARMS& parms) {
    // Everything is checked before anything changes.
    if ((flags & MCI_SET_TIME_FORMAT) && parms.dwTimeFormat != MCI_FORMAT_MILLISECONDS) return MCIERR_BAD_TIME_FORMAT;
    if (flags & MCI_WAVE_INPUT) {
        UINT n = waveInGetNumDevs();
        if (n == 0) return MCIERR_WAVE_INPUTSUNSUITABLE;
        if (parms.wInput != WAVE_MAPPER && parms.wInput >= n) return MCIERR_OUTOFRANGE;
    }
    if (flags & MCI_WAVE_OUTPUT) {
        UINT n = waveOutGetNumDevs();
        if (n == 0) return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        if (parms.wOutput != WAVE_MAPPER && parms.wOutput >= n) return MCIERR_OUTOFRANGE;
    }
    if (flags & MCI_WAVE_INPUT) input_ = parms.wInput;
    if (flags & MCI_WAVE_OUTPUT) output_ = parms.wOutput;
    return 0;
}

// ---- the public face ----

WaveAudioDevice::WaveAudioDevice() : impl_(std::make_unique<Impl>()) {}
WaveAudioDevice::~WaveAudioDevice() = default;

void WaveAudioDevice::SetFileName(std::wstring name) { impl_->fileName_ = std::move(name); }
const std::wstring& WaveAudioDevice::FileName() const { return impl_->fileName_; }

MCIERROR WaveAudioDevice::Command(std::wstring_view word) {
    MCIERROR e;
    try {
        e = impl_->Command(word);
    } catch (...) {
        e = MCIERR_OUT_OF_MEMORY;
    }
    impl_->lastError_ = e;
    return e;
}

MCIERROR WaveAudioDevice::Save(const std::wstring& path, const JobControl* progress) {
    MCIERROR e;
    try {
        e = impl_->Save(path, progress);
    } catch (...) {
        e = MCIERR_OUT_OF_MEMORY;
    }
    impl_->lastError_ = e;
    return e;
}

MCIERROR WaveAudioDevice::Restore(Leftover&& leftover, uint32_t& lostMs, std::vector<std::wstring>& lostFiles) {
    MCIERROR e;
    try {
        e = impl_->Restore(std::move(leftover), lostMs, lostFiles);
    } catch (...) {
        e = MCIERR_OUT_OF_MEMORY;
    }
    impl_->lastError_ = e;
    return e;
}

void WaveAudioDevice::LeaveForRecovery() { impl_->LeaveForRecovery(); }
bool WaveAudioDevice::HoldsUnsavedSound() const { return impl_->HoldsUnsavedSound(); }

uint32_t WaveAudioDevice::Length() const { return impl_->Length(); }
uint32_t WaveAudioDevice::Position() const { return impl_->Position(); }
uint16_t WaveAudioDevice::DeviceID() const { return impl_->id_; }
LevelReading WaveAudioDevice::Levels() const { return impl_->Levels(); }
WaveAudioDevice::Mode WaveAudioDevice::GetMode() const { return impl_->GetMode(); }
MCIERROR WaveAudioDevice::LastError() const { return impl_->lastError_; }

std::wstring WaveAudioDevice::LastErrorText() const {
    std::wstring text;
    if (impl_->lastError_) WaveGetErrorString(impl_->lastError_, text);
    return text;
}

void WaveAudioDevice::SetStatusHandler(std::function<void()> handler) { impl_->handler_ = std::move(handler); }
void WaveAudioDevice::SetDoneHandler(std::function<void()> handler) { impl_->doneHandler_ = std::move(handler); }

bool WaveAudioDevice::TakeEndNotice(TakeEnd& notice) {
    if (!impl_->takeEndPending_) return false;
    impl_->takeEndPending_ = false;
    notice = impl_->takeEnd_;
    return true;
}
void WaveAudioDevice::SetUpdateInterval(UINT milliseconds) { impl_->SetUpdateInterval(milliseconds); }
WAVEFORMATEX WaveAudioDevice::Format() const { return impl_->format_; }
WaveExtension WaveAudioDevice::Extension() const { return impl_->extension_; }
UINT WaveAudioDevice::InputDevice() const { return impl_->input_.load(); }
UINT WaveAudioDevice::OutputDevice() const { return impl_->output_.load(); }

MCIERROR WaveSendCommand(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR param) {
    std::lock_guard<std::mutex> lock(g_devicesLock);
    auto it = id > 0xFFFF ? g_devices.end() : g_devices.find(static_cast<uint16_t>(id));
    if (it == g_devices.end()) return MCIERR_INVALID_DEVICE_ID;
    if (message != MCI_SET) return MCIERR_UNSUPPORTED_FUNCTION;
    if (!param) return MCIERR_NULL_PARAMETER_BLOCK;
    const DWORD_PTR known = MCI_NOTIFY | MCI_WAIT | MCI_WAVE_INPUT | MCI_WAVE_OUTPUT | MCI_SET_TIME_FORMAT;
    if (flags & ~known) return MCIERR_UNSUPPORTED_FUNCTION;
    if (!(flags & (MCI_WAVE_INPUT | MCI_WAVE_OUTPUT | MCI_SET_TIME_FORMAT))) return MCIERR_MISSING_PARAMETER;
    const auto& parms = *reinterpret_cast<const MCI_WAVE_SET_PARMS*>(param);
    MCIERROR e = it->second->SetDevices(flags, parms);
    if (!e && (flags & MCI_NOTIFY) && parms.dwCallback)
        PostMessageW(reinterpret_cast<HWND>(parms.dwCallback), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, id);
    return e;
}

bool WaveGetErrorString(MCIERROR error, std::wstring& text) {
    wchar_t buffer[300] = {};
    if (mciGetErrorStringW(error, buffer, 300) && buffer[0]) {
        text = buffer;
        return true;
    }
    // Should a system lack the table, the device still explains its own errors.
    static const std::map<MCIERROR, const wchar_t*> kOwn = {
        {MCIERR_UNRECOGNIZED_COMMAND, L"The driver cannot recognize the specified command."},
        {MCIERR_INVALID_DEVICE_ID, L"Invalid MCI device ID."},
        {MCIERR_OUTOFRANGE, L"The specified parameter is out of range for the specified command."},
        {MCIERR_WAVE_INPUTSUNSUITABLE, L"No wave device that can record is installed."},
        {MCIERR_WAVE_OUTPUTSUNSUITABLE, L"No wave device that can play is installed."},
        {MCIERR_WAVE_SETINPUTUNSUITABLE, L"The recording device cannot use the current format."},
        {MCIERR_WAVE_SETOUTPUTUNSUITABLE, L"The playback device cannot use the current format."},
        {MCIERR_WAVE_INPUTSINUSE, L"The recording device is in use."},
        {MCIERR_WAVE_OUTPUTSINUSE, L"The playback device is in use."},
        {MCIERR_INVALID_FILE, L"The file is not a WAV file the device can play, or it is damaged."},
        {MCIERR_FILE_NOT_FOUND, L"Cannot find the specified file."},
        {MCIERR_FILE_READ, L"Cannot read the specified file."},
        {MCIERR_FILE_WRITE, L"Cannot write to the file; the disk may be full."},
        {MCIERR_FILE_NOT_SAVED, L"Cannot save the specified file."},
        {MCIERR_DEVICE_OPEN, L"The device is already open."},
        {MCIERR_NONAPPLICABLE_FUNCTION, L"Nothing is open to carry out this command."},
        {MCIERR_UNSUPPORTED_FUNCTION, L"The device does not support the specified command."},
        {MCIERR_NULL_PARAMETER_BLOCK, L"A null parameter block was passed."},
        {MCIERR_MISSING_PARAMETER, L"The specified command requires a parameter."},
        {MCIERR_BAD_TIME_FORMAT, L"The specified time format is invalid."},
        {MCIERR_OUT_OF_MEMORY, L"Not enough memory available for this task."},
        {MCIERR_HARDWARE, L"There is a problem with the sound device."},
    };
    auto it = kOwn.find(error);
    if (it == kOwn.end()) return false;
    text = it->second;
    return true;
}

}  // namespace orvo
