// Run only in the test process that has no sound server (see the test list):
// no mixer and no wave-out device.
#include <gtest/gtest.h>

#include "recorder/main_window/frm_main.h"
#include "tests/volume/mixer_probe.h"
#include "tests/support/scripted_ui.h"
#include "recorder/resource.h"
#include "recorder/volume/cls_volume.h"
#include "recorder/volume/frm_test_card.h"

namespace orvo::recorder {
namespace {

class NoAudio : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::NoAudioRun()) GTEST_SKIP() << "this run has a sound server";
    }
};

TEST_F(NoAudio, TheMixerFailureIsReportedOnceAndTheRangesStayZero) {
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    EXPECT_NE(volume.prMixerErr(), 0);
    EXPECT_EQ(volume.prSpeakerMinVolume(), 0);
    EXPECT_EQ(volume.prSpeakerMaxVolume(), 0);
    EXPECT_EQ(volume.prMicMinVolume(), 0);
    EXPECT_EQ(volume.prMicMaxVolume(), 0);
    // Later lets still complete, silently.
    volume.prSpeakerVolume(100);
    volume.prMicVolume(200);
    EXPECT_EQ(volume.prSpeakerVolume(), 100);
    EXPECT_EQ(volume.prMicVolume(), 200);

    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"Could not open the mixer.");
    EXPECT_EQ(ui.Messages()[0].title, L"Volume Control");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONHAND));
}

// Without a device the window still opens, with the header that says so.
TEST_F(NoAudio, TheSoundCardWindowSaysNoCardWasFound) {
    frmTestCard window;
    ASSERT_TRUE(window.Load(nullptr));
    EXPECT_EQ(window.Text(), L"测试结果 - 没有发现声卡！\r\n\r\n");
    EXPECT_TRUE(IsWindow(window.Hwnd()));
}

// The program still starts; the mixer's one message is the only word about
// it, and the sliders keep their design settings.
TEST_F(NoAudio, TheMainWindowStartsWithTheSlidersAsDesigned) {
    ScriptedUi ui;
    FrmMain main;
    ASSERT_TRUE(main.Create());
    int mixerMessages = 0;
    for (const MessageBoxRequest& m : ui.Messages()) {
        if (m.text == L"Could not open the mixer.") {
            ++mixerMessages;
            EXPECT_EQ(m.title, L"Volume Control");
            EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONHAND));
        }
    }
    EXPECT_EQ(mixerMessages, 1);
    ASSERT_TRUE(main.mVolume);
    EXPECT_NE(main.mVolume->prMixerErr(), 0);
    EXPECT_EQ(main.vsVolume.Min(), 0);
    EXPECT_EQ(main.vsVolume.Max(), 10);
    EXPECT_EQ(main.vsMic.Max(), 10);
    EXPECT_EQ(main.vsVolume.Value(), 0);

    // The level items still move the sliders and complete without a word.
    ui.Clear();
    SendMessageW(main.Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_ADDVOL, 0), 0);
    EXPECT_EQ(main.vsVolume.Value(), 10);
    EXPECT_EQ(main.mVolume->prSpeakerVolume(), 20);
    EXPECT_TRUE(ui.Log().empty());
}

}  // namespace
}  // namespace orvo::recorder
