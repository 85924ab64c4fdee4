// frmAudioEdit: picks a WAV file, draws the stretch between markers A and B
// scaled to the full width of the drawing area, and plays that stretch.
// The file, the markers and the device belong to modAudioEdit; the window
// holds only the chosen path and its controls.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "audio/wave_marks.h"
#include "audio/wave_stretch.h"
#include "base/scoped.h"
#include "win/controls.h"
#include "win/window.h"
#include "win/window_tools.h"

namespace orvo::recorder {

// The drawing area: an off-screen image the traces are drawn into, painted
// onto the screen whenever the area is uncovered.
class WavePicture : public Window {
public:
    ~WavePicture() override;
    bool Create(HWND parent, int id, int x, int y, int width, int height);
    HDC ImageDc() const { return image_.Get(); }
    int ImageWidth() const { return width_; }
    int ImageHeight() const { return height_; }
    void Clear();
    void Show() { InvalidateRect(Hwnd(), nullptr, FALSE); }
    // A click at x pixels (right: with the right button), and a character
    // typed while the drawing has the focus.
    std::function<void(int x, bool right)> onMouseDown;
    std::function<void(wchar_t key)> onKeyPress;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // A blank image the size of the client area (after creation and every
    // change of size); false when the system refuses one.
    bool MakeImage();
    ScopedMemDc image_;
    ScopedGdi<HBITMAP> bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    int width_ = 0, height_ = 0;
};

class frmAudioEdit : public Window {
public:
    enum ControlId {
        IDC_FRAME1 = 301,
        IDC_TEXT1,
        IDC_COMMAND1,
        IDC_HSCROLL1,
        IDC_LABEL1,
        IDC_HSCROLL2,
        IDC_LABEL2,
        IDC_PICAUDIOWAV,
        IDC_COMMAND2,
        IDC_COMMAND3,
        IDC_COMMAND4,
        IDC_COMMAND5,
    };
    static constexpr int kScrollMax = 1000;

    frmAudioEdit() = default;
    ~frmAudioEdit() override;

    // Creates the window, hidden and centred on the screen, and runs Form_Load.
    bool Create(HWND owner);

    // Handlers, one per event.
    void Form_Load();
    void Command1_Click();
    void HScroll1_Change();
    void HScroll2_Change();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();
    void Form_Unload();
    // "保存 A–B 为…" and "删除 A–B 另存为…".
    void Command4_Click();
    void Command5_Click();
    // A click on the drawing: at a mark's tick, the left button moves A
    // there and the right button B. Keys a and b move A or B on to the next
    // mark.
    void picAudioWav_MouseDown(int x, bool right);
    void picAudioWav_KeyPress(wchar_t key);
    // Marker A (1) or B (2) exactly to the mark; nothing when it would pass
    // the other marker.
    void MoveMarkerToMark(int marker, size_t mark);

    // The shown file's marks, and where their ticks are drawn (pixels).
    const std::vector<WaveMark>& Marks() const { return marks_; }
    const std::vector<std::pair<int, size_t>>& Ticks() const { return ticks_; }

    void UpdateRange();
    void DrawWaves();

    // Marker values as the program sets them: the change handling runs when
    // the value changes.
    int HScrollValue(int marker) const { return marker == 1 ? valueA_ : valueB_; }
    void SetHScrollValue(int marker, int value);
    bool Timer1Enabled() const { return timer1_.Enabled(); }
    void SetTimer1(bool on);

    HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }
    const WavePicture& Picture() const { return picture_; }
    const std::wstring& WaveFile() const { return sWaveFile_; }
    int Redraws() const { return redraws_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    // marker: 1 for A, 2 for B.
    void OnHScroll(int marker, int code, int thumb);
    ScrollBar& Marker(int marker) { return marker == 1 ? hScroll1_ : hScroll2_; }
    // The markers' thickness in pixels at dpi.
    static int ScrollBarThickness(int dpi);
    // The markers at their thickness for the window's dpi.
    void FitScrollBars();
    void Form_DpiChanged() override;
    static void StartTimer1();
    void ReadMarks();
    void DrawTicks(double framesPerTwip);
    void SaveStretch(StretchSave how);

    std::wstring sWaveFile_;
    std::wstring dialogFileName_;
    std::wstring dialogDefaultExt_;
    ScrollBar hScroll2_;
    ScrollBar hScroll1_;
    Label label2_;
    Label label1_;
    WavePicture picture_;
    GroupBox frame1_;
    Button command1_;
    TextBox text1_;
    Button command3_;
    Button command2_;
    Timer timer1_;
    Button command4_;
    Button command5_;
    std::vector<WaveMark> marks_;
    std::vector<std::pair<int, size_t>> ticks_;
    int valueA_ = 0, valueB_ = 0;
    bool unloaded_ = false;
    int redraws_ = 0;
};

}  // namespace orvo::recorder
