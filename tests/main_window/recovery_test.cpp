// A recording is never lost: a recorder killed mid-take is restored at the
// next start, leftovers are offered, saved or discarded only on the user's
// word, the end of the session leaves a restorable recording, opened files
// are read where they are, and Save replaces files only when complete.
#include <algorithm>
#include <cstring>

#include "audio/wave_recovery.h"
#include "base/text.h"
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/pump.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::ScopedRecoveryRoot;
using orvo::test::TempFile;
using orvo::test::WavContents;

constexpr wchar_t kPromptStart[] = L"发现上次没有保存的录音";

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A 16-bit stereo WAV file of the given data size whose samples are zeros:
// big, but written in no time.
void WriteSilentWav(const std::wstring& path, uint32_t dataBytes) {
    WAVEFORMATEX f = orvo::test::MakePcmFormat(44100, 16, 2);
    ASSERT_TRUE(orvo::test::WriteWavFile(path, f, {}));
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    uint32_t riff = 36 + dataBytes;
    DWORD written;
    SetFilePointer(file.Get(), 4, nullptr, FILE_BEGIN);
    WriteFile(file.Get(), &riff, 4, &written, nullptr);
    SetFilePointer(file.Get(), 40, nullptr, FILE_BEGIN);
    WriteFile(file.Get(), &dataBytes, 4, &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 44 + static_cast<LONGLONG>(dataBytes);
    SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file.Get()));
}

// Every tenth of a second of the sound is the 440 Hz tone: no gap, no
// silence, no stretch of something else.
void ExpectUnbrokenTone(const WavContents& wav) {
    auto samples = orvo::test::ChannelSamples(wav);
    size_t window = wav.format.nSamplesPerSec / 10;
    ASSERT_GT(samples.size(), window);
    for (size_t at = 0; at + window <= samples.size(); at += window) {
        std::vector<double> part(samples.begin() + at, samples.begin() + at + window);
        ASSERT_GT(orvo::test::Rms(part), 0.05) << "silence at " << at * 1000 / wav.format.nSamplesPerSec << " ms";
        ASSERT_NEAR(orvo::test::MeasureFrequency(part, wav.format.nSamplesPerSec), 440.0, 15.0)
            << "not the tone at " << at * 1000 / wav.format.nSamplesPerSec << " ms";
    }
}

size_t CommonPrefixFrames(const WavContents& a, const WavContents& b) {
    size_t align = a.format.nBlockAlign, n = std::min(a.data.size(), b.data.size()) / align;
    size_t i = 0;
    while (i < n && std::memcmp(&a.data[i * align], &b.data[i * align], align) == 0) ++i;
    return i;
}

size_t CommonSuffixFrames(const WavContents& a, const WavContents& b) {
    size_t align = a.format.nBlockAlign, n = std::min(a.data.size(), b.data.size()) / align;
    size_t i = 0;
    while (i < n && std::memcmp(&a.data[a.data.size() - (i + 1) * align], &b.data[b.data.size() - (i + 1) * align],
                                align) == 0)
        ++i;
    return i;
}

void CALLBACK PressCancel(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND w = FindWindowW(L"OrvoConversionProgress", nullptr))
        PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

class RecoveryTest : public MainWindowTest {
protected:
    // Half a second of a tone in file, opened, a take of a second recorded
    // into it, and the session ended: a leftover that reads the file.
    void LeaveATakeInAnOpenedFile(const TempFile& file, const WAVEFORMATEX& f, uint32_t& length) {
        ASSERT_TRUE(orvo::test::WriteWavFile(file.Path(), f, orvo::test::SineBytes(f, 440, 0.5)));
        ui.dialogAnswers = {file.Path()};
        form->mnuOpen_Click();
        form->mnuRecord_Click();
        ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
        form->mnuStop_Click();
        length = form->MMCRecord.Length();
        SendMessageW(form->Hwnd(), WM_QUERYENDSESSION, 0, 0);
        SendMessageW(form->Hwnd(), WM_ENDSESSION, TRUE, 0);
    }

    ScopedRecoveryRoot root;
};

TEST_F(RecoveryTest, AKilledRecorderIsNotOfferedWhileAliveAndRestoredAfterwards) {
    TempFile work(L"");
    orvo::test::RemoveTree(work.Path());
    ASSERT_TRUE(CreateDirectoryW(work.Path().c_str(), nullptr));
    std::wstring command = L"\"" + ExeFolder() + L"\\orvo_record_child.exe\" \"" + work.Path() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    std::wstring marker = work.Path() + L"\\recording";
    bool started = PumpUntil([&] { return Exists(marker) || WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; },
                             30000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.Get(), &code);
    ASSERT_TRUE(started && Exists(marker)) << "the child ended with " << code;
    DWORD takeBegan = GetTickCount();

    // Its element is held by a live process: nothing to offer.
    form->OfferLeftoverRecordings();
    EXPECT_TRUE(ui.Choices().empty());

    Sleep(3000);
    DWORD takeRan = GetTickCount() - takeBegan;
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 10000);

    ui.choiceAnswers = {0};  // 恢复
    form->OfferLeftoverRecordings();
    ASSERT_EQ(ui.Choices().size(), 1u);
    const ChoiceRequest offer = ui.Choices()[0];
    EXPECT_EQ(offer.text.rfind(kPromptStart, 0), 0u);
    EXPECT_NE(offer.text.find(L"时长"), std::wstring::npos);
    EXPECT_EQ(offer.buttons, (std::vector<std::wstring>{L"恢复", L"另存为", L"丢弃"}));
    EXPECT_EQ(form->blnModified, -1) << "restored as an unsaved recording";

    WavContents first, restored;
    ASSERT_TRUE(orvo::test::ReadWavFile(work.Path() + L"\\first.wav", first));
    TempFile saved;
    ASSERT_EQ(form->MMCRecord.Save(saved.Path()), 0u);
    ASSERT_TRUE(orvo::test::ReadWavFile(saved.Path(), restored));
    ASSERT_EQ(restored.format.nSamplesPerSec, first.format.nSamplesPerSec);

    // The first take, split where playback stopped, around the second.
    size_t rate = first.format.nSamplesPerSec;
    size_t head = CommonPrefixFrames(first, restored), tail = CommonSuffixFrames(first, restored);
    EXPECT_GE(head, rate * 4 / 10) << "the first take's start comes first";
    EXPECT_GE(tail, rate / 2) << "the first take's rest comes last";
    EXPECT_GE(head + tail, first.Frames()) << "nothing of the first take is missing";
    // The second take up to 2 s before the kill, at least.
    double secondTake = static_cast<double>(restored.Frames() - first.Frames()) / rate;
    EXPECT_GE(secondTake, takeRan / 1000.0 - 2.0);
    ExpectUnbrokenTone(restored);

    // Restored, it is the window's element now, not a leftover any more.
    ui.Clear();
    form->OfferLeftoverRecordings();
    EXPECT_TRUE(ui.Choices().empty());
    orvo::test::RemoveTree(work.Path());
}

TEST_F(RecoveryTest, SavedLeftoversGoSilentlyAndOthersOnlyAfterTheUserSaysSoTwice) {
    // One recording saved and left unchanged, one never saved; both left
    // behind as a crash would leave them.
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    TempFile saved;
    ASSERT_EQ(form->MMCRecord.Save(saved.Path()), 0u);
    form->MMCRecord.LeaveForRecovery();
    form->NewRecordFile();
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    form->MMCRecord.LeaveForRecovery();
    ASSERT_EQ(orvo::test::ElementFolders(root.Path()), 2);

    // 丢弃, then No to "are you sure": still there and offered again; then
    // 丢弃 and Yes.
    ui.choiceAnswers = {2, 2};
    ui.messageAnswers = {IDNO, IDYES};
    form->OfferLeftoverRecordings();
    ASSERT_EQ(ui.Choices().size(), 2u) << "only the unsaved one is offered, until it is discarded";
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(orvo::test::ElementFolders(root.Path()), 0);

    // Closing the question without an answer keeps a leftover for later.
    form->NewRecordFile();
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->mnuStop_Click();
    form->MMCRecord.LeaveForRecovery();
    ui.Clear();
    form->OfferLeftoverRecordings();  // nothing scripted: closed
    EXPECT_EQ(ui.Choices().size(), 1u);
    EXPECT_EQ(orvo::test::ElementFolders(root.Path()), 1);
    // 另存为 writes it where the user says and only then lets it go.
    TempFile target;
    ui.Clear();
    ui.choiceAnswers = {1};
    ui.dialogAnswers = {target.Path()};
    form->OfferLeftoverRecordings();
    WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(target.Path(), wav));
    EXPECT_GE(wav.Seconds(), 0.3);
    EXPECT_EQ(orvo::test::ElementFolders(root.Path()), 0);
}

TEST_F(RecoveryTest, ACancelledShutdownKeepsRecordingAndTheEndOfTheSessionLeavesTheTakeWhole) {
    form->mnuRecord_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
    EXPECT_EQ(SendMessageW(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(form->Hwnd(), WM_ENDSESSION, FALSE, 0);  // the user cancelled the shutdown
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);
    const uint32_t cancelledAt = form->MMCRecord.Length();
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= cancelledAt + 500; }, 5000))
        << "the take goes on after the cancel";

    EXPECT_EQ(SendMessageW(form->Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    const uint32_t endedAbout = form->MMCRecord.Length();
    SendMessageW(form->Hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Recording);

    std::vector<Leftover> found = FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FALSE(found[0].journal.recording) << "the journal is final";
    const uint32_t length = found[0].Milliseconds();
    EXPECT_GE(length, endedAbout);
    EXPECT_LT(length, endedAbout + 1000);
    found.clear();

    // The next start restores all of it.
    ui.choiceAnswers = {0};
    ui.messageAnswers = {IDNO};  // the window's own element is not asked about: it has none
    form->OfferLeftoverRecordings();
    EXPECT_NEAR(form->MMCRecord.Length(), length, 1);
    EXPECT_EQ(form->blnModified, -1);
}

TEST_F(RecoveryTest, OpenReadsTheFileWhereItIsAndSaveOverItKeepsItRight) {
    // A large file opens without a copy into the recovery folder.
    TempFile large;
    WriteSilentWav(large.Path(), 64u << 20);
    uint64_t before = orvo::test::TreeBytes(root.Path());
    ui.dialogAnswers = {large.Path()};
    form->mnuOpen_Click();
    EXPECT_NEAR(form->MMCRecord.Length(), (64u << 20) / 176400.0 * 1000, 2);
    EXPECT_LT(orvo::test::TreeBytes(root.Path()), before + 64 * 1024);

    // While it is open nobody may change it.
    EXPECT_FALSE(ScopedFile(CreateFileW(large.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr))
                     .Valid());

    // A take recorded into a short opened file, saved over that file.
    TempFile tone;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(22050, 16, 1);
    std::vector<uint8_t> original = orvo::test::SineBytes(f, 440, 0.5);
    ASSERT_TRUE(orvo::test::WriteWavFile(tone.Path(), f, original));
    ui.dialogAnswers = {tone.Path()};
    form->mnuOpen_Click();
    form->mnuRecord_Click();  // at the start: the take comes before the file's sound
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
    form->mnuStop_Click();
    ui.Clear();
    ui.dialogAnswers = {tone.Path()};
    ui.messageAnswers = {IDYES};  // replace it
    form->mnuSave_Click();
    ASSERT_EQ(ui.Messages().size(), 1u) << "only the replace question";
    WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(tone.Path(), wav));
    ASSERT_GT(wav.data.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end(), wav.data.end() - original.size()))
        << "the file's own sound follows the take unchanged";
    ExpectUnbrokenTone(wav);

    // The element now reads from the new file: saved again elsewhere, the
    // same bytes.
    TempFile again;
    ASSERT_EQ(form->MMCRecord.Save(again.Path()), 0u);
    WavContents copy;
    ASSERT_TRUE(orvo::test::ReadWavFile(again.Path(), copy));
    EXPECT_EQ(copy.data, wav.data);
}

// The element refers to an opened file rather than holding a copy; if that
// file is written anew before the leftover is restored, its part cannot come
// back, but the take recorded into it does, and the user is told.
TEST_F(RecoveryTest, AnOpenedFileChangedMeanwhileGivesUpOnlyItsOwnPart) {
    TempFile tone;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(22050, 16, 1);
    uint32_t length = 0;
    ASSERT_NO_FATAL_FAILURE(LeaveATakeInAnOpenedFile(tone, f, length));

    ASSERT_TRUE(orvo::test::WriteWavFile(tone.Path(), f, orvo::test::SineBytes(f, 880, 0.25)));
    ui.Clear();
    ui.choiceAnswers = {0};       // 恢复
    ui.messageAnswers = {IDNO};  // this window's own element, left for the next start
    form->OfferLeftoverRecordings();
    ASSERT_EQ(ui.Messages().size(), 2u);
    const std::wstring told = ui.Messages()[1].text;
    EXPECT_NE(told.find(DurationText(500)), std::wstring::npos);
    EXPECT_NE(told.find(tone.Path()), std::wstring::npos);
    EXPECT_NEAR(form->MMCRecord.Length(), length - 500, 2);
    EXPECT_EQ(form->blnModified, -1);

    TempFile saved;
    ASSERT_EQ(form->MMCRecord.Save(saved.Path()), 0u);
    WavContents wav;
    ASSERT_TRUE(orvo::test::ReadWavFile(saved.Path(), wav));
    ExpectUnbrokenTone(wav);  // the take alone: no 880 Hz from the new file
}

// An opened file that is away at start-up (here held by another program; a
// drive not plugged in yet is the same) is named in the offer, which may
// wait for it: nothing changes, and once it is back all of it is restored.
TEST_F(RecoveryTest, AnOpenedFileAwayAtStartUpCanBeWaitedFor) {
    TempFile tone;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(22050, 16, 1);
    uint32_t length = 0;
    ASSERT_NO_FATAL_FAILURE(LeaveATakeInAnOpenedFile(tone, f, length));
    {
        ScopedFile held(CreateFileW(tone.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        ui.Clear();
        ui.choiceAnswers = {3};  // 以后再说
        form->OfferLeftoverRecordings();
        ASSERT_EQ(ui.Choices().size(), 1u);
        const ChoiceRequest offer = ui.Choices()[0];
        ASSERT_EQ(offer.buttons.size(), 4u);
        EXPECT_EQ(offer.buttons[3], L"以后再说");
        EXPECT_NE(offer.text.find(tone.Path()), std::wstring::npos) << WideToUtf8(offer.text);
        EXPECT_NE(offer.text.find(DurationText(500)), std::wstring::npos);
    }
    ui.Clear();
    ui.choiceAnswers = {0};       // 恢复
    ui.messageAnswers = {IDNO};  // this window's own element, left for the next start
    form->OfferLeftoverRecordings();
    ASSERT_EQ(ui.Choices().size(), 1u);
    EXPECT_EQ(ui.Choices()[0].buttons.size(), 3u);
    EXPECT_EQ(ui.Messages().size(), 1u) << "something was told lost";
    EXPECT_NEAR(form->MMCRecord.Length(), length, 2);
}

TEST_F(RecoveryTest, CancelDuringSaveLeavesTheOlderFileAsItWas) {
    TempFile large;
    WriteSilentWav(large.Path(), 256u << 20);
    ui.dialogAnswers = {large.Path()};
    form->mnuOpen_Click();
    TempFile target;
    const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
    ASSERT_TRUE(orvo::test::WriteRawFile(target.Path(), old));

    // Cancel as soon as the progress window stands.
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &PressCancel);
    ui.Clear();
    ui.dialogAnswers = {target.Path()};
    ui.messageAnswers = {IDYES};  // replace it
    form->mnuSave_Click();
    KillTimer(nullptr, timer);
    EXPECT_EQ(ui.Messages().size(), 1u) << "a cancel is no failure to report";

    HANDLE h = CreateFileW(target.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ScopedFile file(h);
    char buffer[64] = {};
    DWORD got = 0;
    ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr);
    EXPECT_EQ(std::string(buffer, got), "old file");
    // Nothing half-written is left beside it.
    std::wstring folder = target.Path().substr(0, target.Path().find_last_of(L"\\/"));
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\orv*.tmp").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

}  // namespace
}  // namespace orvo::recorder::test
