// Start-up on a machine without sound devices (this case runs in a process of
// its own that sees no sound server).
#include <cstdlib>

#include "tests/main_window/main_window_fixture.h"
#include "recorder/resource.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

class NoAudio : public MainWindowTest {
protected:
    void SetUp() override {
        if (!std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has a sound server";
        form = std::make_unique<TestableFrmMain>();
        ASSERT_TRUE(form->Create());
    }
};

TEST_F(NoAudio, TheDeviceSelectionFailureIsShownAndStartUpGoesOn) {
    ASSERT_GE(ui.Messages().size(), 1u);
    const MessageBoxRequest m = ui.Messages().back();  // a copy: Messages() returns a temporary
    EXPECT_EQ(m.title, L"欧沃录音机");
    EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(m.text.empty());
    EXPECT_LT(m.text.size(), 300u);
    // The rest of the start-up ran.
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_FALSE(form->dBar1.Visible());
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + form->NewFileName());

    // Record without an input: the reason is shown and the window stays Ready,
    // with nothing to save.
    ui.Clear();
    form->TbrRecord.Click(4);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text.rfind(L"无法录音：", 0), 0u);
    EXPECT_GT(ui.Messages()[0].text.size(), std::wstring(L"无法录音：").size());
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(ui.Messages()[0].title, L"欧沃录音机");
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_EQ(form->Lblread.Text(), L"当前状态：");
    EXPECT_FALSE(form->TimerBar.Enabled());
    EXPECT_FALSE(form->dBar1.Visible());
    EXPECT_EQ(form->blnModified, 0);
}

TEST_F(NoAudio, PlayWithoutAnOutputSaysSoAndStops) {
    orvo::test::TempFile file;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(8000, 16, 1);
    ASSERT_TRUE(orvo::test::WriteWavFile(file.Path(), f, orvo::test::SineBytes(f, 440, 0.5)));
    ui.Clear();
    ui.dialogAnswers = {file.Path()};
    SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
    ASSERT_TRUE(ui.Messages().empty());
    ASSERT_EQ(form->MMCRecord.Length(), 500u);

    form->TbrRecord.Click(2);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text.rfind(L"无法播放：", 0), 0u);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
    EXPECT_EQ(Buttons(), "11101");
}

}  // namespace
}  // namespace orvo::recorder::test
