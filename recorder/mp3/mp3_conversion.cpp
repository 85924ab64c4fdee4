#include "recorder/mp3/mp3_conversion.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cwchar>
#include <vector>

#include "base/failure.h"
#include "base/scoped.h"
#include "base/system_folders.h"

namespace orvo::recorder {
namespace {

constexpr long kCancelledCode = 0x4F52;  // private marker, never a system code

// Media Foundation is looked up at run time: editions of Windows without it
// must still run the recorder, only this command is then unavailable.
struct MediaFoundation {
    using StartupFn = HRESULT(WINAPI*)(ULONG, DWORD);
    using ShutdownFn = HRESULT(WINAPI*)();
    using CreateMediaTypeFn = HRESULT(WINAPI*)(IMFMediaType**);
    using CreateAttributesFn = HRESULT(WINAPI*)(IMFAttributes**, UINT32);
    using EnumExFn = HRESULT(WINAPI*)(GUID, UINT32, const MFT_REGISTER_TYPE_INFO*, const MFT_REGISTER_TYPE_INFO*,
                                      IMFActivate***, UINT32*);
    using CreateReaderFn = HRESULT(WINAPI*)(const WCHAR*, IMFAttributes*, IMFSourceReader**);
    using CreateWriterFn = HRESULT(WINAPI*)(const WCHAR*, IMFByteStream*, IMFAttributes*, IMFSinkWriter**);

    ScopedModule plat{LoadSystemLibrary(L"mfplat.dll")};
    ScopedModule readwrite{LoadSystemLibrary(L"mfreadwrite.dll")};
    StartupFn startup = nullptr;
    ShutdownFn shutdown = nullptr;
    CreateMediaTypeFn createMediaType = nullptr;
    CreateAttributesFn createAttributes = nullptr;
    EnumExFn enumEx = nullptr;
    CreateReaderFn createReader = nullptr;
    CreateWriterFn createWriter = nullptr;

    MediaFoundation() {
        Find(plat, "MFStartup", startup);
        Find(plat, "MFShutdown", shutdown);
        Find(plat, "MFCreateMediaType", createMediaType);
        Find(plat, "MFCreateAttributes", createAttributes);
        Find(plat, "MFTEnumEx", enumEx);
        Find(readwrite, "MFCreateSourceReaderFromURL", createReader);
        Find(readwrite, "MFCreateSinkWriterFromURL", createWriter);
    }
    bool Complete() const {
        return startup && shutdown && createMediaType && createAttributes && enumEx && createReader && createWriter;
    }

private:
    template <typename Fn>
    static void Find(const ScopedModule& module, const char* name, Fn& out) {
        if (module) out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
    }
};

// MFStartup for the scope.
class MfSession {
public:
    explicit MfSession(const MediaFoundation& mf) : mf_(mf), hr_(mf.startup(MF_VERSION, MFSTARTUP_LITE)) {}
    ~MfSession() { if (SUCCEEDED(hr_)) mf_.shutdown(); }
    MfSession(const MfSession&) = delete;
    MfSession& operator=(const MfSession&) = delete;
    HRESULT Result() const { return hr_; }

private:
    const MediaFoundation& mf_;
    HRESULT hr_;
};

// The activation objects MFTEnumEx hands out, released together.
class ActivateArray {
public:
    ~ActivateArray() {
        for (UINT32 i = 0; i < count_; ++i) items_[i]->Release();
        CoTaskMemFree(items_);
    }
    IMFActivate*** Put() { return &items_; }
    UINT32* PutCount() { return &count_; }
    UINT32 Count() const { return count_; }

private:
    IMFActivate** items_ = nullptr;
    UINT32 count_ = 0;
};

// The file a conversion writes into; deleted unless it was committed.
class PartialFile {
public:
    explicit PartialFile(std::wstring path) : path_(std::move(path)) {}
    ~PartialFile() { if (!committed_) DeleteFileW(path_.c_str()); }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    const std::wstring& Path() const { return path_; }
    void Commit() { committed_ = true; }

private:
    std::wstring path_;
    bool committed_ = false;
};

std::wstring HexCode(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

[[noreturn]] void FailWith(const std::wstring& what, HRESULT hr) {
    Fail(what + L"\r\n" + SystemErrorText(static_cast<DWORD>(hr)) + L" (" + HexCode(hr) + L")", hr);
}

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) FailWith(std::wstring(L"MP3转换失败：") + what, hr);
}

// The encoder takes 16-bit PCM at the MPEG-1 and MPEG-2 rates only; other
// rates go to the nearest one above.
UINT32 EncoderRate(UINT32 rate) {
    static const UINT32 rates[] = {16000, 22050, 24000, 32000, 44100, 48000};
    for (UINT32 r : rates)
        if (rate <= r) return r;
    return 48000;
}

struct SourceAudio {
    ComPtr<IMFSourceReader> reader;
    ComPtr<IMFMediaType> pcm;  // what the reader delivers, once chosen
    UINT32 channels = 0;       // at most two, as the encoder takes
    UINT32 rate = 0;
    LONGLONG duration = 0;  // 100 ns units; 0 when unknown
};

SourceAudio OpenSource(const MediaFoundation& mf, const std::wstring& input) {
    SourceAudio s;
    std::wstring unreadable = L"无法读取WAV文件：\r\n" + input + L"\r\n文件已损坏，或者不是WAV音频文件。";
    HRESULT hr = mf.createReader(input.c_str(), nullptr, s.reader.Put());
    if (FAILED(hr)) FailWith(unreadable, hr);
    s.reader->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
    hr = s.reader->SetStreamSelection(MF_SOURCE_READER_FIRST_AUDIO_STREAM, TRUE);
    if (FAILED(hr)) FailWith(unreadable, hr);

    ComPtr<IMFMediaType> native;
    hr = s.reader->GetNativeMediaType(MF_SOURCE_READER_FIRST_AUDIO_STREAM, 0, native.Put());
    if (FAILED(hr)) FailWith(unreadable, hr);
    UINT32 channels = 0, rate = 0;
    native->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    native->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    if (channels == 0 || rate == 0) Fail(unreadable);
    s.channels = channels > 2 ? 2 : channels;
    s.rate = rate;
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(s.reader->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION, &value)) &&
        value.vt == VT_UI8) {
        s.duration = static_cast<LONGLONG>(value.uhVal.QuadPart);
    }
    PropVariantClear(&value);
    return s;
}

ComPtr<IMFMediaType> PcmType(const MediaFoundation& mf, UINT32 channels, UINT32 rate) {
    ComPtr<IMFMediaType> t;
    Check(mf.createMediaType(t.Put()), L"无法创建音频格式。");
    t->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    t->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    t->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    t->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels);
    t->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate);
    t->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, channels * 2);
    t->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, channels * 2 * rate);
    return t;
}

// Asks the reader for 16-bit PCM at a rate the encoder takes. Where the
// reader cannot resample, the file's own rate is kept and the writer is left
// to fit it to the encoder.
void ChooseReaderFormat(const MediaFoundation& mf, SourceAudio& s, const std::wstring& input) {
    UINT32 rates[] = {EncoderRate(s.rate), s.rate};
    HRESULT hr = E_FAIL;
    for (UINT32 rate : rates) {
        hr = s.reader->SetCurrentMediaType(MF_SOURCE_READER_FIRST_AUDIO_STREAM, nullptr,
                                           PcmType(mf, s.channels, rate).Get());
        if (SUCCEEDED(hr)) {
            s.rate = rate;
            break;
        }
    }
    if (FAILED(hr)) FailWith(L"此WAV文件的音频格式无法转换为MP3：\r\n" + input, hr);
    Check(s.reader->GetCurrentMediaType(MF_SOURCE_READER_FIRST_AUDIO_STREAM, s.pcm.Put()), L"无法读取音频格式。");
}

void RequireMp3Encoder(const MediaFoundation& mf) {
    MFT_REGISTER_TYPE_INFO in{MFMediaType_Audio, MFAudioFormat_PCM};
    MFT_REGISTER_TYPE_INFO out{MFMediaType_Audio, MFAudioFormat_MP3};
    ActivateArray encoders;
    HRESULT hr = mf.enumEx(MFT_CATEGORY_AUDIO_ENCODER,
                           MFT_ENUM_FLAG_SYNCMFT | MFT_ENUM_FLAG_LOCALMFT | MFT_ENUM_FLAG_SORTANDFILTER, &in, &out,
                           encoders.Put(), encoders.PutCount());
    if (FAILED(hr) || encoders.Count() == 0) {
        Fail(L"此系统没有MP3编码器，无法转换为MP3。\r\n"
             L"Windows 8 及以后的系统自带MP3编码器。");
    }
}

ComPtr<IMFMediaType> Mp3Type(const MediaFoundation& mf, const SourceAudio& s) {
    ComPtr<IMFMediaType> t;
    Check(mf.createMediaType(t.Put()), L"无法创建MP3格式。");
    t->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    t->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_MP3);
    t->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, s.channels);
    t->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, s.rate);
    t->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, 128000 / 8);  // 128 kbit/s
    return t;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t fa[MAX_PATH * 4], fb[MAX_PATH * 4];
    DWORD na = GetFullPathNameW(a.c_str(), MAX_PATH * 4, fa, nullptr);
    DWORD nb = GetFullPathNameW(b.c_str(), MAX_PATH * 4, fb, nullptr);
    if (!na || !nb || na >= MAX_PATH * 4 || nb >= MAX_PATH * 4) return _wcsicmp(a.c_str(), b.c_str()) == 0;
    return _wcsicmp(fa, fb) == 0;
}

}  // namespace

bool IsCancellation(long failureCode) { return failureCode == kCancelledCode; }

std::wstring CreatePartialFile(const std::wstring& output) {
    // Made with CREATE_NEW: a name already taken, by anyone, is skipped.
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD n = 0; n < 1000; ++n) {
        wchar_t suffix[32];
        swprintf(suffix, 32, L".%08lx.part", static_cast<unsigned long>(seed + n));
        std::wstring path = output + suffix;
        ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (file) return path;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            FailWithLastError(L"无法创建MP3文件：\r\n" + output);
    }
    Fail(L"无法创建MP3文件：\r\n" + output);
}

void ConvertWaveToMp3(const std::wstring& input, const std::wstring& output, const JobControl& control) {
    if (SamePath(input, output)) Fail(L"MP3文件不能与WAV文件相同。");
    ScopedCoInit com(COINIT_MULTITHREADED);
    if (FAILED(com.Result()) && com.Result() != RPC_E_CHANGED_MODE) Check(com.Result(), L"无法初始化COM。");

    MediaFoundation mf;
    if (!mf.Complete()) Fail(L"此系统没有 Media Foundation 组件，无法转换为MP3。");
    MfSession session(mf);
    Check(session.Result(), L"无法启动 Media Foundation。");

    SourceAudio source = OpenSource(mf, input);
    RequireMp3Encoder(mf);
    ChooseReaderFormat(mf, source, input);

    // Declared before the writer so the writer lets go of the file first.
    PartialFile partial(CreatePartialFile(output));
    ComPtr<IMFSinkWriter> writer;
    {
        ComPtr<IMFAttributes> attributes;
        Check(mf.createAttributes(attributes.Put(), 1), L"无法创建输出设置。");
        // The container comes from this attribute, not from the ".part" name.
        attributes->SetGUID(MF_TRANSCODE_CONTAINERTYPE, MFTranscodeContainerType_MP3);
        HRESULT hr = mf.createWriter(partial.Path().c_str(), nullptr, attributes.Get(), writer.Put());
        if (FAILED(hr)) FailWith(L"无法创建MP3文件：\r\n" + output, hr);
    }
    DWORD stream = 0;
    Check(writer->AddStream(Mp3Type(mf, source).Get(), &stream), L"MP3编码器不接受此音频格式。");
    Check(writer->SetInputMediaType(stream, source.pcm.Get(), nullptr), L"MP3编码器不接受此音频格式。");
    Check(writer->BeginWriting(), L"无法开始写入MP3文件。");

    for (;;) {
        if (control.Cancelled()) Fail(L"转换已取消，没有生成MP3文件。", kCancelledCode);
        DWORD flags = 0;
        LONGLONG time = 0;
        ComPtr<IMFSample> sample;
        HRESULT hr = source.reader->ReadSample(MF_SOURCE_READER_FIRST_AUDIO_STREAM, 0, nullptr, &flags, &time,
                                               sample.Put());
        if (FAILED(hr)) FailWith(L"读取WAV文件时出错：\r\n" + input, hr);
        if (sample) Check(writer->WriteSample(stream, sample.Get()), L"写入MP3文件时出错。");
        if (source.duration > 0) {
            double done = static_cast<double>(time) / static_cast<double>(source.duration);
            control.Report(done < 0 ? 0 : done > 1 ? 1 : done);
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
        if (flags & MF_SOURCE_READERF_ERROR) Fail(L"读取WAV文件时出错：\r\n" + input);
    }
    Check(writer->Finalize(), L"无法完成MP3文件。");
    writer.Reset();
    source.reader.Reset();

    if (!MoveFileExW(partial.Path().c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        FailWithLastError(L"无法保存MP3文件 " + output);
    }
    partial.Commit();
    control.Report(1.0);
}
}  // namespace orvo::recorder
