// Measures the WAV reader and the waveform drawing against plain baselines
// in the same run, and prints the ratios.
//
//   bench_waveform.exe [folder [MB]]     benchmark; the 600 MB file goes there
//   bench_waveform.exe --show [folder]   opens the waveform window on a stereo
//                                        file for a look (or a screenshot)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "base/scoped.h"
#include "win/window.h"
#include "recorder/waveform/frm_audio_edit.h"
#include "recorder/waveform/mod_audio_edit.h"
#include "recorder/waveform/wave_trace.h"

namespace mae = orvo::recorder::modAudioEdit;
using orvo::recorder::frmAudioEdit;

namespace {

using orvo::bench::Now;

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 16-bit stereo file of the given data size: two tones, left and right.
bool WriteStereoWave(const std::wstring& path, uint32_t dataBytes) {
    orvo::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                          1,   0,   2,   0,   0, 0, 0, 0, 0,   0,   0,   0,   4,   0,   16,  0,   'd', 'a', 't', 'a'};
    Put32(header + 4, 36 + dataBytes);
    Put32(header + 24, 44100);
    Put32(header + 28, 44100 * 4);
    Put32(header + 40, dataBytes);
    DWORD written;
    if (!WriteFile(file.Get(), header, sizeof(header), &written, nullptr)) return false;
    std::vector<int16_t> block(1 << 21);  // 4 MiB
    uint64_t frame = 0;
    for (uint32_t done = 0; done < dataBytes;) {
        for (size_t i = 0; i < block.size(); i += 2, ++frame) {
            double t = frame / 44100.0;
            double envelope = 0.35 + 0.3 * std::sin(t * 2.1);
            block[i] = static_cast<int16_t>(32000 * envelope * std::sin(2 * 3.14159265 * 220 * t));
            block[i + 1] = static_cast<int16_t>(20000 * std::sin(2 * 3.14159265 * 3 * t) * std::sin(2 * 3.14159265 * 660 * t));
        }
        DWORD n = static_cast<DWORD>(std::min<uint64_t>(block.size() * 2, dataBytes - done));
        if (!WriteFile(file.Get(), block.data(), n, &written, nullptr) || written != n) return false;
        done += n;
    }
    return true;
}

// The baseline of the reader: the same bytes into one zero-filled block.
double PlainRead(const std::wstring& path, uint32_t bytes) {
    double t0 = Now();
    orvo::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    orvo::ScopedHGlobal block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes));
    SetFilePointer(file.Get(), 44, nullptr, FILE_BEGIN);
    DWORD got = 0;
    ReadFile(file.Get(), block.Get(), bytes, &got, nullptr);
    double t = Now() - t0;
    if (got != bytes) std::printf("plain read short: %lu\n", got);
    return t;
}

double LoadOnce(const std::wstring& path) {
    double t0 = Now();
    mae::LoadWaveFile(path);
    return Now() - t0;
}

// The baseline of the drawing: the same lines from remembered coordinates,
// with no sample read.
double DrawWithoutReads(const frmAudioEdit& form, const std::vector<int64_t>& coords, int dpi) {
    HDC dc = form.Picture().ImageDc();
    double t0 = Now();
    RECT r{0, 0, form.Picture().ImageWidth(), form.Picture().ImageHeight()};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    orvo::ScopedSelect pen(dc, GetStockObject(BLACK_PEN));
    for (size_t i = 0; i + 3 < coords.size(); i += 4) {
        MoveToEx(dc, orvo::TwipsToPixels(static_cast<double>(coords[i]), dpi),
                 orvo::TwipsToPixels(static_cast<double>(coords[i + 1]), dpi), nullptr);
        LineTo(dc, orvo::TwipsToPixels(static_cast<double>(coords[i + 2]), dpi),
               orvo::TwipsToPixels(static_cast<double>(coords[i + 3]), dpi));
    }
    InvalidateRect(GetDlgItem(form.Hwnd(), frmAudioEdit::IDC_PICAUDIOWAV), nullptr, FALSE);
    return Now() - t0;
}

std::wstring Folder(int argc, wchar_t** argv, int index) {
    if (argc > index) return argv[index];
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

int Show(const std::wstring& folder) {
    std::wstring path = folder + L"\\orvo_show.wav";
    if (!WriteStereoWave(path, 44100 * 4 * 3)) return 1;
    frmAudioEdit form;
    if (!form.Create(nullptr)) return 1;
    SetWindowTextW(form.Item(frmAudioEdit::IDC_TEXT1), path.c_str());
    mae::LoadWaveFile(path);
    form.SetHScrollValue(1, 0);
    form.SetHScrollValue(2, 1000);
    form.SetHScrollValue(2, 20);  // the first 60 ms, two traces
    ShowWindow(form.Hwnd(), SW_SHOW);
    DWORD end = GetTickCount() + 8000;
    MSG m;
    while (GetTickCount() < end) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(20);
    }
    form.Destroy();
    DeleteFileW(path.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    if (argc > 1 && std::wstring(argv[1]) == L"--show") return Show(Folder(argc, argv, 2));

    const uint32_t megabytes = argc > 2 ? static_cast<uint32_t>(_wtoi(argv[2])) : 600;
    const uint32_t bytes = megabytes * 1000 * 1000;
    std::wstring path = Folder(argc, argv, 1) + L"\\orvo_bench_600mb.wav";
    std::printf("writing %u bytes of 16-bit stereo samples...\n", bytes);
    if (!WriteStereoWave(path, bytes)) {
        std::printf("cannot write the file\n");
        return 1;
    }

    double bestPlain = 1e9, bestLoad = 1e9;
    for (int round = 0; round < 3; ++round) {
        bestPlain = std::min(bestPlain, PlainRead(path, bytes));
        bestLoad = std::min(bestLoad, LoadOnce(path));
        if (!mae::bWaveLoaded) {
            std::printf("the reader failed\n");
            return 1;
        }
    }
    std::printf("plain read:    %.3f s (%.0f MB/s)\n", bestPlain, bytes / bestPlain / 1e6);
    std::printf("LoadWaveFile:  %.3f s (%.0f MB/s)\n", bestLoad, bytes / bestLoad / 1e6);
    std::printf("load ratio:    %.3f (target <= 1.25)\n", bestLoad / bestPlain);

    frmAudioEdit form;
    if (!form.Create(nullptr)) {
        std::printf("no window (is there a display?)\n");
        return 1;
    }
    mae::bWaveLoaded = -1;  // the window's load clears it; the samples are still there
    form.SetHScrollValue(1, 250);
    form.SetHScrollValue(2, 750);  // 75 million frames over 5685 twips
    int dpi = orvo::DpiOf(form.Hwnd());

    orvo::recorder::WaveGeometry g;
    orvo::recorder::WaveGeometryOf(mae::lStartFrame, mae::lEndFrame, 5685.0f, 2325.0f, mae::WaveFormat,
                                   mae::lFrameCount, g);
    std::vector<int64_t> coords;
    orvo::recorder::TraceWave(g, [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        coords.insert(coords.end(), {x0, y0, x1, y1});
    });
    const int reps = 200;
    double bestDraw = 1e9, bestLines = 1e9;
    for (int round = 0; round < 5; ++round) {
        double t0 = Now();
        for (int i = 0; i < reps; ++i) form.DrawWaves();
        bestDraw = std::min(bestDraw, (Now() - t0) / reps);
        t0 = Now();
        for (int i = 0; i < reps; ++i) DrawWithoutReads(form, coords, dpi);
        bestLines = std::min(bestLines, (Now() - t0) / reps);
    }
    std::printf("lines per redraw: %zu (two traces)\n", coords.size() / 4);
    std::printf("DrawWaves:        %.3f ms\n", bestDraw * 1e3);
    std::printf("lines, no reads:  %.3f ms\n", bestLines * 1e3);
    std::printf("draw ratio:       %.3f (target <= 1.3)\n", bestDraw / bestLines);

    form.Destroy();
    DeleteFileW(path.c_str());
    return 0;
}
