#include "recorder/main_window/frm_main.h"

#include <vector>

#include "base/failure.h"
#include "win/report.h"
#include "product/maker_links.h"
#include "recorder/main_window/scheduled_takes.h"
#include "recorder/resource.h"
#include "recorder/voice/frm_voice_record.h"

namespace orvo::recorder {
namespace {

constexpr double kClientWidth = 5565;
constexpr double kClientHeight = 2625;
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Posted by CreateAndShow: the rest of the start.
constexpr UINT kStartUpMessage = WM_APP + 0x100;
constexpr UINT kAutoSavedMessage = WM_APP + 0x101;

enum Popup { kFile, kAudio, kSettings, kTools, kHelp };

struct MenuPopup {
    const wchar_t* caption;
    bool visible;
};

// Every command of the Audio menu is also on the record toolbar, which shows
// by its buttons which of them make sense now; the menu is kept (its items
// and handlers exist) but not shown on the bar.
const MenuPopup kPopups[] = {
    {L"文件(&F)", true}, {L"音频(&A)", false}, {L"设置(&S)", true}, {L"工具(&T)", true}, {L"帮助(&H)", true},
};

// How a command meets failure: through the handler's own traps, or reported
// around the whole handler, as the toolbar does.
enum class Failures { OwnTraps, Reported };

struct MenuCommand {
    Popup popup;
    UINT id;  // 0: a separator
    const wchar_t* caption;
    wchar_t ctrlKey;  // the letter of a Ctrl shortcut, or 0
    void (FrmMain::*handler)();
    Failures failures;
};

constexpr Failures kOwn = Failures::OwnTraps;
constexpr Failures kReported = Failures::Reported;

const MenuCommand kMenu[] = {
    {kFile, IDM_NEW, L"新建(&N)\tCtrl+N", 0, &FrmMain::mnuNew_Click, kReported},
    {kFile, IDM_OPEN, L"打开(&O)\tCtrl+O", 0, &FrmMain::mnuOpen_Click, kOwn},
    {kFile, IDM_SAVE, L"保存(&S)\tCtrl+Shift+S", 0, &FrmMain::mnuSave_Click, kOwn},
    {kFile, IDM_MARK, L"添加标记(&M)\tM", 0, &FrmMain::mnuMark_Click, kReported},
    {kFile, 0, nullptr, 0, nullptr, kOwn},
    {kFile, IDM_EXIT, L"退出(&X)", 0, &FrmMain::mnuExit_Click, kReported},
    {kAudio, IDM_RECORD, L"录音(&R)\tCtrl+R", 0, &FrmMain::mnuRecord_Click, kOwn},
    {kAudio, IDM_PLAY, L"播放(&P)\tCtrl+P", 0, &FrmMain::mnuPlay_Click, kReported},
    {kAudio, IDM_STOP, L"停止(&S)\tEsc", 0, &FrmMain::mnuStop_Click, kReported},
    {kSettings, IDM_RECCTR, L"录音控制(&C)", 0, &FrmMain::mnuRecCtr_Click, kOwn},
    {kSettings, IDM_VOLCTR, L"音量控制(&V)", 0, &FrmMain::mnuVolCtr_Click, kOwn},
    {kSettings, 0, nullptr, 0, nullptr, kOwn},
    {kSettings, IDM_ADDMIC, L"增大麦克风音量", L'A', &FrmMain::mnuAddMic_Click, kOwn},
    {kSettings, IDM_REDMIC, L"减小麦克风音量", L'S', &FrmMain::mnuRedMic_Click, kOwn},
    {kSettings, 0, nullptr, 0, nullptr, kOwn},
    {kSettings, IDM_ADDVOL, L"增大输出音量", L'Z', &FrmMain::mnuAddVol_Click, kOwn},
    {kSettings, IDM_REDVOL, L"减小输出音量", L'X', &FrmMain::mnuRedVol_Click, kOwn},
    {kSettings, 0, nullptr, 0, nullptr, kOwn},
    {kSettings, IDM_BITRATE_128, L"MP3比特率: 128 kbps", 0, &FrmMain::mnuBitrate128_Click, kOwn},
    {kSettings, IDM_BITRATE_192, L"MP3比特率: 192 kbps", 0, &FrmMain::mnuBitrate192_Click, kOwn},
    {kSettings, IDM_BITRATE_256, L"MP3比特率: 256 kbps", 0, &FrmMain::mnuBitrate256_Click, kOwn},
    {kSettings, IDM_BITRATE_320, L"MP3比特率: 320 kbps", 0, &FrmMain::mnuBitrate320_Click, kOwn},
    {kTools, IDM_TOMP3, L"MP3音频转换(&M)", 0, &FrmMain::mnuToMP3_Click, kOwn},
    {kTools, IDM_AUDIOEDIT, L"WAV波形分析(&E)", 0, &FrmMain::mnuAudioEdit_Click, kOwn},
    {kTools, IDM_TIMERRECORD, L"定时录音(&R)...", 0, &FrmMain::mnuTimerRecord_Click, kReported},
    {kTools, 0, nullptr, 0, nullptr, kOwn},
    {kTools, IDM_TESTGUIDE, L"声音硬件测试向导", 0, &FrmMain::mnuTestGuide_Click, kOwn},
    {kTools, IDM_TESTCARD, L"声卡信息(&T)", 0, &FrmMain::mnuTestCard_Click, kOwn},
    {kTools, 0, nullptr, 0, nullptr, kOwn},
    {kTools, IDM_VOICE_RECORD, L"声控录音(&V)...", 0, &FrmMain::mnuVoiceRecord_Click, kOwn},
    {kHelp, IDM_HOWTOUSED, L"使用说明(&U)", 0, &FrmMain::mnuHowtoUsed_Click, kOwn},
    {kHelp, IDM_PROBLEM, L"常见问题(&P)", 0, &FrmMain::mnuProblem_Click, kOwn},
    {kHelp, IDM_HOME, L"软件主页(&H)", 0, &FrmMain::mnuHome_Click, kOwn},
    {kHelp, IDM_GUESTBOOK, L"给我留言(&G)", 0, &FrmMain::mnuGuestbook_Click, kOwn},
    {kHelp, IDM_MAIL, L"意见反馈(&E)", 0, &FrmMain::mnuMail_Click, kOwn},
    {kHelp, 0, nullptr, 0, nullptr, kOwn},
    {kHelp, IDM_ABOUT, L"关于(&A)", 0, &FrmMain::mnuAbout_Click, kOwn},
    {kHelp, 0, nullptr, 0, nullptr, kOwn},
    {kHelp, IDM_VELMORA, L"维莫拉主页", 0, &FrmMain::mnuVelmora_Click, kOwn},
    {kHelp, IDM_VMSPRITE, L"欧沃软件大厅", 0, &FrmMain::mnuVMSprite_Click, kOwn},
    {kHelp, IDM_SOFTDZ, L"软件定制业务", 0, &FrmMain::mnuSoftDZ_Click, kOwn},
};

// Shortcuts of the record toolbar's buttons. Each presses its button, so it
// does nothing while the button is disabled, as a click would. They keep
// clear of the level shortcuts Ctrl+A/S/Z/X.
struct KeyCommand {
    BYTE modifiers;
    WORD key;
    UINT id;
    int button;  // index on the record toolbar
};

const KeyCommand kKeys[] = {
    {FCONTROL, 'N', IDK_NEW, 1},    {FCONTROL, 'P', IDK_PLAY, 2},           {0, VK_ESCAPE, IDK_STOP, 3},
    {FCONTROL, 'R', IDK_RECORD, 4}, {FCONTROL | FSHIFT, 'S', IDK_SAVE, 5},
};

}  // namespace

FrmMain::FrmMain() = default;

FrmMain::~FrmMain() {
    // The pieces still queued are written while the element is there.
    autoSaver_.Finish();
}

bool FrmMain::Create() {
    if (!Build()) return false;
    TrapAndReport(Hwnd(), kProgramTitle, [this] { Form_Load(); });
    return true;
}

bool FrmMain::CreateAndShow(int show) {
    if (!Build()) return false;
    // The first picture is the one Form_Load leaves, apart from the file name.
    SetIdleLook();
    ShowWindow(Hwnd(), show);
    UpdateWindow(Hwnd());
    if (!PostMessageW(Hwnd(), kStartUpMessage, 0, 0)) StartUp();
    return true;
}

// The start, once the window is on screen: the load (the mixer, the new
// element and its journal), then the recordings an earlier run left.
void FrmMain::StartUp() {
    // The load's boxes need not have the window as owner (the mixer's has
    // none): no command may come in through them before the element exists.
    HWND focus = GetFocus();
    EnableWindow(Hwnd(), FALSE);
    TrapAndReport(Hwnd(), kProgramTitle, [this] { Form_Load(); });
    EnableWindow(Hwnd(), TRUE);
    if (focus && IsWindow(focus)) SetFocus(focus);
    // While a schedule waits or records (carried over a crash, say), no
    // question may hold the window: the leftovers are offered once it is over.
    if (ScheduleActive())
        leftoversWaiting_ = true;
    else
        TrapAndReport(Hwnd(), kProgramTitle, [this] { OfferLeftoverRecordings(); });
}

// The window and its controls, without the load.
bool FrmMain::Build() {
    int dpi = DpiOf(nullptr);
    RECT rc = CentredFrame(nullptr, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi), kStyle, 0,
                           true);
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ORVORECORD));
    if (!CreateOf(L"OrvoRecordMain", kStyle, 0, kProgramTitle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  nullptr, nullptr, icon))
        return false;
    autoSaver_.SetNotify(Hwnd(), kAutoSavedMessage);
    bool built = TrapAndReport(Hwnd(), kProgramTitle, [this] {
        BuildMenu();
        BuildControls();
    });
    if (!built) {
        Destroy();
        return false;
    }
    // The menu bar may wrap at a large font; keep the designed client area.
    RECT client{0, 0, TwipsToPixels(kClientWidth, Dpi()), TwipsToPixels(kClientHeight, Dpi())};
    AdjustWindowRectEx(&client, kStyle, TRUE, 0);
    SetWindowPos(Hwnd(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

// The menu bar and its handlers, from one table.
void FrmMain::BuildMenu() {
    menu_ = std::make_unique<MenuBar>();
    std::vector<HMENU> popups;
    for (const MenuPopup& p : kPopups) popups.push_back(menu_->AddPopup(p.caption, p.visible));
    mnuAudio_ = popups[kAudio];
    mnuSettings_ = popups[kSettings];
    for (const MenuCommand& c : kMenu) {
        HMENU popup = popups[c.popup];
        if (!c.id) {
            menu_->AddSeparator(popup);
            continue;
        }
        menu_->AddItem(popup, c.id, c.caption, c.ctrlKey);
        auto handler = c.handler;
        if (c.failures == Failures::Reported)
            OnCommand(c.id, [this, handler] { Reported(handler); });
        else
            OnCommand(c.id, [this, handler] { (this->*handler)(); });
    }
    // The input source follows the settings' own items, which stay where they are.
    menu_->AddSeparator(popups[kSettings]);
    BuildSourceMenu(popups[kSettings]);
    for (const KeyCommand& k : kKeys) {
        menu_->AddShortcut(k.modifiers, k.key, k.id);
        int button = k.button;
        OnCommand(k.id, [this, button] { TbrRecord.Click(button); });
    }
    // Open has no toolbar button; its shortcut is the menu item's.
    menu_->AddShortcut(FCONTROL, 'O', IDM_OPEN);
    // A mark is dropped with one key, the moment the user hears the place.
    menu_->AddShortcut(0, 'M', IDM_MARK);
    menu_->AttachTo(Hwnd());
    ShowMp3Bitrate();
}

void FrmMain::BuildControls() {
    BuildLevelFrame();

    TimerBar.Create(*this, 200, false);
    TimerBar.OnTick([this] { TimerBar_Timer(); });

    std::wstring home = std::wstring(L"维莫拉主页 ") + L"http://" + maker::kWebHost;
    sb1.Create(*this, {1800, 3765}, {std::wstring(kProgramTitle) + L" V" + kProgramVersion, home});

    BuildMainPanel();
    BuildSidePanel();

    // The status bar and the busy bar stay in front of their neighbours.
    SetWindowPos(sb1.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(dBar1.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    scheduled_ = std::make_unique<ScheduledTakes>(*this);
    MMCRecord.SetStatusHandler([this] { MMCRecord_StatusUpdate(); });
    MMCRecord.SetDoneHandler([this] { MMCRecord_Done(); });
}

// The hidden frame with the two level sliders.
void FrmMain::BuildLevelFrame() {
    Frame1.Create(*this, L"Frame1", {7200, 90, 1125, 1725});
    // Each label comes before its slider, which screen readers name by it.
    Label1.Create(Frame1.Inner(), L"麦克风：", {180, 270, 825, 285});
    vsMic.Create(Frame1.Inner(), {150, 480, 1845, 300});
    vsMic.SetToolTip(L"麦克风音量");
    SetAccessibleName(vsMic.Hwnd(), L"麦克风音量");
    Label2.Create(Frame1.Inner(), L"扬声器：", {210, 930, 855, 285});
    vsVolume.Create(Frame1.Inner(), {150, 1170, 1785, 300});
    vsVolume.SetToolTip(L"声量");
    SetAccessibleName(vsVolume.Hwnd(), L"声量");
    vsMic.OnScroll([this](int) { vsMic_Scroll(); });
    vsVolume.OnScroll([this](int) { vsVolume_Scroll(); });
    // The frame lies beyond the client area and is never seen; hidden too,
    // so that Tab never moves the focus onto its sliders out of sight. The
    // level shortcuts work on them all the same.
    Frame1.SetVisible(false);
}

// The main panel: the record toolbar, the position slider and busy bar, the
// status and file labels, and the link toolbar.
void FrmMain::BuildMainPanel() {
    // Ends above the status bar at every scale.
    picMain.Create(*this, {0, 0, 4335, 2235});
    Window& main = picMain.Inner();
    LoadToolbarImages();
    TbrRecord.Create(main, {45, 120, 4215, 525}, ImgRecord,
                     {{L"new", L"新建", 1, L"新建 (Ctrl+N)"},
                      {L"play", L"播放", 2, L"播放 (Ctrl+P)"},
                      {L"stop", L"停止", 3, L"停止 (Esc)"},
                      {L"record", L"录音", 4, L"录音 (Ctrl+R)"},
                      {L"save", L"保存", 5, L"保存 (Ctrl+Shift+S)"},
                      {L"help", L"帮助", 6, L"帮助"},
                      {L"update", L"升级", 15, L"升级"},
                      {L"guestbook", L"留言", 13, L"留言"},
                      {L"exit", L"退出", 16, L"退出"}});
    TbrRecord.OnButtonClick([this](const ToolbarButton& b) { TbrRecord_ButtonClick(b); });
    SetAccessibleName(TbrRecord.Hwnd(), L"录音工具栏");
    sldRecord.Create(main, {1110, 690, 3135, 450});
    SetAccessibleName(sldRecord.Hwnd(), L"播放位置");
    dBar1.Create(main, {1110, 660, 3165, 375});
    SetAccessibleName(dBar1.Hwnd(), L"正在处理");
    Lblread.Create(main, L"当前状态：", {120, 780, 960, 255});  // clear of the slider
    // Two lines of text, ending above the link toolbar.
    LblFile.Create(main, L"文件：", {120, 1200, 4095, 480});
    cmdMore.Create(main, L"<<", {3000, 1320, 375, 315});
    // The button would sit on the file label's second line; it stays hidden,
    // so the side panel is always shown (cmdMore_Click remains for code).
    cmdMore.SetVisible(false);
    cmdMore.OnClick([this] { cmdMore_Click(); });
    std::wstring homeTip = std::wstring(L"维莫拉主页") + L"\u3000" + maker::kWebHost;
    tbrOther.Create(main, {45, 1680, 4215, 525}, imgOther,
                    {{L"home", L"维莫拉", 1, homeTip},
                     {L"site", L"网址导航", 2, L"精彩网址，一网打尽！"},
                     {L"tv", L"网络电视", 3, L"免费在线网络电视电影，高清流畅！"},
                     {L"dingzhi", L"软件定制", 4, L"为企业及个人提供软件定制服务"},
                     {L"hot", L"热门推荐", 5, L"热门优秀软件推荐！"}});
    tbrOther.OnButtonClick([this](const ToolbarButton& b) { tbrOther_ButtonClick(b); });
    SetAccessibleName(tbrOther.Hwnd(), L"链接工具栏");
}

// The toolbar pictures drawn for the window's dpi.
void FrmMain::LoadToolbarImages() {
    static const UINT kRecord[] = {IDB_IMG_RECORD, IDB_IMG_RECORD_20, IDB_IMG_RECORD_24, IDB_IMG_RECORD_32,
                                   IDB_IMG_RECORD_40};
    static const UINT kOther[] = {IDB_IMG_OTHER, IDB_IMG_OTHER_20, IDB_IMG_OTHER_24, IDB_IMG_OTHER_32,
                                  IDB_IMG_OTHER_40};
    int i = ImageList::SizeIndexForDpi(Dpi());
    // The toolbars take the new lists before the old ones go.
    ImageList record, other;
    record.Load(kRecord[i], ImageList::kSizes[i], kSilver);
    other.Load(kOther[i], ImageList::kSizes[i], kSilver);
    if (TbrRecord.Created()) TbrRecord.SetImages(record);
    if (tbrOther.Created()) tbrOther.SetImages(other);
    ImgRecord = std::move(record);
    imgOther = std::move(other);
}

// The window has moved to a monitor of another scale (or the scale changed)
// and its controls are back at their twips with the dialog font for the new
// dpi: the toolbar pictures are drawn for it.
void FrmMain::Form_DpiChanged() {
    Resume([this] { LoadToolbarImages(); });
}

// The side panel's three buttons.
void FrmMain::BuildSidePanel() {
    fraMore.Create(*this, L"", {4380, 0, 1155, 2235});
    cmdRecCtr.Create(fraMore.Inner(), L"录音控制", {90, 240, 945, 375});
    cmdVolCtr.Create(fraMore.Inner(), L"音量控制", {90, 720, 945, 375});
    cmdConvert.Create(fraMore.Inner(), L"MP3转换", {90, 1800, 945, 375});
    mtrLevel.Create(fraMore.Inner(), {90, 1185, 945, 510});
    cmdRecCtr.OnClick([this] { cmdRecCtr_Click(); });
    cmdVolCtr.OnClick([this] { cmdVolCtr_Click(); });
    cmdConvert.OnClick([this] { cmdConvert_Click(); });
}

// Runs once: before the window is first shown (Create), or in the program
// just after (CreateAndShow).
void FrmMain::Form_Load() {
    blnModified = 0;
    InitVolumeControls();
    NewRecordFile();
    LoadInputSource();
    // Voice-activated recording starts off, as it was last set up.
    voice_ = LoadVoiceSettings();
    voice_.trigger.on = false;
    voiceTarget_ = LoadAutoSaveTarget();
    SetIdleLook();
    ResumeSchedule();
}

void FrmMain::SetIdleLook() {
    TbrRecord.SetButtonEnabled(L"stop", false);
    dBar1.SetVisible(false);
}

// A close request from the window system. The program ends only through Exit.
void FrmMain::Form_Unload(int16_t& Cancel) { Cancel = 1; }

// A click on a record toolbar button; any failure is reported and the action
// stays as far as it got.
void FrmMain::TbrRecord_ButtonClick(const ToolbarButton& Button) {
    TrapAndReport(Hwnd(), kProgramTitle, [&] {
        switch (Button.index) {
            case 1: mnuNew_Click(); break;
            case 2: mnuPlay_Click(); break;
            case 3: mnuStop_Click(); break;
            case 4: mnuRecord_Click(); break;
            case 5: mnuSave_Click(); break;
            case 6: mnuHowtoUsed_Click(); break;
            case 7: mnuHome_Click(); break;
            case 8: mnuGuestbook_Click(); break;
            case 9: mnuExit_Click(); break;
            default: break;
        }
    });
}

void FrmMain::Reported(void (FrmMain::*handler)()) {
    TrapAndReport(Hwnd(), kProgramTitle, [&] { (this->*handler)(); });
}

// A click on the expand/collapse button: narrows the window to the main panel
// or widens it to show the side panel again. The height stays.
void FrmMain::cmdMore_Click() {
    float width;
    if (cmdMore.Text() == L">>") {
        width = static_cast<float>(fraMore.Left()) + static_cast<float>(fraMore.Width()) + 100.0f;
        cmdMore.SetText(L"<<");
    } else {
        width = static_cast<float>(picMain.Width()) + 100.0f;
        cmdMore.SetText(L">>");
    }
    RECT rc;
    GetWindowRect(Hwnd(), &rc);
    SetWindowPos(Hwnd(), nullptr, 0, 0, TwipsToPixels(width, Dpi()), rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrmMain::EndProgram() { Destroy(); }

LRESULT FrmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE: {
            int16_t cancel = 0;
            Form_Unload(cancel);
            if (!cancel) Destroy();
            return 0;
        }
        case WM_QUERYENDSESSION:
            return Form_QueryEndSession() ? TRUE : FALSE;
        case WM_ENDSESSION:
            Form_EndSession(wParam != FALSE);
            return 0;
        case WM_SIZE:
            if (sb1.Created()) Resume([this] { sb1.ParentResized(); });
            break;
        case WM_DESTROY:
            if (quitOnDestroy_) PostQuitMessage(0);
            break;
        case kStartUpMessage:
            StartUp();
            return 0;
        case WM_POWERBROADCAST:
            Resume([&] { scheduled_->Power(wParam); });
            return TRUE;
        case kAutoSavedMessage:
            Resume([this] { AutoSaver_Done(); });
            return 0;
        case kOfferLeftoversMessage:
            if (leftoversWaiting_ && !ScheduleActive()) {
                leftoversWaiting_ = false;
                TrapAndReport(Hwnd(), kProgramTitle, [this] { OfferLeftoverRecordings(); });
            }
            return 0;
        case WM_INITMENUPOPUP:
            if (reinterpret_cast<HMENU>(wParam) == mnuSource_) Resume([this] { mnuSource_Popup(); });
            break;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace orvo::recorder
