#include "audio/input_devices.h"

#include <mmsystem.h>

#include <cwctype>

namespace orvo {
namespace {

constexpr wchar_t kDevicePrefix[] = L"device:";

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

}  // namespace

std::vector<InputDevice> ListInputDevices() {
    std::vector<InputDevice> devices;
    UINT n = waveInGetNumDevs();
    for (UINT i = 0; i < n; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR) devices.push_back({i, caps.szPname});
    }
    return devices;
}

std::optional<InputDevice> FindInputDevice(const std::vector<InputDevice>& devices, const std::wstring& name) {
    for (const InputDevice& d : devices)
        if (d.name == name) return d;
    return std::nullopt;
}

bool CarriesOutputMix(const std::wstring& name) {
    const std::wstring lower = Lower(name);
    for (const wchar_t* word : {L"立体声混音", L"stereo mix", L"what u hear", L"monitor", L"loopback"})
        if (lower.find(word) != std::wstring::npos) return true;
    return false;
}

std::optional<InputDevice> FindOutputMixDevice(const std::vector<InputDevice>& devices) {
    for (const InputDevice& d : devices)
        if (CarriesOutputMix(d.name)) return d;
    return std::nullopt;
}

std::wstring SourceSettingText(const InputSource& source) {
    switch (source.kind) {
        case InputSource::Kind::Device: return kDevicePrefix + source.device;
        case InputSource::Kind::ComputerSound: return L"computer";
        case InputSource::Kind::Default: break;
    }
    return L"default";
}

InputSource SourceFromSettingText(const std::wstring& text) {
    if (text == L"computer") return {InputSource::Kind::ComputerSound, {}};
    const std::wstring prefix = kDevicePrefix;
    if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0)
        return {InputSource::Kind::Device, text.substr(prefix.size())};
    return {};
}

}  // namespace orvo
