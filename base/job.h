// What a long job (a save, a conversion) is given by whoever runs it: where
// to report progress and a flag that asks it to stop. Either may be absent.
#pragma once
#include <atomic>
#include <functional>

namespace orvo {

struct JobControl {
    // Called now and then with the share done so far, 0 to 1. Any thread.
    std::function<void(double)> progress;
    // Raised from another thread to stop the job.
    const std::atomic<bool>* cancel = nullptr;

    void Report(double share) const {
        if (progress) progress(share);
    }
    bool Cancelled() const { return cancel && cancel->load(); }
};

}  // namespace orvo
