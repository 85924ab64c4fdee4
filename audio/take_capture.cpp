#include "audio/take_capture.h"

#include <cwchar>

namespace orvo {

void TakeSink::Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes) {
    store_ = &store;
    fileOffset_ = fileOffset;
    blockAlign_ = format.nBlockAlign ? format.nBlockAlign : 1;
    maxBytes_ = maxBytes - maxBytes % blockAlign_;
    recorded_ = 0;
    end_ = TakeEndCause::None;
    writeError_ = 0;
    missed_ = 0;
    bytesPerSecond_ = format.nAvgBytesPerSec;
    levels_.Start(format);
}

void TakeSink::NoteMissed(uint64_t bytes, uint64_t at) {
    bytes -= bytes % blockAlign_;
    if (bytes == 0) return;
    missed_ += bytes;
    const double seconds = bytesPerSecond_ ? static_cast<double>(bytes) / bytesPerSecond_ : 0;
    wchar_t name[48];
    swprintf(name, 48, L"缺失 %.1f秒", seconds);
    store_->AddMark({at / blockAlign_, name}, true);
}

void TakeSink::EndBy(TakeEndCause why) {
    TakeEndCause none = TakeEndCause::None;
    end_.compare_exchange_strong(none, why);
}

bool TakeSink::Write(const void* data, uint32_t bytes) {
    uint32_t n = bytes - bytes % blockAlign_;
    TakeEndCause end = end_.load();
    if (end == TakeEndCause::WriteFailed || end == TakeEndCause::LimitReached) return false;
    if (n == 0) return true;
    uint64_t done = recorded_.load();
    if (done + n >= maxBytes_) {
        n = static_cast<uint32_t>(maxBytes_ - done);
        EndBy(TakeEndCause::LimitReached);
    }
    if (n == 0) return false;
    if (!store_->WriteFileAt(fileOffset_ + done, data, n)) {
        // The disk is full: keep what is written, report it.
        writeError_ = GetLastError();
        end_ = TakeEndCause::WriteFailed;
        return false;
    }
    recorded_.store(done + n);
    levels_.Feed(data, n);
    store_->TakeWritten(done + n);
    return end_.load() == TakeEndCause::None || end_.load() == TakeEndCause::InputLost;
}

}  // namespace orvo
