#include "recorder/volume/sound_card_report.h"

#include <cstddef>
#include <cwchar>

namespace orvo::recorder {
namespace {

const wchar_t kCrLf[] = L"\r\n";

// The name column is always 32 characters wide.
std::wstring PaddedName(const std::wstring& name) {
    std::wstring padded = name;
    padded.resize(32, L' ');
    return padded;
}

// The channel count in two characters: a space or minus sign, then the
// digits, cut or padded on the right.
std::wstring ChannelText(int16_t channels) {
    int value = channels;
    std::wstring text = (value < 0 ? L"-" : L" ") + std::to_wstring(value < 0 ? -value : value);
    text.resize(2, L' ');
    return text;
}

}  // namespace

WaveOutDescription DescriptionFromCaps(const WAVEOUTCAPSW& caps) {
    WaveOutDescription d;
    d.wMid = static_cast<int16_t>(caps.wMid);
    d.wPid = static_cast<int16_t>(caps.wPid);
    d.vDriverVersion = static_cast<int32_t>(caps.vDriverVersion);
    d.szPname.assign(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN));
    d.dwFormats = caps.dwFormats;
    d.wChannels = static_cast<int16_t>(caps.wChannels);
    d.dwSupport = caps.dwSupport;
    return d;
}

bool QueryWaveOutDescription(UINT device, WaveOutDescription& description) {
    WAVEOUTCAPSW caps{};
    // Everything up to and including the low 16 bits of dwSupport, the same
    // cut the 50-byte request makes in the narrow record.
    const UINT size = offsetof(WAVEOUTCAPSW, dwSupport) + 2;
    if (waveOutGetDevCapsW(device, &caps, size) != MMSYSERR_NOERROR) return false;
    description = DescriptionFromCaps(caps);
    return true;
}

std::wstring GetFormatText(uint32_t bit) {
    switch (bit) {
        case WAVE_FORMAT_1M08: return L"11.025Khz,Mono,8bit,11Kb/Ps";
        case WAVE_FORMAT_1S08: return L"11.025Khz,Stereo,8bit,22Kb/Ps";
        case WAVE_FORMAT_1M16: return L"11.025Khz,Mono,16bit,22Kb/Ps";
        case WAVE_FORMAT_1S16: return L"11.025Khz,Stereo,16bit,43Kb/Ps";
        case WAVE_FORMAT_2M08: return L"22.05Khz,Mono,8bit,22Kb/Ps";
        case WAVE_FORMAT_2S08: return L"22.05Khz,Stereo,8bit,43Kb/Ps";
        case WAVE_FORMAT_2M16: return L"22.05Khz,Mono,16bit,43Kb/Ps";
        case WAVE_FORMAT_2S16: return L"22.05Khz,Stereo,16bit,86Kb/Ps";
        case WAVE_FORMAT_4M08: return L"44.1Khz,Mono,8bit,43Kb/Ps";
        case WAVE_FORMAT_4S08: return L"44.1Khz,Stereo,8bit,86Kb/Ps";
        case WAVE_FORMAT_4M16: return L"44.1Khz,Mono,16bit,86Kb/Ps";
        case WAVE_FORMAT_4S16: return L"44.1Khz,Stereo,16bit,172Kb/Ps";
        default: return {};
    }
}

std::wstring GetSupportText(uint32_t bit) {
    switch (bit) {
        case WAVECAPS_PITCH: return L"Support Pitch";
        case WAVECAPS_PLAYBACKRATE: return L"Support Playback";
        case WAVECAPS_VOLUME: return L"Support Volume Control";
        case WAVECAPS_LRVOLUME: return L"Support Left-Right Channals";
        case WAVECAPS_SYNC: return L"Support Synchronization";
        default: return {};
    }
}

std::wstring SoundCardHeader(bool found) {
    return std::wstring(L"测试结果 - ") + (found ? L"发现声卡！信息如下：" : L"没有发现声卡！") + kCrLf + kCrLf;
}

std::wstring SoundCardDetails(const WaveOutDescription& device) {
    std::wstring text;
    text += L"产品名称：" + PaddedName(device.szPname) + kCrLf;
    text += L"产品 Id：" + std::to_wstring(device.wPid) + kCrLf;
    text += L"驱动程序 Id：" + std::to_wstring(device.wMid) + kCrLf;
    // Truncating division: 0x0105 is version 1.5.
    text += L"驱动程序版本：" + std::to_wstring(device.vDriverVersion / 256) + L"." +
            std::to_wstring(device.vDriverVersion % 256) + kCrLf;
    text += L"输出声道：" + ChannelText(device.wChannels) + kCrLf;
    text += std::wstring(L"支持格式列表：") + kCrLf;
    // Only the twelve standard formats; higher bits are not listed.
    for (int i = 0; i <= 11; ++i) {
        uint32_t bit = 1u << i;
        if (device.dwFormats & bit) text += GetFormatText(bit) + kCrLf;
    }
    // The first function stands on the heading's own line.
    text += L"扩展输出功能列表：";
    for (int i = 0; i <= 4; ++i) {
        uint32_t bit = 1u << i;
        if (device.dwSupport & bit) text += GetSupportText(bit) + kCrLf;
    }
    return text;
}

}  // namespace orvo::recorder
