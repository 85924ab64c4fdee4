#include "recorder/voice/frm_voice_record.h"

#include <algorithm>
#include <initializer_list>

#include "base/failure.h"
#include "recorder/resource.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace {

const wchar_t kClassName[] = L"OrvoVoiceRecord";

// Layout in twips, relative to the client area.
constexpr int kClientWidth = 5700, kClientHeight = 4750;
constexpr double kLabelX = 150, kLabelW = 1650, kFieldX = 1850, kRow = 405, kTop = 150;
constexpr double kBoxH = 315, kLabelDrop = 45, kLabelH = 255;

constexpr TwipRect LabelAt(int row, double x = kLabelX, double w = kLabelW) {
    return {x, kTop + row * kRow + kLabelDrop, w, kLabelH};
}
constexpr TwipRect FieldAt(int row, double w, double x = kFieldX) { return {x, kTop + row * kRow, w, kBoxH}; }
// A drop-down list's rectangle is its closed box and its open list.
constexpr TwipRect ListAt(int row, double w) { return {kFieldX, kTop + row * kRow, w, 1200}; }

constexpr wchar_t kModes[][24] = {L"跳过静音（录成一个文件）", L"每段声音存为一个文件"};
constexpr wchar_t kFormats[][8] = {L"WAV", L"MP3", L"FLAC"};

}  // namespace

bool FrmVoiceRecord::Load(HWND owner, const VoiceSettings& settings, const AutoSaveTarget& target,
                          Switched switched) {
    settings_ = settings;
    target_ = target;
    switched_ = std::move(switched);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    const int dpi = DpiOf(owner);
    RECT r = CentredFrame(owner, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi), style, exStyle);
    if (!CreateOf(kClassName, style, exStyle, L"声控录音", r.left, r.top, r.right - r.left, r.bottom - r.top, owner))
        return false;
    Resume([&] { ShowSettings(); });
    ShowWindow(Hwnd(), SW_SHOW);
    txtThreshold.SetFocus();
    return true;
}

LRESULT FrmVoiceRecord::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            // A control the system refuses leaves the window without it.
            Resume([&] { OnCreate(); });
            return 0;
        case WM_CLOSE:
            cmdClose_Click();
            return 0;
        case WM_NEXTDLGCTL: {
            // What the dialog keys ask for (a caption's Alt+key moves past
            // it): the window is no dialog, so it answers itself.
            HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(Hwnd(), GetFocus(), wParam != 0);
            if (to) ::SetFocus(to);
            return 0;
        }
        case WM_ACTIVATE:
            // As a dialog does: the field the user was in has the focus again
            // when the window comes back.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(Hwnd(), focus)) lastFocus_ = focus;
            } else if (!HIWORD(wParam)) {
                ::SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : txtThreshold.Hwnd());
            }
            return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void FrmVoiceRecord::OnCreate() {
    lblThreshold.CreateCaption(*this, L"触发音量(&T)：", LabelAt(0));
    txtThreshold.Create(*this, L"", FieldAt(0, 900), ES_AUTOHSCROLL, IDC_VOICE_THRESHOLD);
    lblThresholdUnit.Create(*this, L"dBFS（-60 到 0）", LabelAt(0, 2850, 2700));
    lblHold.CreateCaption(*this, L"静音等待(&H)：", LabelAt(1));
    txtHold.Create(*this, L"", FieldAt(1, 900), ES_AUTOHSCROLL, IDC_VOICE_HOLD);
    lblHoldUnit.Create(*this, L"秒无声音后停止保留", LabelAt(1, 2850, 2700));
    lblPreRoll.CreateCaption(*this, L"提前保留(&P)：", LabelAt(2));
    txtPreRoll.Create(*this, L"", FieldAt(2, 900), ES_AUTOHSCROLL, IDC_VOICE_PREROLL);
    lblPreRollUnit.Create(*this, L"秒（最多 30 秒）", LabelAt(2, 2850, 2700));
    lblMode.CreateCaption(*this, L"录音方式(&M)：", LabelAt(3));
    cboMode.Create(*this, ListAt(3, 3700), IDC_VOICE_MODE);
    for (const wchar_t* m : kModes) cboMode.AddItem(m);
    cboMode.OnChange([this] { cboMode_Change(); });

    lblFiles.Create(*this, L"每段声音存为文件时：", LabelAt(4, kLabelX, 5400));
    lblFolder.CreateCaption(*this, L"文件夹(&F)：", LabelAt(5, 300, 1500));
    txtFolder.Create(*this, L"", FieldAt(5, 2500), ES_AUTOHSCROLL, IDC_VOICE_FOLDER);
    cmdBrowse.Create(*this, L"浏览(&W)...", {4450, kTop + 5 * kRow - 15, 1100, 360}, IDC_VOICE_BROWSE);
    cmdBrowse.OnClick([this] { cmdBrowse_Click(); });
    lblFormat.CreateCaption(*this, L"格式(&O)：", LabelAt(6, 300, 1500));
    cboFormat.Create(*this, ListAt(6, 1500), IDC_VOICE_FORMAT);
    for (const wchar_t* f : kFormats) cboFormat.AddItem(f);
    lblPattern.CreateCaption(*this, L"文件名(&N)：", LabelAt(7, 300, 1500));
    txtPattern.Create(*this, L"", FieldAt(7, 3600), ES_AUTOHSCROLL, IDC_VOICE_PATTERN);

    lblNote.Create(*this, L"", {kLabelX, kTop + 8 * kRow + 300, 5400, 480}, IDC_VOICE_NOTE);
    cmdSwitch.Create(*this, L"", {2550, 4230, 1500, 375}, IDC_VOICE_SWITCH, true);
    cmdSwitch.OnClick([this] { cmdSwitch_Click(); });
    cmdClose.Create(*this, L"关闭(&C)", {4150, 4230, 1400, 375}, IDC_VOICE_CLOSE);
    cmdClose.OnClick([this] { cmdClose_Click(); });
    OnCommand(IDCANCEL, [this] { cmdClose_Click(); });
}

void FrmVoiceRecord::ShowSettings() {
    wchar_t db[32];
    swprintf(db, 32, L"%g", settings_.trigger.thresholdDb);
    txtThreshold.SetText(db);
    txtHold.SetText(SecondsText(settings_.trigger.holdMs));
    txtPreRoll.SetText(SecondsText(settings_.trigger.preRollMs));
    cboMode.SetSelectedIndex(settings_.mode == VoiceMode::FilePerSegment ? 1 : 0);
    txtFolder.SetText(target_.folder);
    cboFormat.SetSelectedIndex(static_cast<int>(target_.format));
    txtPattern.SetText(target_.pattern);
    cmdSwitch.SetText(settings_.trigger.on ? L"关闭声控(&S)" : L"开启声控(&S)");
    lblNote.SetText(settings_.trigger.on ? L"声控录音已开启，下次录音起生效。" : L"文件名中 YYYY MM DD HH MM SS 换成录音的日期和时间。");
    cboMode_Change();
}

void FrmVoiceRecord::cboMode_Change() {
    const bool files = cboMode.SelectedIndex() == 1;
    for (Control* c : std::initializer_list<Control*>{&lblFolder, &txtFolder, &cmdBrowse, &lblFormat, &cboFormat,
                                                      &lblPattern, &txtPattern})
        c->SetEnabled(files);
}

void FrmVoiceRecord::cmdBrowse_Click() {
    std::wstring chosen = Ui().FolderDialog(Hwnd(), L"选择保存声音文件的文件夹", txtFolder.Text());
    if (!chosen.empty()) txtFolder.SetText(chosen);
}

bool FrmVoiceRecord::ReadFields() {
    VoiceTrigger trigger = settings_.trigger;
    std::wstring problem = ParseVoiceFields(txtThreshold.Text(), txtHold.Text(), txtPreRoll.Text(), trigger);
    VoiceMode mode = cboMode.SelectedIndex() == 1 ? VoiceMode::FilePerSegment : VoiceMode::SkipSilence;
    AutoSaveTarget target{txtFolder.Text(), static_cast<SaveFormat>(std::max(0, cboFormat.SelectedIndex())),
                          txtPattern.Text()};
    while (!target.folder.empty() && (target.folder.back() == L'\\' || target.folder.back() == L'/'))
        target.folder.pop_back();
    if (problem.empty() && mode == VoiceMode::FilePerSegment) {
        DWORD attributes = GetFileAttributesW(target.folder.c_str());
        if (target.folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            problem = L"找不到保存文件的文件夹“" + target.folder + L"”。";
    }
    if (!problem.empty()) {
        lblNote.SetText(problem);
        return false;
    }
    settings_.trigger = trigger;
    settings_.mode = mode;
    if (mode == VoiceMode::FilePerSegment) target_ = target;
    return true;
}

void FrmVoiceRecord::cmdSwitch_Click() {
    // Turning off needs nothing of the fields; turning on needs them all.
    if (!settings_.trigger.on && !ReadFields()) return;
    settings_.trigger.on = !settings_.trigger.on;
    StoreVoiceSettings(settings_);
    if (settings_.mode == VoiceMode::FilePerSegment) StoreAutoSaveTarget(target_);
    ShowSettings();
    if (switched_) switched_(settings_, target_);
}

void FrmVoiceRecord::cmdClose_Click() { Destroy(); }

}  // namespace orvo::recorder
