// The waveform window on a file with two marks: the marks shown as ticks,
// markers A and B moved onto them by a key and a click, and the stretch
// between them saved alone and cut out, the shown file left as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "audio/wave_marks.h"
#include "audio/wave_riff.h"
#include "recorder/waveform/frm_audio_edit.h"
#include "recorder/waveform/mod_audio_edit.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder {
namespace {

namespace mae = modAudioEdit;
using test::TempFile;
using test::WavContents;

std::vector<uint8_t> FileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    ScopedFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!f || !GetFileSizeEx(f.Get(), &size)) return bytes;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ReadFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    return bytes;
}

// 2 s of the 440 Hz tone, 16-bit mono, marked at 0.5 s and 1 s: the stretch
// between is a whole number of periods, so the tone runs on across a cut.
constexpr uint32_t kRate = 44100, kA = 22050, kB = 44100, kFrames = 88200;

void WriteMarkedTone(const std::wstring& path) {
    WAVEFORMATEX f = test::MakePcmFormat(kRate, 16, 1);
    ASSERT_TRUE(test::WriteWavFile(path, f, test::SineBytes(f, 440.0, 2.0)));
    std::vector<uint8_t> bytes = FileBytes(path), cue = BuildCueChunks({{kA, L"标记 1"}, {kB, L"标记 2"}});
    bytes.insert(bytes.end(), cue.begin(), cue.end());
    const uint32_t riff = static_cast<uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    ASSERT_TRUE(test::WriteRawFile(path, bytes));
}

TEST(AudioEditMarks, ABetweenTwoMarksIsSavedAloneAndCutOutAndTheShownFileStaysAsItWas) {
    TempFile shown, alone, rest;
    WriteMarkedTone(shown.Path());
    const std::vector<uint8_t> before = FileBytes(shown.Path());
    ScriptedUi ui;
    frmAudioEdit form;
    ASSERT_TRUE(form.Create(nullptr));
    ui.dialogAnswers.push_back(shown.Path());
    form.Command1_Click();
    ASSERT_EQ(form.Marks().size(), 2u);
    ASSERT_EQ(form.Ticks().size(), 2u) << "both marks are drawn over the whole file";
    HWND picture = form.Picture().Hwnd();

    // The key a takes A to the first mark; a right click on the second
    // mark's tick takes B there.
    SendMessageW(picture, WM_CHAR, L'a', 0);
    EXPECT_EQ(mae::lStartFrame, static_cast<int32_t>(kA));
    ASSERT_EQ(form.Ticks().size(), 2u) << "the stretch A..B still shows both ticks";
    const int xB = form.Ticks()[1].first;
    SendMessageW(picture, WM_RBUTTONDOWN, 0, MAKELPARAM(xB + 2, 5));
    EXPECT_EQ(mae::lEndFrame, static_cast<int32_t>(kB));
    EXPECT_LT(form.HScrollValue(1), form.HScrollValue(2));

    ui.dialogAnswers.push_back(alone.Path());
    form.Command4_Click();
    ui.dialogAnswers.push_back(rest.Path());
    form.Command5_Click();
    EXPECT_TRUE(ui.Messages().empty()) << (ui.Messages().empty() ? L"" : ui.Messages()[0].text).c_str();

    WavContents source, a, r;
    ASSERT_TRUE(test::ReadWavFile(shown.Path(), source));
    ASSERT_TRUE(test::ReadWavFile(alone.Path(), a));
    ASSERT_TRUE(test::ReadWavFile(rest.Path(), r));
    EXPECT_EQ(a.format.nSamplesPerSec, kRate);
    EXPECT_EQ(a.format.wBitsPerSample, 16);
    ASSERT_EQ(a.Frames(), kB - kA);
    EXPECT_TRUE(std::equal(a.data.begin(), a.data.end(), source.data.begin() + kA * 2));
    EXPECT_NEAR(test::MeasureFrequency(test::ChannelSamples(a), kRate), 440.0, 2.0);
    ASSERT_EQ(r.Frames(), kFrames - (kB - kA));
    EXPECT_TRUE(std::equal(r.data.begin(), r.data.begin() + kA * 2, source.data.begin()));
    EXPECT_TRUE(std::equal(r.data.begin() + kA * 2, r.data.end(), source.data.begin() + kB * 2));
    // Across the cut the tone goes on as if nothing had been taken out.
    std::vector<double> cut = test::ChannelSamples(r), whole = test::ChannelSamples(source);
    for (size_t i = kA - 200; i < kA + 200; ++i) ASSERT_NEAR(cut[i], whole[i], 2.0 / 32768) << "frame " << i;

    // The marks go with the sound they marked.
    WaveLayout layout;
    ASSERT_EQ(InspectWaveFile(alone.Path(), layout), WaveFileProblem::None);
    EXPECT_EQ(layout.marks, (std::vector<WaveMark>{{0, L"标记 1"}}));
    ASSERT_EQ(InspectWaveFile(rest.Path(), layout), WaveFileProblem::None);
    EXPECT_EQ(layout.marks, (std::vector<WaveMark>{{kA, L"标记 2"}}));

    // The shown file is only read, and a save onto it is refused with a word.
    ui.dialogAnswers.push_back(shown.Path());
    ui.messageAnswers.push_back(IDYES);  // replace it? yes
    form.Command5_Click();
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_NE(ui.Messages()[1].text.find(L"正在显示的文件"), std::wstring::npos);
    EXPECT_TRUE(FileBytes(shown.Path()) == before) << "the shown file is unchanged";
}

}  // namespace
}  // namespace orvo::recorder
