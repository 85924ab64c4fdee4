// The mmio calls over a file held in memory, as the system's file procedure
// does them for a RIFF file; the memory and wave-out calls the waveform
// reader makes (no device opens here).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "mmsystem.h"

struct HMMIO__ {
    std::vector<uint8_t> bytes;
    int64_t pos = 0;
};

namespace {

std::map<std::wstring, std::vector<uint8_t>> g_files;

bool ReadDword(HMMIO file, DWORD& out) {
    if (file->pos < 0 || file->pos + 4 > static_cast<int64_t>(file->bytes.size())) return false;
    const uint8_t* p = file->bytes.data() + file->pos;
    out = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
    file->pos += 4;
    return true;
}

}  // namespace

void StandInMmioFile(const wchar_t* name, const uint8_t* data, size_t size) {
    g_files[name].assign(data, data + size);
}

HMMIO mmioOpenW(LPWSTR name, MMIOINFO* info, DWORD) {
    auto found = g_files.find(name);
    if (found == g_files.end()) {
        if (info) info->wErrorRet = 257;  // MMIOERR_FILENOTFOUND
        return nullptr;
    }
    HMMIO file = new HMMIO__;
    file->bytes = found->second;
    return file;
}

MMRESULT mmioClose(HMMIO file, UINT) {
    delete file;
    return 0;
}

// From the current position: the chunk asked for (a RIFF form of the given
// type, or a chunk of the given id), within the parent when one is given;
// others are passed over with their pad byte.
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
    const int64_t end = parent ? static_cast<int64_t>(parent->dwDataOffset) + parent->cksize : INT64_MAX;
    const FOURCC riff = mmioStringToFOURCCW(L"RIFF", 0), list = mmioStringToFOURCCW(L"LIST", 0);
    for (;;) {
        if (file->pos + 8 > end) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO ck{};
        if (!ReadDword(file, ck.ckid) || !ReadDword(file, ck.cksize)) return MMIOERR_CHUNKNOTFOUND;
        ck.dwDataOffset = static_cast<DWORD>(file->pos);
        const bool form = ck.ckid == riff || ck.ckid == list;
        if (form && !ReadDword(file, ck.fccType)) return MMIOERR_CHUNKNOTFOUND;
        const bool match = (flags & MMIO_FINDRIFF) ? ck.ckid == riff && ck.fccType == chunk->fccType
                           : (flags & MMIO_FINDCHUNK) ? ck.ckid == chunk->ckid
                                                      : true;
        if (match) {
            *chunk = ck;
            return 0;
        }
        file->pos = static_cast<int64_t>(ck.dwDataOffset) + ((static_cast<int64_t>(ck.cksize) + 1) & ~int64_t{1});
    }
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT) {
    file->pos = static_cast<int64_t>(chunk->dwDataOffset) + ((static_cast<int64_t>(chunk->cksize) + 1) & ~int64_t{1});
    return 0;
}

LONG mmioRead(HMMIO file, HPSTR into, LONG bytes) {
    if (bytes < 0) return -1;
    const int64_t size = static_cast<int64_t>(file->bytes.size());
    const int64_t n = std::clamp<int64_t>(size - file->pos, 0, bytes);
    if (n) std::memcpy(into, file->bytes.data() + file->pos, static_cast<size_t>(n));
    file->pos += n;
    return static_cast<LONG>(n);
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
    const int64_t base = origin == 0 ? 0 : origin == 1 ? file->pos : static_cast<int64_t>(file->bytes.size());
    if (base + offset < 0) return -1;
    file->pos = base + offset;
    return static_cast<LONG>(file->pos);
}

FOURCC mmioStringToFOURCCW(const wchar_t* text, UINT) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; i < 4 && text[i]; ++i) c[i] = static_cast<char>(text[i]);
    return static_cast<uint8_t>(c[0]) | (static_cast<uint8_t>(c[1]) << 8) | (static_cast<uint8_t>(c[2]) << 16) |
           (static_cast<DWORD>(static_cast<uint8_t>(c[3])) << 24);
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return (flags & GMEM_ZEROINIT) ? calloc(bytes, 1) : malloc(bytes); }
HGLOBAL GlobalFree(HGLOBAL block) {
    free(block);
    return nullptr;
}
void* GlobalLock(HGLOBAL block) { return block; }
BOOL GlobalUnlock(HGLOBAL) { return 1; }
HWND GetActiveWindow() { return nullptr; }
void CoTaskMemFree(void* block) { free(block); }

BOOL GetFileAttributesExW(const wchar_t* path, GET_FILEEX_INFO_LEVELS, void* data) {
    auto found = g_files.find(path);
    if (found == g_files.end()) return 0;
    auto* a = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(data);
    *a = {};
    const uint64_t size = found->second.size();
    a->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    a->nFileSizeLow = static_cast<DWORD>(size);
    return 1;
}
void Sleep(DWORD) {}

MMRESULT waveOutOpen(HWAVEOUT*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD) { return MMSYSERR_NODRIVER; }
MMRESULT waveOutPrepareHeader(HWAVEOUT, WAVEHDR*, UINT) { return MMSYSERR_NODRIVER; }
MMRESULT waveOutUnprepareHeader(HWAVEOUT, WAVEHDR*, UINT) { return MMSYSERR_NODRIVER; }
MMRESULT waveOutWrite(HWAVEOUT, WAVEHDR*, UINT) { return MMSYSERR_NODRIVER; }
MMRESULT waveOutReset(HWAVEOUT) { return MMSYSERR_NODRIVER; }
MMRESULT waveOutClose(HWAVEOUT) { return MMSYSERR_NODRIVER; }
MMRESULT waveInGetErrorTextW(MMRESULT, LPWSTR, UINT) { return MMSYSERR_NODRIVER; }
