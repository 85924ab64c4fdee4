#include "recorder/volume/cls_volume.h"

#include <cstring>
#include <string>

#include "win/ui_seam.h"

namespace orvo::recorder {
namespace {

// The mixer only answers for a control it has described to us; an identifier
// of a control that was never found (0) belongs to some other control, and
// writing to it would move that control instead.
bool WasFound(const MixerControlRecord& control) { return control.dwControlType != 0; }

// Converts to the ANSI code page into a fixed narrow field, dropping whole
// characters from the end until the result fits beside its NUL.
template <size_t M, size_t N>
void CopyNarrow(const wchar_t (&wide)[M], char (&field)[N]) {
    std::memset(field, 0, N);
    int length = static_cast<int>(wcsnlen(wide, M));
    while (length > 0) {
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
        if (bytes > 0 && bytes < static_cast<int>(N)) {
            WideCharToMultiByte(CP_ACP, 0, wide, length, field, bytes, nullptr, nullptr);
            return;
        }
        --length;
        // Never leave half of a surrogate pair at the end.
        if (length > 0 && IS_HIGH_SURROGATE(wide[length - 1])) --length;
    }
}

}  // namespace

MixerControlRecord RecordFromMixerControl(const MIXERCONTROLW& control) {
    MixerControlRecord record{};
    record.cbStruct = sizeof(MixerControlRecord);
    record.dwControlID = control.dwControlID;
    record.dwControlType = control.dwControlType;
    record.fdwControl = control.fdwControl;
    record.cMultipleItems = control.cMultipleItems;
    CopyNarrow(control.szShortName, record.szShortName);
    CopyNarrow(control.szName, record.szName);
    record.lMinimum = control.Bounds.lMinimum;
    record.lMaximum = control.Bounds.lMaximum;
    // After the two bounds the system's record carries four more bound words
    // and six metric words; the program's eleventh reserved word stays 0.
    std::memcpy(&record.dwReserved[0], &control.Bounds.dwReserved[2], 4 * sizeof(DWORD));
    std::memcpy(&record.dwReserved[4], &control.Metrics.dwReserved[0], 6 * sizeof(DWORD));
    return record;
}

void clsVolume::meOpenMixer() {
    // A second call replaces (and closes) the handle of the first.
    hMixer.Reset();
    HMIXER opened = nullptr;
    lMixerErr = static_cast<int32_t>(mixerOpen(&opened, 0, 0, 0, 0));
    if (lMixerErr != MMSYSERR_NOERROR) {
        ShowMessage(nullptr, L"Could not open the mixer.", L"Volume Control", MB_OK | MB_ICONHAND);
        return;
    }
    hMixer.Reset(opened);
    if (meFindVolumeControl(hMixer.Get(), MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME,
                            mxcSpeaker)) {
        lSpeakerMax = mxcSpeaker.lMaximum;
        lSpeakerMin = mxcSpeaker.lMinimum;
    }
    if (meFindVolumeControl(hMixer.Get(), MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERCONTROL_CONTROLTYPE_VOLUME,
                            mxcMic)) {
        lMicMax = mxcMic.lMaximum;
        lMicMin = mxcMic.lMinimum;
    }
}

void clsVolume::prSpeakerVolume(int32_t value) {
    lSpeakerVolume = value;
    if (WasFound(mxcSpeaker)) meSetControlValue(hMixer.Get(), mxcSpeaker, value);
}

void clsVolume::prMicVolume(int32_t value) {
    lMicVolume = value;
    if (WasFound(mxcMic)) meSetControlValue(hMixer.Get(), mxcMic, value);
}

bool clsVolume::meFindVolumeControl(HMIXER mixer, uint32_t componentType, uint32_t controlType,
                                    MixerControlRecord& record) {
    // The first line of that component type, wherever it sits.
    MIXERLINEW line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = componentType;
    if (mixerGetLineInfoW(reinterpret_cast<HMIXEROBJ>(mixer), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR) {
        return false;
    }

    // The wide call wants room for the system's wide record; a block of the
    // narrow record's size is refused.
    ScopedHGlobal block(GlobalAlloc(GMEM_ZEROINIT, sizeof(MIXERCONTROLW)));
    if (!block) return false;
    GlobalLockGuard<MIXERCONTROLW> control(block.Get());
    if (!control.Get()) return false;

    MIXERLINECONTROLSW query{};
    query.cbStruct = sizeof(query);
    query.dwLineID = line.dwLineID;
    query.dwControlType = controlType;
    query.cControls = 1;
    query.cbmxctrl = sizeof(MIXERCONTROLW);
    query.pamxctrl = control.Get();

    record.cbStruct = sizeof(MixerControlRecord);
    if (mixerGetLineControlsW(reinterpret_cast<HMIXEROBJ>(mixer), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR) {
        return false;
    }
    record = RecordFromMixerControl(*control.Get());
    return true;
}

bool clsVolume::meSetControlValue(HMIXER mixer, const MixerControlRecord& control, int32_t value) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;  // one value for every channel of the control
    details.cMultipleItems = 0;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);

    hValueBlock.Reset(GlobalAlloc(GMEM_ZEROINIT, sizeof(MIXERCONTROLDETAILS_UNSIGNED)));
    if (!hValueBlock) return false;
    MMRESULT result = MMSYSERR_NOMEM;
    {
        GlobalLockGuard<MIXERCONTROLDETAILS_UNSIGNED> block(hValueBlock.Get());
        if (block.Get()) {
            // Passed as it is: no clamping to the control's range, no scaling.
            std::memcpy(block.Get(), &value, sizeof(value));
            details.paDetails = block.Get();
            result = mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer), &details,
                                            MIXER_SETCONTROLDETAILSF_VALUE);
        }
    }
    hValueBlock.Reset();
    return result == MMSYSERR_NOERROR;
}

}  // namespace orvo::recorder
