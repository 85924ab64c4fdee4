#include "audio/wave_audio_device.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>

#include "audio/wave_element.h"
#include "base/scoped.h"
#include "base/window_class.h"

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

}  // namespace

// The command-word face of one element: the device's identifier, the
// devices it records from and plays to, and the message-only window that
// carries the status timer and the transport's notices to the creating
// thread.
class WaveAudioDevice::Impl {
public:
    Impl();
    ~Impl();

    MCIERROR Command(std::wstring_view word);
    MCIERROR Restore(Leftover&& leftover, RecoveryLoss& loss);
    void LeaveForRecovery();
    MCIERROR SetDevices(DWORD_PTR flags, const MCI_WAVE_SET_PARMS& parms);
    void SetUpdateInterval(UINT ms);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static HWND CreateStatusWindow();

    std::wstring fileName_;
    std::function<void()> handler_, doneHandler_;
    CaptureMaker captureMaker_;
    std::atomic<UINT> input_{0}, output_{0};
    uint16_t id_ = 0;
    MCIERROR lastError_ = 0;
    ScopedWindow window_;
    WaveElement element_;

private:
    MCIERROR Open();
    void Register();
    void Unregister();
    void Close();
    void ReapEndedTake();
    void OnTimer();

    UINT interval_ = 1000;
};

HWND WaveAudioDevice::Impl::CreateStatusWindow() {
    static const wchar_t kClass[] = L"OrvoWaveAudioDevice";
    RegisterWindowClass({kClass, &Impl::WindowProc});
    return CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

WaveAudioDevice::Impl::Impl() : window_(CreateStatusWindow()), element_(window_.Get(), kPlaybackEnded, kTakeEnded) {
    if (window_) {
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The status event runs for the device's whole life, element or not:
        // a window that believes it is playing always hears that nothing is.
        SetTimer(window_.Get(), kStatusTimer, interval_, nullptr);
    }
}

WaveAudioDevice::Impl::~Impl() {
    // Destroyed without "close": nothing unsaved is thrown away.
    if (element_.HoldsUnsavedSound())
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
                self->element_.ReapFinishedPlayback();
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
    element_.ReapFinishedPlayback();
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
    if (!element_.TakeEndedByItself()) return;
    element_.Stop();
    std::function<void()> handler = doneHandler_;
    if (handler) handler();
}

MCIERROR WaveAudioDevice::Impl::Command(std::wstring_view word) {
    element_.ReapFinishedPlayback();
    if (EqualsNoCase(word, L"open")) return Open();
    if (EqualsNoCase(word, L"close")) {
        Close();
        return 0;
    }
    bool known = EqualsNoCase(word, L"record") || EqualsNoCase(word, L"play") || EqualsNoCase(word, L"prev") ||
                 EqualsNoCase(word, L"stop");
    if (!known) return MCIERR_UNRECOGNIZED_COMMAND;
    if (!element_.IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (EqualsNoCase(word, L"record")) return element_.Record(input_.load(), captureMaker_);
    if (EqualsNoCase(word, L"play")) return element_.Play(output_.load());
    MCIERROR e = element_.Stop();
    if (EqualsNoCase(word, L"prev")) element_.Rewind();
    return e;
}

MCIERROR WaveAudioDevice::Impl::Open() {
    // Opening over an open element would throw away a recording nobody
    // closed; the caller closes first.
    if (element_.IsOpen()) return MCIERR_DEVICE_OPEN;
    if (fileName_.empty()) return MCIERR_FILE_NOT_FOUND;
    MCIERROR e = EqualsNoCase(fileName_, L"new") ? element_.OpenNew(input_.load()) : element_.OpenFile(fileName_);
    if (e) return e;
    Register();
    return 0;
}

void WaveAudioDevice::Impl::Register() {
    std::lock_guard<std::mutex> lock(g_devicesLock);
    do {
        id_ = ++g_lastId;
    } while (id_ == 0 || g_devices.count(id_));
    g_devices[id_] = this;
}

void WaveAudioDevice::Impl::Unregister() {
    if (id_) {
        std::lock_guard<std::mutex> lock(g_devicesLock);
        g_devices.erase(id_);
        id_ = 0;
    }
}

void WaveAudioDevice::Impl::Close() {
    element_.Stop();
    Unregister();
    element_.Close();
}

MCIERROR WaveAudioDevice::Impl::Restore(Leftover&& leftover, RecoveryLoss& loss) {
    if (element_.IsOpen()) return MCIERR_DEVICE_OPEN;
    MCIERROR e = element_.Restore(std::move(leftover), loss);
    if (e) return e;
    fileName_ = element_.Untitled() ? std::wstring(L"new") : element_.Name();
    Register();
    return 0;
}

void WaveAudioDevice::Impl::LeaveForRecovery() {
    element_.Stop();
    Unregister();
    element_.LeaveForRecovery();
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
    return Saved([&] { return impl_->element_.Save(path, progress); });
}

MCIERROR WaveAudioDevice::Save(const std::wstring& path, SampleWriter& writer, const JobControl* progress) {
    return Saved([&] { return impl_->element_.Save(path, writer, progress); });
}

MCIERROR WaveAudioDevice::SaveRange(const std::wstring& path, SampleWriter* writer, uint64_t fromFrame,
                                    uint64_t toFrame, const JobControl* progress) {
    // Not through Saved: lastError_ belongs to the creating thread, and this
    // save usually runs on another.
    try {
        return impl_->element_.SaveRange(path, writer, fromFrame, toFrame, progress);
    } catch (...) {
        return MCIERR_OUT_OF_MEMORY;
    }
}

uint64_t WaveAudioDevice::Frames() const { return impl_->element_.Frames(); }

MCIERROR WaveAudioDevice::Saved(const std::function<MCIERROR()>& save) {
    MCIERROR e;
    try {
        e = save();
    } catch (...) {
        e = MCIERR_OUT_OF_MEMORY;
    }
    impl_->lastError_ = e;
    return e;
}

MCIERROR WaveAudioDevice::Restore(Leftover&& leftover, RecoveryLoss& loss) {
    MCIERROR e;
    try {
        e = impl_->Restore(std::move(leftover), loss);
    } catch (...) {
        e = MCIERR_OUT_OF_MEMORY;
    }
    impl_->lastError_ = e;
    return e;
}

bool WaveAudioDevice::AddMark(const std::wstring& name, uint64_t& frame) {
    return impl_->element_.AddMark(name, frame);
}
void WaveAudioDevice::SetVoiceTrigger(const VoiceTrigger& trigger) { impl_->element_.SetVoiceTrigger(trigger); }
bool WaveAudioDevice::VoiceOpen() const { return impl_->element_.VoiceOpen(); }
std::vector<VoiceSegment> WaveAudioDevice::VoiceSegments() const { return impl_->element_.VoiceSegments(); }
void WaveAudioDevice::SetTakeFrameLimit(uint64_t frames) { impl_->element_.SetTakeFrameLimit(frames); }
std::vector<WaveMark> WaveAudioDevice::Marks() const { return impl_->element_.Marks(); }

void WaveAudioDevice::LeaveForRecovery() { impl_->LeaveForRecovery(); }
bool WaveAudioDevice::HoldsUnsavedSound() const { return impl_->element_.HoldsUnsavedSound(); }

uint32_t WaveAudioDevice::Length() const { return impl_->element_.LengthMs(); }
uint32_t WaveAudioDevice::Position() const { return impl_->element_.PositionMs(); }
uint16_t WaveAudioDevice::DeviceID() const { return impl_->id_; }
LevelReading WaveAudioDevice::Levels() const { return impl_->element_.Levels(); }
WaveAudioDevice::Mode WaveAudioDevice::GetMode() const { return impl_->element_.Mode(); }
MCIERROR WaveAudioDevice::LastError() const { return impl_->lastError_; }

std::wstring WaveAudioDevice::LastErrorText() const {
    std::wstring text;
    if (impl_->lastError_) WaveGetErrorString(impl_->lastError_, text);
    return text;
}

void WaveAudioDevice::SetStatusHandler(std::function<void()> handler) { impl_->handler_ = std::move(handler); }
void WaveAudioDevice::SetDoneHandler(std::function<void()> handler) { impl_->doneHandler_ = std::move(handler); }

bool WaveAudioDevice::TakeEndNotice(TakeEnd& notice) { return impl_->element_.TakeEndNotice(notice); }
void WaveAudioDevice::SetUpdateInterval(UINT milliseconds) { impl_->SetUpdateInterval(milliseconds); }
WAVEFORMATEX WaveAudioDevice::Format() const { return impl_->element_.Format(); }
WaveExtension WaveAudioDevice::Extension() const { return impl_->element_.Extension(); }
UINT WaveAudioDevice::InputDevice() const { return impl_->input_.load(); }
UINT WaveAudioDevice::OutputDevice() const { return impl_->output_.load(); }
void WaveAudioDevice::SetCaptureMaker(CaptureMaker maker) { impl_->captureMaker_ = std::move(maker); }

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

}  // namespace orvo
