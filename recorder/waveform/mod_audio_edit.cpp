#include "recorder/waveform/mod_audio_edit.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "recorder/program.h"
#include "base/rounding.h"
#include "base/scoped.h"
#include "win/ui_seam.h"

namespace orvo::recorder::modAudioEdit {

WAVEFORMATEX WaveFormat{};
int32_t lFrameCount = 0;
int32_t lStartFrame = 0;
int32_t lEndFrame = 0;
int16_t bWaveLoaded = 0;
std::atomic<int16_t> bPlaying{0};
int32_t lLastResult = 0;
wchar_t sWaveErrText[kWaveErrTextLength] = {};
MMCKINFO RiffChunk{};
MMCKINFO DataChunk{};
HWAVEOUT hWaveOut = nullptr;
WAVEHDR WaveHeader{};

static_assert(std::atomic<int16_t>::is_always_lock_free, "the playing flag is a plain atomic store");

namespace {


// The sample block stays locked for as long as it is held; the lock is
// released before the block (members are destroyed in reverse order).
struct SampleBlock {
    ScopedHGlobal handle;
    std::optional<GlobalLockGuard<uint8_t>> lock;
    uint32_t bytes = 0;

    const uint8_t* Data() const { return lock ? lock->Get() : nullptr; }
    void Release() {
        lock.reset();
        // A device that never handed its buffer back may still read from
        // the block: it is then left to the process's end, never freed.
        if (hWaveOut)
            (void)handle.Detach();
        else
            handle.Reset();
        bytes = 0;
    }
};

// Module state with a destructor: at process exit a device still playing
// from the block is closed before the block goes.
struct Module {
    SampleBlock samples;
    // Bytes of the format chunk after the 18-byte record (the extra format
    // information of compressed formats); the device needs them with the record.
    std::vector<uint8_t> formatExtra;
    PlayStartedHook playStarted = nullptr;
    ~Module() {
        CloseWaveOut();
        samples.Release();
    }
};
Module g;

void ShowPlain(const std::wstring& text) { ShowMessage(GetActiveWindow(), text, kProgramTitle, MB_OK); }

// The device's text for lLastResult, fetched into sWaveErrText and shown.
void ShowWaveError() {
    std::fill(std::begin(sWaveErrText), std::end(sWaveErrText), L' ');
    MMRESULT rc = waveInGetErrorTextW(static_cast<MMRESULT>(lLastResult), sWaveErrText, kWaveErrTextLength);
    if (rc != MMSYSERR_NOERROR) sWaveErrText[0] = L'\0';
    std::wstring text(sWaveErrText, wcsnlen(sWaveErrText, kWaveErrTextLength));
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (text.empty()) text = L"MMSYSTEM error " + std::to_wstring(lLastResult);
    ShowPlain(text);
}

// One frame's bytes at an offset inside the frame. Bytes outside the block
// read as zero, so the getters are safe on any index and on a trailing
// partial frame.
inline void FrameBytesAt(int32_t frame, unsigned offset, uint8_t* out, unsigned n) {
    const uint8_t* data = g.samples.Data();
    int64_t pos = static_cast<int64_t>(frame) * WaveFormat.nBlockAlign + offset;
    int64_t size = data ? g.samples.bytes : 0;
    if (pos >= 0 && pos + n <= size) {
        std::memcpy(out, data + pos, n);
        return;
    }
    for (unsigned i = 0; i < n; ++i) {
        int64_t p = pos + i;
        out[i] = (p >= 0 && p < size) ? data[p] : 0;
    }
}

inline double Signed16At(int32_t frame, unsigned offset) {
    uint8_t b[2];
    FrameBytesAt(frame, offset, b, 2);
    int16_t v = static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
    return v / 32768.0;
}

inline double Unsigned8At(int32_t frame, unsigned offset) {
    uint8_t b;
    FrameBytesAt(frame, offset, &b, 1);
    return (static_cast<int>(b) - 128) / 128.0;
}

// Reads up to count bytes; mmioRead takes a signed 32-bit count, so a data
// chunk of 2 GiB or more is read in pieces.
int64_t ReadAll(HMMIO file, uint8_t* into, uint32_t count) {
    int64_t total = 0;
    while (total < count) {
        LONG piece = static_cast<LONG>(std::min<int64_t>(count - total, 1 << 30));
        LONG got = mmioRead(file, reinterpret_cast<HPSTR>(into + total), piece);
        if (got <= 0) return total > 0 ? total : got;
        total += got;
        if (got < piece) break;
    }
    return total;
}

}  // namespace

const uint8_t* WaveData() { return g.samples.Data(); }
uint32_t DataBytes() { return g.samples.Data() ? g.samples.bytes : 0; }
bool WaveOutOpen() { return hWaveOut != nullptr; }
void SetPlayStartedHook(PlayStartedHook hook) { g.playStarted = hook; }

int64_t FrameCountOf(uint32_t dataBytes, uint16_t blockAlign) {
    if (blockAlign == 0) return -1;
    int64_t frames = RoundHalfEven(static_cast<double>(dataBytes) / blockAlign);
    return frames > std::numeric_limits<int32_t>::max() ? -1 : frames;
}

ByteRange FrameBytes(int32_t startFrame, int32_t endFrame, uint16_t blockAlign, uint64_t blockBytes) {
    auto clampToBlock = [&](int32_t frame) {
        int64_t pos = static_cast<int64_t>(frame) * blockAlign;  // cannot overflow 64 bits
        return static_cast<uint64_t>(std::clamp<int64_t>(pos, 0, static_cast<int64_t>(blockBytes)));
    };
    ByteRange r;
    r.first = clampToBlock(startFrame);
    r.end = std::max(r.first, clampToBlock(endFrame));
    return r;
}

namespace {

// Reads the "fmt " chunk into format and the format's extra bytes and leaves
// the file after it; the message of a failure, or nullptr.
const wchar_t* ReadFormatChunk(HMMIO file, WAVEFORMATEX& format, std::vector<uint8_t>& extra) {
    DataChunk = {};
    DataChunk.ckid = mmioStringToFOURCCW(L"fmt", 0);  // padded with a blank to "fmt "
    lLastResult = mmioDescend(file, &DataChunk, &RiffChunk, MMIO_FINDCHUNK);
    if (lLastResult != 0) return L"Couldn't get format chunk";

    // The record takes only the chunk's own bytes: a short chunk leaves the
    // missing fields zero instead of picking up the next chunk's header.
    format = {};
    LONG formatBytes = static_cast<LONG>(std::min<DWORD>(DataChunk.cksize, sizeof(WAVEFORMATEX)));
    lLastResult = mmioRead(file, reinterpret_cast<HPSTR>(&format), formatBytes);
    if (lLastResult == -1) return L"Error reading format";
    extra.clear();
    if (DataChunk.cksize > sizeof(WAVEFORMATEX) && format.cbSize > 0) {
        extra.resize(std::min<DWORD>(format.cbSize, DataChunk.cksize - sizeof(WAVEFORMATEX)));
        LONG got = mmioRead(file, reinterpret_cast<HPSTR>(extra.data()), static_cast<LONG>(extra.size()));
        extra.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }

    lLastResult = mmioAscend(file, &DataChunk, 0);
    return nullptr;
}

// Gives up the old samples and reads the data chunk's bytes in their place;
// the message of a failure, or empty.
std::wstring ReadSamples(HMMIO file, uint32_t dataBytes) {
    // A device still playing from the old block must not outlive it.
    CloseWaveOut();
    g.samples.Release();
    lFrameCount = 0;
    ScopedHGlobal block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max<SIZE_T>(dataBytes, 1)));
    if (!block) return L"Not enough memory for the data chunk (" + std::to_wstring(dataBytes) + L" bytes)";
    g.samples.handle = std::move(block);
    g.samples.lock.emplace(g.samples.handle.Get());
    if (!g.samples.Data()) {
        g.samples.Release();
        return L"Not enough memory for the data chunk";
    }
    g.samples.bytes = dataBytes;
    int64_t got = ReadAll(file, g.samples.lock->Get(), dataBytes);
    lLastResult = static_cast<int32_t>(std::min<int64_t>(got, std::numeric_limits<int32_t>::max()));
    if (got < static_cast<int64_t>(dataBytes)) {
        // A file that cannot be read to its end is not loaded: the zeros
        // after the break would be shown and played as sound.
        g.samples.Release();
        return L"Error reading the data chunk";
    }
    return {};
}

}  // namespace

void LoadWaveFile(const std::wstring& path) {
    bWaveLoaded = 0;

    MMIOINFO info{};
    // Named explicitly, the plain file procedure takes the whole name: left
    // to choose, mmioOpen reads "name.ext+element" as an element of a
    // compound file, so any path with a "+" after a dot would fail to open.
    info.fccIOProc = FOURCC_DOS;
    std::wstring name = path;  // mmioOpen takes a writable buffer
    ScopedMmio file(mmioOpenW(name.data(), &info, MMIO_READ));
    if (!file) {
        ShowPlain(L"Error opening input file, rc = " + std::to_wstring(info.wErrorRet));
        return;
    }
    auto stop = [&](const std::wstring& message) {
        file.Reset();
        ShowPlain(message);
    };

    RiffChunk = {};
    RiffChunk.fccType = mmioStringToFOURCCW(L"WAVE", 0);
    lLastResult = mmioDescend(file.Get(), &RiffChunk, nullptr, MMIO_FINDRIFF);
    if (lLastResult != 0) return stop(L"Not a wave file");

    WAVEFORMATEX format{};
    std::vector<uint8_t> extra;
    if (const wchar_t* failed = ReadFormatChunk(file.Get(), format, extra)) return stop(failed);

    DataChunk.ckid = mmioStringToFOURCCW(L"data", 0);
    lLastResult = mmioDescend(file.Get(), &DataChunk, &RiffChunk, MMIO_FINDCHUNK);
    if (lLastResult != 0) return stop(L"Couldn't get data chunk");

    // The declared size is only a claim: no more is taken than the file holds
    // after the chunk's start.
    // The file's size in 64 bits: mmioSeek answers in a signed 32-bit
    // number, which a file of 2 GiB or more overflows. The read goes on
    // from the data chunk's start, where the descent left it.
    uint32_t dataBytes = DataChunk.cksize;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        const uint64_t fileEnd = (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
        const uint64_t held = fileEnd > DataChunk.dwDataOffset ? fileEnd - DataChunk.dwDataOffset : 0;
        dataBytes = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, held));
    }

    // Checked before the old samples are given up: neither case can be read.
    if (format.nBlockAlign == 0) return stop(L"Invalid format chunk: the block align is 0");
    int64_t frames = FrameCountOf(dataBytes, format.nBlockAlign);
    if (frames < 0) return stop(L"Data chunk too large: more sample frames than can be counted");

    std::wstring failed = ReadSamples(file.Get(), dataBytes);
    if (!failed.empty()) return stop(failed);

    // The format goes with the samples: a file that fails earlier leaves
    // the last loaded file's format alone.
    WaveFormat = format;
    g.formatExtra = std::move(extra);
    lFrameCount = static_cast<int32_t>(frames);
    file.Reset();
    bWaveLoaded = -1;
}

void PlayWaveRange(int16_t device) {
    // One device and one header at a time: a device left open by an earlier
    // play is closed before the header is filled again.
    CloseWaveOut();
    if (hWaveOut) {
        ShowWaveError();  // the last device still holds the header
        return;
    }
    // After a failed read the samples held belong to no file on show.
    if (!bWaveLoaded) {
        ShowPlain(L"没有读入WAV文件，无法播放。");
        return;
    }

    // The record goes to the device with the extra bytes it announces, and
    // never announces more than were read.
    std::vector<uint8_t> format(sizeof(WAVEFORMATEX));
    WAVEFORMATEX record = WaveFormat;
    record.cbSize = static_cast<WORD>(std::min<size_t>(record.cbSize, g.formatExtra.size()));
    std::memcpy(format.data(), &record, sizeof(record));
    format.insert(format.end(), g.formatExtra.begin(), g.formatExtra.begin() + record.cbSize);

    HWAVEOUT opened = nullptr;
    lLastResult = waveOutOpen(&opened, static_cast<UINT>(static_cast<int32_t>(device)),
                              reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                              reinterpret_cast<DWORD_PTR>(&WaveOutProc), 0, CALLBACK_FUNCTION);
    if (lLastResult != MMSYSERR_NOERROR) {
        ShowWaveError();
        return;
    }
    hWaveOut = opened;

    // Only bytes inside the sample block are handed over, whatever the
    // markers and the format say.
    static uint8_t nothing = 0;
    const uint8_t* data = g.samples.Data();
    ByteRange range = FrameBytes(lStartFrame, lEndFrame, WaveFormat.nBlockAlign, DataBytes());
    WaveHeader = {};
    WaveHeader.lpData = reinterpret_cast<LPSTR>(const_cast<uint8_t*>(data ? data + range.first : &nothing));
    WaveHeader.dwBufferLength = static_cast<DWORD>(range.end - range.first);

    lLastResult = waveOutPrepareHeader(hWaveOut, &WaveHeader, sizeof(WAVEHDR));
    if (lLastResult != MMSYSERR_NOERROR) ShowWaveError();

    // Raised before the write: a short buffer may be reported done before
    // waveOutWrite returns.
    bPlaying.store(-1);
    lLastResult = waveOutWrite(hWaveOut, &WaveHeader, sizeof(WAVEHDR));
    if (lLastResult != MMSYSERR_NOERROR) {
        int32_t writeResult = lLastResult;
        CloseWaveOut();
        lLastResult = writeResult;
        return;
    }
    if (g.playStarted) g.playStarted();
}

void CALLBACK WaveOutProc(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) bPlaying.store(0);
}

void CloseWaveOut() {
    if (!hWaveOut) return;
    lLastResult = waveOutReset(hWaveOut);
    // The driver hands the buffer back after the reset; give it a moment.
    for (int i = 0; i < 100 && (WaveHeader.dwFlags & WHDR_INQUEUE); ++i) Sleep(10);
    if (WaveHeader.dwFlags & WHDR_INQUEUE) {
        // It still owns the header and the samples: the device stays open,
        // so neither is reused or freed (see SampleBlock::Release).
        lLastResult = WAVERR_STILLPLAYING;
        return;
    }
    lLastResult = waveOutUnprepareHeader(hWaveOut, &WaveHeader, sizeof(WAVEHDR));
    lLastResult = waveOutClose(hWaveOut);
    hWaveOut = nullptr;
    // A closed device reports nothing more; its buffer is over.
    bPlaying.store(0);
}

void ResetWaveOut() {
    if (hWaveOut) lLastResult = waveOutReset(hWaveOut);
}

void GetStereo16(int32_t frame, double& left, double& right) {
    left = Signed16At(frame, 0);
    right = Signed16At(frame, 2);
}

void GetStereo8(int32_t frame, double& left, double& right) {
    left = Unsigned8At(frame, 0);
    right = Unsigned8At(frame, 1);
}

void GetMono16(int32_t frame, double& value) { value = Signed16At(frame, 0); }

void GetMono8(int32_t frame, double& value) { value = Unsigned8At(frame, 0); }

}  // namespace orvo::recorder::modAudioEdit
