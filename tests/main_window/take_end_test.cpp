// Takes that end by themselves: a full disk and the element's size limit
// (through the store's seams), and input that stops delivering; and one that
// goes on past the WAV size limit and is saved as RF64. The window must say
// why and how much was kept, keep it, and stand stopped.
#include <cstdlib>

#include "audio/wave_riff.h"
#include "audio/wave_store.h"
#include "recorder/save/save_formats.h"
#include "tests/main_window/main_window_fixture.h"
#include "base/text.h"
#include "tests/support/host_command.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpUntil;
using orvo::test::TempFile;
using orvo::test::WavContents;

constexpr uint64_t kOneSecond = 44100 * 4;  // the new element's format

class TakeEndTest : public MainWindowTest {
protected:
    void TearDown() override {
        WaveStore::FailWritesBeyond(WaveStore::kNoLimit);
        WaveStore::LimitElementsTo(WaveStore::kNoLimit);
        SetPlainWaveThreshold(UINT64_MAX);
        WaveStore::FailJournalWrites(false);
        MainWindowTest::TearDown();
    }

    // Records from the toolbar until the take ends by itself; returns the
    // message it gave.
    MessageBoxRequest RecordUntilItStops() {
        form->TbrRecord.Click(4);
        EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
        return WaitUntilItStops();
    }

    MessageBoxRequest WaitUntilItStops() {
        EXPECT_TRUE(PumpUntil([&] { return !ui.Messages().empty(); }, 10000));
        EXPECT_EQ(ui.Messages().size(), 1u);
        // Back in the stopped state, the recording kept for saving.
        EXPECT_EQ(form->Lblread.Text(), L"操作结束...");
        EXPECT_EQ(Buttons(), "11101");
        EXPECT_FALSE(form->TimerBar.Enabled());
        EXPECT_FALSE(form->dBar1.Visible());
        EXPECT_EQ(form->blnModified, -1);
        EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Stopped);
        return ui.Messages().empty() ? MessageBoxRequest{} : ui.Messages()[0];
    }

    WavContents Save() {
        TempFile file;
        ui.dialogAnswers = {file.Path()};
        form->TbrRecord.Click(5);
        WavContents wav;
        EXPECT_TRUE(orvo::test::ReadWavFile(file.Path(), wav));
        return wav;
    }
};

TEST_F(TakeEndTest, AFullDiskStopsTheTakeAndKeepsWhatWasWritten) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveStore::FailWritesBeyond(kOneSecond + kOneSecond / 2);
    MessageBoxRequest m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：磁盘已满。已录下的 1秒 已保留。");
    EXPECT_EQ(m.title, L"欧沃录音机");
    EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONINFORMATION));
    uint32_t length = form->MMCRecord.Length();
    EXPECT_GE(length, 1000u);
    EXPECT_LE(length, 1500u);

    WaveStore::FailWritesBeyond(WaveStore::kNoLimit);
    WavContents wav = Save();
    EXPECT_NEAR(wav.Seconds() * 1000, length, 1);
    EXPECT_GT(orvo::test::Rms(orvo::test::ChannelSamples(wav)), 0.05);
}

TEST_F(TakeEndTest, AtTheSizeLimitTheTakeStopsAndTheElementSaves) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveStore::LimitElementsTo(2 * kOneSecond);
    MessageBoxRequest m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：录音已达到程序所能容纳的最大长度。已录下的 2秒 已保留。");
    EXPECT_EQ(form->MMCRecord.Length(), 2000u);
    WavContents wav = Save();
    EXPECT_EQ(wav.data.size(), 2 * kOneSecond);
    EXPECT_TRUE(ui.Messages().size() == 1u) << "the save went without a message";

    // Nothing more fits: another Record ends at once, keeping what is there.
    ui.Clear();
    m = RecordUntilItStops();
    EXPECT_EQ(m.text, L"录音已停止：录音已达到程序所能容纳的最大长度。已录下的 0秒 已保留。");
    EXPECT_EQ(form->MMCRecord.Length(), 2000u);
}

uint64_t Le(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t{p[i]} << (8 * i);
    return v;
}

// With the WAV size limit brought down to a second, the take records on
// past it; the save says once that the file is RF64 and writes one that the
// host's sox and the program's own reader both measure at the take's length.
TEST_F(TakeEndTest, PastTheWaveLimitTheTakeGoesOnAndIsSavedAsRf64) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    SetPlainWaveThreshold(kOneSecond);
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 2500; }, 8000));
    form->TbrRecord.Click(3);
    EXPECT_TRUE(ui.Messages().empty()) << "the take stopped by itself";
    const uint32_t length = form->MMCRecord.Length();

    TempFile file;
    DeleteFileW(file.Path().c_str());
    ui.dialogAnswers = {file.Path()};
    form->TbrRecord.Click(5);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].text.find(L"RF64"), std::wstring::npos) << WideToUtf8(ui.Messages()[0].text);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OKCANCEL | MB_ICONINFORMATION));

    ScopedFile saved(CreateFileW(file.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(saved);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(saved.Get(), &size));
    uint8_t h[80] = {};
    ASSERT_TRUE(ReadFileRange(saved.Get(), 0, h, sizeof h));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 4), "RF64");
    EXPECT_EQ(Le(h + 4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h + 12), 4), "ds64");
    EXPECT_EQ(Le(h + 20, 8), static_cast<uint64_t>(size.QuadPart) - 8) << "the 64-bit RIFF size";
    const uint64_t dataBytes = Le(h + 28, 8);
    EXPECT_EQ(Le(h + 36, 8), dataBytes / 4) << "the sample count";
    EXPECT_NEAR(static_cast<double>(dataBytes) / kOneSecond * 1000, length, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h + 72), 4), "data");
    EXPECT_EQ(Le(h + 76, 4), 0xFFFFFFFFu);

    WaveLayout layout;
    ASSERT_EQ(ParseWaveFile(saved.Get(), layout), 0u);
    EXPECT_TRUE(layout.rf64);
    EXPECT_FALSE(layout.unfinished);
    EXPECT_EQ(layout.dataOffset, 80u);
    EXPECT_EQ(layout.dataBytes, dataBytes);
    if (orvo::test::HostCommandsAvailable()) {
        const std::string check = "test \"$(sox --i -s '" + orvo::test::HostPath(file.Path()) + "')\" = " +
                                  std::to_string(dataBytes / 4);
        EXPECT_TRUE(orvo::test::RunHostCommand({"sh", "-c", check})) << check;
    }
}

// A file over 4 GiB cannot go to a FAT volume: refused in words before any
// copying; NTFS and exFAT take it, and a file within 4 GiB goes anywhere.
TEST(SaveTargetVolume, FatVolumesRefuseFilesOver4GiB) {
    static std::wstring fs;
    FileSystemLookup previous = SetFileSystemLookup([](const std::wstring&) { return fs; });
    const uint64_t big = 5ull << 30;
    fs = L"FAT32";
    const std::wstring why = VolumeSizeProblem(L"E:\\讲座.wav", big);
    EXPECT_EQ(why.rfind(L"无法保存到“E:\\讲座.wav”：这个磁盘使用 FAT32 文件系统", 0), 0u) << WideToUtf8(why);
    EXPECT_NE(why.find(L"5.0 GB"), std::wstring::npos);
    EXPECT_EQ(VolumeSizeProblem(L"E:\\a.wav", 0xFFFFFFFFull), L"");
    fs = L"FAT";
    EXPECT_NE(VolumeSizeProblem(L"E:\\a.wav", big), L"");
    for (const wchar_t* other : {L"NTFS", L"exFAT", L""}) {
        fs = other;
        EXPECT_EQ(VolumeSizeProblem(L"E:\\a.wav", big), L"") << WideToUtf8(other);
    }
    SetFileSystemLookup(previous);
}

// A disk that takes the samples but not the journal: the take goes on, and
// the window says once, while it records, that a crash could cost it.
TEST_F(TakeEndTest, AJournalThatCannotBeWrittenIsToldOnceWhileTheTakeGoesOn) {
    if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
    WaveStore::FailJournalWrites(true);
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 3000; }, 8000));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text.rfind(L"录音仍在继续，但无法写入恢复记录", 0), 0u)
        << WideToUtf8(ui.Messages()[0].text);
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(form->Lblread.Text(), L"正在录音...");
    form->TbrRecord.Click(3);
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_GE(form->MMCRecord.Length(), 3000u);
}

// The sound server stops handing over sound (as when a device is pulled
// out): after three seconds without any, the take ends and keeps its sound.
TEST_F(TakeEndTest, AnInputThatStopsDeliveringEndsTheTakeAndKeepsItsSound) {
    if (!orvo::test::HostCommandsAvailable()) GTEST_SKIP() << "no host commands outside Wine";
    struct SourceResumer {
        ~SourceResumer() { orvo::test::RunHostCommand({"pactl", "suspend-source", "sine", "0"}); }
    } resume;
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 1000; }, 5000));
    ASSERT_TRUE(orvo::test::RunHostCommand({"pactl", "suspend-source", "sine", "1"}));
    MessageBoxRequest m = WaitUntilItStops();
    EXPECT_EQ(m.text.rfind(L"录音已停止：录音设备已停止输入。已录下的 ", 0), 0u) << WideToUtf8(m.text);
    EXPECT_GE(form->MMCRecord.Length(), 1000u);
    WavContents wav = Save();
    EXPECT_NEAR(wav.Seconds() * 1000, form->MMCRecord.Length(), 1);
    EXPECT_GT(orvo::test::Rms(orvo::test::ChannelSamples(wav)), 0.05);
}

}  // namespace
}  // namespace orvo::recorder::test
