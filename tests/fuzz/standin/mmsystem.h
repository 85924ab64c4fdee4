// Stand-in (see windows.h beside it): the format record and the error codes.
#pragma once
#include "windows.h"

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "the packed record of the API");

using MCIERROR = DWORD;
constexpr MCIERROR MCIERR_BASE = 256;
constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 38;
constexpr MCIERROR MCIERR_FILE_READ = MCIERR_BASE + 92;
constexpr WORD WAVE_FORMAT_PCM = 1;

using MMRESULT = UINT;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr int MAXERRORLENGTH = 256;
constexpr UINT WOM_DONE = 0x3BD;
constexpr DWORD WHDR_INQUEUE = 0x10;
constexpr DWORD CALLBACK_FUNCTION = 0x30000;
constexpr UINT MMIO_READ = 0;
constexpr UINT MMIO_FINDCHUNK = 0x10;
constexpr UINT MMIO_FINDRIFF = 0x20;
constexpr FOURCC FOURCC_DOS = 0x20534F44;  // "DOS "

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;
};
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
};
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

// A file the stand-in's mmio reads from memory: the waveform fuzzer names
// its input with this before it asks the reader to load it.
void StandInMmioFile(const wchar_t* name, const uint8_t* data, size_t size);
HMMIO mmioOpenW(LPWSTR name, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO, UINT);
MMRESULT mmioDescend(HMMIO, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
MMRESULT mmioAscend(HMMIO, MMCKINFO* chunk, UINT);
LONG mmioRead(HMMIO, HPSTR into, LONG bytes);
LONG mmioSeek(HMMIO, LONG offset, int origin);
FOURCC mmioStringToFOURCCW(const wchar_t* text, UINT);
MMRESULT waveOutOpen(HWAVEOUT*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD);
MMRESULT waveOutPrepareHeader(HWAVEOUT, WAVEHDR*, UINT);
MMRESULT waveOutUnprepareHeader(HWAVEOUT, WAVEHDR*, UINT);
MMRESULT waveOutWrite(HWAVEOUT, WAVEHDR*, UINT);
MMRESULT waveOutReset(HWAVEOUT);
MMRESULT waveOutClose(HWAVEOUT);
MMRESULT waveInClose(HWAVEIN);
MMRESULT waveInGetErrorTextW(MMRESULT, LPWSTR, UINT);
MMRESULT mixerClose(HMIXER);
