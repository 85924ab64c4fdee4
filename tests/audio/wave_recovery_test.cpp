// Recovery trusts a leftover's journal only as far as its files bear it out,
// and never gives up its samples because of the journal: a newer version's,
// one with other line ends, a damaged one, a locked one, one naming bytes
// that are not there.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "audio/wave_audio_device.h"
#include "audio/wave_journal.h"
#include "audio/wave_recovery.h"
#include "audio/wave_store.h"
#include "tests/support/host_command.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::TempFile;

std::string ReadText(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    char buffer[4096];
    DWORD got = 0;
    std::string text;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(f);
    return text;
}

void WriteText(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(test::WriteRawFile(path, std::vector<uint8_t>(text.begin(), text.end())));
}

// A left element of one second of a 22.05 kHz mono tone, as a killed
// recorder leaves it; returns its folder.
std::wstring LeaveElement(std::vector<uint8_t>& sound) {
    const WAVEFORMATEX f = test::MakePcmFormat(22050, 16, 1);
    sound = test::SineBytes(f, 440, 1.0);
    WaveStore s;
    EXPECT_TRUE(s.Open());
    s.Describe(f, {}, L"", true);
    s.SetSaved(false);
    EXPECT_TRUE(s.Append(sound.data(), static_cast<uint32_t>(sound.size())));
    std::wstring folder = s.Folder();
    s.Release();
    return folder;
}

Leftover OnlyLeftover() {
    std::vector<Leftover> found = FindLeftovers();
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? Leftover{} : std::move(found[0]);
}

void ExpectSavesAs(Leftover&& l, const std::vector<uint8_t>& sound, RecoveryLoss* lossOut = nullptr) {
    WaveStore s;
    RecoveryLoss loss;
    ASSERT_TRUE(s.Adopt(std::move(l), loss));
    if (lossOut) *lossOut = loss;
    TempFile saved;
    WavWriter wav;
    ASSERT_EQ(s.SaveAs(saved.Path(), wav, nullptr, nullptr), 0u);
    test::WavContents c;
    ASSERT_TRUE(test::ReadWavFile(saved.Path(), c));
    EXPECT_TRUE(c.data == sound) << c.data.size() << " bytes saved of " << sound.size();
    s.Close();
}

TEST(Recovery, AJournalThisBuildCannotReadNeverCostsTheSamples) {
    test::ScopedRecoveryRoot root;
    std::vector<uint8_t> sound;
    const std::wstring folder = LeaveElement(sound);
    const std::wstring journal = folder + L"\\" + kJournalFile;
    const std::string written = ReadText(journal);
    ASSERT_EQ(written.rfind("OrvoRecord journal 1\n", 0), 0u);

    // A newer version's journal: left exactly as it is, and named.
    std::string newer = written;
    newer.replace(0, 20, "OrvoRecord journal 2");
    WriteText(journal, newer);
    Leftover l = OnlyLeftover();
    EXPECT_EQ(l.state, JournalState::Newer);
    EXPECT_FALSE(l.Disposable());
    EXPECT_FALSE(l.lock) << "a newer version's element is not held";
    l = Leftover{};
    EXPECT_EQ(ReadText(journal), newer);
    EXPECT_GE(test::TreeBytes(folder), sound.size());

    // CRLF line ends read as they are (with no previous journal to fall
    // back on).
    DeleteFileW((folder + L"\\" + kJournalOldFile).c_str());
    std::string crlf;
    for (char c : written) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteText(journal, crlf);
    l = OnlyLeftover();
    EXPECT_EQ(l.state, JournalState::Read);
    EXPECT_EQ(l.bytes, sound.size());
    l = Leftover{};

    // A journal held open by another program: not claimed now, not lost.
    HANDLE held = CreateFileW(journal.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindLeftovers().empty());
    CloseHandle(held);
    EXPECT_GE(test::TreeBytes(folder), sound.size());

    // The current journal damaged (no "end"): the previous one restores,
    // and what the samples file holds beyond it comes back too.
    WaveJournal behind;
    ASSERT_EQ(ParseJournal(written, behind), JournalState::Read);
    behind.pieces[0].bytes /= 2;
    WriteText(folder + L"\\" + kJournalOldFile, FormatJournal(behind));
    WriteText(journal, written.substr(0, written.find("end")));
    l = OnlyLeftover();
    EXPECT_EQ(l.state, JournalState::Read);
    EXPECT_EQ(l.bytes, sound.size());
    l = Leftover{};

    // Both damaged, one digit of the format wrong: the whole samples file in
    // the format the journal still tells, the damaged journal kept.
    DeleteFileW((folder + L"\\" + kJournalOldFile).c_str());
    std::string damaged = written;
    damaged.replace(damaged.find("piece 0 0 "), 10, "piece 0 x ");
    WriteText(journal, damaged);
    l = OnlyLeftover();
    EXPECT_EQ(l.state, JournalState::Damaged);
    EXPECT_FALSE(l.guessedFormat);
    EXPECT_FALSE(l.Disposable());
    EXPECT_EQ(l.journal.format.nSamplesPerSec, 22050u);
    ExpectSavesAs(std::move(l), sound);
    // (Close deleted the folder; the kept journal went with it on the user's word.)
}

// A folder that lost its lock file (or never got one) is claimed when it
// holds sound, and removed when it holds nothing.
TEST(Recovery, AFolderWithoutItsLockIsStillOfferedOrTidiedAway) {
    test::ScopedRecoveryRoot root;
    std::vector<uint8_t> sound;
    const std::wstring folder = LeaveElement(sound);
    ASSERT_TRUE(DeleteFileW((folder + L"\\" + kLockFile).c_str()));
    Leftover l = OnlyLeftover();
    EXPECT_EQ(l.bytes, sound.size());
    EXPECT_TRUE(l.lock);
    DiscardLeftover(l);
    ASSERT_TRUE(CreateDirectoryW((root.Path() + L"\\empty").c_str(), nullptr));
    EXPECT_TRUE(FindLeftovers().empty());
    EXPECT_EQ(test::ElementFolders(root.Path()), 0);
}

TEST(Recovery, AnUnreadableFormatIsGuessedAndTheDamagedJournalKept) {
    test::ScopedRecoveryRoot root;
    std::vector<uint8_t> sound;
    const std::wstring folder = LeaveElement(sound);
    DeleteFileW((folder + L"\\" + kJournalOldFile).c_str());
    const std::string garbage = "\x01\x02 not a journal at all";
    WriteText(folder + L"\\" + kJournalFile, garbage);
    Leftover l = OnlyLeftover();
    ASSERT_EQ(l.state, JournalState::Damaged);
    EXPECT_TRUE(l.guessedFormat);
    EXPECT_EQ(l.journal.format.nSamplesPerSec, 44100u);
    EXPECT_EQ(l.bytes, sound.size()) << "every whole frame of the samples file";
    WaveStore s;
    RecoveryLoss loss;
    ASSERT_TRUE(s.Adopt(std::move(l), loss));
    EXPECT_EQ(ReadText(folder + L"\\" + kJournalKeptFile), garbage);
    EXPECT_EQ(s.Length(), sound.size());
    s.Release();
    l = OnlyLeftover();
    EXPECT_EQ(l.state, JournalState::Read) << "restored once, it is an element like any other";
}

TEST(Recovery, RangesTheJournalNamesBeyondTheFilesAreCutAndTheRestSaves) {
    test::ScopedRecoveryRoot root;
    std::vector<uint8_t> sound;
    const std::wstring folder = LeaveElement(sound);
    WaveJournal j;
    ASSERT_TRUE(ReadJournalFile(folder, j));
    ASSERT_EQ(j.pieces.size(), 1u);
    j.pieces[0].bytes += 10000;                   // past the end of the samples file
    j.pieces.push_back({UINT64_MAX - 100, 400, 0});  // an offset that wraps
    ASSERT_TRUE(WriteJournalFile(folder, j));
    RecoveryLoss loss;
    ExpectSavesAs(OnlyLeftover(), sound, &loss);
    EXPECT_EQ(loss.cutBytes, 10400u);
}

// Moves the file's write time by `by` (100 ns units) from `from`, or from
// its own when from is 0; returns the time it had.
uint64_t MoveWriteTime(const std::wstring& path, int64_t by, uint64_t from = 0) {
    HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES | GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(f, INVALID_HANDLE_VALUE);
    FILETIME t{};
    EXPECT_TRUE(GetFileTime(f, nullptr, nullptr, &t));
    const uint64_t had = FileTimeNumber(t);
    const uint64_t moved = (from ? from : had) + by;
    t = {static_cast<DWORD>(moved), static_cast<DWORD>(moved >> 32)};
    EXPECT_TRUE(SetFileTime(f, nullptr, nullptr, &t));
    CloseHandle(f);
    return had;
}

// An opened file is the same file by its size and contents, whatever its
// write time says (a FAT volume shifts it an hour with summer time); a file
// that is not the same any more is left out, and then the element is
// untitled, so Save never proposes to replace the original with the rest.
TEST(Recovery, AnOpenedFileIsKnownByItsContentsNotItsWriteTime) {
    test::ScopedRecoveryRoot root;
    TempFile file;
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 1);
    const auto sound = test::SineBytes(f, 440, 1.0);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, sound));
    {
        WaveAudioDevice device;
        device.SetFileName(file.Path());
        ASSERT_EQ(device.Command(L"open"), 0u);
        device.LeaveForRecovery();
    }
    const int64_t hour = 36000000000;
    const uint64_t written = MoveWriteTime(file.Path(), hour);
    {
        WaveStore s;
        RecoveryLoss loss;
        ASSERT_TRUE(s.Adopt(OnlyLeftover(), loss));
        EXPECT_FALSE(loss.Any());
        EXPECT_EQ(s.Length(), sound.size());
        EXPECT_FALSE(s.Untitled());
        s.Release();
    }
    // The same size, other sound, and the write time put back.
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SineBytes(f, 1000, 1.0)));
    MoveWriteTime(file.Path(), 0, written);
    WaveStore s;
    RecoveryLoss loss;
    ASSERT_TRUE(s.Adopt(OnlyLeftover(), loss));
    ASSERT_EQ(loss.files.size(), 1u);
    EXPECT_EQ(loss.fileBytes, sound.size());
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_TRUE(s.Untitled());
    s.Close();
}

// A planted journal reads nothing but opened WAV files by their ordinary
// paths (here the very same file through a raw \\?\ path), and proposes to
// save under no name that is not an existing file.
TEST(Recovery, APlantedJournalReachesNoOtherFileAndProposesNoOtherName) {
    test::ScopedRecoveryRoot root;
    TempFile file;
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 1);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SineBytes(f, 440, 0.5)));
    std::wstring folder;
    {
        WaveAudioDevice device;
        device.SetFileName(file.Path());
        ASSERT_EQ(device.Command(L"open"), 0u);
        device.LeaveForRecovery();
    }
    Leftover l = OnlyLeftover();
    ASSERT_EQ(l.journal.sources.size(), 1u);
    WaveJournal j = l.journal;
    folder = l.folder;
    l = Leftover{};
    j.sources[0].path = L"\\\\?\\" + file.Path();
    ASSERT_TRUE(WriteJournalFile(folder, j));
    WaveStore s;
    RecoveryLoss loss;
    ASSERT_TRUE(s.Adopt(OnlyLeftover(), loss));
    EXPECT_EQ(loss.files.size(), 1u);
    EXPECT_EQ(s.Length(), 0u);
    s.Release();

    j.sources.clear();
    j.pieces.clear();
    j.name = L"C:\\no such folder\\planted.wav";
    j.untitled = false;
    ASSERT_TRUE(WriteJournalFile(folder, j));
    ASSERT_TRUE(s.Adopt(OnlyLeftover(), loss));
    EXPECT_TRUE(s.Untitled());
    s.Close();
}

HANDLE g_flushing, g_mayFlush;

// The element as a store holds it after opening path and appending more.
void OpenAndAppend(WaveStore& s, const std::wstring& path, const std::vector<uint8_t>& more) {
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    WaveLayout layout;
    ASSERT_EQ(ParseWaveFile(file.Get(), layout), 0u);
    ASSERT_TRUE(s.Open());
    s.TakeFile(path, std::move(file), layout);
    ASSERT_TRUE(s.Append(more.data(), static_cast<uint32_t>(more.size())));
}

// A save over the opened file moves the new file into its place and then
// writes the journal that names it. A recorder killed between the two finds
// a file its journal does not know; the journal written before the move
// names it, so the whole element comes back from it.
TEST(Recovery, AKillJustAfterASaveMovedItsFileInPlaceKeepsTheWholeElement) {
    test::ScopedRecoveryRoot root;
    TempFile file;
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 1);
    const auto first = test::SineBytes(f, 440, 0.5), more = test::SineBytes(f, 1000, 0.5);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, first));
    WaveJournal before, after;
    std::wstring folder;
    {
        WaveStore s;
        OpenAndAppend(s, file.Path(), more);
        ASSERT_TRUE(ReadJournalFile(s.Folder(), before));
        WavWriter wav;
        {
            // A move another program refuses: the journal named the new
            // file just before it (the previous journal now), and forgets
            // it after.
            ScopedFile held(CreateFileW(file.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        0, nullptr));
            ASSERT_NE(s.SaveAs(file.Path(), wav, nullptr, nullptr), 0u);
            WaveJournal previous, now;
            ASSERT_EQ(LoadJournal(s.Folder(), now), JournalState::Read);
            ASSERT_TRUE(ParseJournal(ReadText(s.Folder() + L"\\" + kJournalOldFile), previous) == JournalState::Read);
            EXPECT_EQ(previous.replacement.file.path, file.Path());
            EXPECT_FALSE(now.replacement.Pending());
        }
        ASSERT_EQ(s.SaveAs(file.Path(), wav, nullptr, nullptr), 0u);
        folder = s.Folder();
        s.Release();
    }
    ASSERT_TRUE(ReadJournalFile(folder, after));
    EXPECT_FALSE(after.replacement.Pending()) << "the journal after the save still names a replacement";
    ASSERT_EQ(after.sources.size(), 1u);
    // The journal as it stood at the move: the old file, and the new one
    // about to take its place.
    WaveJournal atMove = before;
    atMove.saved = false;
    atMove.replacement = {after.sources[0], after.pieces};
    ASSERT_TRUE(WriteJournalFile(folder, atMove));
    std::vector<uint8_t> whole = first;
    whole.insert(whole.end(), more.begin(), more.end());
    RecoveryLoss loss;
    ExpectSavesAs(OnlyLeftover(), whole, &loss);
    EXPECT_FALSE(loss.Any()) << "the moved file was not recognised";
}

// An opened file on a drive that drops and comes back: the handle the store
// holds reads nothing any more, the file at the path is whole. The save
// opens it again by path (it is still the same file) and goes through.
TEST(Recovery, ASaveGetsPastASourceHandleThatWentBad) {
    if (!test::HostCommandsAvailable()) GTEST_SKIP() << "needs host commands";
    test::ScopedRecoveryRoot root;
    TempFile file;
    const WAVEFORMATEX f = test::MakePcmFormat(8000, 16, 1);
    const auto first = test::SineBytes(f, 440, 0.5), more = test::SineBytes(f, 1000, 0.25);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, first));
    WaveStore s;
    OpenAndAppend(s, file.Path(), more);
    // The store's handle keeps the file it opened, which is cut short; a
    // whole copy is put back under the name.
    const std::string host = test::HostPath(file.Path());
    ASSERT_TRUE(test::RunHostCommand(
        {"sh", "-c", "cp '" + host + "' '" + host + ".away' && truncate -s 100 '" + host + "' && mv '" + host +
                         ".away' '" + host + "'"}));
    TempFile saved;
    WavWriter wav;
    ASSERT_EQ(s.SaveAs(saved.Path(), wav, nullptr, nullptr), 0u);
    test::WavContents c;
    ASSERT_TRUE(test::ReadWavFile(saved.Path(), c));
    std::vector<uint8_t> whole = first;
    whole.insert(whole.end(), more.begin(), more.end());
    EXPECT_TRUE(c.data == whole) << c.data.size() << " bytes saved of " << whole.size();
    s.Close();
}

// A checkpoint on a disk that is slow to flush holds up neither the window
// (which reads the length) nor the end of the take: the store's lock is free
// while the samples are flushed and the journal written.
TEST(Recovery, ACheckpointWaitingForTheDiskDoesNotHoldTheStore) {
    test::ScopedRecoveryRoot root;
    g_flushing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_mayFlush = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WaveStore::BeforeCheckpointFlush([] {
        SetEvent(g_flushing);
        WaitForSingleObject(g_mayFlush, 30000);
    });
    WaveStore s;
    ASSERT_TRUE(s.Open());
    s.SetCheckpointInterval(1);
    s.BeginTake(0, 0);
    ASSERT_TRUE(s.WriteFileAt(0, "abcd", 4));
    Sleep(5);
    std::thread recording([&] { s.TakeWritten(4); });
    ASSERT_EQ(WaitForSingleObject(g_flushing, 10000), WAIT_OBJECT_0);
    std::atomic<bool> answered{false};
    std::thread window([&] {
        s.Length();
        s.Insert(0, 0, 4);  // the take ends while its checkpoint still waits
        answered = true;
    });
    for (int i = 0; i < 500 && !answered; ++i) Sleep(10);
    EXPECT_TRUE(answered) << "the store stayed locked while the checkpoint waited for the disk";
    SetEvent(g_mayFlush);
    recording.join();
    window.join();
    WaveStore::BeforeCheckpointFlush(nullptr);
    WaveJournal j;
    ASSERT_TRUE(ReadJournalFile(s.Folder(), j));
    EXPECT_FALSE(j.recording) << "the late checkpoint did not bring back the take that ended";
    ASSERT_EQ(j.pieces.size(), 1u);
    EXPECT_EQ(j.pieces[0].bytes, 4u);
    s.Close();
    CloseHandle(g_flushing);
    CloseHandle(g_mayFlush);
}

}  // namespace
}  // namespace orvo
