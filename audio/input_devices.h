// The inputs a take can come from: the system's default, one wave-in device
// by the name the system gives it, or what the computer itself plays.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace orvo {

struct InputDevice {
    UINT id = 0;
    std::wstring name;
};

// Every wave-in device, in the system's order, read afresh.
std::vector<InputDevice> ListInputDevices();
// The device of that name, if it is there.
std::optional<InputDevice> FindInputDevice(const std::vector<InputDevice>& devices, const std::wstring& name);
// A device that records the output mix rather than a microphone, known by
// its name: 立体声混音, Stereo Mix, What U Hear, "Monitor of …", loopback.
bool CarriesOutputMix(const std::wstring& name);
std::optional<InputDevice> FindOutputMixDevice(const std::vector<InputDevice>& devices);

struct InputSource {
    enum class Kind { Default, Device, ComputerSound } kind = Kind::Default;
    std::wstring device;  // Kind::Device: its name

    bool operator==(const InputSource& o) const { return kind == o.kind && device == o.device; }
};

// The source as the user's setting stores it ("default", "device:NAME",
// "computer"), and back; anything else reads as the default.
std::wstring SourceSettingText(const InputSource& source);
InputSource SourceFromSettingText(const std::wstring& text);

}  // namespace orvo
