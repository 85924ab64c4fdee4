// modAudioEdit: reads a WAV file completely into one memory block, hands the
// waveform window single sample values, and plays a stretch of the samples
// through the wave-out device. All state is module-wide, one copy per
// process, and outlives the waveform window.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace orvo::recorder::modAudioEdit {

static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is the packed 18-byte one");

// Length of the buffer the device's error texts are fetched into; the
// system's own texts are never longer.
constexpr int kWaveErrTextLength = MAXERRORLENGTH;  // 256 UTF-16 units

// --- module state ---
extern WAVEFORMATEX WaveFormat;  // format record of the last format chunk read
extern int32_t lFrameCount;      // frames of the last file read completely
extern int32_t lStartFrame;      // marker A, first frame to draw and play
extern int32_t lEndFrame;        // marker B, end frame (exclusive for playing)
extern int16_t bWaveLoaded;      // 0 or -1: a file has been read completely
// 0 or -1. Written by the device's callback thread, read by the window.
extern std::atomic<int16_t> bPlaying;
extern int32_t lLastResult;      // result of the last multimedia call
extern wchar_t sWaveErrText[kWaveErrTextLength];
extern MMCKINFO RiffChunk;
extern MMCKINFO DataChunk;
extern HWAVEOUT hWaveOut;
extern WAVEHDR WaveHeader;

// The sample block: its first byte (null before the first read) and its size
// in bytes. Every read of sample data stays below DataBytes().
const uint8_t* WaveData();
uint32_t DataBytes();

// Reads the file; success shows in bWaveLoaded. Failures show their own
// message box (plain, OK button, program title) and leave WaveFormat as it
// was. No more data is taken than the file holds, whatever its data chunk
// declares, and a file that cannot be read to its end is not loaded.
void LoadWaveFile(const std::wstring& path);

// Plays frames lStartFrame up to lEndFrame on a wave-out device (-1: the
// system's wave mapper). Returns at once. With no file loaded (the last read
// failed) nothing plays and the user is told.
void PlayWaveRange(int16_t device);

// The device's callback: WOM_DONE clears bPlaying, nothing else happens.
void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                          DWORD_PTR param2);

// Stops, releases the header and closes the device; nothing when none is open.
// A device that keeps its buffer after the reset stays open (WaveOutOpen).
void CloseWaveOut();
// Stops the device; it then reports the buffer done.
void ResetWaveOut();
// True while a device opened by PlayWaveRange has not been closed.
bool WaveOutOpen();

// Called after a successful start of play: the waveform window switches its
// end-of-play timer on here. nullptr when no window listens.
using PlayStartedHook = void (*)();
void SetPlayStartedHook(PlayStartedHook hook);

// Sample getters: channel values in [-1, 1). Bytes of a frame that lie
// outside the sample block read as zero bytes, so any frame index is safe.
void GetStereo16(int32_t frame, double& left, double& right);
void GetStereo8(int32_t frame, double& left, double& right);
void GetMono16(int32_t frame, double& value);
void GetMono8(int32_t frame, double& value);

// Frames in a data chunk of the given size: bytes / blockAlign rounded to the
// nearest integer, ties to even. -1 when blockAlign is 0 or the count does not
// fit the 32-bit frame counter.
int64_t FrameCountOf(uint32_t dataBytes, uint16_t blockAlign);

// The byte range [first, end) of the sample block that frames start..end
// cover, cut to the block. Empty when end <= start.
struct ByteRange {
    uint64_t first = 0;
    uint64_t end = 0;
};
ByteRange FrameBytes(int32_t startFrame, int32_t endFrame, uint16_t blockAlign, uint64_t blockBytes);

}  // namespace orvo::recorder::modAudioEdit
