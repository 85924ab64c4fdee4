// Start-up state, layout, menus and the expandable side panel of the main window.
#include <regex>

#include "tests/main_window/main_window_fixture.h"
#include "base/failure.h"
#include "base/text.h"
#include "recorder/resource.h"
#include "orvo_version.h"

namespace orvo::recorder::test {
namespace {

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t buf[128] = {};
    GetMenuStringW(menu, position, buf, 128, MF_BYPOSITION);
    return buf;
}

TEST_F(MainWindowTest, StartsReadyWithTheNewFileLabelAndStopDisabled) {
    wchar_t title[64];
    GetWindowTextW(form->Hwnd(), title, 64);
    EXPECT_STREQ(title, L"欧沃录音机");

    EXPECT_EQ(Buttons(), "11101");
    for (const wchar_t* key : {L"help", L"update", L"guestbook", L"exit"}) EXPECT_TRUE(Enabled(key)) << key;
    EXPECT_EQ(form->Lblread.Text(), L"当前状态：");
    std::string file = WideToUtf8(form->LblFile.Text());
    EXPECT_TRUE(std::regex_match(file, std::regex("文件：新录音文件[0-2][0-9][0-5][0-9][0-5][0-9]\\.wav"))) << file;
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + form->NewFileName());
    EXPECT_FALSE(form->TimerBar.Enabled());
    EXPECT_EQ(form->TimerBar.Interval(), 200u);
    EXPECT_FALSE(form->dBar1.Visible());
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_NE(form->MMCRecord.DeviceID(), 0);
    // The device selection succeeded: no message at start-up.
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(MainWindowTest, ClientAreaControlsAndHiddenLevelFrameSitWhereDesigned) {
    int dpi = form->Dpi();
    RECT client;
    GetClientRect(form->Hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(5565, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(2625, dpi));

    // Frame1 lies beyond the client area whatever the expand state.
    for (int round = 0; round < 3; ++round) {
        RECT frame, inter;
        GetWindowRect(form->Frame1.Hwnd(), &frame);
        MapWindowPoints(nullptr, form->Hwnd(), reinterpret_cast<POINT*>(&frame), 2);
        GetClientRect(form->Hwnd(), &client);
        EXPECT_FALSE(IntersectRect(&inter, &frame, &client)) << round;
        form->cmdMore_Click();
    }
    EXPECT_EQ(form->Frame1.Left(), 7200);
    EXPECT_EQ(form->vsMic.ToolTip(), L"麦克风音量");
    EXPECT_EQ(form->vsVolume.ToolTip(), L"声量");
    EXPECT_EQ(form->Label1.Text(), L"麦克风：");
    EXPECT_EQ(form->Label2.Text(), L"扬声器：");

    RECT r;
    GetWindowRect(form->TbrRecord.Hwnd(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixels(4215, dpi));
    EXPECT_EQ(form->sldRecord.Min(), 0);
    EXPECT_EQ(form->sldRecord.Max(), 10);
    EXPECT_EQ(form->cmdRecCtr.Text(), L"录音控制");
    EXPECT_EQ(form->cmdVolCtr.Text(), L"音量控制");
    EXPECT_EQ(form->cmdConvert.Text(), L"MP3转换");
    EXPECT_TRUE(form->fraMore.Visible());
    EXPECT_FALSE(form->cmdMore.Visible());

    EXPECT_EQ(form->sb1.PanelCount(), 2);
    EXPECT_EQ(form->sb1.PanelText(1), L"欧沃录音机 V" ORVO_VERSION_TEXT);
    EXPECT_EQ(form->sb1.PanelText(2), L"维莫拉主页 http://www.velmora.example");
}

TEST_F(MainWindowTest, ToolbarsCarryTheirKeysCaptionsImagesAndTips) {
    const wchar_t* keys[] = {L"new", L"play", L"stop", L"record", L"save", L"help", L"update", L"guestbook", L"exit"};
    const wchar_t* captions[] = {L"新建", L"播放", L"停止", L"录音", L"保存", L"帮助", L"升级", L"留言", L"退出"};
    const int images[] = {1, 2, 3, 4, 5, 6, 15, 13, 16};
    ASSERT_EQ(form->TbrRecord.Count(), 9);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(form->TbrRecord.Button(i).key, keys[i - 1]);
        EXPECT_EQ(form->TbrRecord.Button(i).caption, captions[i - 1]);
        EXPECT_EQ(form->TbrRecord.Button(i).image, images[i - 1]);
        // The toolbar itself shows the caption under the image.
        TBBUTTONINFOW info{};
        wchar_t text[32] = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_IMAGE;
        info.pszText = text;
        info.cchText = 32;
        SendMessageW(form->TbrRecord.Hwnd(), TB_GETBUTTONINFOW, form->TbrRecord.CommandId(i),
                     reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, captions[i - 1]);
        EXPECT_EQ(info.iImage, images[i - 1] - 1);
    }
    EXPECT_EQ(form->ImgRecord.Count(), 16);
    EXPECT_EQ(form->imgOther.Count(), 9);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(form->ImgRecord.Handle(), &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    ASSERT_EQ(form->tbrOther.Count(), 5);
    EXPECT_EQ(form->tbrOther.Button(1).key, L"home");
    EXPECT_EQ(form->tbrOther.Button(1).caption, L"维莫拉");
    EXPECT_EQ(form->tbrOther.Button(1).tooltip, L"维莫拉主页\u3000www.velmora.example");
    EXPECT_EQ(form->tbrOther.Button(4).key, L"dingzhi");
    EXPECT_EQ(form->tbrOther.Button(5).tooltip, L"热门优秀软件推荐！");
    // The toolbar asks for its tips by notification.
    NMTBGETINFOTIPW tip{};
    wchar_t buf[80] = {};
    tip.hdr.hwndFrom = form->tbrOther.Hwnd();
    tip.hdr.code = TBN_GETINFOTIPW;
    tip.iItem = static_cast<int>(form->tbrOther.CommandId(2));
    tip.pszText = buf;
    tip.cchTextMax = 80;
    SendMessageW(form->picMain.Hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(buf, L"精彩网址，一网打尽！");
    // Unknown keys fail rather than change nothing silently.
    EXPECT_THROW(form->TbrRecord.SetButtonEnabled(L"open", false), Failure);
}

TEST_F(MainWindowTest, MenuTreeHasItsCaptionsAccessKeysAndCtrlShortcuts) {
    HMENU bar = form->MenuBarHandle();
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    EXPECT_EQ(MenuText(bar, 0), L"文件(&F)");
    EXPECT_EQ(MenuText(bar, 1), L"设置(&S)");
    EXPECT_EQ(MenuText(bar, 2), L"工具(&T)");
    EXPECT_EQ(MenuText(bar, 3), L"帮助(&H)");
    HMENU file = GetSubMenu(bar, 0);
    EXPECT_EQ(MenuText(file, 0), L"新建(&N)\tCtrl+N");
    EXPECT_EQ(MenuText(file, 2), L"保存(&S)\tCtrl+Shift+S");
    EXPECT_EQ(MenuText(file, 3), L"添加标记(&M)\tM");
    EXPECT_EQ(GetMenuItemID(file, 4), 0u);  // separator
    EXPECT_EQ(MenuText(file, 5), L"退出(&X)");
    HMENU set = GetSubMenu(bar, 1);
    EXPECT_EQ(MenuText(set, 3), L"增大麦克风音量\tCtrl+A");
    EXPECT_EQ(MenuText(set, 7), L"减小输出音量\tCtrl+X");
    HMENU help = GetSubMenu(bar, 3);
    EXPECT_EQ(GetMenuItemCount(help), 11);
    EXPECT_EQ(MenuText(help, 10), L"软件定制业务");
    // The Audio menu exists with its items, off the bar.
    HMENU audio = form->AudioMenu();
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(MenuText(audio, 0), L"录音(&R)\tCtrl+R");
    EXPECT_EQ(GetMenuItemID(audio, 2), static_cast<UINT>(IDM_STOP));

    // The level shortcuts, then the record toolbar's, Open's and the mark's.
    ACCEL accels[16];
    int n = CopyAcceleratorTableW(form->Accelerators(), accels, 16);
    ASSERT_EQ(n, 11);
    EXPECT_EQ(accels[10].key, 'M');
    EXPECT_EQ(accels[10].cmd, IDM_MARK);
    EXPECT_EQ(accels[10].fVirt & (FCONTROL | FSHIFT | FALT), 0);
    EXPECT_EQ(accels[0].key, 'A');
    EXPECT_EQ(accels[0].cmd, IDM_ADDMIC);
    EXPECT_EQ(accels[0].fVirt & (FCONTROL | FVIRTKEY), FCONTROL | FVIRTKEY);
    EXPECT_EQ(accels[3].key, 'X');
    EXPECT_EQ(accels[3].cmd, IDM_REDVOL);
}

TEST_F(MainWindowTest, MoreButtonNarrowsThenWidensTheWindow) {
    int dpi = form->Dpi();
    RECT r;
    GetWindowRect(form->Hwnd(), &r);
    int height = r.bottom - r.top;
    form->cmdMore_Click();
    GetWindowRect(form->Hwnd(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixels(4435, dpi));
    EXPECT_EQ(r.bottom - r.top, height);
    EXPECT_EQ(form->cmdMore.Text(), L">>");
    form->cmdMore_Click();
    GetWindowRect(form->Hwnd(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixels(5635, dpi));
    EXPECT_EQ(r.bottom - r.top, height);
    EXPECT_EQ(form->cmdMore.Text(), L"<<");
}

TEST_F(MainWindowTest, CloseRequestIsRefused) {
    SendMessageW(form->Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(form->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_GE(form->closeRequests, 1);
    ASSERT_NE(form->Hwnd(), nullptr);
    EXPECT_TRUE(IsWindow(form->Hwnd()));
    int16_t cancel = 0;
    form->Form_Unload(cancel);
    EXPECT_EQ(cancel, 1);
}

}  // namespace
}  // namespace orvo::recorder::test
