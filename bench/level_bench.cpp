// Measures the level meter's work on one second of 44.1 kHz stereo 16-bit
// audio against copying the same bytes once, in the same run, and prints the
// ratio (best of many rounds, so a busy machine shows less).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/clock.h"
#include "audio/level_tap.h"
#include "audio/wave_riff.h"
#include "audio/wave_audio_device.h"

namespace {

using orvo::bench::Now;

template <typename F>
double Best(F&& f, int rounds) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        double t0 = Now();
        f();
        best = std::min(best, Now() - t0);
    }
    return best;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& f) {
        return static_cast<double>(static_cast<uint64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Records for the given time with the real device (the meter runs on its
// worker) and returns the process CPU time it took and the audio it got.
bool RecordFor(DWORD ms, double& cpu, double& audioSeconds) {
    orvo::WaveAudioDevice device;
    device.SetFileName(L"new");
    if (device.Command(L"open") || device.Command(L"record")) return false;
    double c0 = ProcessCpuSeconds();
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
    device.Command(L"stop");
    cpu = ProcessCpuSeconds() - c0;
    audioSeconds = device.Length() / 1000.0;
    device.Command(L"close");
    return true;
}

}  // namespace

int main() {
    const WAVEFORMATEX f = orvo::PcmFormat(44100, 16, 2);
    std::vector<int16_t> audio(44100 * 2);
    for (size_t i = 0; i < audio.size(); ++i)
        audio[i] = static_cast<int16_t>(20000 * std::sin(static_cast<double>(i / 2) * 0.0627));
    std::vector<int16_t> copy(audio.size());
    size_t bytes = audio.size() * 2;

    volatile double sink = 0;
    // The tap as the recorder feeds it: ten buffers of 100 ms.
    orvo::LevelTap tap;
    tap.Start(f);
    double measure = Best([&] {
        for (int b = 0; b < 10; ++b) tap.Feed(reinterpret_cast<const char*>(audio.data()) + b * bytes / 10, bytes / 10);
        sink = sink + tap.Read().db[0];
    }, 400);
    double memcpyTime = Best([&] {
        std::memcpy(copy.data(), audio.data(), bytes);
        sink = sink + copy[bytes / 4];
    }, 400);
    std::printf("levels of 1 s of 44.1 kHz stereo 16-bit: %.1f us\n", measure * 1e6);
    std::printf("memcpy of the same bytes:               %.1f us\n", memcpyTime * 1e6);
    std::printf("ratio: %.2f (target <= 3)\n", measure / memcpyTime);

    // Recording: the process's CPU time over a take, and the share of it the
    // meter's work on the same amount of audio accounts for.
    double cpu = 0, seconds = 0;
    if (RecordFor(20000, cpu, seconds) && cpu > 0) {
        double meterCpu = measure * seconds;
        std::printf("recording %.1f s of audio took %.3f s CPU, of which the meter %.4f s\n", seconds, cpu, meterCpu);
        std::printf("ratio with meter / without: %.4f (target <= 1.05)\n", cpu / std::max(1e-9, cpu - meterCpu));
    } else {
        std::printf("recording: no input device, not measured\n");
    }
    return 0;
}
