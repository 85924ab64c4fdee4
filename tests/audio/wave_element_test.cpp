// The element's storage and files: the store's pieces, WAV files that are
// damaged or not PCM, the command words and the device-selection call.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/wave_audio_device.h"
#include "audio/wave_element.h"
#include "audio/wave_riff.h"
#include "audio/wave_store.h"
#include "base/text.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::TempFile;

std::string ReadAll(const WaveStore& s, const WaveStore::Pending* pending = nullptr) {
    uint64_t n = s.Length() + (pending ? pending->bytes : 0);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_TRUE(s.ReadElement(0, out.data(), static_cast<uint32_t>(n), pending));
    return out;
}

TEST(WaveStore, TakesInsertedAnywhereKeepEverythingInOrder) {
    WaveStore s;
    ASSERT_TRUE(s.Open());
    std::wstring path = s.Path();
    ASSERT_TRUE(s.Append("abcdef", 6));
    ASSERT_TRUE(s.Append("gh", 2));
    EXPECT_EQ(1u, s.Pieces().size()) << "appending continues the same piece";

    // A take recorded at position 3: written at the file's end, then spliced.
    uint64_t at = s.FileEnd();
    ASSERT_TRUE(s.WriteFileAt(at, "XYZ", 3));
    WaveStore::Pending pending{3, at, 3};
    EXPECT_EQ("abcXYZdefgh", ReadAll(s, &pending));
    EXPECT_EQ("abcdefgh", ReadAll(s)) << "a pending take is not part of the element yet";
    s.Insert(3, at, 3);
    EXPECT_EQ("abcXYZdefgh", ReadAll(s));

    uint64_t front = s.FileEnd();
    ASSERT_TRUE(s.WriteFileAt(front, "01", 2));
    s.Insert(0, front, 2);
    uint64_t back = s.FileEnd();
    ASSERT_TRUE(s.WriteFileAt(back, "!", 1));
    s.Insert(999, back, 1);  // beyond the end: appended
    EXPECT_EQ("01abcXYZdefgh!", ReadAll(s));

    char c[4];
    EXPECT_TRUE(s.ReadElement(4, c, 4));
    EXPECT_EQ(0, std::memcmp(c, "cXYZ", 4));
    EXPECT_FALSE(s.ReadElement(12, c, 3)) << "reads outside the element fail";

    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    s.Close();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str())) << "the temporary file is removed";
}

TEST(WaveFormatChoice, PrefersCdQualityAndFallsBackToTheBestAccepted) {
    WAVEFORMATEX f{};
    ASSERT_TRUE(ChooseRecordingFormat([](const WAVEFORMATEX&) { return true; }, f));
    EXPECT_EQ(44100u, f.nSamplesPerSec);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(4, f.nBlockAlign);
    EXPECT_EQ(176400u, f.nAvgBytesPerSec);

    ASSERT_TRUE(ChooseRecordingFormat([](const WAVEFORMATEX& c) { return c.nChannels == 1; }, f));
    EXPECT_EQ(44100u, f.nSamplesPerSec);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(1, f.nChannels);

    ASSERT_TRUE(ChooseRecordingFormat(
        [](const WAVEFORMATEX& c) { return c.nSamplesPerSec <= 22050 && c.nSamplesPerSec != 16000; }, f));
    EXPECT_EQ(22050u, f.nSamplesPerSec);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(2, f.nChannels);

    ASSERT_TRUE(ChooseRecordingFormat([](const WAVEFORMATEX& c) { return c.wBitsPerSample == 8; }, f));
    EXPECT_EQ(8, f.wBitsPerSample);
    EXPECT_EQ(44100u, f.nSamplesPerSec);

    EXPECT_FALSE(ChooseRecordingFormat([](const WAVEFORMATEX&) { return false; }, f));
}

// Little-endian building blocks for hand-made files.
std::vector<uint8_t> Le(uint32_t v, int bytes) {
    std::vector<uint8_t> out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
std::vector<uint8_t> Str(const char* s) { return std::vector<uint8_t>(s, s + std::strlen(s)); }
std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
                         uint32_t size = 16) {
    auto body = Cat({Le(tag, 2), Le(channels, 2), Le(rate, 4), Le(rate * align, 4), Le(align, 2), Le(bits, 2)});
    body.resize(size, 0);
    return Cat({Str("fmt "), Le(size, 4), body});
}
std::vector<uint8_t> Riff(const std::vector<uint8_t>& chunks, int64_t sizeDelta = 0) {
    return Cat({Str("RIFF"), Le(static_cast<uint32_t>(4 + chunks.size() + sizeDelta), 4), Str("WAVE"), chunks});
}

struct OpenCase {
    const char* what;
    std::vector<uint8_t> bytes;
    MCIERROR expected;
    uint32_t lengthMs;  // when it opens
};

TEST(WaveFileOpen, DamagedAndForeignFilesAreRefusedAndOddButSoundOnesOpen) {
    const std::vector<uint8_t> pcm = Fmt(WAVE_FORMAT_PCM, 1, 8000, 1, 8);
    const std::vector<uint8_t> data100 = Cat({Str("data"), Le(800, 4), std::vector<uint8_t>(800, 128)});
    const std::vector<OpenCase> cases = {
        {"empty file", {}, MCIERR_INVALID_FILE, 0},
        {"not RIFF", Str("this is not a wave file at all"), MCIERR_INVALID_FILE, 0},
        {"RIFF of another form", Cat({Str("RIFF"), Le(4, 4), Str("AVI ")}), MCIERR_INVALID_FILE, 0},
        {"no data chunk", Riff(pcm), MCIERR_INVALID_FILE, 0},
        {"no format chunk", Riff(data100), MCIERR_INVALID_FILE, 0},
        {"format chunk too short", Riff(Cat({Fmt(WAVE_FORMAT_PCM, 1, 8000, 1, 8, 12), data100})), MCIERR_INVALID_FILE,
         0},
        {"IEEE float", Riff(Cat({Fmt(3, 1, 8000, 4, 32), data100})), 0, 25},
        {"PCM of 12 bits", Riff(Cat({Fmt(WAVE_FORMAT_PCM, 1, 8000, 2, 12), data100})), MCIERR_INVALID_FILE, 0},
        {"compressed", Riff(Cat({Fmt(2, 1, 8000, 256, 4, 20), data100})), MCIERR_INVALID_FILE, 0},
        {"block align contradicts", Riff(Cat({Fmt(WAVE_FORMAT_PCM, 2, 8000, 1, 16), data100})), MCIERR_INVALID_FILE,
         0},
        {"zero channels", Riff(Cat({Fmt(WAVE_FORMAT_PCM, 0, 8000, 0, 8), data100})), MCIERR_INVALID_FILE, 0},
        {"format cut off by the end", Cat({Str("RIFF"), Le(100, 4), Str("WAVE"), Str("fmt "), Le(16, 4), Le(1, 2)}),
         MCIERR_INVALID_FILE, 0},
        {"chunk size runs past the end",
         Riff(Cat({pcm, Str("LIST"), Le(0xFFFFFFF0u, 4), Str("junk"), data100})), MCIERR_INVALID_FILE, 0},
        {"plain", Riff(Cat({pcm, data100})), 0, 100},
        {"data claims more than the file holds",
         Riff(Cat({pcm, Str("data"), Le(0x7FFFFFFF, 4), std::vector<uint8_t>(400, 128)})), 0, 50},
        {"RIFF size too small", Riff(Cat({pcm, data100}), -1000), 0, 100},
        {"data before format, odd chunk padded",
         Riff(Cat({Str("data"), Le(80, 4), std::vector<uint8_t>(80, 128), Str("odd "), Le(3, 4), Str("abc"),
                   Le(0, 1), pcm})),
         0, 10},
        {"empty data", Riff(Cat({pcm, Str("data"), Le(0, 4)})), 0, 0},
        // Left unfinished by a recorder that stopped before writing the sizes.
        {"data size 0, sound after it", Riff(Cat({pcm, Str("data"), Le(0, 4), std::vector<uint8_t>(800, 128)})), 0,
         100},
        {"data size all ones", Riff(Cat({pcm, Str("data"), Le(0xFFFFFFFFu, 4), std::vector<uint8_t>(800, 128)})), 0,
         100},
        {"sizes stale, more sound after",
         Cat({Str("RIFF"), Le(4 + 24 + 8 + 400, 4), Str("WAVE"), pcm, Str("data"), Le(400, 4),
              std::vector<uint8_t>(800, 128)}),
         0, 100},
        {"data followed by another chunk", Riff(Cat({pcm, data100, Str("LIST"), Le(4, 4), Str("INFO")})), 0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile file;
        ASSERT_TRUE(test::WriteRawFile(file.Path(), c.bytes));
        WaveAudioDevice d;
        d.SetFileName(file.Path());
        EXPECT_EQ(c.expected, d.Command(L"open"));
        if (c.expected) {
            EXPECT_EQ(0u, d.DeviceID());
            EXPECT_EQ(WaveAudioDevice::Mode::NotOpen, d.GetMode());
            EXPECT_FALSE(d.LastErrorText().empty());
        } else {
            EXPECT_NE(0u, d.DeviceID());
            EXPECT_EQ(c.lengthMs, d.Length());
        }
    }
}

TEST(WaveFileOpen, ExtensiblePcmOpensAsPlainPcm) {
    auto ext = Cat({Le(0xFFFE, 2), Le(2, 2), Le(8000, 4), Le(32000, 4), Le(4, 2), Le(16, 2), Le(22, 2), Le(16, 2),
                    Le(3, 4), Le(1, 4), Le(0x00100000, 4), Le(0xAA000080, 4), Le(0x719B3800, 4)});
    TempFile file;
    ASSERT_TRUE(test::WriteRawFile(
        file.Path(), Riff(Cat({Str("fmt "), Le(40, 4), ext, Str("data"), Le(3200, 4), std::vector<uint8_t>(3200)}))));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open")) << d.LastErrorText();
    EXPECT_EQ(WAVE_FORMAT_PCM, d.Format().wFormatTag);
    EXPECT_EQ(2, d.Format().nChannels);
    EXPECT_EQ(100u, d.Length());
}

TEST(WaveDeviceCommands, OnlyTheKnownWordsInTheRightStateSucceed) {
    WaveAudioDevice d;
    EXPECT_EQ(0u, d.DeviceID());
    EXPECT_EQ(WaveAudioDevice::Mode::NotOpen, d.GetMode());
    EXPECT_EQ(0u, d.Command(L"close")) << "closing what is closed is harmless";
    for (const wchar_t* word : {L"record", L"play", L"stop", L"prev"}) {
        EXPECT_NE(0u, d.Command(word)) << "nothing is open";
        EXPECT_FALSE(d.LastErrorText().empty());
    }
    d.SetFileName(L"");
    EXPECT_NE(0u, d.Command(L"open"));
    d.SetFileName(L"C:\\no\\such\\file.wav");
    EXPECT_EQ(static_cast<MCIERROR>(MCIERR_FILE_NOT_FOUND), d.Command(L"open"));

    d.SetFileName(L"NEW");
    ASSERT_EQ(0u, d.Command(L"Open"));
    uint16_t id = d.DeviceID();
    EXPECT_NE(0u, id);
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
    for (const wchar_t* word : {L"pause", L"", L"record ", L"save", L"seek"}) {
        EXPECT_EQ(static_cast<MCIERROR>(MCIERR_UNRECOGNIZED_COMMAND), d.Command(word));
        EXPECT_EQ(static_cast<MCIERROR>(MCIERR_UNRECOGNIZED_COMMAND), d.LastError());
    }
    EXPECT_EQ(0u, d.Command(L"play")) << "an empty element plays nothing";
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
    EXPECT_EQ(static_cast<MCIERROR>(MCIERR_DEVICE_OPEN), d.Command(L"open"));
    EXPECT_EQ(id, d.DeviceID()) << "a refused open keeps the element";

    WaveAudioDevice other;
    other.SetFileName(L"new");
    ASSERT_EQ(0u, other.Command(L"open"));
    EXPECT_NE(id, other.DeviceID());

    EXPECT_EQ(0u, d.Command(L"close"));
    EXPECT_EQ(0u, d.DeviceID());
    EXPECT_EQ(0u, d.Length());
    MCI_WAVE_SET_PARMS parms{};
    EXPECT_EQ(static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID),
              WaveSendCommand(id, MCI_SET, MCI_WAVE_INPUT | MCI_WAVE_OUTPUT, reinterpret_cast<DWORD_PTR>(&parms)));
}

// The window's end-of-play check rides on this event: it must come whether
// or not an element is open.
TEST(WaveDeviceCommands, TheStatusEventComesWithOrWithoutAnElement) {
    WaveAudioDevice d;
    d.SetUpdateInterval(50);
    int events = 0;
    d.SetStatusHandler([&] { ++events; });
    EXPECT_TRUE(test::PumpUntil([&] { return events >= 2; }, 2000)) << "nothing open yet";
    d.SetFileName(L"new");
    ASSERT_EQ(0u, d.Command(L"open"));
    events = 0;
    EXPECT_TRUE(test::PumpUntil([&] { return events >= 2; }, 2000));
    d.SetFileName(L"C:\\no\\such\\file.wav");
    ASSERT_EQ(0u, d.Command(L"close"));
    EXPECT_NE(0u, d.Command(L"open"));
    events = 0;
    EXPECT_TRUE(test::PumpUntil([&] { return events >= 2; }, 2000)) << "after a failed open";
}

TEST(WaveDeviceSelection, SelectsDevicesOfTheNamedDeviceAndRefusesNonsense) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveAudioDevice a, b;
    a.SetFileName(L"new");
    b.SetFileName(L"new");
    ASSERT_EQ(0u, a.Command(L"open"));
    ASSERT_EQ(0u, b.Command(L"open"));
    const auto flags = MCI_WAVE_INPUT | MCI_WAVE_OUTPUT;
    MCI_WAVE_SET_PARMS parms{};
    parms.wInput = WAVE_MAPPER;
    parms.wOutput = WAVE_MAPPER;
    ASSERT_EQ(0u, WaveSendCommand(b.DeviceID(), MCI_SET, flags, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_EQ(WAVE_MAPPER, b.InputDevice());
    EXPECT_EQ(WAVE_MAPPER, b.OutputDevice());
    EXPECT_EQ(0u, a.InputDevice()) << "the other device is untouched";

    parms = {};
    parms.wInput = waveInGetNumDevs();  // one past the last
    std::wstring text;
    MCIERROR e = WaveSendCommand(b.DeviceID(), MCI_SET, flags, reinterpret_cast<DWORD_PTR>(&parms));
    EXPECT_EQ(static_cast<MCIERROR>(MCIERR_OUTOFRANGE), e);
    EXPECT_TRUE(WaveGetErrorString(e, text));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(WAVE_MAPPER, b.OutputDevice()) << "a refused selection changes nothing";

    parms = {};
    EXPECT_EQ(0u, WaveSendCommand(b.DeviceID(), MCI_SET, MCI_WAVE_OUTPUT, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_EQ(0u, b.OutputDevice());
    EXPECT_EQ(WAVE_MAPPER, b.InputDevice());
    EXPECT_NE(0u, WaveSendCommand(b.DeviceID(), MCI_SET, flags, 0));
    EXPECT_NE(0u, WaveSendCommand(b.DeviceID(), MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_NE(0u, WaveSendCommand(b.DeviceID(), MCI_SET, 0, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_NE(0u, WaveSendCommand(0, MCI_SET, flags, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_NE(0u, WaveSendCommand(0x12345, MCI_SET, flags, reinterpret_cast<DWORD_PTR>(&parms)));
    EXPECT_FALSE(WaveGetErrorString(12345, text));
}

}  // namespace
}  // namespace orvo

namespace orvo {
namespace {

// A record whose start fails after the take was begun, as a device that
// refuses at the last moment.
class RefusingCapture : public TakeCapture {
public:
    MCIERROR Start(const WAVEFORMATEX&, WaveStore&, uint64_t, uint64_t, HWND, UINT) override {
        return MCIERR_WAVE_INPUTSINUSE;
    }
    void Stop() override {}
    uint64_t Recorded() const override { return 0; }
    TakeEndCause Ended() const override { return TakeEndCause::None; }
    DWORD WriteError() const override { return 0; }
    LevelReading Levels() const override { return {}; }
    bool Converts() const override { return true; }
    const TakeSink& Sink() const override { return sink_; }

private:
    TakeSink sink_;
};

std::wstring FolderName(const SYSTEMTIME& t, DWORD pid, long counter) {
    wchar_t name[80];
    swprintf(name, 80, L"%04u%02u%02u-%02u%02u%02u-%lu-%ld", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, pid, counter);
    return name;
}

// Folders of the names the next elements would take, left by an earlier
// run (a clock set back, a process number used again), are passed over with
// their sound untouched; and a Record that fails to start leaves an opened,
// unchanged file counted as saved, not as sound to recover.
TEST(WaveStore, NewElementsLeaveLeftoversOfTheirNameAloneAndAFailedStartChangesNothing) {
    WaveStore first;
    ASSERT_TRUE(first.Open());
    const std::wstring root = first.Folder().substr(0, first.Folder().rfind(L'\\'));
    const std::wstring name = first.Folder().substr(root.size() + 1);
    SYSTEMTIME t{};
    unsigned long pid = 0;
    long counter = 0;
    ASSERT_EQ(8, swscanf(name.c_str(), L"%4hu%2hu%2hu-%2hu%2hu%2hu-%lu-%ld", &t.wYear, &t.wMonth, &t.wDay, &t.wHour,
                         &t.wMinute, &t.wSecond, &pid, &counter))
        << WideToUtf8(name);
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&t, &ft));
    std::vector<std::wstring> planted;
    for (int second = 0; second < 3; ++second)
        for (long next = counter + 1; next <= counter + 3; ++next) {
            ULARGE_INTEGER u{};
            u.LowPart = ft.dwLowDateTime;
            u.HighPart = ft.dwHighDateTime;
            u.QuadPart += second * 10000000ull;
            FILETIME shifted{u.LowPart, u.HighPart};
            SYSTEMTIME at;
            ASSERT_TRUE(FileTimeToSystemTime(&shifted, &at));
            const std::wstring folder = root + L"\\" + FolderName(at, pid, next);
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
            ASSERT_TRUE(test::WriteRawFile(folder + L"\\" + kSamplesFile, {'o', 'l', 'd', '!'}));
            planted.push_back(folder);
        }
    first.Close();

    TempFile wav;
    const WAVEFORMATEX cd = test::MakePcmFormat(44100, 16, 2);
    ASSERT_TRUE(test::WriteWavFile(wav.Path(), cd, test::SineBytes(cd, 440, 0.5)));
    {
        WaveElement element(nullptr, 0, 0);
        ASSERT_EQ(0u, element.OpenFile(wav.Path()));
        EXPECT_FALSE(element.HoldsUnsavedSound());
        EXPECT_EQ(MCIERR_WAVE_INPUTSINUSE,
                  element.Record(0, [] { return std::unique_ptr<TakeCapture>(new RefusingCapture); }));
        EXPECT_FALSE(element.HoldsUnsavedSound()) << "a take that never started made the file unsaved";
        element.Close();
    }
    for (const std::wstring& folder : planted) {
        ScopedFile f(CreateFileW((folder + L"\\" + kSamplesFile).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
        char got[8] = {};
        DWORD n = 0;
        EXPECT_TRUE(f && ReadFile(f.Get(), got, sizeof got, &n, nullptr));
        EXPECT_EQ(std::string(got, n), "old!") << WideToUtf8(folder);
        f.Reset();
        DeleteElementFolder(folder, INVALID_HANDLE_VALUE);
        RemoveDirectoryW(folder.c_str());
    }
}

}  // namespace
}  // namespace orvo

namespace orvo {
namespace {

// Files too large to make here, read through a reader that knows a few bytes
// of them (the rest is silence): a plain WAV file of 6 GiB, its sizes wrapped
// around 4 GiB to land on what looks like a chunk, opens to its end; an RF64
// file of the same size takes its sizes from ds64, and its cue chunk after
// the data is still found.
TEST(WaveLayout, FilesPastFourGigabytesOpenWithAllTheirSound) {
    const uint64_t fileSize = 6ull << 30;
    const WAVEFORMATEX cd = PcmFormat(44100, 16, 2);
    std::vector<uint8_t> plain = BuildWaveHeader(cd, {}, static_cast<uint32_t>(fileSize - 44));
    const uint64_t wrappedEnd = 44 + static_cast<uint32_t>(fileSize - 44);
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> known = {{0, plain},
                                                                    {wrappedEnd, {'L', 'I', 'S', 'T', 4, 0, 0, 0}}};
    auto read = [&](uint64_t offset, void* buffer, uint32_t n) {
        std::memset(buffer, 0, n);
        for (const auto& [at, bytes] : known)
            for (uint64_t i = 0; i < bytes.size(); ++i)
                if (at + i >= offset && at + i < offset + n) static_cast<uint8_t*>(buffer)[at + i - offset] = bytes[i];
        return offset + n <= fileSize;
    };
    WaveLayout layout;
    ASSERT_EQ(ParseWaveLayout(fileSize, read, layout), 0u);
    EXPECT_FALSE(layout.rf64);
    EXPECT_TRUE(layout.unfinished);
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataBytes, fileSize - 44);

    const std::vector<uint8_t> cue = BuildCueChunks({{1000, L"A"}});
    const uint64_t dataBytes = (fileSize - 80 - cue.size()) / 4 * 4;
    std::vector<uint8_t> rf64 = BuildWaveFileHeader(cd, {}, dataBytes, cue.size());
    ASSERT_EQ(rf64.size(), 80u);
    known = {{0, rf64}, {80 + dataBytes, cue}};
    layout = {};
    ASSERT_EQ(ParseWaveLayout(fileSize, read, layout), 0u);
    EXPECT_TRUE(layout.rf64);
    EXPECT_FALSE(layout.unfinished);
    EXPECT_EQ(layout.dataOffset, 80u);
    EXPECT_EQ(layout.dataBytes, dataBytes);
    ASSERT_EQ(layout.marks.size(), 1u);
    EXPECT_EQ(layout.marks[0].frame, 1000u);
    EXPECT_EQ(WaveFileBytes(cd, {}, dataBytes, cue.size()), 80 + dataBytes + cue.size());
}

}  // namespace
}  // namespace orvo
