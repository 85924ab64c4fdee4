// Unattended saving: stretches of an element written while the take goes on,
// the names files get, and a piece that cannot be written told as failed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio/wave_audio_device.h"
#include "audio/wave_riff.h"
#include "recorder/unattended/auto_saver.h"
#include "tests/support/pump.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder {
namespace {

using test::PumpUntil;
using test::TempFile;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& data, uint64_t from, uint64_t to) {
    return std::vector<uint8_t>(data.begin() + from, data.begin() + to);
}

TEST(AutoSaver, StretchesSavedMidTakeAreTheElementsFramesWithTheirMarks) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    test::ScopedRecoveryRoot root;
    WaveAudioDevice d;
    d.SetFileName(L"new");
    ASSERT_EQ(d.Command(L"open"), 0u);
    ASSERT_EQ(d.Command(L"record"), 0u) << d.LastErrorText();
    const uint32_t rate = d.Format().nSamplesPerSec, align = d.Format().nBlockAlign;
    ASSERT_TRUE(PumpUntil([&] { return d.Frames() >= rate / 2; }, 8000));
    uint64_t markFrame = 0;
    ASSERT_TRUE(d.AddMark(L"标记 1", markFrame));
    ASSERT_TRUE(PumpUntil([&] { return d.Frames() >= markFrame + rate / 2; }, 8000));

    // Mid-take: a stretch around the mark, directly and through the worker,
    // and one reaching past what is recorded, which must not pass for saved.
    const uint64_t from = markFrame - rate / 4, to = markFrame + rate / 4;
    TempFile direct, queued, past;
    ASSERT_EQ(d.SaveRange(direct.Path(), nullptr, from, to), 0u);
    AutoSaver saver;
    saver.Queue({&d, from, to, queued.Path(), SaveFormat::Wav});
    const uint64_t beyond = d.Frames() + rate * 60;
    EXPECT_EQ(d.SaveRange(past.Path(), nullptr, from, beyond), static_cast<MCIERROR>(MCIERR_OUTOFRANGE));
    EXPECT_EQ(GetFileAttributesW(past.Path().c_str()), INVALID_FILE_ATTRIBUTES);
    saver.Finish();
    EXPECT_EQ(saver.Pending(), 0u);
    std::vector<AutoSaveResult> results = saver.TakeResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].Saved()) << results[0].failure;
    EXPECT_EQ(d.GetMode(), WaveAudioDevice::Mode::Recording) << "the take goes on";
    ASSERT_EQ(d.Command(L"stop"), 0u);
    EXPECT_TRUE(d.HoldsUnsavedSound()) << "a stretch is not the element saved";

    TempFile whole;
    ASSERT_EQ(d.Save(whole.Path()), 0u);
    test::WavContents all, part, part2;
    ASSERT_TRUE(test::ReadWavFile(whole.Path(), all));
    ASSERT_TRUE(test::ReadWavFile(direct.Path(), part));
    ASSERT_TRUE(test::ReadWavFile(queued.Path(), part2));
    EXPECT_EQ(part.Frames(), to - from);
    EXPECT_TRUE(part.data == Slice(all.data, from * align, to * align)) << "the stretch is the element's frames";
    EXPECT_TRUE(part2.data == part.data);
    WaveLayout layout;
    ASSERT_EQ(InspectWaveFile(direct.Path(), layout), WaveFileProblem::None);
    ASSERT_EQ(layout.marks.size(), 1u);
    EXPECT_EQ(layout.marks[0].frame, markFrame - from) << "a mark moves with its stretch";

    // A piece that cannot be written comes back failed, in words, with no
    // file left behind; the one after it is still written.
    const std::wstring nowhere = L"C:\\no such folder\\piece.wav";
    TempFile flac(L".flac");
    saver.Queue({&d, 0, d.Frames() + 1, direct.Path() + L".x.wav", SaveFormat::Wav});
    saver.Queue({&d, 0, rate / 10, nowhere, SaveFormat::Wav});
    saver.Queue({&d, 0, rate / 10, flac.Path(), SaveFormat::Flac});
    saver.Finish();
    results = saver.TakeResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_FALSE(results[0].Saved()) << "frames past the element are an error";
    EXPECT_FALSE(results[1].Saved());
    EXPECT_NE(results[1].failure.find(L"piece.wav"), std::wstring::npos) << results[1].failure;
    EXPECT_EQ(GetFileAttributesW((direct.Path() + L".x.wav").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(results[2].Saved()) << results[2].failure;
    d.Command(L"close");
}

TEST(AutoSaveNames, PatternsExpandWithMonthBeforeTheHourAndMinutesAfterIt) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 2;
    EXPECT_EQ(ExpandNamePattern(kDefaultNamePattern, t), L"录音_20260307_090502");
    EXPECT_EQ(ExpandNamePattern(L"MM月DD日 HH点MM分 MM", t), L"03月07日 09点05分 05");
    EXPECT_EQ(ExpandNamePattern(L"会议:A/B?*YYYY", t), L"会议_A_B__2026");
    EXPECT_EQ(ExpandNamePattern(L"", t), L"录音");
    EXPECT_EQ(ExpandNamePattern(L"SSMMHH", t), L"020309") << "MM before any HH is the month";

    // Names already taken, on the disk or by a piece still queued, get _2, _3.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    AutoSaveTarget target{std::wstring(temp) + L"orvo-names-" + std::to_wstring(GetCurrentProcessId()),
                          SaveFormat::Mp3, L"YYYY"};
    CreateDirectoryW(target.folder.c_str(), nullptr);
    const std::wstring first = target.folder + L"\\2026.mp3";
    EXPECT_EQ(UniqueTarget(target, t), first);
    test::WriteRawFile(first, {1});
    EXPECT_EQ(UniqueTarget(target, t), target.folder + L"\\2026_2.mp3");
    EXPECT_EQ(UniqueTarget(target, t, {target.folder + L"\\2026_2.MP3"}), target.folder + L"\\2026_3.mp3");
    DeleteFileW(first.c_str());
    RemoveDirectoryW(target.folder.c_str());

    // Stored per user and read back.
    StoreAutoSaveTarget(target);
    AutoSaveTarget back = LoadAutoSaveTarget();
    EXPECT_EQ(back.folder, target.folder);
    EXPECT_EQ(back.format, SaveFormat::Mp3);
    EXPECT_EQ(back.pattern, L"YYYY");
    StoreAutoSaveTarget(DefaultAutoSaveTarget());
    EXPECT_FALSE(DefaultAutoSaveTarget().folder.empty());
}

}  // namespace
}  // namespace orvo::recorder
