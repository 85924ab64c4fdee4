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

namespace orvo::test {

// The host's name for a Windows path (empty when there is none).
std::string HostPath(const std::wstring& path);
// Decodes an MP3 (with mpg123) or FLAC (with flac) file into a WAV file with
// the host's own decoders, the check independent of the program's encoders.
bool DecodeOnHost(const std::wstring& encoded, const std::wstring& wav);

}  // namespace orvo::test
