// The speaker and microphone levels, written through the system audio mixer.
// The class only writes: it never reads a level back from the mixer.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>

#include "base/scoped.h"

namespace orvo::recorder {

// The program's own description of one mixer control, in the narrow-character
// layout with eleven reserved words after the bounds (the system's record has
// ten). The wide record the mixer fills is copied into it field by field.
struct MixerControlRecord {
    uint32_t cbStruct;
    uint32_t dwControlID;
    uint32_t dwControlType;
    uint32_t fdwControl;
    uint32_t cMultipleItems;
    char szShortName[16];
    char szName[64];
    int32_t lMinimum;
    int32_t lMaximum;
    uint32_t dwReserved[11];
};
static_assert(sizeof(MixerControlRecord) == 152, "the control record is 152 bytes");
static_assert(offsetof(MixerControlRecord, dwControlID) == 4, "control record layout");
static_assert(offsetof(MixerControlRecord, dwControlType) == 8, "control record layout");
static_assert(offsetof(MixerControlRecord, fdwControl) == 12, "control record layout");
static_assert(offsetof(MixerControlRecord, cMultipleItems) == 16, "control record layout");
static_assert(offsetof(MixerControlRecord, szShortName) == 20, "control record layout");
static_assert(offsetof(MixerControlRecord, szName) == 36, "control record layout");
static_assert(offsetof(MixerControlRecord, lMinimum) == 100, "control record layout");
static_assert(offsetof(MixerControlRecord, lMaximum) == 104, "control record layout");
static_assert(offsetof(MixerControlRecord, dwReserved) == 108, "control record layout");

// Copies the mixer's wide control description into the program's record.
// Names are converted to the ANSI code page and cut, on a character boundary,
// to fit their fields with a terminating NUL.
MixerControlRecord RecordFromMixerControl(const MIXERCONTROLW& control);

class clsVolume {
public:
    clsVolume() = default;
    clsVolume(const clsVolume&) = delete;
    clsVolume& operator=(const clsVolume&) = delete;

    // Opens mixer 0 and looks up the speaker and microphone volume controls.
    // A mixer that cannot be opened is reported once, in a message box.
    void meOpenMixer();

    int32_t prMixerErr() const { return lMixerErr; }
    int32_t prSpeakerMinVolume() const { return lSpeakerMin; }
    int32_t prSpeakerMaxVolume() const { return lSpeakerMax; }
    int32_t prSpeakerVolume() const { return lSpeakerVolume; }
    // Stores the value and writes it, unchanged, to the speaker volume control.
    void prSpeakerVolume(int32_t value);
    int32_t prMicMinVolume() const { return lMicMin; }
    int32_t prMicMaxVolume() const { return lMicMax; }
    int32_t prMicVolume() const { return lMicVolume; }
    // Stores the value and writes it, unchanged, to the microphone volume control.
    void prMicVolume(int32_t value);

    // The control descriptions found by meOpenMixer (all zero when not found).
    const MixerControlRecord& SpeakerControl() const { return mxcSpeaker; }
    const MixerControlRecord& MicControl() const { return mxcMic; }

private:
    bool meFindVolumeControl(HMIXER mixer, uint32_t componentType, uint32_t controlType,
                             MixerControlRecord& record);
    bool meSetControlValue(HMIXER mixer, const MixerControlRecord& control, int32_t value);

    ScopedHGlobal hValueBlock;  // only ever held during a write
    ScopedMixer hMixer;         // open for the life of the object
    MixerControlRecord mxcSpeaker{};
    MixerControlRecord mxcMic{};
    int32_t lMicVolume = 0;
    int32_t lMicMax = 0;
    int32_t lMicMin = 0;
    int32_t lSpeakerVolume = 0;
    int32_t lSpeakerMax = 0;
    int32_t lSpeakerMin = 0;
    int32_t lMixerErr = 0;
};

}  // namespace orvo::recorder
