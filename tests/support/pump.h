// Helpers for tests that drive real windows, timers and device callbacks.
#pragma once
#include <windows.h>

#include <functional>

namespace orvo::test {

// Dispatches this thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);
// Dispatches messages until done() is true or the time runs out; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds);

}  // namespace orvo::test
