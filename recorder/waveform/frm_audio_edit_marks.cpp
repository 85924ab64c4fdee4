// The waveform window's marks and saves: the shown file's marks as labelled
// ticks over the drawing, markers moved onto them, and the stretch A–B saved
// alone or cut out into a new file.
#include <algorithm>

#include "audio/wave_errors.h"
#include "audio/wave_riff.h"
#include "base/path.h"
#include "base/replacing_file.h"
#include "base/rounding.h"
#include "recorder/jobs/save_file.h"
#include "recorder/program.h"
#include "recorder/waveform/frm_audio_edit.h"
#include "recorder/waveform/mod_audio_edit.h"
#include "win/report.h"
#include "win/ui_seam.h"
#include "win/window_tools.h"

namespace orvo::recorder {
namespace mae = modAudioEdit;

namespace {

constexpr COLORREF kTickColour = RGB(200, 0, 0);
constexpr int kTickTwips = 150;      // how far a tick reaches down
constexpr int kTickReachPixels = 6;  // a click this near a tick is on it

// The file's name with what a save of part of it adds ("a.wav" -> "a_A-B.wav").
std::wstring StretchName(const std::wstring& path, const wchar_t* suffix) {
    const size_t dot = path.rfind(L'.'), sep = path.find_last_of(L"\\/");
    const bool hasExt = dot != std::wstring::npos && (sep == std::wstring::npos || dot > sep);
    return (hasExt ? path.substr(0, dot) : path) + suffix + L".wav";
}

}  // namespace

// After a file is read: its marks, from its cue chunk.
void frmAudioEdit::ReadMarks() {
    marks_.clear();
    WaveLayout layout;
    if (mae::bWaveLoaded && InspectWaveFile(sWaveFile_, layout) == WaveFileProblem::None) marks_ = layout.marks;
}

// Over the traces: a short line and the name of every mark between A and B.
void frmAudioEdit::DrawTicks(double framesPerTwip) {
    ticks_.clear();
    if (marks_.empty() || framesPerTwip <= 0) return;
    HDC dc = picture_.ImageDc();
    const int dpi = Dpi();
    ScopedGdi<HPEN> pen(CreatePen(PS_SOLID, 1, kTickColour));
    ScopedSelect penIn(dc, pen.Get());
    ScopedSelect fontIn(dc, DialogFont(dpi));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTickColour);
    const int bottom = TwipsToPixels(kTickTwips, dpi);
    for (size_t i = 0; i < marks_.size(); ++i) {
        const WaveMark& m = marks_[i];
        if (m.frame < static_cast<uint64_t>(mae::lStartFrame) || m.frame > static_cast<uint64_t>(mae::lEndFrame))
            continue;
        const int x = TwipsToPixels((static_cast<double>(m.frame) - mae::lStartFrame) / framesPerTwip, dpi);
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, bottom);
        TextOutW(dc, x + 2, 0, m.name.c_str(), static_cast<int>(m.name.size()));
        ticks_.push_back({x, i});
    }
}

void frmAudioEdit::picAudioWav_MouseDown(int x, bool right) {
    const std::pair<int, size_t>* nearest = nullptr;
    for (const auto& tick : ticks_)
        if (std::abs(tick.first - x) <= kTickReachPixels &&
            (!nearest || std::abs(tick.first - x) < std::abs(nearest->first - x)))
            nearest = &tick;
    if (nearest) MoveMarkerToMark(right ? 2 : 1, nearest->second);
}

// a: A on to the next mark before B (from the first again at the last);
// b: B on to the next mark (back to the first after A at the last).
void frmAudioEdit::picAudioWav_KeyPress(wchar_t key) {
    const int marker = (key == L'a' || key == L'A') ? 1 : (key == L'b' || key == L'B') ? 2 : 0;
    if (!marker) return;
    const int64_t a = mae::lStartFrame, b = mae::lEndFrame;
    auto first = [&](int64_t after, int64_t before) -> size_t {
        for (size_t i = 0; i < marks_.size(); ++i) {
            const auto frame = static_cast<int64_t>(marks_[i].frame);
            if (frame > after && frame < before) return i;
        }
        return marks_.size();
    };
    size_t next = marker == 1 ? first(a, b) : first(b, INT64_MAX);
    if (next == marks_.size()) next = marker == 1 ? first(-1, b) : first(a, INT64_MAX);
    if (next < marks_.size()) MoveMarkerToMark(marker, next);
}

void frmAudioEdit::MoveMarkerToMark(int marker, size_t mark) {
    if (!mae::bWaveLoaded || mark >= marks_.size() || mae::lFrameCount <= 0) return;
    const uint64_t frame = marks_[mark].frame;
    if (marker == 1 ? frame >= static_cast<uint64_t>(mae::lEndFrame) : frame <= static_cast<uint64_t>(mae::lStartFrame))
        return;
    // The marker's thumb goes to the nearest thousandth, still apart from the
    // other; the marked frame is the mark's own.
    int value = static_cast<int>(RoundHalfEven(static_cast<double>(frame) * kScrollMax / mae::lFrameCount));
    value = marker == 1 ? std::clamp(value, 0, valueB_ - 1) : std::clamp(value, valueA_ + 1, kScrollMax);
    (marker == 1 ? valueA_ : valueB_) = value;
    Marker(marker).SetValue(value);
    (marker == 1 ? mae::lStartFrame : mae::lEndFrame) = static_cast<int32_t>(frame);
    DrawWaves();
}

void frmAudioEdit::Command4_Click() { SaveStretch(StretchSave::Keep); }
void frmAudioEdit::Command5_Click() { SaveStretch(StretchSave::CutOut); }

// The stretch A–B of the shown file, alone or cut out, into a file the user
// names. The shown file itself is only read.
void frmAudioEdit::SaveStretch(StretchSave how) {
    TrapAndReport(Hwnd(), kProgramTitle, [&] {
        auto tell = [&](const std::wstring& text) {
            ShowMessage(Hwnd(), text, kProgramTitle, MB_OK | MB_ICONINFORMATION);
        };
        if (!mae::bWaveLoaded) return tell(L"没有读入WAV文件，无法保存。");
        // What is saved is read from the file again: it must still be the
        // sound on show.
        WaveLayout now;
        const uint16_t align = mae::WaveFormat.nBlockAlign;
        if (InspectWaveFile(sWaveFile_, now) != WaveFileProblem::None || align == 0 ||
            now.dataBytes / now.format.nBlockAlign != mae::DataBytes() / align)
            return tell(L"文件“" + FileNameOf(sWaveFile_) + L"”读入以后已被更改或无法再读取，请重新选择文件。");
        const std::wstring path =
            ChooseSaveTarget(Hwnd(), StretchName(sWaveFile_, how == StretchSave::Keep ? L"_A-B" : L"_删除A-B"));
        if (path.empty()) return;
        if (IsSameFile(path, sWaveFile_)) return tell(L"不能保存到正在显示的文件上，请另选一个文件名。");
        const uint64_t from = mae::lStartFrame, to = mae::lEndFrame;
        SaveWithProgress(
            Hwnd(), path,
            [&](const JobControl& control) { return SaveWaveStretch(sWaveFile_, from, to, how, path, &control); },
            [](MCIERROR err) { return WaveErrorText(err); });
    });
}

}  // namespace orvo::recorder
