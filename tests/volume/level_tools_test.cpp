#include "recorder/volume/level_tools.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "tests/volume/mixer_probe.h"
#include "tests/support/scripted_ui.h"

namespace orvo::recorder {
namespace {

class SliderHost : public Window {
public:
    bool Create() { return CreateOf(L"OrvoSliderTestHost", WS_POPUP, 0, L"", 0, 0, 300, 100, nullptr); }
};

// Two real sliders, as the main window lays them out before start-up.
class Sliders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Create());
        vsVolume_.Create(host_, {0, 0, 3000, 450});
        vsMic_.Create(host_, {0, 600, 3000, 450});
    }
    static int Min(const Slider& s) { return static_cast<int>(SendMessageW(s.Hwnd(), TBM_GETRANGEMIN, 0, 0)); }
    static int Max(const Slider& s) { return static_cast<int>(SendMessageW(s.Hwnd(), TBM_GETRANGEMAX, 0, 0)); }
    static int Line(const Slider& s) { return static_cast<int>(SendMessageW(s.Hwnd(), TBM_GETLINESIZE, 0, 0)); }
    static int Page(const Slider& s) { return static_cast<int>(SendMessageW(s.Hwnd(), TBM_GETPAGESIZE, 0, 0)); }

    SliderHost host_;
    Slider vsVolume_;
    Slider vsMic_;
};

TEST_F(Sliders, TakeTheirRangesFromTheMixerWithoutWritingToIt) {
    if (test::NoAudioRun()) GTEST_SKIP() << "no sound server in this run";
    test::SpeakerLevelRestorer restore;
    restore.Probe().SetSpeakerVolume(5000);
    ScriptedUi ui;
    clsVolume volume;
    volume.meOpenMixer();
    vsMic_.SetEnabled(false);
    SetUpLevelSliders(volume, vsVolume_, vsMic_);

    EXPECT_EQ(Min(vsVolume_), 0);
    EXPECT_EQ(Max(vsVolume_), 32767);
    EXPECT_EQ(vsVolume_.Value(), 21845);
    EXPECT_EQ(Line(vsVolume_), 1000);
    EXPECT_EQ(Page(vsVolume_), 1000);
    // No microphone line here: its slider spans 0..0.
    EXPECT_EQ(Min(vsMic_), 0);
    EXPECT_EQ(Max(vsMic_), 0);
    EXPECT_EQ(vsMic_.Value(), 0);
    EXPECT_EQ(Page(vsMic_), 1000);
    EXPECT_TRUE(vsMic_.Enabled());
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 5000u);
    EXPECT_TRUE(ui.Log().empty());

    // The right end of the speaker slider asks for 65534.
    SendMessageW(vsVolume_.Hwnd(), TBM_SETPOS, TRUE, 32767);
    volume.prSpeakerVolume(MixerValueOfSlider(vsVolume_.Value()));
    EXPECT_EQ(volume.prSpeakerVolume(), 65534);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, restore.Probe().SpeakerVolume(), 65534u);
}

// A tool of the system folder, quoted, with its arguments.
std::wstring SystemTool(const wchar_t* exe, const wchar_t* arguments = L"") {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return L"\"" + std::wstring(system) + L"\\" + exe + L"\"" + arguments;
}

TEST(SystemTools, ClassicCommandsAreTriedFirst) {
    ScriptedUi ui;
    LaunchVolumeControl();
    LaunchRecordingControl();
    ASSERT_EQ(ui.Launches().size(), 2u);
    EXPECT_EQ(ui.Launches()[0].target, SystemTool(L"sndvol32.exe"));
    EXPECT_EQ(ui.Launches()[1].target, SystemTool(L"sndvol32.exe", L" /r"));
    for (const LaunchRequest& l : ui.Launches()) {
        EXPECT_EQ(l.kind, LaunchRequest::Kind::CommandLine);
        EXPECT_EQ(l.show, SW_SHOWNORMAL);
    }
}

TEST(SystemTools, TodaysToolsStartWhenTheClassicOnesCannot) {
    ScriptedUi ui;
    ui.launchAnswers = {false, true, false, false};
    LaunchVolumeControl();
    LaunchRecordingControl();
    ASSERT_EQ(ui.Launches().size(), 4u);
    EXPECT_EQ(ui.Launches()[0].target, SystemTool(L"sndvol32.exe"));
    EXPECT_EQ(ui.Launches()[1].target, SystemTool(L"sndvol.exe"));
    EXPECT_EQ(ui.Launches()[2].target, SystemTool(L"sndvol32.exe", L" /r"));
    // Its failure too passes without a word.
    EXPECT_EQ(ui.Launches()[3].target, SystemTool(L"control.exe", L" mmsys.cpl,,1"));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(SystemTools, TheHardwareTestExplainsItselfBeforeOpeningThePanel) {
    ScriptedUi ui;
    ui.launchAnswers = {false};
    RunSoundHardwareTest(nullptr);
    ASSERT_EQ(ui.Log().size(), 2u);
    ASSERT_EQ(ui.Log()[0].kind, ScriptedUi::Entry::Kind::MessageBox);
    EXPECT_EQ(ui.Log()[0].message.text,
              L"请在弹出的设置对话框中选择相应的播放设备和录音设备，然后点击按钮“测试硬件(T)...”，"
              L"开始测试声音硬件设备是否正常！");
    EXPECT_EQ(ui.Log()[0].message.title, L"欧沃录音机");
    EXPECT_EQ(ui.Log()[0].message.type, UINT(MB_OK | MB_ICONINFORMATION));
    ASSERT_EQ(ui.Log()[1].kind, ScriptedUi::Entry::Kind::Launch);
    EXPECT_EQ(ui.Log()[1].launch.target, SystemTool(L"rundll32.exe", L" shell32.dll,Control_RunDLL mmsys.cpl @1,3,2"));
    EXPECT_EQ(ui.Log()[1].launch.show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace orvo::recorder
