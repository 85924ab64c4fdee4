// Start-up on a machine without sound devices (this case runs in a process of
// its own that sees no sound server).
#include <cstdlib>

#include "tests/main_window/main_window_fixture.h"

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
    const MessageBoxRequest& m = ui.Messages().back();
    EXPECT_EQ(m.title, L"欧沃录音机");
    EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(m.text.empty());
    EXPECT_LT(m.text.size(), 300u);
    // The rest of the start-up ran.
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_FALSE(form->dBar1.Visible());
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + form->NewFileName());

    // Recording without a device changes the window as always and asks nothing.
    ui.Clear();
    form->mnuRecord_Click();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
    form->mnuStop_Click();
    EXPECT_EQ(Buttons(), "11101");
}

}  // namespace
}  // namespace orvo::recorder::test
