// The journal beside a take being recorded: what it names is on the disk,
// and it keeps up with the take without waiting for Stop.
#include <gtest/gtest.h>

#include "audio/wave_audio_device.h"
#include "audio/wave_journal.h"
#include "audio/wave_recovery.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

std::wstring OnlyElementFolder(const std::wstring& root) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
    std::wstring found;
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            found = root + L"\\" + name;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

// A mark's name is whatever the user typed: blanks at its start survive a
// restore, and characters a line cannot hold come back as blanks, in the
// element's name too.
TEST(WaveJournal, MarkNamesComeBackAsTheyWereWritten) {
    WaveJournal journal;
    journal.format = PcmFormat(8000, 16, 1);
    journal.name = L"take 1\r";
    journal.marks = {{10, L"  intro"}, {20, L"\tcue\r2"}, {30, L"结尾 "}};
    journal.recording = true;
    journal.takeMarks = {{5, L" take"}};
    WaveJournal back;
    ASSERT_EQ(ParseJournal(FormatJournal(journal), back), JournalState::Read);
    const std::vector<WaveMark> marks = {{10, L"  intro"}, {20, L" cue 2"}, {30, L"结尾 "}};
    EXPECT_EQ(back.marks, marks);
    EXPECT_EQ(back.takeMarks, (std::vector<WaveMark>{{5, L" take"}}));
    EXPECT_EQ(back.name, L"take 1 ");
}

TEST(WaveJournal, ATakeIsCountedOnDiskEverySecondAndHeldFromOtherInstances) {
    test::ScopedRecoveryRoot root;
    WaveAudioDevice device;
    device.SetFileName(L"new");
    ASSERT_EQ(device.Command(L"open"), 0u);
    ASSERT_EQ(device.Command(L"record"), 0u);
    std::wstring folder = OnlyElementFolder(root.Path());
    ASSERT_FALSE(folder.empty());
    Sleep(3000);

    WaveJournal j;
    ASSERT_TRUE(ReadJournalFile(folder, j));
    ASSERT_TRUE(j.recording);
    EXPECT_GE(j.take.bytes, j.format.nAvgBytesPerSec) << "more than a second of the take is counted already";
    WIN32_FILE_ATTRIBUTE_DATA samples{};
    ASSERT_TRUE(GetFileAttributesExW((folder + L"\\" + kSamplesFile).c_str(), GetFileExInfoStandard, &samples));
    EXPECT_GE(samples.nFileSizeLow, j.take.bytes);
    Leftover l;
    EXPECT_FALSE(ClaimLeftover(folder, l)) << "an element in use is nobody's leftover";

    ASSERT_EQ(device.Command(L"stop"), 0u);
    ASSERT_TRUE(ReadJournalFile(folder, j));
    EXPECT_FALSE(j.recording);
    ASSERT_EQ(j.pieces.size(), 1u);
    EXPECT_EQ(device.Length(), j.pieces[0].bytes / j.format.nBlockAlign * 1000 / j.format.nSamplesPerSec);
    device.Command(L"close");
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "close deletes the element's files";
}

// An element of a float, many-channel file comes back from the recovery
// folder as it was: its format and speaker layout, and its sound.
TEST(WaveJournal, AnExtensibleFloatElementIsRestoredWithItsFormatAndChannelMask) {
    test::ScopedRecoveryRoot root;
    test::TempFile file, saved;
    WAVEFORMATEX f = test::MakeFloatFormat(22050, 32, 6);
    const auto samples = test::SineBytes(f, 440, 0.3);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, samples, 0x3F));
    {
        WaveAudioDevice device;
        device.SetFileName(file.Path());
        ASSERT_EQ(device.Command(L"open"), 0u);
        device.LeaveForRecovery();
    }
    std::vector<Leftover> leftovers = FindLeftovers();
    ASSERT_EQ(leftovers.size(), 1u);
    WaveAudioDevice restored;
    RecoveryLoss loss;
    ASSERT_EQ(restored.Restore(std::move(leftovers[0]), loss), 0u);
    EXPECT_EQ(restored.Format().wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(restored.Extension().channelMask, 0x3Fu);
    ASSERT_EQ(restored.Save(saved.Path()), 0u);
    test::WavContents wav;
    ASSERT_TRUE(test::ReadWavFile(saved.Path(), wav));
    EXPECT_EQ(wav.format.wFormatTag, 0xFFFE);
    EXPECT_EQ(wav.channelMask, 0x3Fu);
    EXPECT_EQ(wav.subFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_TRUE(wav.data == samples);
    restored.Command(L"close");
}

}  // namespace
}  // namespace orvo
