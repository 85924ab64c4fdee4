// Marks: dropped during a take, saved as cue points where they were dropped,
// kept through Open and Save, moved by a take recorded before them, and back
// in place after a crash mid-take.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "audio/wave_audio_device.h"
#include "audio/wave_journal.h"
#include "audio/wave_recovery.h"
#include "audio/wave_store.h"
#include "base/text.h"
#include "tests/support/pump.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::PumpUntil;
using test::TempFile;

std::vector<WaveMark> MarksOfFile(const std::wstring& path) {
    WaveLayout layout;
    EXPECT_EQ(InspectWaveFile(path, layout), WaveFileProblem::None);
    return layout.marks;
}

uint64_t FramesOfFile(const std::wstring& path) {
    WaveLayout layout;
    EXPECT_EQ(InspectWaveFile(path, layout), WaveFileProblem::None);
    return layout.dataBytes / layout.format.nBlockAlign;
}

// Where the host's own reader of the cue chunk finds the take (set by the
// test that runs it): the file and the marks it must hold, one line each.
std::wstring HostCheckFolder() {
    const char* out = std::getenv("ORVO_MARKS_OUT");
    return out ? Utf8ToWide(out) : std::wstring();
}

void WriteExpectedMarks(const std::wstring& path, const std::vector<WaveMark>& marks) {
    std::ofstream out(WideToUtf8(path), std::ios::binary);
    for (const WaveMark& m : marks) out << m.frame << " " << WideToUtf8(m.name) << "\n";
}

TEST(WaveMarks, MarksDroppedDuringATakeAreCuePointsThereAndKeptThroughOpenAndSave) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    test::ScopedRecoveryRoot root;
    const std::wstring host = HostCheckFolder();
    TempFile temp;
    const std::wstring saved = host.empty() ? temp.Path() : host + L"\\take.wav";
    if (!host.empty()) {
        CreateDirectoryW(host.c_str(), nullptr);
        DeleteFileW(saved.c_str());
        DeleteFileW((host + L"\\take.marks").c_str());
    }

    WaveAudioDevice d;
    d.SetFileName(L"new");
    ASSERT_EQ(d.Command(L"open"), 0u);
    ASSERT_EQ(d.Command(L"record"), 0u) << d.LastErrorText();
    std::vector<WaveMark> dropped(2);
    ASSERT_TRUE(PumpUntil([&] { return d.Length() >= 300; }, 8000));
    dropped[0].name = L"标记 1";
    ASSERT_TRUE(d.AddMark(dropped[0].name, dropped[0].frame));
    // The source may hand over a second at once: the second mark waits for
    // half a second more than the first one had.
    const uint32_t firstMs = static_cast<uint32_t>(dropped[0].frame * 1000 / d.Format().nSamplesPerSec);
    ASSERT_TRUE(PumpUntil([&] { return d.Length() >= firstMs + 600; }, 8000));
    dropped[1].name = L"标记 2";
    ASSERT_TRUE(d.AddMark(dropped[1].name, dropped[1].frame));
    ASSERT_TRUE(PumpUntil([&] { return d.Length() >= firstMs + 1000; }, 8000));
    ASSERT_EQ(d.Command(L"stop"), 0u);
    const uint32_t rate = d.Format().nSamplesPerSec;
    EXPECT_GE(dropped[0].frame, rate * 3 / 10) << "a mark is where the take had got to";
    EXPECT_GE(dropped[1].frame, dropped[0].frame + rate / 2);
    EXPECT_EQ(d.Marks(), dropped);

    ASSERT_EQ(d.Save(saved), 0u) << d.LastErrorText();
    EXPECT_EQ(MarksOfFile(saved), dropped);
    if (!host.empty()) WriteExpectedMarks(host + L"\\take.marks", dropped);
    d.Command(L"close");

    // Opened again, the file's marks are the element's; a take recorded at
    // the start moves them on by its length, and saving keeps them.
    WaveAudioDevice again;
    again.SetFileName(saved);
    ASSERT_EQ(again.Command(L"open"), 0u);
    EXPECT_EQ(again.Marks(), dropped);
    TempFile resaved;
    ASSERT_EQ(again.Save(resaved.Path()), 0u);
    EXPECT_EQ(MarksOfFile(resaved.Path()), dropped);
    const uint64_t before = FramesOfFile(saved);
    ASSERT_EQ(again.Command(L"prev"), 0u);
    ASSERT_EQ(again.Command(L"record"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return again.Length() >= 1700; }, 8000));
    ASSERT_EQ(again.Command(L"stop"), 0u);
    ASSERT_EQ(again.Save(resaved.Path()), 0u);
    const uint64_t take = FramesOfFile(resaved.Path()) - before;
    ASSERT_GT(take, 0u);
    std::vector<WaveMark> moved = dropped;
    for (WaveMark& m : moved) m.frame += take;
    EXPECT_EQ(MarksOfFile(resaved.Path()), moved);
    again.Command(L"close");
}

// What a crash leaves: the element's folder as it was on the disk mid-take,
// with nobody holding it.
std::wstring CopyAsLeftover(const std::wstring& folder, const std::wstring& root) {
    std::wstring copy = root + L"\\crashed";
    CreateDirectoryW(copy.c_str(), nullptr);
    for (const wchar_t* name : {kJournalFile, kSamplesFile})
        CopyFileW((folder + L"\\" + name).c_str(), (copy + L"\\" + name).c_str(), FALSE);
    CloseHandle(OpenOwnerLock(copy, true));
    return copy;
}

TEST(WaveMarks, MarksOfATakeRunningAtACrashComeBackWhereTheyWere) {
    test::ScopedRecoveryRoot root;
    const WAVEFORMATEX f = PcmFormat(8000, 8, 1);  // one byte a frame
    WaveStore s;
    ASSERT_TRUE(s.Open());
    s.Describe(f, {}, L"x.wav", true);
    ASSERT_TRUE(s.Append("abcd", 4));
    s.AddMark({2, L"后"}, false);
    s.AddMark({1, L"前"}, false);
    // A take at frame 1, with a mark two frames into it; its journal counts
    // none of its bytes yet, the disk holds three.
    const uint64_t at = s.FileEnd();
    s.BeginTake(1, at);
    ASSERT_TRUE(s.WriteFileAt(at, "XYZ", 3));
    s.AddMark({2, L"中"}, true);
    const std::vector<WaveMark> expected = {{1, L"前"}, {3, L"中"}, {5, L"后"}};
    WaveStore::Pending pending{1, at, 3};
    EXPECT_EQ(s.Marks(&pending), expected);

    Leftover leftover;
    ASSERT_TRUE(ClaimLeftover(CopyAsLeftover(s.Folder(), root.Path()), leftover));
    WaveStore restored;
    RecoveryLoss loss;
    ASSERT_TRUE(restored.Adopt(std::move(leftover), loss));
    EXPECT_EQ(restored.Length(), 7u);
    EXPECT_EQ(restored.Marks(), expected);
    restored.Close();

    // The take ending normally puts them in the same places.
    s.Insert(1, at, 3);
    EXPECT_EQ(s.Marks(), expected);
    s.Close();
}

}  // namespace
}  // namespace orvo
