// A recorder process for the crash tests: it records a take from the sound
// source, saves what it has (so the test knows it), plays back part of it,
// stops there and records a second take in the middle of the first; then
// it marks that the second take runs and keeps recording until it is
// killed.
//
//   orvo_record_child.exe <folder>   writes <folder>\first.wav and then
//                                    <folder>\recording once the second
//                                    take has begun
#include <windows.h>

#include <string>

#include "audio/wave_audio_device.h"

namespace {

bool WaitFor(const orvo::WaveAudioDevice& device, bool (*done)(const orvo::WaveAudioDevice&), DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 10) {
        if (done(device)) return true;
        Sleep(10);
    }
    return done(device);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring folder = argv[1];
    orvo::WaveAudioDevice device;
    device.SetFileName(L"new");
    if (device.Command(L"open") || device.Command(L"record")) return 3;
    if (!WaitFor(device, [](const orvo::WaveAudioDevice& d) { return d.Length() >= 1200; }, 10000)) return 4;
    device.Command(L"stop");
    if (device.Save(folder + L"\\first.wav")) return 5;
    device.Command(L"prev");
    if (device.Command(L"play")) return 6;
    if (!WaitFor(device, [](const orvo::WaveAudioDevice& d) { return d.Position() >= 500; }, 10000)) return 7;
    device.Command(L"stop");
    if (device.Command(L"record")) return 8;
    CloseHandle(CreateFileW((folder + L"\\recording").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    // Recording on until the test ends this process.
    for (;;) Sleep(1000);
}
