// Open through the File menu: the save prompt before an unsaved recording
// is replaced, files that cannot be opened, and the formats that can.
#include "tests/main_window/main_window_fixture.h"
#include "audio/wave_store.h"
#include "base/path.h"
#include "recorder/resource.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo::recorder::test {
namespace {

using orvo::test::PumpMessagesFor;
using orvo::test::PumpUntil;
using orvo::test::TempFile;
using orvo::test::WavContents;

class OpenTest : public MainWindowTest {
protected:
    void Open() { SendMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0); }
    void PlayToTheEnd() {
        form->TbrRecord.Click(2);
        EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Playing);
        EXPECT_TRUE(PumpUntil([&] { return form->Lblread.Text() == L"操作结束..."; }, 5000));
        EXPECT_EQ(form->MMCRecord.Position(), form->MMCRecord.Length());
        EXPECT_EQ(Buttons(), "11101");
    }
};

TEST_F(OpenTest, ATakeStopsFirstAndAnUnsavedRecordingIsOfferedForSaving) {
    TempFile file;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(22050, 16, 1);
    ASSERT_TRUE(orvo::test::WriteWavFile(file.Path(), f, orvo::test::SineBytes(f, 440, 0.5)));
    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));

    // Cancel: the take has ended, and the recording stays.
    ui.messageAnswers = {IDCANCEL};
    Open();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"当前文件已经被更新，是否保存？");
    EXPECT_EQ(ui.Messages()[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_TRUE(ui.Dialogs().empty());
    EXPECT_EQ(form->MMCRecord.GetMode(), WaveAudioDevice::Mode::Stopped);
    EXPECT_EQ(Buttons(), "11101");
    EXPECT_FALSE(form->TimerBar.Enabled());
    EXPECT_EQ(form->blnModified, -1);
    uint32_t length = form->MMCRecord.Length();
    PumpMessagesFor(300);
    EXPECT_EQ(form->MMCRecord.Length(), length);

    // Yes, and the save is cancelled: still kept, no open dialog.
    ui.Clear();
    ui.messageAnswers = {IDYES};
    Open();
    ASSERT_EQ(ui.Dialogs().size(), 1u);
    EXPECT_TRUE(ui.Dialogs()[0].save);
    EXPECT_EQ(form->MMCRecord.Length(), length);
    EXPECT_EQ(form->blnModified, -1);

    // No: the file takes its place.
    ui.Clear();
    ui.messageAnswers = {IDNO};
    ui.dialogAnswers = {file.Path()};
    Open();
    ASSERT_EQ(ui.Dialogs().size(), 1u);
    EXPECT_FALSE(ui.Dialogs()[0].save);
    EXPECT_EQ(ui.Dialogs()[0].filter, L"*.wav|*.wav");
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(form->strFileName, file.Path());
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + file.Path());
    EXPECT_EQ(form->blnModified, 0);
    EXPECT_EQ(form->MMCRecord.Length(), 500u);
    PlayToTheEnd();

    // Nothing unsaved now: Open asks nothing, and a cancelled dialog changes
    // nothing; Save proposes the opened file; Exit does not ask.
    ui.Clear();
    Open();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form->LblFile.Text(), L"文件：" + file.Path());
    form->mnuSave_Click();
    ASSERT_EQ(ui.Dialogs().size(), 2u);
    EXPECT_EQ(ui.Dialogs()[1].fileName, file.Path());
    form->mnuExit_Click();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form->programEnds, 1);
}

TEST_F(OpenTest, AFileThatCannotBeOpenedIsNamedWithItsReasonAndTheRecordingStays) {
    TempFile tone;
    WAVEFORMATEX f = orvo::test::MakePcmFormat(8000, 16, 1);
    ASSERT_TRUE(orvo::test::WriteWavFile(tone.Path(), f, orvo::test::SineBytes(f, 440, 0.5)));
    std::vector<uint8_t> bytes;
    {
        HANDLE h = CreateFileW(tone.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        bytes.resize(40);  // the header up to the data chunk's name
        DWORD got = 0;
        ReadFile(h, bytes.data(), 40, &got, nullptr);
        CloseHandle(h);
    }
    std::vector<uint8_t> adpcm = bytes;
    adpcm.resize(36);
    adpcm[20] = 2;  // format tag 2, with the data chunk whole
    const std::vector<uint8_t> data = {'d', 'a', 't', 'a', 4, 0, 0, 0, 1, 2, 3, 4};
    adpcm.insert(adpcm.end(), data.begin(), data.end());

    form->TbrRecord.Click(4);
    ASSERT_TRUE(PumpUntil([&] { return form->MMCRecord.Length() >= 300; }, 5000));
    form->TbrRecord.Click(3);
    const uint32_t length = form->MMCRecord.Length();
    const std::wstring label = form->LblFile.Text();

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const wchar_t* reason;
    };
    const Case cases[] = {
        {"garbage", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}, L"不是WAV文件"},
        {"cut off after its header", bytes, L"文件已损坏"},
        {"ADPCM", adpcm, L"不支持的格式：ADPCM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile file;
        ASSERT_TRUE(orvo::test::WriteRawFile(file.Path(), c.bytes));
        ui.Clear();
        ui.messageAnswers = {IDNO, IDOK};  // don't save; then the failure
        ui.dialogAnswers = {file.Path()};
        Open();
        ASSERT_EQ(ui.Messages().size(), 2u);
        const MessageBoxRequest m = ui.Messages()[1];
        EXPECT_EQ(m.text, L"无法打开文件“" + file.Path() + L"”：" + c.reason + L"。");
        EXPECT_EQ(m.title, L"欧沃录音机");
        EXPECT_EQ(m.type, UINT(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(form->MMCRecord.Length(), length);
        EXPECT_EQ(form->LblFile.Text(), label);
        EXPECT_EQ(form->blnModified, -1);
        EXPECT_TRUE(form->strFileName.empty());
    }
    // The recording is still there to play.
    PlayToTheEnd();
}

TEST_F(OpenTest, FloatDeepAndManyChannelFilesOpenPlayToTheEndAndSaveAsTheyWere) {
    struct Case {
        const char* what;
        WAVEFORMATEX format;
        uint32_t channelMask;
    };
    const Case cases[] = {
        {"float 32-bit", orvo::test::MakeFloatFormat(48000, 32, 2), 0},
        {"PCM 24-bit", orvo::test::MakePcmFormat(44100, 24, 2), 0},
        {"extensible float 64-bit 5.1", orvo::test::MakeFloatFormat(22050, 64, 6), 0x3F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile file, saved;
        const auto samples = orvo::test::SineBytes(c.format, 440, 0.6);
        ASSERT_TRUE(orvo::test::WriteWavFile(file.Path(), c.format, samples, c.channelMask));
        ui.Clear();
        ui.dialogAnswers = {file.Path()};
        Open();
        EXPECT_TRUE(ui.Messages().empty());
        EXPECT_EQ(form->LblFile.Text(), L"文件：" + file.Path());
        EXPECT_EQ(form->MMCRecord.Length(), 600u);
        PlayToTheEnd();
        EXPECT_TRUE(ui.Messages().empty());

        ui.dialogAnswers = {saved.Path()};
        form->TbrRecord.Click(5);
        WavContents wav;
        ASSERT_TRUE(orvo::test::ReadWavFile(saved.Path(), wav));
        EXPECT_EQ(wav.format.wFormatTag, c.channelMask ? 0xFFFE : c.format.wFormatTag);
        EXPECT_EQ(wav.format.nChannels, c.format.nChannels);
        EXPECT_EQ(wav.format.wBitsPerSample, c.format.wBitsPerSample);
        EXPECT_EQ(wav.format.nSamplesPerSec, c.format.nSamplesPerSec);
        EXPECT_EQ(wav.channelMask, c.channelMask);
        if (c.channelMask) {
            EXPECT_EQ(wav.subFormatTag, c.format.wFormatTag);
        }
        EXPECT_TRUE(wav.data == samples);
    }
}

// A file with more sound than an element can hold (brought down to a second
// through the store's seam) opens with its beginning, saying so; a save over
// it is refused before anything is written, and a save elsewhere writes what
// was taken.
TEST_F(OpenTest, AFileLongerThanAnElementHoldsOpensItsBeginningAndIsNeverReplaced) {
    struct Unlimit {
        ~Unlimit() { WaveStore::LimitElementsTo(WaveStore::kNoLimit); }
    } unlimit;
    TempFile file;
    const WAVEFORMATEX f = orvo::test::MakePcmFormat(22050, 16, 1);
    const std::vector<uint8_t> sound = orvo::test::SineBytes(f, 440, 3.0);
    ASSERT_TRUE(orvo::test::WriteWavFile(file.Path(), f, sound));
    WaveStore::LimitElementsTo(f.nAvgBytesPerSec);
    ui.dialogAnswers = {file.Path()};
    Open();
    WaveStore::LimitElementsTo(WaveStore::kNoLimit);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text.rfind(L"文件“" + FileNameOf(file.Path()) + L"”中的声音比录音机所能容纳的长", 0), 0u);
    EXPECT_EQ(form->MMCRecord.Length(), 1000u);

    ui.Clear();
    ui.dialogAnswers = {file.Path()};
    ui.messageAnswers = {IDYES};  // replace it
    form->mnuSave_Click();
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_NE(ui.Messages()[1].text.find(L"保存到这个文件会丢掉其后的声音"), std::wstring::npos);
    EXPECT_EQ(form->MMCRecord.Save(file.Path()), MCIERROR(MCIERR_FILE_NOT_SAVED)) << "the device refuses it too";
    WavContents kept;
    ASSERT_TRUE(orvo::test::ReadWavFile(file.Path(), kept));
    EXPECT_TRUE(kept.data == sound) << "the file lost its sound";

    TempFile other;
    ASSERT_EQ(form->MMCRecord.Save(other.Path()), 0u);
    WavContents taken;
    ASSERT_TRUE(orvo::test::ReadWavFile(other.Path(), taken));
    EXPECT_TRUE(taken.data == std::vector<uint8_t>(sound.begin(), sound.begin() + f.nAvgBytesPerSec));
}

}  // namespace
}  // namespace orvo::recorder::test
