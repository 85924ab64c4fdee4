// The main window used with the keyboard alone: real key presses through the
// system's input queue and the program's own loop step (accelerators, then
// dialog navigation), recording from the real device.
#include <initializer_list>
#include <vector>

#include "tests/main_window/main_window_fixture.h"
#include "tests/support/pump.h"
#include "win/window.h"

namespace orvo::recorder::test {
namespace {

class KeyboardTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (HasFatalFailure()) return;
        SetForegroundWindow(form->Hwnd());
        SetFocus(form->Hwnd());
        Pump(100);
    }

    // Presses the keys in order and lets them go in reverse, as a person does.
    static void Chord(std::initializer_list<WORD> keys) { orvo::test::PressChord(keys); }

    // The program's loop: messages go through its keyboard step before dispatch.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeout) {
        ULONGLONG end = GetTickCount64() + timeout;
        for (;;) {
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (TranslateAppMessage(m, form->Hwnd(), form->Accelerators())) continue;
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
            if (done()) return true;
            if (GetTickCount64() >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    void Pump(DWORD milliseconds) {
        PumpUntil([] { return false; }, milliseconds);
    }
    bool Recording() { return form->MMCRecord.GetMode() == WaveAudioDevice::Mode::Recording; }
};

TEST_F(KeyboardTest, CtrlRStartsATakeOnceAndEscEndsIt) {
    double now = 45000.25;
    form->clock = [&] { return now; };
    Chord({VK_CONTROL, 'R'});
    ASSERT_TRUE(PumpUntil([&] { return Recording(); }, 3000));
    EXPECT_EQ(Buttons(), "00010");
    EXPECT_DOUBLE_EQ(form->dtRecordStart, 45000.25);

    // The record button is disabled now: the shortcut must not start again.
    now = 45001.5;
    Chord({VK_CONTROL, 'R'});
    Pump(400);
    EXPECT_TRUE(Recording());
    EXPECT_DOUBLE_EQ(form->dtRecordStart, 45000.25);
    // Ctrl+S stays the level shortcut: the take is not saved by it.
    EXPECT_TRUE(ui.Dialogs().empty());

    Chord({VK_ESCAPE});
    ASSERT_TRUE(PumpUntil([&] { return !Recording(); }, 3000));
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_EQ(form->Lblread.Text(), L"操作结束...");

    // Save needs Shift as well; the file dialog (cancelled) shows it arrived.
    Chord({VK_CONTROL, VK_SHIFT, 'S'});
    EXPECT_TRUE(PumpUntil([&] { return !ui.Dialogs().empty(); }, 3000));
}

TEST_F(KeyboardTest, MDropsNumberedMarksWhereTheTakeIsAndTheFileLineSaysSo) {
    Chord({VK_CONTROL, 'R'});
    ASSERT_TRUE(PumpUntil([&] { return Recording() && form->MMCRecord.Length() >= 500; }, 8000));
    Chord({'M'});
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Marks().size() == 1; }, 3000));
    const WaveMark first = form->MMCRecord.Marks()[0];
    EXPECT_EQ(first.name, L"标记 1");
    EXPECT_GE(first.frame, form->MMCRecord.Format().nSamplesPerSec / 2);
    EXPECT_TRUE(PumpUntil([&] { return form->LblFile.Text().find(L"\n已添加标记 1（") != std::wstring::npos; }, 1000))
        << "the time tick keeps the notice under the time";
    EXPECT_EQ(form->LblFile.Text().rfind(L"录音时间：", 0), 0u);

    Chord({VK_ESCAPE});
    ASSERT_TRUE(PumpUntil([&] { return !Recording(); }, 3000));
    const uint32_t end = form->MMCRecord.Length();
    Chord({'M'});
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Marks().size() == 2; }, 3000));
    const WaveMark second = form->MMCRecord.Marks()[1];
    EXPECT_EQ(second.name, L"标记 2");
    EXPECT_NEAR(second.frame * 1000.0 / form->MMCRecord.Format().nSamplesPerSec, end, 1.0) << "where the take stopped";
    EXPECT_NE(form->LblFile.Text().find(L"\n已添加标记 2（"), std::wstring::npos);
    EXPECT_EQ(form->blnModified, -1);
}

TEST_F(KeyboardTest, TabReachesTheRecordToolbarAndSpacePressesRecord) {
    HWND bar = form->TbrRecord.Hwnd();
    for (int i = 0; i < 12 && GetFocus() != bar; ++i) {
        Chord({VK_TAB});
        Pump(100);
    }
    ASSERT_EQ(GetFocus(), bar);
    // The arrows move over enabled buttons only: Stop is passed over.
    EXPECT_EQ(form->TbrRecord.HotIndex(), 1);
    for (int i = 0; i < 9 && form->TbrRecord.HotIndex() != 4; ++i) {
        Chord({VK_RIGHT});
        Pump(50);
        ASSERT_NE(form->TbrRecord.HotIndex(), 3);
    }
    ASSERT_EQ(form->TbrRecord.Button(form->TbrRecord.HotIndex()).caption, L"录音");
    Chord({VK_SPACE});
    EXPECT_TRUE(PumpUntil([&] { return Recording(); }, 3000));
    EXPECT_EQ(Buttons(), "00010");

    // Tab goes on from the toolbar to the next control rather than staying.
    Chord({VK_TAB});
    Pump(100);
    EXPECT_NE(GetFocus(), bar);
}

}  // namespace
}  // namespace orvo::recorder::test
