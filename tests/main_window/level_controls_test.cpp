// The level controls and sound tools as the main window runs them: real
// window, real sliders, real mixer; only launches and message boxes scripted.
#include <gtest/gtest.h>

#include <vector>

#include "recorder/main_window/frm_main.h"
#include "tests/volume/mixer_probe.h"
#include "tests/support/scripted_ui.h"
#include "recorder/resource.h"
#include "recorder/volume/cls_volume.h"
#include "recorder/volume/sound_card_report.h"

namespace orvo::recorder {
namespace {

class MainWindowLevels : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::NoAudioRun()) GTEST_SKIP() << "no sound server in this run";
        restore_.Probe().SetSpeakerVolume(5000);
        ASSERT_TRUE(main_.Create());
    }
    void Command(UINT id) { SendMessageW(main_.Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    DWORD Mixer() { return restore_.Probe().SpeakerVolume(); }

    test::SpeakerLevelRestorer restore_;
    ScriptedUi ui_;
    FrmMain main_;
};

TEST_F(MainWindowLevels, StartUpSetsTheSlidersFromTheMixerAndWritesNothing) {
    EXPECT_EQ(main_.vsVolume.Min(), 0);
    EXPECT_EQ(main_.vsVolume.Max(), 32767);
    EXPECT_EQ(main_.vsVolume.Value(), 21845);
    EXPECT_EQ(main_.vsVolume.SmallChange(), 1000);
    EXPECT_EQ(main_.vsVolume.LargeChange(), 1000);
    EXPECT_EQ(main_.vsMic.Min(), 0);
    EXPECT_EQ(main_.vsMic.Max(), 0);
    EXPECT_EQ(main_.vsMic.Value(), 0);
    EXPECT_EQ(main_.vsMic.SmallChange(), 1000);
    EXPECT_TRUE(main_.vsMic.Enabled());
    ASSERT_TRUE(main_.mVolume);
    EXPECT_EQ(main_.mVolume->prMixerErr(), 0);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 5000u);
    for (const MessageBoxRequest& m : ui_.Messages()) EXPECT_NE(m.title, L"Volume Control");
}

TEST_F(MainWindowLevels, ShortcutsStepTheSlidersAndWriteTwiceTheirValue) {
    struct Key {
        WORD key;
        WORD command;
    };
    const std::vector<Key> wanted = {{'A', IDM_ADDMIC}, {'S', IDM_REDMIC}, {'Z', IDM_ADDVOL}, {'X', IDM_REDVOL}};
    HACCEL accel = main_.Accelerators();
    ASSERT_NE(accel, nullptr);
    std::vector<ACCEL> table(static_cast<size_t>(CopyAcceleratorTableW(accel, nullptr, 0)));
    CopyAcceleratorTableW(accel, table.data(), static_cast<int>(table.size()));
    for (const Key& k : wanted) {
        bool found = false;
        for (const ACCEL& a : table)
            found |= a.key == k.key && a.cmd == k.command && (a.fVirt & (FCONTROL | FVIRTKEY)) == (FCONTROL | FVIRTKEY);
        EXPECT_TRUE(found) << "Ctrl+" << char(k.key);
    }

    // Ctrl+A at the microphone slider's end: the slider stays, and twice its
    // value is written all the same.
    main_.vsMic.SetMax(65535);
    main_.vsMic.SetValue(65535);
    Command(IDM_ADDMIC);
    EXPECT_EQ(main_.vsMic.Value(), 65535);
    EXPECT_EQ(main_.mVolume->prMicVolume(), 131070);
    Command(IDM_REDMIC);
    EXPECT_EQ(main_.vsMic.Value(), 65335);
    EXPECT_EQ(main_.mVolume->prMicVolume(), 130670);

    // Ctrl+X below the speaker slider's start stops at 0, which reaches the mixer.
    main_.vsVolume.SetValue(100);
    Command(IDM_REDVOL);
    EXPECT_EQ(main_.vsVolume.Value(), 0);
    EXPECT_EQ(main_.mVolume->prSpeakerVolume(), 0);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 0u);
    Command(IDM_ADDVOL);
    EXPECT_EQ(main_.vsVolume.Value(), 200);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 400u);
    main_.vsVolume.SetValue(32700);
    Command(IDM_ADDVOL);
    EXPECT_EQ(main_.vsVolume.Value(), 32767);
    EXPECT_EQ(main_.mVolume->prSpeakerVolume(), 65534);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 65534u);
    EXPECT_TRUE(ui_.Log().empty());
}

TEST_F(MainWindowLevels, MovingTheSpeakerSliderSetsTheMixer) {
    HWND slider = main_.vsVolume.Hwnd();
    SendMessageW(slider, TBM_SETPOS, TRUE, 12345);
    // The notification a drag sends to the slider's container.
    SendMessageW(GetParent(slider), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 12345), reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ(main_.mVolume->prSpeakerVolume(), 24690);
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 24690u);

    SendMessageW(main_.vsMic.Hwnd(), TBM_SETPOS, TRUE, 0);
    SendMessageW(GetParent(main_.vsMic.Hwnd()), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                 reinterpret_cast<LPARAM>(main_.vsMic.Hwnd()));
    EXPECT_EQ(main_.mVolume->prMicVolume(), 0);
    // No microphone here: the speaker level is left alone.
    EXPECT_PRED_FORMAT2(test::MixerLevelIs, Mixer(), 24690u);
}

TEST_F(MainWindowLevels, ToolCommandsLaunchInOrderWithFallbacks) {
    ui_.Clear();
    ui_.launchAnswers = {true, true, false, true, false, true};
    Command(IDM_VOLCTR);
    Command(IDM_RECCTR);
    main_.cmdVolCtr.Click();
    main_.cmdRecCtr.Click();
    Command(IDM_TESTGUIDE);
    std::vector<std::wstring> targets;
    for (const LaunchRequest& l : ui_.Launches()) targets.push_back(l.target);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    auto tool = [&](const wchar_t* exe, const wchar_t* arguments) {
        return L"\"" + std::wstring(system) + L"\\" + exe + L"\"" + arguments;
    };
    EXPECT_EQ(targets, (std::vector<std::wstring>{tool(L"sndvol32.exe", L""), tool(L"sndvol32.exe", L" /r"),
                                                  tool(L"sndvol32.exe", L""), tool(L"sndvol.exe", L""),
                                                  tool(L"sndvol32.exe", L" /r"), tool(L"control.exe", L" mmsys.cpl,,1"),
                                                  tool(L"rundll32.exe", L" shell32.dll,Control_RunDLL mmsys.cpl @1,3,2")}));
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].owner, main_.Hwnd());
    EXPECT_EQ(ui_.Log().back().kind, ScriptedUi::Entry::Kind::Launch);
    EXPECT_EQ(ui_.Log()[ui_.Log().size() - 2].kind, ScriptedUi::Entry::Kind::MessageBox);
}

// Reads the sound-card window's report, then clicks its close button.
std::vector<std::wstring> g_reports;
HWND g_cardOwner = nullptr;
int g_tries = 0;
void CALLBACK ReadAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    HWND card = FindWindowW(L"OrvoTestCard", nullptr);
    if (!card || !IsWindowVisible(card)) {
        if (++g_tries > 30) {
            KillTimer(nullptr, id);
            PostQuitMessage(0);
        }
        return;
    }
    KillTimer(nullptr, id);
    g_cardOwner = GetWindow(card, GW_OWNER);
    wchar_t text[4096]{};
    GetWindowTextW(GetDlgItem(card, IDC_TESTCARD_TEXT1), text, 4096);
    g_reports.push_back(text);
    SendMessageW(GetDlgItem(card, IDC_TESTCARD_COMMAND1), BM_CLICK, 0, 0);
}

TEST_F(MainWindowLevels, TheSoundCardWindowOpensOverTheMainWindowWithAFreshReport) {
    g_reports.clear();
    for (int i = 0; i < 2; ++i) {
        g_tries = 0;
        g_cardOwner = nullptr;
        UINT_PTR timer = SetTimer(nullptr, 0, 100, &ReadAndClose);
        Command(IDM_TESTCARD);
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_cardOwner, main_.Hwnd());
        EXPECT_TRUE(IsWindowEnabled(main_.Hwnd()));
    }
    WaveOutDescription device;
    ASSERT_TRUE(QueryWaveOutDescription(0, device));
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[0], SoundCardHeader(true) + SoundCardDetails(device));
    EXPECT_EQ(g_reports[1], g_reports[0]);
}

}  // namespace
}  // namespace orvo::recorder
