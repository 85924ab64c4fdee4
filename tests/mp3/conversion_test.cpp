#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "recorder/main_window/frm_main.h"
#include "recorder/mp3/mp3_command.h"
#include "recorder/mp3/mp3_conversion.h"
#include "base/failure.h"
#include "win/report.h"
#include "base/text.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/window_checks.h"
#include "recorder/resource.h"
#include "win/window_tools.h"

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

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

// One second of a 440 Hz square-ish tone, 16-bit mono.
std::string ToneWave(uint32_t rate = 22050) {
    std::string data;
    for (uint32_t i = 0; i < rate; ++i) Put16(data, static_cast<uint16_t>((i * 440 * 2 / rate) % 2 ? 8000 : -8000));
    std::string w = "RIFF";
    Put32(w, static_cast<uint32_t>(36 + data.size()));
    w += "WAVEfmt ";
    Put32(w, 16);
    Put16(w, 1);
    Put16(w, 1);
    Put32(w, rate);
    Put32(w, rate * 2);
    Put16(w, 2);
    Put16(w, 16);
    w += "data";
    Put32(w, static_cast<uint32_t>(data.size()));
    return w + data;
}

// No "<output>.<hex>.part" of a conversion is left beside output.
bool NoPartialLeft(const std::wstring& output) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((output + L".*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    return false;
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
        for (const auto& f : created_) DeleteFileW(f.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring File(const std::wstring& name) {
        std::wstring p = folder_ + L"\\" + name;
        created_.push_back(p);
        return p;
    }
    std::wstring folder_;
    std::vector<std::wstring> created_;
};

TEST_F(ConversionTest, MalformedWaveIsReportedByTheReaderAndWritesNothing) {
    std::wstring in = File(L"坏的.wav"), out = File(L"坏的.mp3");
    std::string bad = ToneWave();
    bad.replace(12, 4, "junk");  // no "fmt " chunk where the reader looks
    bad.resize(60);
    WriteAll(in, bad);
    try {
        ConvertWaveToMp3(in, out, {});
        FAIL() << "a malformed file converted";
    } catch (const Failure& f) {
        EXPECT_NE(f.Description().find(L"无法读取WAV文件"), std::wstring::npos);
        EXPECT_NE(f.Description().find(in), std::wstring::npos);
    }
    EXPECT_FALSE(Exists(out));
    EXPECT_TRUE(NoPartialLeft(out));
}

// The reader really parses the file: a good one gets past it, so what stops
// the run is the encoder (none under Wine) or nothing at all.
TEST_F(ConversionTest, ValidWaveConvertsOrReportsTheMissingEncoderWithoutTouchingTheOlderFile) {
    std::wstring in = File(L"tone.wav"), out = File(L"tone.mp3");
    WriteAll(in, ToneWave(11025));  // a rate the encoder lacks: the reader resamples
    WriteAll(out, "older file");
    std::wstring message;
    std::vector<double> shares;
    JobControl control;
    control.progress = [&](double share) { shares.push_back(share); };
    try {
        ConvertWaveToMp3(in, out, control);
    } catch (const Failure& f) {
        message = f.Description();
    }
    EXPECT_TRUE(NoPartialLeft(out));
    if (message.empty()) {
        std::string mp3 = ReadAll(out);
        ASSERT_GE(mp3.size(), 4u);
        bool id3 = mp3.compare(0, 3, "ID3") == 0;
        bool frame = static_cast<unsigned char>(mp3[0]) == 0xFF && (static_cast<unsigned char>(mp3[1]) & 0xE0) == 0xE0;
        EXPECT_TRUE(id3 || frame) << "not an MP3 stream";
        ASSERT_FALSE(shares.empty());
        EXPECT_DOUBLE_EQ(shares.back(), 1.0);
    } else {
        EXPECT_EQ(message, L"此系统没有MP3编码器，无法转换为MP3。\r\nWindows 8 及以后的系统自带MP3编码器。");
        EXPECT_EQ(ReadAll(out), "older file");
    }
}

// Someone else's file with the old temporary name, and the names already
// taken by a conversion, are never handed out again.
TEST_F(ConversionTest, ThePartialFileIsANewFileOfItsOwn) {
    std::wstring out = File(L"take.mp3");
    std::wstring unrelated = File(L"take.mp3.part");
    WriteAll(unrelated, "someone else's");
    std::wstring first = CreatePartialFile(out);
    created_.push_back(first);
    std::wstring second = CreatePartialFile(out);
    created_.push_back(second);
    EXPECT_NE(first, unrelated);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(out, 0), 0u);
    EXPECT_EQ(ReadAll(first), "");
    EXPECT_EQ(ReadAll(unrelated), "someone else's");
}

TEST_F(ConversionTest, OutputOverTheInputIsRefused) {
    std::wstring in = File(L"same.wav");
    WriteAll(in, ToneWave());
    std::wstring spelledOtherwise = folder_ + L"\\.\\SAME.WAV";
    EXPECT_THROW(ConvertWaveToMp3(in, spelledOtherwise, {}), Failure);
    EXPECT_EQ(ReadAll(in), ToneWave());
}

// The menu command: both dialogs through the seam, then one message box with
// the information icon and the program title however the run ends.
TEST_F(ConversionTest, CommandAsksForBothFilesAndReportsTheOutcome) {
    std::wstring in = File(L"录音 1.wav"), out = File(L"录音 1.mp3");
    WriteAll(in, ToneWave());
    ScriptedUi ui;
    ui.dialogAnswers = {in, out};
    HWND owner = nullptr;
    TrapAndReport(owner, kProgramTitle, [&] { RunMp3ConversionCommand(owner); });

    auto dialogs = ui.Dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_FALSE(dialogs[0].save);
    EXPECT_NE(dialogs[0].filter.find(L"*.wav"), std::wstring::npos);
    EXPECT_TRUE(dialogs[1].save);
    EXPECT_EQ(dialogs[1].defaultExt, L"mp3");
    EXPECT_EQ(dialogs[1].fileName, folder_ + L"\\录音 1.mp3");
    EXPECT_TRUE(dialogs[1].confirmOverwrite);

    auto messages = ui.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, L"欧沃录音机");
    EXPECT_EQ(messages[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    if (Exists(out)) {
        EXPECT_NE(messages[0].text.find(L"MP3转换完成"), std::wstring::npos);
    } else {
        EXPECT_NE(messages[0].text.find(L"没有MP3编码器"), std::wstring::npos) << WideToUtf8(messages[0].text);
    }
    EXPECT_TRUE(NoPartialLeft(out));
}

TEST_F(ConversionTest, CommandWithAMalformedWaveSaysSo) {
    std::wstring in = File(L"empty.wav"), out = File(L"empty.mp3");
    WriteAll(in, "RIFF\x04\0\0\0WAVE");
    ScriptedUi ui;
    ui.dialogAnswers = {in, out};
    TrapAndReport(nullptr, kProgramTitle, [&] { RunMp3ConversionCommand(nullptr); });
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].text.find(L"无法读取WAV文件"), std::wstring::npos);
    EXPECT_FALSE(Exists(out));
}

TEST_F(ConversionTest, CancellingEitherDialogDoesNothing) {
    std::wstring in = File(L"a.wav");
    WriteAll(in, ToneWave());
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

}  // namespace
}  // namespace orvo::recorder
