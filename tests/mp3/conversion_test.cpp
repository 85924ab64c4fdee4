// MP3转换 and the save's choices, through the command and the UI seam: the
// file it writes is checked with the host's own decoder, and every way it
// cannot work (a bad file, no encoder, a held target, a cancel) is told and
// leaves the target as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "audio/lame_library.h"
#include "base/failure.h"
#include "base/text.h"
#include "recorder/mp3/mp3_command.h"
#include "recorder/program.h"
#include "recorder/save/save_formats.h"
#include "tests/support/host_command.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wav_file.h"
#include "win/report.h"

namespace orvo::recorder {
namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::wstring& path) {
    std::ifstream f(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Two seconds of the 440 Hz tone, CD format.
void WriteTone(const std::wstring& path) {
    WAVEFORMATEX f = test::MakePcmFormat(44100, 16, 2);
    ASSERT_TRUE(test::WriteWavFile(path, f, test::SineBytes(f, 440, 2.0)));
}

// Nothing but the files the test made is left in the folder (no temporary
// file of a save).
size_t FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    size_t n = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return n;
}

class ConversionTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        folder_ = std::wstring(base) + L"orvo help 转换 " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        LoadLameFrom({});
        for (const auto& f : created_) {
            SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(f.c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring File(const std::wstring& name) {
        std::wstring p = folder_ + L"\\" + name;
        created_.push_back(p);
        return p;
    }
    // The command with both dialogs answered; the messages it showed.
    std::vector<MessageBoxRequest> Convert(const std::wstring& in, const std::wstring& out, ScriptedUi& ui) {
        ui.dialogAnswers = {in, out};
        TrapAndReport(nullptr, kProgramTitle, [&] { RunMp3ConversionCommand(nullptr); });
        return ui.Messages();
    }
    std::wstring folder_;
    std::vector<std::wstring> created_;
};

TEST_F(ConversionTest, AWaveFileBecomesAnMp3OfTheSameToneAndLength) {
    if (!test::HostCommandsAvailable()) GTEST_SKIP() << "the decoder is the host's";
    std::wstring in = File(L"录音 1.wav"), out = File(L"录音 1.mp3"), decoded = File(L"decoded.wav");
    WriteTone(in);
    WriteAll(out, "older file");
    ScriptedUi ui;
    auto messages = Convert(in, out, ui);
    auto dialogs = ui.Dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_FALSE(dialogs[0].save);
    EXPECT_TRUE(dialogs[1].save);
    EXPECT_EQ(dialogs[1].fileName, folder_ + L"\\录音 1.mp3");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(L"MP3转换完成"), std::wstring::npos) << WideToUtf8(messages[0].text);

    ASSERT_TRUE(test::DecodeOnHost(out, decoded));
    test::WavContents mp3;
    ASSERT_TRUE(test::ReadWavFile(decoded, mp3));
    EXPECT_EQ(2, mp3.format.nChannels);
    // Within one frame (26 ms) of the two seconds: the encoder's header
    // tells the decoder the exact length.
    EXPECT_NEAR(mp3.Seconds(), 2.0, 0.026);
    std::vector<double> left = test::ChannelSamples(mp3);
    EXPECT_NEAR(test::MeasureFrequency(left, 44100), 440.0, 2.0);
    // No break: every 10 ms after the first carries the tone.
    for (size_t at = 441; at + 441 <= left.size(); at += 441) {
        std::vector<double> piece(left.begin() + at, left.begin() + at + 441);
        ASSERT_GT(test::Rms(piece), 0.2) << "a gap at " << at / 44.1 << " ms";
    }
    EXPECT_EQ(ReadAll(in).size(), 44u + 44100u * 4 * 2) << "the chosen file is only read";
    EXPECT_EQ(FilesIn(folder_), 3u);
}

TEST_F(ConversionTest, WithoutTheEncoderTheMessageSaysWhyAndTheOlderFileStays) {
    std::wstring in = File(L"tone.wav"), out = File(L"tone.mp3");
    WriteTone(in);
    WriteAll(out, "older file");
    for (const wchar_t* dll : {L"C:\\nowhere\\libmp3lame-0.dll", L"C:\\windows\\system32\\winmm.dll"}) {
        LoadLameFrom(dll);
        ScriptedUi ui;
        auto messages = Convert(in, out, ui);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].text.find(L"无法保存为 MP3"), std::wstring::npos) << WideToUtf8(messages[0].text);
        EXPECT_NE(messages[0].text.find(kLameDllName), std::wstring::npos);
        EXPECT_EQ(ReadAll(out), "older file");
    }
    // WAV and FLAC do not need it.
    WAVEFORMATEX f = test::MakePcmFormat(44100, 16, 2);
    EXPECT_EQ(UnavailableReason(SaveFormat::Flac, f), L"");
    EXPECT_EQ(UnavailableReason(SaveFormat::Wav, f), L"");
    EXPECT_NE(UnavailableReason(SaveFormat::Mp3, f), L"");
}

TEST_F(ConversionTest, AHeldOrReadOnlyTargetIsToldAndLeftAsItWas) {
    std::wstring in = File(L"tone.wav"), held = File(L"held.mp3"), locked = File(L"locked.mp3");
    WriteTone(in);
    WriteAll(held, "held");
    WriteAll(locked, "read-only");
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE other = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    {
        ScriptedUi ui;
        auto messages = Convert(in, held, ui);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].text.find(L"正被其他程序使用"), std::wstring::npos) << WideToUtf8(messages[0].text);
    }
    CloseHandle(other);
    EXPECT_EQ(ReadAll(held), "held");
    ScriptedUi ui;
    auto messages = Convert(in, locked, ui);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(L"只读"), std::wstring::npos) << WideToUtf8(messages[0].text);
    EXPECT_EQ(ReadAll(locked), "read-only");
    EXPECT_EQ(FilesIn(folder_), 3u);
}

TEST_F(ConversionTest, CommandWithAMalformedWaveSaysSo) {
    std::wstring in = File(L"empty.wav"), out = File(L"empty.mp3");
    WriteAll(in, "RIFF\x04\0\0\0WAVE");
    ScriptedUi ui;
    auto messages = Convert(in, out, ui);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(L"无法读取WAV文件"), std::wstring::npos);
    EXPECT_FALSE(Exists(out));
}

TEST_F(ConversionTest, OutputOverTheInputIsRefused) {
    std::wstring in = File(L"same.wav");
    WriteTone(in);
    std::string before = ReadAll(in);
    ScriptedUi ui;
    auto messages = Convert(in, folder_ + L"\\.\\SAME.WAV", ui);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(ReadAll(in), before);
}

TEST_F(ConversionTest, CancellingEitherDialogDoesNothing) {
    std::wstring in = File(L"a.wav");
    WriteTone(in);
    {
        ScriptedUi ui;  // the open dialog is cancelled
        RunMp3ConversionCommand(nullptr);
        EXPECT_EQ(ui.Dialogs().size(), 1u);
        EXPECT_TRUE(ui.Messages().empty());
    }
    {
        ScriptedUi ui;
        ui.dialogAnswers = {in};  // the save dialog is cancelled
        RunMp3ConversionCommand(nullptr);
        EXPECT_EQ(ui.Dialogs().size(), 2u);
        EXPECT_TRUE(ui.Messages().empty());
    }
}

// A typed extension of the three decides; otherwise the type chosen, whose
// extension is added.
TEST(SaveFormats, TheTypedExtensionWinsOverTheChosenType) {
    std::wstring path = L"C:\\a\\讲座.MP3";
    EXPECT_EQ(ResolveSaveTarget(path, FilterIndexOf(SaveFormat::Wav)), SaveFormat::Mp3);
    EXPECT_EQ(path, L"C:\\a\\讲座.MP3");
    path = L"C:\\a\\讲座.v2";
    EXPECT_EQ(ResolveSaveTarget(path, FilterIndexOf(SaveFormat::Flac)), SaveFormat::Flac);
    EXPECT_EQ(path, L"C:\\a\\讲座.v2.flac");
    // What the file will hold, told when it differs.
    WAVEFORMATEX surround = test::MakePcmFormat(96000, 24, 6);
    EXPECT_NE(ConversionNotice(SaveFormat::Mp3, surround, {}, 192).find(L"48 kHz"), std::wstring::npos);
    EXPECT_EQ(ConversionNotice(SaveFormat::Flac, surround, {}, 192), L"");
    EXPECT_NE(ConversionNotice(SaveFormat::Flac, test::MakeFloatFormat(44100, 32, 2), {}, 192), L"");
    EXPECT_EQ(ConversionNotice(SaveFormat::Mp3, test::MakePcmFormat(44100, 16, 2), {}, 192), L"");
}

}  // namespace
}  // namespace orvo::recorder
