#include "recorder/volume/frm_test_card.h"

#include <mmsystem.h>

#include "base/failure.h"
#include "win/window_tools.h"
#include "recorder/resource.h"
#include "recorder/volume/sound_card_report.h"

namespace orvo::recorder {
namespace {

const wchar_t kClassName[] = L"OrvoTestCard";

// Layout in twips, relative to the client area.
constexpr int kClientWidth = 4425, kClientHeight = 5790;
constexpr TwipRect kText1{30, 60, 4335, 5235};
constexpr TwipRect kCommand1{3390, 5370, 975, 375};

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    ScopedGetDc dc(nullptr);
    if (dc.Get()) EnumFontFamiliesExW(dc.Get(), &lf, &NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The report's font is 宋体. Where it is missing, the system's dialog font is
// used instead: it is the one a Chinese system maps to a face with Chinese
// glyphs, where a font asked for by a missing name may draw boxes.
ScopedGdi<HFONT> MakeTextFont(int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    const wchar_t* face = L"宋体";
    if (!FontInstalled(face)) face = FontInstalled(L"SimSun") ? L"SimSun" : L"MS Shell Dlg 2";
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return ScopedGdi<HFONT>(CreateFontIndirectW(&lf));
}

}  // namespace

bool frmTestCard::Load(HWND owner) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    int dpi = DpiOf(owner);
    // Centred over the owner, or on the screen without one.
    RECT r = CentredFrame(owner, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi), style, exStyle);
    if (!CreateOf(kClassName, style, exStyle, L"声卡信息：", r.left, r.top, r.right - r.left, r.bottom - r.top, owner))
        return false;
    Form_Load();
    return true;
}

void frmTestCard::ShowModal(HWND owner) {
    frmTestCard window;
    if (!window.Load(owner)) return;
    SetFocus(window.Text1());
    window.RunModal(owner);
}

std::wstring frmTestCard::Text() const { return text1_.Text(); }

LRESULT frmTestCard::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A control the system refuses leaves the window without it, as before.
    if (msg == WM_CREATE) {
        Resume([&] { OnCreate(); });
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void frmTestCard::OnCreate() {
    text1_.Create(*this, L"", kText1, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
                  IDC_TESTCARD_TEXT1);
    command1_.Create(*this, L"关闭", kCommand1, IDC_TESTCARD_COMMAND1);
    command1_.OnClick([this] { Command1_Click(); });
    // Escape, as in any modal window with a single way out.
    OnCommand(IDCANCEL, [this] { Command1_Click(); });
    SetTextFont();
}

void frmTestCard::SetTextFont() {
    ScopedGdi<HFONT> font = MakeTextFont(Dpi());
    if (!font) return;
    text1_.SetFont(font.Get());
    textFont_ = std::move(font);
}

// At a new dpi the report keeps its own font, made for that dpi.
void frmTestCard::Form_DpiChanged() { SetTextFont(); }

void frmTestCard::Form_Load() {
    Resume([&] { SetText(L""); });
    Resume([&] { ShowCardInfo(); });
}

void frmTestCard::Command1_Click() { Destroy(); }

bool frmTestCard::TestSoundCard() {
    bool found = waveOutGetNumDevs() >= 1;
    SetText(SoundCardHeader(found));
    return found;
}

void frmTestCard::ShowCardInfo() {
    Resume([&] { SetText(L""); });
    // Without a wave-out device the window still opens, showing just the
    // header that says so: the recording in the main window stays untouched.
    bool found = false;
    Resume([&] { found = TestSoundCard(); });
    if (!found) return;
    WaveOutDescription device;
    if (!QueryWaveOutDescription(0, device)) return;
    Resume([&] { Append(SoundCardDetails(device)); });
}

void frmTestCard::SetText(const std::wstring& text) { text1_.SetText(text); }

void frmTestCard::Append(const std::wstring& piece) { SetText(Text() + piece); }

}  // namespace orvo::recorder
