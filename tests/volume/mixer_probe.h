// Reads the mixer on a handle of its own, independent of the class under
// test, so tests can see what actually reached the mixer.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/scoped.h"

namespace orvo::test {

class MixerProbe {
public:
    MixerProbe() {
        HMIXER h = nullptr;
        if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return;
        mixer_.Reset(h);
        MIXERLINEW line{};
        line.cbStruct = sizeof(line);
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        if (mixerGetLineInfoW(Object(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE | MIXER_OBJECTF_HMIXER)) return;
        MIXERCONTROLW control{};
        MIXERLINECONTROLSW query{};
        query.cbStruct = sizeof(query);
        query.dwLineID = line.dwLineID;
        query.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
        query.cControls = 1;
        query.cbmxctrl = sizeof(control);
        query.pamxctrl = &control;
        if (mixerGetLineControlsW(Object(), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE | MIXER_OBJECTF_HMIXER)) return;
        speakerId_ = control.dwControlID;
        speakerFound_ = true;
    }

    bool SpeakerFound() const { return speakerFound_; }
    DWORD SpeakerControlId() const { return speakerId_; }

    DWORD SpeakerVolume() const {
        MIXERCONTROLDETAILS_UNSIGNED value{};
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof(details);
        details.dwControlID = speakerId_;
        details.cChannels = 1;
        details.cbDetails = sizeof(value);
        details.paDetails = &value;
        mixerGetControlDetailsW(Object(), &details, MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
        return value.dwValue;
    }

    void SetSpeakerVolume(DWORD v) {
        MIXERCONTROLDETAILS_UNSIGNED value{v};
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof(details);
        details.dwControlID = speakerId_;
        details.cChannels = 1;
        details.cbDetails = sizeof(value);
        details.paDetails = &value;
        mixerSetControlDetails(Object(), &details, MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
    }

private:
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(mixer_.Get()); }
    ScopedMixer mixer_;
    DWORD speakerId_ = 0;
    bool speakerFound_ = false;
};

// Puts the speaker level back as it was when the test began.
class SpeakerLevelRestorer {
public:
    SpeakerLevelRestorer() : saved_(probe_.SpeakerVolume()) {}
    ~SpeakerLevelRestorer() {
        if (probe_.SpeakerFound()) probe_.SetSpeakerVolume(saved_);
    }
    MixerProbe& Probe() { return probe_; }

private:
    MixerProbe probe_;
    DWORD saved_;
};

// The mixer keeps a level as a fraction of its range, and reading it back can
// come out one below what was written: the 32-bit Wine does so for about half
// of all values (the 64-bit one gives every value back). Anything else means
// the value written was not the one expected.
inline ::testing::AssertionResult MixerLevelIs(const char* actualText, const char* writtenText, DWORD actual,
                                               DWORD written) {
    if (actual == written || (written > 0 && actual == written - 1)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualText << " is " << actual << ", which is not what writing "
                                         << writtenText << " (" << written << ") leaves";
}

// Set in the test run that has no sound server: only there do the no-audio
// cases run, and only there are the others meaningless.
inline bool NoAudioRun() { return GetEnvironmentVariableW(L"ORVO_TEST_NO_AUDIO", nullptr, 0) > 0; }

}  // namespace orvo::test
