// The MP3 encoder library, a DLL beside the program that the user may replace
// (its licence allows it). It is loaded at run time, by full path from the
// program's own folder and never by bare name, so the recorder starts, and
// saves WAV and FLAC, without it.
#pragma once
#include <windows.h>

#include <string>

#include <lame.h>

namespace orvo {

// The encoder's entry points the writer uses, all of them present.
struct LameApi {
    lame_global_flags* (*init)();
    int (*close)(lame_global_flags*);
    int (*setInSamplerate)(lame_global_flags*, int);
    int (*setOutSamplerate)(lame_global_flags*, int);
    int (*setNumChannels)(lame_global_flags*, int);
    int (*setMode)(lame_global_flags*, MPEG_mode);
    int (*setBrate)(lame_global_flags*, int);
    int (*setVbr)(lame_global_flags*, vbr_mode);
    int (*setQuality)(lame_global_flags*, int);
    int (*setWriteVbrTag)(lame_global_flags*, int);
    void (*setWriteId3tagAutomatic)(lame_global_flags*, int);
    int (*initParams)(lame_global_flags*);
    int (*encodeFloat)(lame_global_flags*, const float*, const float*, int, unsigned char*, int);
    int (*encodeFlush)(lame_global_flags*, unsigned char*, int);
    size_t (*lametagFrame)(const lame_global_flags*, unsigned char*, size_t);
    void (*id3Init)(lame_global_flags*);
    void (*id3V2Only)(lame_global_flags*);
    int (*id3TextUtf16)(lame_global_flags*, const char*, const unsigned short*);
    size_t (*id3V2Tag)(lame_global_flags*, unsigned char*, size_t);
    const char* (*version)();
};

// The file the encoder is loaded from: the program's folder, this name.
inline constexpr wchar_t kLameDllName[] = L"libmp3lame-0.dll";

// The encoder, loaded on the first call; null when it cannot be used, and
// why says so in words a user can act on (missing, not a DLL for this
// program, or not the expected version). Safe from any thread.
const LameApi* Lame(std::wstring* why = nullptr);

// Seam for tests, never set by the program: the next Lame() call loads the
// DLL from path instead (empty: the program's folder again).
void LoadLameFrom(const std::wstring& path);

}  // namespace orvo
