// The encoders' speed, and what a save adds to it, in one run:
//   bench_encoders.exe [minutes] [folder]
// For MP3 (192 kbps) and FLAC (level 5): the encoder alone on generated CD
// sound (44.1 kHz, 16-bit stereo) handed over from memory, as a multiple of
// real time; then the same sound saved from an opened WAV file through the
// store, and the save's time over the encoder's.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/flac_writer.h"
#include "audio/lame_library.h"
#include "audio/mp3_writer.h"
#include "audio/wave_audio_device.h"
#include "audio/wave_riff.h"
#include "base/scoped.h"
#include "bench/clock.h"

namespace {

using orvo::bench::Now;

constexpr uint32_t kBlock = 1 << 20;

WAVEFORMATEX Cd() { return orvo::PcmFormat(44100, 16, 2); }

// Music-like sound: two tones and a little noise, the same for every call.
void Fill(std::vector<uint8_t>& block, uint64_t firstFrame) {
    uint32_t noise = static_cast<uint32_t>(firstFrame * 2654435761u);
    for (size_t i = 0; i + 4 <= block.size(); i += 4) {
        double t = static_cast<double>(firstFrame + i / 4) / 44100;
        noise = noise * 1664525u + 1013904223u;
        double v = 0.3 * std::sin(2 * 3.14159265 * 440 * t) + 0.2 * std::sin(2 * 3.14159265 * 1234 * t) +
                   0.05 * (static_cast<int32_t>(noise) / 2147483648.0);
        int16_t s = static_cast<int16_t>(v * 32767);
        for (int c = 0; c < 2; ++c) {
            block[i + 2 * c] = static_cast<uint8_t>(s);
            block[i + 2 * c + 1] = static_cast<uint8_t>(s >> 8);
        }
    }
}

std::unique_ptr<orvo::SampleWriter> Writer(bool mp3) {
    orvo::SaveTags tags;
    tags.title = L"bench";
    if (mp3) return std::make_unique<orvo::Mp3Writer>(*orvo::Lame(), 192, tags);
    return std::make_unique<orvo::FlacWriter>(tags);
}

// The encoder alone: blocks from memory into a file. Seconds.
double EncodeAlone(bool mp3, uint64_t bytes, const std::wstring& out) {
    std::vector<uint8_t> block(kBlock);
    orvo::ScopedFile file(CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    auto writer = Writer(mp3);
    const WAVEFORMATEX f = Cd();
    double spent = 0;
    double start = Now();
    writer->Begin(file.Get(), f, {}, bytes, {});
    for (uint64_t done = 0; done < bytes; done += kBlock) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kBlock, bytes - done));
        spent += Now() - start;
        Fill(block, done / 4);  // making the sound is not the encoder's time
        start = Now();
        writer->Write(file.Get(), block.data(), n);
    }
    writer->Finish(file.Get());
    return spent + Now() - start;
}

bool WriteSource(const std::wstring& path, uint64_t bytes) {
    orvo::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::vector<uint8_t> header = orvo::BuildWaveHeader(Cd(), {}, static_cast<uint32_t>(bytes));
    DWORD n = 0;
    if (!file || !WriteFile(file.Get(), header.data(), static_cast<DWORD>(header.size()), &n, nullptr)) return false;
    std::vector<uint8_t> block(kBlock);
    for (uint64_t done = 0; done < bytes; done += kBlock) {
        Fill(block, done / 4);
        DWORD part = static_cast<DWORD>(std::min<uint64_t>(kBlock, bytes - done));
        if (!WriteFile(file.Get(), block.data(), part, &n, nullptr)) return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const double minutes = argc > 1 ? _wtof(argv[1]) : 60;
    std::wstring folder = argc > 2 ? argv[2] : L".";
    std::wstring why;
    if (!orvo::Lame(&why)) {
        fwprintf(stderr, L"no MP3 encoder: %ls\n", why.c_str());
        return 1;
    }
    const uint64_t bytes = static_cast<uint64_t>(minutes * 60 * 44100) * 4;
    const double seconds = bytes / 176400.0;
    const std::wstring source = folder + L"\\bench-source.wav", out = folder + L"\\bench-out";
    if (!WriteSource(source, bytes)) return 1;
    orvo::WaveAudioDevice device;
    device.SetFileName(source);
    if (device.Command(L"open")) return 1;
    for (bool mp3 : {true, false}) {
        const double alone = EncodeAlone(mp3, bytes, out + L".alone");
        auto writer = Writer(mp3);
        const double start = Now();
        if (device.Save(out + (mp3 ? L".mp3" : L".flac"), *writer)) return 1;
        const double save = Now() - start;
        wprintf(L"%ls: %.1f min of CD sound: encoder alone %.1f s (%.0fx real time), save %.1f s (%.2fx the encoder)\n",
                mp3 ? L"MP3 192 kbps" : L"FLAC level 5", minutes, alone, seconds / alone, save, save / alone);
        DeleteFileW((out + L".alone").c_str());
        DeleteFileW((out + (mp3 ? L".mp3" : L".flac")).c_str());
    }
    device.Command(L"close");
    DeleteFileW(source.c_str());
    return 0;
}
