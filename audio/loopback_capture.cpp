#include "audio/loopback_capture.h"

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <cstring>

#include "audio/loopback_core.h"

namespace orvo {
namespace {

// The stream's own buffer: room for a second of sound between two pumps.
constexpr REFERENCE_TIME kBufferDuration = 10000000;
constexpr DWORD kPumpMs = 10;

// The mix format belongs to COM's task allocator.
struct CoTaskMemTraits {
    using Handle = WAVEFORMATEX*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CoTaskMemFree(h); }
};

// IAudioCaptureClient as the timeline reads it.
class ClientPackets : public CapturePackets {
public:
    explicit ClientPackets(IAudioCaptureClient* client) : client_(client) {}
    HRESULT NextPacketSize(UINT32& frames) override { return client_->GetNextPacketSize(&frames); }
    HRESULT GetBuffer(BYTE*& data, UINT32& frames, DWORD& flags) override {
        return client_->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
    }
    HRESULT ReleaseBuffer(UINT32 frames) override { return client_->ReleaseBuffer(frames); }

private:
    IAudioCaptureClient* client_;
};

// A loopback stream on the default playback device, ready to start.
struct LoopbackStream {
    ComPtr<IAudioClient> client;
    ComPtr<IAudioCaptureClient> capture;
    Scoped<CoTaskMemTraits> mix;

    HRESULT Open() {
        ComPtr<IMMDeviceEnumerator> devices;
        HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                      __uuidof(IMMDeviceEnumerator), devices.PutVoid());
        if (FAILED(hr)) return hr;
        ComPtr<IMMDevice> output;
        hr = devices->GetDefaultAudioEndpoint(eRender, eConsole, output.Put());
        if (FAILED(hr)) return hr;
        hr = output->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, client.PutVoid());
        if (FAILED(hr)) return hr;
        hr = client->GetMixFormat(mix.Put());
        if (FAILED(hr)) return hr;
        hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_LOOPBACK, kBufferDuration, 0,
                                mix.Get(), nullptr);
        if (FAILED(hr)) return hr;
        // Some systems open the stream and then refuse to hand its packets
        // over; that is as good as no loopback at all.
        return client->GetService(__uuidof(IAudioCaptureClient), capture.PutVoid());
    }
};

uint64_t Elapsed100ns(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, rate;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&rate);
    auto ticks = static_cast<uint64_t>(now.QuadPart - start.QuadPart);
    auto f = static_cast<uint64_t>(rate.QuadPart);
    return ticks / f * 10000000 + ticks % f * 10000000 / f;
}

}  // namespace

HRESULT LoopbackCapture::Probe() {
    HRESULT result = E_FAIL;
    // On a thread of its own, so the caller's apartment does not matter.
    std::thread probe([&result] {
        ScopedCoInit com(COINIT_MULTITHREADED);
        LoopbackStream stream;
        result = FAILED(com.Result()) ? com.Result() : stream.Open();
    });
    probe.join();
    return result;
}

LoopbackCapture::~LoopbackCapture() { Stop(); }

MCIERROR LoopbackCapture::Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset,
                                uint64_t maxBytes, HWND notify, UINT message) {
    Stop();
    std::memcpy(&format_, &format, format.cbSize >= 22 ? sizeof(format_) : sizeof(WAVEFORMATEX));
    notify_ = notify;
    message_ = message;
    sink_.Start(format, store, fileOffset, maxBytes, rules_);
    stopEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    openedEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent_ || !openedEvent_) return MCIERR_OUT_OF_MEMORY;
    try {
        worker_ = std::thread(&LoopbackCapture::Run, this);
    } catch (...) {
        return MCIERR_OUT_OF_MEMORY;
    }
    WaitForSingleObject(openedEvent_.Get(), INFINITE);
    if (FAILED(opened_)) {
        worker_.join();
        return opened_ == AUDCLNT_E_UNSUPPORTED_FORMAT ? MCIERR_WAVE_SETINPUTUNSUITABLE : MCIERR_WAVE_INPUTSUNSUITABLE;
    }
    return 0;
}

void LoopbackCapture::Stop() {
    if (!worker_.joinable()) return;
    SetEvent(stopEvent_.Get());
    worker_.join();
}

void LoopbackCapture::Run() noexcept {
    ScopedCoInit com(COINIT_MULTITHREADED);
    LoopbackStream stream;
    opened_ = FAILED(com.Result()) ? com.Result() : stream.Open();
    if (FAILED(opened_)) {
        SetEvent(openedEvent_.Get());
        return;
    }
    LoopbackTimeline timeline(*stream.mix.Get(), format_.Format,
                              [this](const void* data, uint32_t bytes) { return sink_.Write(data, bytes); });
    opened_ = timeline.Usable() ? stream.client->Start() : AUDCLNT_E_UNSUPPORTED_FORMAT;
    SetEvent(openedEvent_.Get());
    if (SUCCEEDED(opened_)) Capture(*stream.client.Get(), *stream.capture.Get(), timeline);
    if (sink_.Ended() != TakeEndCause::None && notify_) PostMessageW(notify_, message_, 0, 0);
}

void LoopbackCapture::Capture(IAudioClient& client, IAudioCaptureClient& capture, LoopbackTimeline& timeline) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ClientPackets packets(&capture);
    while (WaitForSingleObject(stopEvent_.Get(), kPumpMs) == WAIT_TIMEOUT) {
        HRESULT hr = timeline.Pump(packets, Elapsed100ns(start));
        // The output went (unplugged, switched off, the audio service ended).
        if (FAILED(hr)) sink_.EndBy(TakeEndCause::InputLost);
        if (hr != S_OK) break;
    }
    client.Stop();
    if (sink_.Ended() != TakeEndCause::None) return;
    // What was played up to the stop, and silence to the stop itself.
    timeline.Pump(packets, 0);
    timeline.Finish(Elapsed100ns(start));
}

}  // namespace orvo
