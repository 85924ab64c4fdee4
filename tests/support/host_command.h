// Runs a command of the machine the tests run on (under Wine, a Linux
// program such as pactl), to change the test set-up from inside a test: mute
// the virtual microphone, turn it up until it clips.
#pragma once
#include <string>
#include <vector>

namespace orvo::test {

// True when the host can run commands (the tests run under Wine).
bool HostCommandsAvailable();
// Runs argv[0] with the arguments and waits for it; true when it exited 0.
bool RunHostCommand(const std::vector<std::string>& argv);

}  // namespace orvo::test
