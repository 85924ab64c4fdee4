// Keeps the system from sleeping while its owner lives: a timed recording
// that waits or records must not find the machine asleep at its start.
// The request belongs to the thread that made it, so the owner lives and
// dies on one thread.
#pragma once
#include <windows.h>

namespace orvo::recorder {

class KeepAwake {
public:
    KeepAwake() { SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED); }
    ~KeepAwake() { SetThreadExecutionState(ES_CONTINUOUS); }
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;
};

}  // namespace orvo::recorder
