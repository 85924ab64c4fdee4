#include "audio/wave_transport.h"

#include <algorithm>
#include <utility>

namespace orvo {
namespace {

// Buffers of a tenth of a second: the recorder has 6 s of them queued, so
// a disk that stalls for seconds (a flush behind other programs' writes)
// does not drop sound; the player keeps 0.6 s ahead.
constexpr size_t kRecordBuffers = 60;
constexpr size_t kPlayBuffers = 6;

DWORD BufferBytes(const WAVEFORMATEX& f) {
    DWORD bytes = f.nAvgBytesPerSec / 10;
    bytes -= bytes % f.nBlockAlign;
    return std::max<DWORD>(bytes, f.nBlockAlign);
}

// After a reset the driver hands back the buffers; give it a moment to do so
// before they are unprepared and freed.
template <typename Done>
void WaitForBuffers(Done done) {
    for (int i = 0; i < 100 && !done(); ++i) Sleep(10);
}

bool AnyQueued(const std::vector<WAVEHDR>& headers, size_t prepared) {
    for (size_t i = 0; i < prepared; ++i)
        if (headers[i].dwFlags & WHDR_INQUEUE) return true;
    return false;
}

// A reset that timed out leaves buffers with the driver, which may still
// fill or read them: they and their headers are kept to the process's end
// rather than freed under it. Moving the vectors keeps every address.
void AbandonToDriver(std::vector<std::vector<char>>& memory, std::vector<WAVEHDR>& headers) {
    using Kept = std::pair<std::vector<std::vector<char>>, std::vector<WAVEHDR>>;
    (void)new Kept(std::move(memory), std::move(headers));
    memory.clear();
    headers.clear();
}

}  // namespace

template <class Device>
bool WaveBufferRing<Device>::MakeEvents() {
    bufferEvent_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    stopEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return bufferEvent_ && stopEvent_;
}

template <class Device>
void WaveBufferRing<Device>::StopWorker() {
    if (worker_.joinable()) {
        SetEvent(stopEvent_.Get());
        worker_.join();
    }
}

namespace {
MMRESULT ResetDevice(HWAVEIN h) { return waveInReset(h); }
MMRESULT ResetDevice(HWAVEOUT h) { return waveOutReset(h); }
MMRESULT Unprepare(HWAVEIN h, WAVEHDR& hdr) { return waveInUnprepareHeader(h, &hdr, sizeof(WAVEHDR)); }
MMRESULT Unprepare(HWAVEOUT h, WAVEHDR& hdr) { return waveOutUnprepareHeader(h, &hdr, sizeof(WAVEHDR)); }
}  // namespace

template <class Device>
void WaveBufferRing<Device>::MakeBuffers(size_t count, DWORD bytes) {
    memory_.assign(count, std::vector<char>(bytes));
    headers_.assign(count, WAVEHDR{});
    for (size_t i = 0; i < count; ++i) {
        headers_[i].lpData = memory_[i].data();
        headers_[i].dwBufferLength = bytes;
    }
    prepared_ = next_ = outstanding_ = 0;
}

template <class Device>
void WaveBufferRing<Device>::ReleaseBuffers() {
    if (device_) {
        ResetDevice(device_.Get());
        WaitForBuffers([this] { return !AnyQueued(headers_, prepared_); });
        if (AnyQueued(headers_, prepared_)) {
            AbandonToDriver(memory_, headers_);
            (void)device_.Detach();  // it cannot close with buffers queued
        } else {
            for (size_t i = 0; i < prepared_; ++i) Unprepare(device_.Get(), headers_[i]);
        }
    }
    prepared_ = outstanding_ = 0;
    device_.Reset();
    headers_.clear();
    memory_.clear();
}

template class WaveBufferRing<ScopedWaveIn>;
template class WaveBufferRing<ScopedWaveOut>;

namespace {
MCIERROR OpenErrorToMci(MMRESULT r, bool input) {
    switch (r) {
    case MMSYSERR_NOERROR: return 0;
    case MMSYSERR_BADDEVICEID:
    case MMSYSERR_NODRIVER: return input ? MCIERR_WAVE_INPUTSUNSUITABLE : MCIERR_WAVE_OUTPUTSUNSUITABLE;
    case WAVERR_BADFORMAT: return input ? MCIERR_WAVE_SETINPUTUNSUITABLE : MCIERR_WAVE_SETOUTPUTUNSUITABLE;
    case MMSYSERR_ALLOCATED: return input ? MCIERR_WAVE_INPUTSINUSE : MCIERR_WAVE_OUTPUTSINUSE;
    case MMSYSERR_NOMEM: return MCIERR_OUT_OF_MEMORY;
    default: return MCIERR_HARDWARE;
    }
}
}  // namespace

MCIERROR WaveInErrorToMci(MMRESULT r) { return OpenErrorToMci(r, true); }
MCIERROR WaveOutErrorToMci(MMRESULT r) { return OpenErrorToMci(r, false); }

// ---- recording ----

WaveRecorder::~WaveRecorder() { Stop(); }

MCIERROR WaveRecorder::Start(UINT device, const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset,
                             uint64_t maxBytes, HWND notify, UINT message) {
    Stop();
    notify_ = notify;
    message_ = message;
    sink_.Start(format, store, fileOffset, maxBytes, rules_);
    if (!MakeEvents()) return MCIERR_OUT_OF_MEMORY;
    MMRESULT r = waveInOpen(device_.Put(), device, const_cast<WAVEFORMATEX*>(&format),
                            BufferCallback(), 0, CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        device_.Detach();  // nothing was opened
        return WaveInErrorToMci(r);
    }
    MakeBuffers(kRecordBuffers, BufferBytes(format));
    for (size_t i = 0; i < kRecordBuffers; ++i) {
        WAVEHDR& h = headers_[i];
        if (waveInPrepareHeader(device_.Get(), &h, sizeof(h)) != MMSYSERR_NOERROR) break;
        ++prepared_;
        if (waveInAddBuffer(device_.Get(), &h, sizeof(h)) != MMSYSERR_NOERROR) break;
        ++outstanding_;
    }
    if (outstanding_ < kRecordBuffers || waveInStart(device_.Get()) != MMSYSERR_NOERROR) {
        Release();
        return MCIERR_HARDWARE;
    }
    try {
        worker_ = std::thread(&WaveRecorder::Run, this);
    } catch (...) {
        Release();
        return MCIERR_OUT_OF_MEMORY;
    }
    return 0;
}

void WaveRecorder::Stop() {
    StopWorker();
    Release();
}

void WaveRecorder::Run() noexcept {
    HANDLE waits[2] = {stopEvent_.Get(), bufferEvent_.Get()};
    ULONGLONG lastSound = GetTickCount64();
    while (Ended() == End::None) {
        // Woken now and then even without buffers, to notice input that
        // has gone quiet (a device unplugged, a sound server gone).
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, 250);
        if (w == WAIT_OBJECT_0 + 1) {
            if (Drain(true)) lastSound = GetTickCount64();
        } else if (w != WAIT_TIMEOUT) {
            break;
        }
        if (Ended() == End::None && GetTickCount64() - lastSound > kInputLostAfterMs) sink_.EndBy(End::InputLost);
    }
    // Stop hands back the buffer being filled with what it holds; reset hands
    // back the empty rest.
    waveInStop(device_.Get());
    Drain(false);
    waveInReset(device_.Get());
    WaitForBuffers([this] {
        Drain(false);
        return outstanding_ == 0;
    });
    if (Ended() != End::None && notify_) PostMessageW(notify_, message_, 0, 0);
}

bool WaveRecorder::Drain(bool requeue) {
    bool sound = false;
    while (outstanding_ > 0) {
        WAVEHDR& h = headers_[next_];
        if (!(h.dwFlags & WHDR_DONE)) break;
        sound |= h.dwBytesRecorded >= sink_.BlockAlign();
        sink_.Write(h.lpData, h.dwBytesRecorded);
        h.dwFlags &= ~WHDR_DONE;
        h.dwBytesRecorded = 0;
        if (!requeue || waveInAddBuffer(device_.Get(), &h, sizeof(h)) != MMSYSERR_NOERROR) {
            if (requeue) sink_.EndBy(End::InputLost);
            --outstanding_;
        }
        next_ = (next_ + 1) % headers_.size();
    }
    return sound;
}

void WaveRecorder::Release() { ReleaseBuffers(); }

// ---- playback ----

WavePlayer::~WavePlayer() { Stop(); }

MCIERROR WavePlayer::Start(UINT device, const WAVEFORMATEX& format, const WaveStore& store, uint64_t from,
                           uint64_t to, HWND notify, UINT message) {
    Stop();
    store_ = &store;
    from_ = readPos_ = from;
    to_ = to;
    queued_ = 0;
    blockAlign_ = outputAlign_ = format.nBlockAlign;
    notify_ = notify;
    message_ = message;
    played_ = 0;
    finished_ = false;
    converter_.reset();
    if (!MakeEvents()) return MCIERR_OUT_OF_MEMORY;
    MMRESULT r = OpenOutput(device, format);
    if (r != MMSYSERR_NOERROR) return WaveOutErrorToMci(r);
    // The meter measures what the output is given.
    levels_.Start(converter_ ? converter_->Target() : format);
    bufferFrames_ = BufferBytes(format) / blockAlign_;
    if (converter_) scratch_.assign(static_cast<size_t>(bufferFrames_) * blockAlign_, 0);
    MCIERROR e = QueueBuffers(bufferFrames_ * outputAlign_);
    if (e) {
        Release();
        return e;
    }
    try {
        worker_ = std::thread(&WavePlayer::Run, this);
    } catch (...) {
        Release();
        return MCIERR_OUT_OF_MEMORY;
    }
    return 0;
}

MMRESULT WavePlayer::OpenOutput(UINT device, const WAVEFORMATEX& format) {
    const auto event = BufferCallback();
    MMRESULT r = waveOutOpen(device_.Put(), device, const_cast<WAVEFORMATEX*>(&format), event, 0, CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) device_.Detach();
    if (r == WAVERR_BADFORMAT || r == MMSYSERR_INVALPARAM || r == MMSYSERR_NOTSUPPORTED) {
        // Any output plays 16-bit PCM in stereo or mono.
        converter_ = std::make_unique<SampleConverter>(format);
        WAVEFORMATEX plain = converter_->Target();
        outputAlign_ = plain.nBlockAlign;
        r = waveOutOpen(device_.Put(), device, &plain, event, 0, CALLBACK_EVENT);
        if (r != MMSYSERR_NOERROR) device_.Detach();
    }
    if (r != MMSYSERR_NOERROR) converter_.reset();
    return r;
}

MCIERROR WavePlayer::QueueBuffers(DWORD bytes) {
    MakeBuffers(kPlayBuffers, bytes);
    for (size_t i = 0; i < kPlayBuffers; ++i) {
        WAVEHDR& h = headers_[i];
        if (waveOutPrepareHeader(device_.Get(), &h, sizeof(h)) != MMSYSERR_NOERROR) return MCIERR_HARDWARE;
        ++prepared_;
    }
    for (size_t i = 0; i < prepared_ && readPos_ < to_; ++i) {
        if (!Fill(headers_[i])) return MCIERR_FILE_READ;
        if (waveOutWrite(device_.Get(), &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return MCIERR_HARDWARE;
        ++outstanding_;
    }
    return 0;
}

bool WavePlayer::Fill(WAVEHDR& h) {
    DWORD frames = static_cast<DWORD>(std::min<uint64_t>(bufferFrames_, (to_ - readPos_) / blockAlign_));
    DWORD n = frames * blockAlign_;
    if (converter_) {
        if (!store_->ReadElement(readPos_, scratch_.data(), n)) return false;
        converter_->Convert(reinterpret_cast<const uint8_t*>(scratch_.data()), frames,
                            reinterpret_cast<uint8_t*>(h.lpData));
    } else if (!store_->ReadElement(readPos_, h.lpData, n)) {
        return false;
    }
    h.dwBufferLength = frames * outputAlign_;
    h.dwUser = n;  // element bytes behind the buffer
    h.dwFlags &= ~WHDR_DONE;
    readPos_ += n;
    queued_ += n;
    return true;
}

void WavePlayer::Run() noexcept {
    HANDLE waits[2] = {stopEvent_.Get(), bufferEvent_.Get()};
    while (outstanding_ > 0) {
        DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (w != WAIT_OBJECT_0 + 1) {
            // Stopped early: the device knows how far the sound got.
            MMTIME t{};
            t.wType = TIME_BYTES;
            if (waveOutGetPosition(device_.Get(), &t, sizeof(t)) == MMSYSERR_NOERROR && t.wType == TIME_BYTES) {
                uint64_t exact = std::min<uint64_t>(uint64_t(t.u.cb) / outputAlign_ * blockAlign_, queued_);
                if (exact > played_.load()) played_ = exact;
            }
            waveOutReset(device_.Get());
            return;
        }
        while (outstanding_ > 0) {
            WAVEHDR& h = headers_[next_];
            if (!(h.dwFlags & WHDR_DONE)) break;
            levels_.Feed(h.lpData, h.dwBufferLength);
            played_ += h.dwUser;
            --outstanding_;
            if (readPos_ < to_) {
                // A read error ends playback early rather than playing noise.
                if (Fill(h) && waveOutWrite(device_.Get(), &h, sizeof(h)) == MMSYSERR_NOERROR) ++outstanding_;
                else readPos_ = to_;
            }
            next_ = (next_ + 1) % headers_.size();
        }
    }
    // Everything queued has been played: the whole stretch, or after a read
    // error only what came before it.
    played_ = queued_;
    finished_ = true;
    if (notify_) PostMessageW(notify_, message_, 0, 0);
}

void WavePlayer::Stop() {
    StopWorker();
    Release();
}

void WavePlayer::Release() {
    ReleaseBuffers();
    scratch_.clear();
}

}  // namespace orvo
