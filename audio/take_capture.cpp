#include "audio/take_capture.h"

namespace orvo {

void TakeSink::Start(const WAVEFORMATEX& format, WaveStore& store, uint64_t fileOffset, uint64_t maxBytes) {
    store_ = &store;
    fileOffset_ = fileOffset;
    blockAlign_ = format.nBlockAlign ? format.nBlockAlign : 1;
    maxBytes_ = maxBytes - maxBytes % blockAlign_;
    recorded_ = 0;
    end_ = TakeEndCause::None;
    writeError_ = 0;
    levels_.Start(format);
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
