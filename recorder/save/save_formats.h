// The three file formats Save writes and what goes with choosing one: which
// one a typed name asks for, what a file of it will hold of the element,
// whether it can be written at all now, the encoder's writer, and the words
// for a save that failed.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "audio/encoding_writer.h"
#include "audio/wave_riff.h"

namespace orvo::recorder {

enum class SaveFormat { Wav, Mp3, Flac };

// The save dialog's types, in this order (the dialog counts them from 1).
inline constexpr wchar_t kSaveFilter[] =
    L"WAV 音频文件 (*.wav)|*.wav|MP3 音频文件 (*.mp3)|*.mp3|FLAC 无损音频 (*.flac)|*.flac";
int FilterIndexOf(SaveFormat format);

// The format of a save to path, the dialog's type chosen (1-based): a typed
// extension of one of the three decides, whatever type is chosen; otherwise
// the chosen type does and its extension is added to path.
SaveFormat ResolveSaveTarget(std::wstring& path, int chosenType);

// What the file will hold when it is not the element as it is ("" when it
// is), told once before the save.
std::wstring ConversionNotice(SaveFormat format, const WAVEFORMATEX& element, const WaveExtension& extension,
                              int kbps);

// Why the format cannot be written now ("" when it can): the MP3 encoder
// missing or not the right one, more channels than FLAC holds.
std::wstring UnavailableReason(SaveFormat format, const WAVEFORMATEX& element);

// True when both name the same file, however they are spelled.
bool SamePath(const std::wstring& a, const std::wstring& b);

// Why the target cannot be replaced, found before the long encode: a
// read-only file, or one another program holds open ("" when it can).
std::wstring TargetProblem(const std::wstring& path);

// Why a file of fileBytes cannot be written where path is, found before
// any copying: the volume's file system holds at most 4 GiB - 1 per file
// (FAT, FAT32). "" when it can.
std::wstring VolumeSizeProblem(const std::wstring& path, uint64_t fileBytes);
// The file system of the volume holding path ("NTFS", "FAT32"; "" when it
// cannot be told). Tests put their own in place, as no FAT volume is there
// to save to; nullptr restores the system's. Returns the previous one.
using FileSystemLookup = std::wstring (*)(const std::wstring& path);
FileSystemLookup SetFileSystemLookup(FileSystemLookup lookup);

// Told once before a WAV save that comes out as RF64.
std::wstring Rf64Notice(uint64_t fileBytes);

// The encoder's writer (MP3, FLAC); null for WAV, which the device writes
// itself, or when the encoder cannot be had.
std::unique_ptr<SampleWriter> MakeEncoder(SaveFormat format, int kbps, SaveTags tags);

// The title (the name without its extension) and the date: the source
// file's last change when there is one, else today.
SaveTags TagsFor(const std::wstring& target, const std::wstring& sourceFile);

// A failed save in words: the system's reason when it gave one (a full disk,
// a file in use, no permission), else the device's own text.
std::wstring SaveFailureText(const std::wstring& path, DWORD systemError, const std::wstring& deviceText);

// Why a WAV file cannot be opened, in the user's words, and the whole
// message for it.
std::wstring ProblemText(const WaveLayout& layout);
std::wstring CannotOpenText(const std::wstring& path, const std::wstring& why);

// The MP3 bit rate, remembered per user; one of kMp3Bitrates.
int LoadMp3Bitrate();
void StoreMp3Bitrate(int kbps);

}  // namespace orvo::recorder
