// What takes record from: the 录音来源 submenu of 设置, the user's remembered
// choice, and the choice put to the wave-audio device before each take.
#include <memory>
#include <optional>

#include "audio/loopback_capture.h"
#include "base/failure.h"
#include "base/user_settings.h"
#include "recorder/main_window/frm_main.h"
#include "recorder/resource.h"
#include "win/report.h"
#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kSourceSetting[] = L"InputSource";
constexpr wchar_t kDefaultName[] = L"默认设备";
constexpr wchar_t kComputerName[] = L"计算机播放的声音（内录）";
constexpr size_t kMaxMenuDevices = IDM_SOURCE_DEVICE_LAST - IDM_SOURCE_DEVICE + 1;

// Where a source records from now: a wave-in device, or the loopback
// stream; nothing when it is not there.
struct Resolved {
    UINT input = 0;
    bool loopback = false;
    std::wstring label;  // for the file line; empty: the default device
};

std::optional<Resolved> Resolve(const InputSource& source) {
    switch (source.kind) {
        case InputSource::Kind::Default: return Resolved{};
        case InputSource::Kind::Device: {
            auto device = FindInputDevice(ListInputDevices(), source.device);
            if (!device) return std::nullopt;
            return Resolved{device->id, false, device->name};
        }
        case InputSource::Kind::ComputerSound: {
            if (SUCCEEDED(LoopbackCapture::Probe())) return Resolved{0, true, L"计算机播放的声音"};
            // No loopback (an old system, a driver or a Wine that refuses
            // it): a device that carries the output mix does the same.
            auto mix = FindOutputMixDevice(ListInputDevices());
            if (!mix) return std::nullopt;
            return Resolved{mix->id, false, L"计算机播放的声音（" + mix->name + L"）"};
        }
    }
    return std::nullopt;
}

std::wstring SourceName(const InputSource& source) {
    switch (source.kind) {
        case InputSource::Kind::Device: return source.device;
        case InputSource::Kind::ComputerSound: return kComputerName;
        case InputSource::Kind::Default: break;
    }
    return kDefaultName;
}

std::wstring MissingText(const InputSource& source) {
    if (source.kind == InputSource::Kind::ComputerSound)
        return L"这台计算机现在不能录下播放的声音，本次使用默认设备录音。";
    return L"找不到录音设备“" + source.device + L"”，本次使用默认设备录音。";
}

// A menu shows "&" as the mark of a key; a device name means it as itself.
std::wstring MenuText(const std::wstring& name) {
    std::wstring text;
    for (wchar_t c : name) {
        if (c == L'&') text += L'&';
        text += c;
    }
    return text;
}

}  // namespace

void FrmMain::BuildSourceMenu(HMENU settings) {
    mnuSource_ = menu_->AddSubmenu(settings, L"录音来源(&I)");
    OnCommand(IDM_SOURCE_DEFAULT, [this] { Reported(&FrmMain::mnuSourceDefault_Click); });
    OnCommand(IDM_SOURCE_COMPUTER, [this] { Reported(&FrmMain::mnuSourceComputer_Click); });
    for (size_t i = 0; i < kMaxMenuDevices; ++i)
        OnCommand(static_cast<UINT>(IDM_SOURCE_DEVICE + i),
                  [this, i] { TrapAndReport(Hwnd(), kProgramTitle, [&] { mnuSourceDevice_Click(i); }); });
}

void FrmMain::mnuSource_Popup() {
    while (GetMenuItemCount(mnuSource_) > 0) DeleteMenu(mnuSource_, 0, MF_BYPOSITION);
    menuDevices_.clear();
    // The position of the chosen source's item; none when it is not there.
    std::optional<UINT> checked;
    AppendMenuW(mnuSource_, MF_STRING, IDM_SOURCE_DEFAULT, L"默认设备(&D)");
    if (source_.kind == InputSource::Kind::Default) checked = 0;
    for (const InputDevice& d : ListInputDevices()) {
        if (menuDevices_.size() == kMaxMenuDevices) break;
        menuDevices_.push_back(d.name);
        AppendMenuW(mnuSource_, MF_STRING, static_cast<UINT>(IDM_SOURCE_DEVICE + menuDevices_.size() - 1),
                    MenuText(d.name).c_str());
        if (source_.kind == InputSource::Kind::Device && source_.device == d.name)
            checked = static_cast<UINT>(menuDevices_.size());
    }
    const auto last = static_cast<UINT>(menuDevices_.size() + 1);
    AppendMenuW(mnuSource_, MF_STRING, IDM_SOURCE_COMPUTER, L"计算机播放的声音（内录）(&C)");
    if (source_.kind == InputSource::Kind::ComputerSound) checked = last;
    if (checked) CheckMenuRadioItem(mnuSource_, 0, last, *checked, MF_BYPOSITION);
}

void FrmMain::mnuSourceDefault_Click() { ChooseSource({}); }

void FrmMain::mnuSourceDevice_Click(size_t index) {
    if (index < menuDevices_.size()) ChooseSource({InputSource::Kind::Device, menuDevices_[index]});
}

void FrmMain::mnuSourceComputer_Click() { ChooseSource({InputSource::Kind::ComputerSound, {}}); }

bool FrmMain::ChooseSource(const InputSource& source) {
    if (!Resolve(source)) {
        std::wstring why = source.kind == InputSource::Kind::ComputerSound
                               ? L"无法录下计算机播放的声音：系统不支持内录，也没有找到“立体声混音”一类的录音设备。"
                               : L"找不到录音设备“" + source.device + L"”。";
        ShowMessage(Hwnd(), why + L"录音来源仍为“" + SourceName(source_) + L"”。", kProgramTitle,
                    MB_OK | MB_ICONINFORMATION);
        return false;
    }
    source_ = source;
    missingTold_.clear();
    WriteUserSetting(kSourceSetting, SourceSettingText(source_));
    return true;
}

void FrmMain::LoadInputSource() {
    source_ = SourceFromSettingText(ReadUserSetting(kSourceSetting));
    UseInputSource();
}

void FrmMain::UseInputSource() { UseSource(source_, nullptr); }

void FrmMain::UseSource(const InputSource& source, std::wstring* missing) {
    std::optional<Resolved> r = Resolve(source);
    const std::wstring setting = SourceSettingText(source);
    if (!r) {
        if (missing)
            *missing = MissingText(source);
        else if (missingTold_ != setting)
            ShowMessage(Hwnd(), MissingText(source), kProgramTitle, MB_OK | MB_ICONINFORMATION);
        if (!missing) missingTold_ = setting;
        r = Resolved{};
    } else if (!missing) {
        missingTold_.clear();
    }
    sourceLabel_ = r->label;
    if (r->loopback)
        MMCRecord.SetCaptureMaker([] { return std::make_unique<LoopbackCapture>(); });
    else
        MMCRecord.SetCaptureMaker({});
    MCI_WAVE_SET_PARMS parms{};
    parms.wInput = r->input;
    // No device to point at (no sound card): the take says so itself.
    if (MMCRecord.DeviceID() && waveInGetNumDevs() > 0)
        WaveSendCommand(MMCRecord.DeviceID(), MCI_SET, MCI_WAVE_INPUT, reinterpret_cast<DWORD_PTR>(&parms));
}

}  // namespace orvo::recorder
