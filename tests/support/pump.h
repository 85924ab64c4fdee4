// Helpers for tests that drive real windows, timers and device callbacks.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>

namespace orvo::test {

// Dispatches this thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);
// Dispatches messages until done() is true or the time runs out; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds);
// Presses the keys in order and lets them go in reverse, as a person does,
// through the system's input queue.
void PressChord(std::initializer_list<WORD> keys);

}  // namespace orvo::test
