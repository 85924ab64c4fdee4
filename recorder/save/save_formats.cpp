#include "recorder/save/save_formats.h"

#include <mmreg.h>

#include <algorithm>

#include "audio/flac_writer.h"
#include "audio/lame_library.h"
#include "audio/mp3_writer.h"
#include "base/path.h"
#include "base/scoped.h"

namespace orvo::recorder {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Orvo\\OrvoRecord";
constexpr wchar_t kBitrateValue[] = L"Mp3Bitrate";

struct FormatName {
    SaveFormat format;
    const wchar_t* extension;
};
constexpr FormatName kFormats[] = {{SaveFormat::Wav, L"wav"}, {SaveFormat::Mp3, L"mp3"}, {SaveFormat::Flac, L"flac"}};

bool IsFloat(const WAVEFORMATEX& f) { return f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT; }

std::wstring RateText(uint32_t rate) {
    return rate % 1000 ? std::to_wstring(rate / 1000) + L"." + std::to_wstring(rate % 1000 / 100) + L" kHz"
                       : std::to_wstring(rate / 1000) + L" kHz";
}

}  // namespace

int FilterIndexOf(SaveFormat format) { return static_cast<int>(format) + 1; }

SaveFormat ResolveSaveTarget(std::wstring& path, int chosenType) {
    const std::wstring typed = ExtensionOf(path);
    for (const FormatName& f : kFormats)
        if (CompareStringOrdinal(typed.c_str(), -1, f.extension, -1, TRUE) == CSTR_EQUAL) return f.format;
    const FormatName& chosen = kFormats[std::clamp(chosenType, 1, 3) - 1];
    path += std::wstring(L".") + chosen.extension;
    return chosen.format;
}

std::wstring ConversionNotice(SaveFormat format, const WAVEFORMATEX& element, const WaveExtension&, int kbps) {
    if (format == SaveFormat::Flac) {
        if (!IsFloat(element) && element.wBitsPerSample <= 24) return {};
        return L"FLAC 文件不能保存" + std::wstring(IsFloat(element) ? L"浮点" : L"32 位") +
               L"采样，将保存为 24 位采样（" + RateText(element.nSamplesPerSec) + L"，" +
               std::to_wstring(element.nChannels) + L" 个声道）。";
    }
    if (format != SaveFormat::Mp3) return {};
    const uint32_t rate = static_cast<uint32_t>(Mp3OutputRate(element.nSamplesPerSec));
    const bool resampled = rate != element.nSamplesPerSec, mixed = element.nChannels > 2;
    if (!resampled && !mixed && !IsFloat(element) && element.wBitsPerSample <= 16) return {};
    std::wstring what;
    if (mixed) what += L"由 " + std::to_wstring(element.nChannels) + L" 个声道混合为立体声；";
    if (resampled) what += L"采样率由 " + RateText(element.nSamplesPerSec) + L" 转换为 " + RateText(rate) + L"；";
    if (!mixed && !resampled) what += L"采样经过转换；";
    return L"MP3 文件不能保存本录音的原样格式，将保存为 " + std::to_wstring(kbps) + L" kbps、" + RateText(rate) +
           (element.nChannels == 1 ? L"、单声道" : L"、立体声") + L"的 MP3（" + what.substr(0, what.size() - 1) +
           L"）。";
}

std::wstring UnavailableReason(SaveFormat format, const WAVEFORMATEX& element) {
    std::wstring why;
    if (format == SaveFormat::Mp3 && !Lame(&why)) return L"无法保存为 MP3：" + why;
    if (format == SaveFormat::Flac && element.nChannels > kFlacMaxChannels)
        return L"无法保存为 FLAC：FLAC 文件最多容纳 " + std::to_wstring(kFlacMaxChannels) + L" 个声道，本录音有 " +
               std::to_wstring(element.nChannels) + L" 个。";
    return {};
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t fullA[MAX_PATH * 4], fullB[MAX_PATH * 4];
    return GetFullPathNameW(a.c_str(), MAX_PATH * 4, fullA, nullptr) &&
           GetFullPathNameW(b.c_str(), MAX_PATH * 4, fullB, nullptr) &&
           CompareStringOrdinal(fullA, -1, fullB, -1, TRUE) == CSTR_EQUAL;
}

std::wstring TargetProblem(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return L"文件“" + path + L"”是只读文件，不能被替换。请另选文件名，或先取消它的只读属性。";
    // Open for writing with no sharing: fails while anyone else has it open.
    ScopedFile probe(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!probe && GetLastError() == ERROR_SHARING_VIOLATION)
        return L"文件“" + path + L"”正被其他程序使用，不能被替换。请关闭那个程序，或另选文件名。";
    if (!probe && GetLastError() == ERROR_ACCESS_DENIED)
        return L"没有替换文件“" + path + L"”的权限。请另选文件名或文件夹。";
    return {};
}

namespace {

std::wstring SystemFileSystem(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4], root[MAX_PATH * 4], name[MAX_PATH + 1] = {};
    if (!GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr) ||
        !GetVolumePathNameW(full, root, MAX_PATH * 4) ||
        !GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
        return {};
    return name;
}

FileSystemLookup g_fileSystemOf = SystemFileSystem;

std::wstring GigabytesText(uint64_t bytes) {
    wchar_t text[32];
    swprintf(text, 32, L"%.1f GB", static_cast<double>(bytes) / (1ull << 30));
    return text;
}

}  // namespace

FileSystemLookup SetFileSystemLookup(FileSystemLookup lookup) {
    FileSystemLookup previous = g_fileSystemOf;
    g_fileSystemOf = lookup ? lookup : SystemFileSystem;
    return previous;
}

std::wstring VolumeSizeProblem(const std::wstring& path, uint64_t fileBytes) {
    if (fileBytes <= 0xFFFFFFFFull) return {};
    const std::wstring fs = g_fileSystemOf(path);
    // FAT12, FAT16, FAT32: a file's size is a 32-bit number. exFAT is not.
    if (fs.compare(0, 3, L"FAT") != 0) return {};
    return L"无法保存到“" + path + L"”：这个磁盘使用 " + fs + L" 文件系统，每个文件最大 4 GB，而本录音保存后有 " +
           GigabytesText(fileBytes) + L"。请保存到使用 NTFS 或 exFAT 的磁盘，或先把录音分成几段。";
}

std::wstring Rf64Notice(uint64_t fileBytes) {
    return L"本录音保存后有 " + GigabytesText(fileBytes) +
           L"，超过了普通 WAV 文件所能容纳的 4 GB，将保存为 RF64 格式（64 位的 WAV 文件）。常见的音频软件都能打开它，"
           L"一些旧程序可能打不开。";
}

std::unique_ptr<SampleWriter> MakeEncoder(SaveFormat format, int kbps, SaveTags tags) {
    if (format == SaveFormat::Flac) return std::make_unique<FlacWriter>(std::move(tags));
    const LameApi* lame = format == SaveFormat::Mp3 ? Lame() : nullptr;
    if (!lame) return nullptr;
    return std::make_unique<Mp3Writer>(*lame, kbps, std::move(tags));
}

SaveTags TagsFor(const std::wstring& target, const std::wstring& sourceFile) {
    SaveTags tags;
    const std::wstring name = FileNameOf(target);
    const std::wstring extension = ExtensionOf(name);
    tags.title = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    if (!sourceFile.empty() && GetFileAttributesExW(sourceFile.c_str(), GetFileExInfoStandard, &data) &&
        FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &tags.date))
        return tags;
    GetLocalTime(&tags.date);
    return tags;
}

std::wstring SaveFailureText(const std::wstring& path, DWORD systemError, const std::wstring& deviceText) {
    std::wstring why;
    switch (systemError) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: why = L"磁盘已满。请腾出磁盘空间，或保存到另一个磁盘"; break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: why = L"文件正被其他程序使用。请关闭那个程序，或另选文件名"; break;
        case ERROR_ACCESS_DENIED: why = L"文件是只读的，或没有写入这个文件夹的权限。请另选文件名或文件夹"; break;
        case ERROR_WRITE_PROTECT: why = L"磁盘有写保护"; break;
        default: why = deviceText;
    }
    while (!why.empty() && (why.back() == L'。' || why.back() == L'.')) why.pop_back();
    return L"无法保存文件“" + path + L"”：" + why + L"。原有的文件没有改动，录音也还在。";
}

std::wstring ProblemText(const WaveLayout& layout) {
    switch (layout.problem) {
        case WaveFileProblem::NotWave: return L"不是WAV文件";
        case WaveFileProblem::Damaged: return L"文件已损坏";
        case WaveFileProblem::UnsupportedFormat: return L"不支持的格式：" + layout.formatName;
        case WaveFileProblem::CannotRead: return L"无法读取文件";
        case WaveFileProblem::None: break;
    }
    return L"";
}

std::wstring CannotOpenText(const std::wstring& path, const std::wstring& why) {
    return L"无法打开文件“" + path + L"”：" + why + L"。";
}

int LoadMp3Bitrate() {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kBitrateValue, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
        for (int b : kMp3Bitrates)
            if (static_cast<DWORD>(b) == value) return b;
    return kDefaultMp3Bitrate;
}

void StoreMp3Bitrate(int kbps) {
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD value = static_cast<DWORD>(kbps);
    RegSetValueExW(key.Get(), kBitrateValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace orvo::recorder
