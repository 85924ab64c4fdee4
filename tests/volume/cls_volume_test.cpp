#include "recorder/volume/cls_volume.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/volume/mixer_probe.h"
#include "tests/support/scripted_ui.h"

namespace orvo::recorder {
namespace {

using test::NoAudioRun;
using test::SpeakerLevelRestorer;

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (NoAudioRun()) GTEST_SKIP() << "no sound server in this run";
    }
};

TEST_F(MixerTest, OpensAndFindsTheSpeakerButNotTheMicrophone) {
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    EXPECT_EQ(volume.prMixerErr(), 0);
    EXPECT_EQ(volume.prSpeakerMinVolume(), 0);
    EXPECT_EQ(volume.prSpeakerMaxVolume(), 65535);
    // The test set-up's mixer has no microphone line.
    EXPECT_EQ(volume.prMicMinVolume(), 0);
    EXPECT_EQ(volume.prMicMaxVolume(), 0);
    EXPECT_TRUE(ui.Log().empty());

    const MixerControlRecord& speaker = volume.SpeakerControl();
    EXPECT_EQ(speaker.cbStruct, 152u);
    EXPECT_EQ(speaker.dwControlType, static_cast<uint32_t>(MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_EQ(speaker.dwControlID, test::MixerProbe().SpeakerControlId());
    EXPECT_GT(std::strlen(speaker.szName), 0u);
    EXPECT_EQ(volume.MicControl().dwControlID, 0u);
}

TEST_F(MixerTest, LetsReachTheMixerUnchangedAndGetsReturnTheLastLet) {
    SpeakerLevelRestorer restore;
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    EXPECT_EQ(volume.prSpeakerVolume(), 0);
    EXPECT_EQ(volume.prMicVolume(), 0);

    volume.prSpeakerVolume(30000);
    EXPECT_EQ(volume.prSpeakerVolume(), 30000);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 30000u);
    volume.prSpeakerVolume(12346);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 12346u);

    // Twice the maximum goes out as it is. This mixer refuses a value beyond
    // the range and keeps the last one; a clamped write would have set 65535.
    volume.prSpeakerVolume(2 * 65535);
    EXPECT_EQ(volume.prSpeakerVolume(), 131070);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 12346u);
    EXPECT_TRUE(ui.Log().empty());
}

// The microphone was not found: its writes must not land on the control that
// happens to carry identifier 0, which here is the speaker volume.
TEST_F(MixerTest, MicrophoneWritesLeaveOtherControlsAlone) {
    SpeakerLevelRestorer restore;
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    ASSERT_TRUE(ui.Log().empty()) << "the mixer did not open";
    ASSERT_EQ(restore.Probe().SpeakerControlId(), 0u);
    volume.prSpeakerVolume(20000);
    volume.prMicVolume(40000);
    EXPECT_EQ(volume.prMicVolume(), 40000);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 20000u);
}

TEST_F(MixerTest, ReopeningLooksTheControlsUpAgain) {
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    volume.meOpenMixer();
    EXPECT_EQ(volume.prMixerErr(), 0);
    EXPECT_EQ(volume.prSpeakerMaxVolume(), 65535);
    EXPECT_TRUE(ui.Log().empty());
}

TEST(MixerControlRecord, CopiesTheWideDescriptionIntoTheNarrowLayout) {
    MIXERCONTROLW wide{};
    wide.cbStruct = sizeof(wide);
    wide.dwControlID = 7;
    wide.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    wide.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    wide.cMultipleItems = 3;
    wcscpy(wide.szShortName, L"Vol");
    wcscpy(wide.szName, L"Master Volume");
    wide.Bounds.lMinimum = -5;
    wide.Bounds.lMaximum = 65535;
    wide.Bounds.dwReserved[2] = 0x11;
    wide.Bounds.dwReserved[5] = 0x14;
    wide.Metrics.cSteps = 0x21;
    wide.Metrics.dwReserved[5] = 0x26;

    MixerControlRecord r = RecordFromMixerControl(wide);
    EXPECT_EQ(r.cbStruct, 152u);
    EXPECT_EQ(r.dwControlID, 7u);
    EXPECT_EQ(r.dwControlType, static_cast<uint32_t>(MIXERCONTROL_CONTROLTYPE_VOLUME));
    EXPECT_EQ(r.fdwControl, static_cast<uint32_t>(MIXERCONTROL_CONTROLF_UNIFORM));
    EXPECT_EQ(r.cMultipleItems, 3u);
    EXPECT_STREQ(r.szShortName, "Vol");
    EXPECT_STREQ(r.szName, "Master Volume");
    EXPECT_EQ(r.lMinimum, -5);
    EXPECT_EQ(r.lMaximum, 65535);
    // The bytes at the published offsets, as the narrow record carries them.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    int32_t atMax;
    std::memcpy(&atMax, bytes + 104, 4);
    EXPECT_EQ(atMax, 65535);
    EXPECT_EQ(r.dwReserved[0], 0x11u);
    EXPECT_EQ(r.dwReserved[3], 0x14u);
    EXPECT_EQ(r.dwReserved[4], 0x21u);
    EXPECT_EQ(r.dwReserved[9], 0x26u);
    EXPECT_EQ(r.dwReserved[10], 0u);
}

TEST(MixerControlRecord, LongNamesAreCutToFitWithTheirNul) {
    MIXERCONTROLW wide{};
    // 16 characters with no room for a NUL in the narrow 16-byte field.
    std::wmemcpy(wide.szShortName, L"ABCDEFGHIJKLMNOP", 16);
    for (int i = 0; i < 63; ++i) wide.szName[i] = L'x';
    MixerControlRecord r = RecordFromMixerControl(wide);
    EXPECT_STREQ(r.szShortName, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(std::strlen(r.szName), 63u);
}

}  // namespace
}  // namespace orvo::recorder
