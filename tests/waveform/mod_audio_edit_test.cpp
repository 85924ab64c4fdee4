#include "recorder/waveform/mod_audio_edit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/scoped.h"
#include "base/text.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/pump.h"
#include "tests/waveform/wav_files.h"

namespace orvo::recorder {
namespace {

namespace mae = modAudioEdit;
using test::Bytes;
using test::Format;

const wchar_t kTitle[] = L"欧沃录音机";

class WaveReader : public ::testing::Test {
protected:
    void SetUp() override { mae::CloseWaveOut(); }
    void TearDown() override { mae::CloseWaveOut(); }

    // Loads and returns the messages the read showed.
    std::vector<MessageBoxRequest> Load(const Bytes& file, const wchar_t* name = L"a.wav") {
        ui.Clear();
        mae::LoadWaveFile(dir.Write(name, file));
        return ui.Messages();
    }
    void ExpectOnlyMessage(const std::vector<MessageBoxRequest>& shown, const std::wstring& text) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].title, kTitle);
        EXPECT_EQ(shown[0].type, UINT(MB_OK));  // plain: no icon
        EXPECT_EQ(mae::bWaveLoaded, 0);
    }
    // A small file whose samples survive failed reads.
    void LoadKnownGood() {
        Format f;
        f.bits = 8;
        ASSERT_TRUE(Load(test::Wave(f, {10, 20, 30, 40, 50})).empty());
        ASSERT_EQ(mae::lFrameCount, 5);
    }
    void ExpectKnownGoodSamplesKept() {
        ASSERT_EQ(mae::DataBytes(), 5u);
        EXPECT_EQ(mae::WaveData()[4], 50);
        EXPECT_EQ(mae::lFrameCount, 5);
    }

    // CD-quality stereo of `bytes` of sound, its first frame (1000, -1000)
    // and its last (-2000, 3000), loaded, and both frames read back.
    void LoadLongStereo(const wchar_t* name, uint32_t bytes) {
        Format f;
        f.channels = 2;
        f.rate = 44100;
        Bytes head = test::Riff(
            {test::Chunk("fmt ", test::FmtBody(f)), test::Chunk("data", test::Samples16({1000, -1000}), bytes)});
        std::wstring path = dir.Write(name, head);
        {
            // The bytes between the first and the last frame are left to the
            // file system: zeros, which it need not store.
            ScopedFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(out);
            const int64_t dataStart = static_cast<int64_t>(head.size()) - 4;
            Bytes last = test::Samples16({-2000, 3000});
            LARGE_INTEGER at{};
            at.QuadPart = dataStart + bytes - 4;
            DWORD written = 0;
            ASSERT_TRUE(SetFilePointerEx(out.Get(), at, nullptr, FILE_BEGIN));
            ASSERT_TRUE(WriteFile(out.Get(), last.data(), 4, &written, nullptr));
            Bytes riffSize;
            test::PutU32(riffSize, static_cast<uint32_t>(dataStart + bytes - 8));
            at.QuadPart = 4;
            ASSERT_TRUE(SetFilePointerEx(out.Get(), at, nullptr, FILE_BEGIN));
            ASSERT_TRUE(WriteFile(out.Get(), riffSize.data(), 4, &written, nullptr));
        }

        ui.Clear();
        mae::LoadWaveFile(path);
        for (const MessageBoxRequest& m : ui.Messages()) ADD_FAILURE() << WideToAnsi(m.text);
        ASSERT_EQ(mae::bWaveLoaded, -1);
        const int32_t frames = static_cast<int32_t>(bytes / 4);
        EXPECT_EQ(mae::lFrameCount, frames);
        double l, r;
        mae::GetStereo16(0, l, r);
        EXPECT_DOUBLE_EQ(l, 1000 / 32768.0);
        EXPECT_DOUBLE_EQ(r, -1000 / 32768.0);
        mae::GetStereo16(frames - 1, l, r);
        EXPECT_DOUBLE_EQ(l, -2000 / 32768.0);
        EXPECT_DOUBLE_EQ(r, 3000 / 32768.0);
    }

    ScriptedUi ui;
    test::ScratchDir dir;
};

TEST_F(WaveReader, ReadsSixteenBitStereoWithItsExtremes) {
    Format f;
    f.channels = 2;
    Bytes data = test::Samples16({32767, -32768, 0, 16384, -1, 1});
    EXPECT_TRUE(Load(test::Wave(f, data)).empty());
    EXPECT_EQ(mae::bWaveLoaded, -1);
    EXPECT_EQ(mae::lFrameCount, 3);
    EXPECT_EQ(mae::WaveFormat.nChannels, 2);
    EXPECT_EQ(mae::WaveFormat.nBlockAlign, 4);
    double l, r, m;
    mae::GetStereo16(0, l, r);
    EXPECT_DOUBLE_EQ(l, 32767 / 32768.0);
    EXPECT_DOUBLE_EQ(r, -1.0);
    mae::GetStereo16(1, l, r);
    EXPECT_DOUBLE_EQ(l, 0.0);
    EXPECT_DOUBLE_EQ(r, 0.5);
    mae::GetMono16(2, m);
    EXPECT_DOUBLE_EQ(m, -1 / 32768.0);
}

TEST_F(WaveReader, ReadsEightBitMonoAndStereoAsOffsetBinary) {
    Format f;
    f.bits = 8;
    EXPECT_TRUE(Load(test::Wave(f, {0, 255, 128})).empty());
    double v;
    mae::GetMono8(0, v);
    EXPECT_DOUBLE_EQ(v, -1.0);
    mae::GetMono8(1, v);
    EXPECT_DOUBLE_EQ(v, 127 / 128.0);
    mae::GetMono8(2, v);
    EXPECT_DOUBLE_EQ(v, 0.0);

    f.channels = 2;
    EXPECT_TRUE(Load(test::Wave(f, {255, 0, 64, 192})).empty());
    EXPECT_EQ(mae::lFrameCount, 2);
    double l, r;
    mae::GetStereo8(1, l, r);
    EXPECT_DOUBLE_EQ(l, -0.5);
    EXPECT_DOUBLE_EQ(r, 0.5);
}

TEST_F(WaveReader, FrameCountRoundsHalfToEven) {
    Format f;  // 16-bit mono: block align 2
    EXPECT_TRUE(Load(test::Wave(f, {1, 2, 3, 4, 5, 6, 7})).empty());
    EXPECT_EQ(mae::lFrameCount, 4);  // 3.5
    // The last frame is partial: its missing byte reads as zero.
    double v;
    mae::GetMono16(3, v);
    EXPECT_DOUBLE_EQ(v, 7 / 32768.0);
    EXPECT_TRUE(Load(test::Wave(f, {1, 2, 3, 4, 5})).empty());
    EXPECT_EQ(mae::lFrameCount, 2);  // 2.5

    EXPECT_EQ(mae::FrameCountOf(7, 2), 4);
    EXPECT_EQ(mae::FrameCountOf(5, 2), 2);
    EXPECT_EQ(mae::FrameCountOf(6, 4), 2);  // 1.5
    EXPECT_EQ(mae::FrameCountOf(5, 0), -1);
    EXPECT_EQ(mae::FrameCountOf(0xFFFFFFFFu, 1), -1);
    EXPECT_EQ(mae::FrameCountOf(0xFFFFFFFFu, 2), -1);  // 2147483647.5 rounds to 2^31: too many
    EXPECT_EQ(mae::FrameCountOf(0xFFFFFFFEu, 2), 2147483647);
}

TEST_F(WaveReader, FailuresShowTheirMessageAndKeepTheOldSamples) {
    LoadKnownGood();

    ui.Clear();
    mae::LoadWaveFile(dir.Path(L"missing.wav"));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, L"Error opening input file, rc = " + std::to_wstring(MMIOERR_FILENOTFOUND));
    EXPECT_EQ(mae::bWaveLoaded, 0);
    ExpectKnownGoodSamplesKept();

    ExpectOnlyMessage(Load(test::Riff({test::Chunk("fmt ", test::FmtBody({}))}, "AVI "), L"b.wav"),
                      L"Not a wave file");
    ExpectOnlyMessage(Load(Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, L"c.wav"), L"Not a wave file");
    ExpectOnlyMessage(Load(test::Riff({test::Chunk("data", {1, 2})}), L"d.wav"), L"Couldn't get format chunk");
    ExpectKnownGoodSamplesKept();

    // A file that fails after its format chunk leaves the format of the
    // samples held alone.
    Format stereo;
    stereo.channels = 2;
    stereo.rate = 22050;
    ExpectOnlyMessage(Load(test::Riff({test::Chunk("fmt ", test::FmtBody(stereo))}), L"e.wav"),
                      L"Couldn't get data chunk");
    EXPECT_EQ(mae::WaveFormat.nChannels, 1);
    EXPECT_EQ(mae::WaveFormat.wBitsPerSample, 8);
    ExpectKnownGoodSamplesKept();

    // Every failed file was closed again: each can be deleted at once.
    for (const wchar_t* name : {L"b.wav", L"c.wav", L"d.wav", L"e.wav"}) {
        EXPECT_TRUE(DeleteFileW(dir.Path(name).c_str())) << name;
    }
}

TEST_F(WaveReader, ZeroBlockAlignIsRefusedWithAMessage) {
    LoadKnownGood();
    Format f;
    f.blockAlign = 0;
    ExpectOnlyMessage(Load(test::Wave(f, {1, 2, 3, 4})), L"Invalid format chunk: the block align is 0");
    ExpectKnownGoodSamplesKept();

    Format silent;  // no channels at all gives the same block align
    silent.channels = 0;
    ExpectOnlyMessage(Load(test::Wave(silent, {1, 2})), L"Invalid format chunk: the block align is 0");
}

TEST_F(WaveReader, SixteenByteFormatChunkTakesNothingFromTheNextChunk) {
    Format f;
    f.size = 16;
    EXPECT_TRUE(Load(test::Wave(f, test::Samples16({100, 200}))).empty());
    EXPECT_EQ(mae::lFrameCount, 2);
    EXPECT_EQ(mae::WaveFormat.wBitsPerSample, 16);
    EXPECT_EQ(mae::WaveFormat.cbSize, 0);  // not the "da" of the data chunk's name
}

TEST_F(WaveReader, ShortFormatChunkLeavesTheMissingFieldsZero) {
    Format f;
    f.size = 14;  // the old record without a bit depth
    f.bits = 16;
    EXPECT_TRUE(Load(test::Wave(f, {128, 255, 0})).empty());
    EXPECT_EQ(mae::WaveFormat.nBlockAlign, 2);
    EXPECT_EQ(mae::WaveFormat.wBitsPerSample, 0);  // read as 8-bit from then on
    EXPECT_EQ(mae::lFrameCount, 2);                // 1.5 rounds to 2
    double v;
    mae::GetMono8(1, v);
    EXPECT_DOUBLE_EQ(v, -1.0);
}

// The data chunk's size is a claim: only what the file really holds is
// taken, however much is declared.
TEST_F(WaveReader, DataChunkClaimingMoreThanTheFileLoadsItsRealFramesOnly) {
    Format f;
    f.bits = 8;
    Bytes file = test::Riff({test::Chunk("fmt ", test::FmtBody(f)), test::Chunk("data", {200, 100}, 1000)});
    EXPECT_TRUE(Load(file).empty());
    EXPECT_EQ(mae::bWaveLoaded, -1);
    EXPECT_EQ(mae::lFrameCount, 2);
    EXPECT_EQ(mae::DataBytes(), 2u);
    double v;
    mae::GetMono8(1, v);
    EXPECT_DOUBLE_EQ(v, -28 / 128.0);

    // 2 GB declared in a file of 1 KB: 1 KB of frames, no 2 GB block.
    Format f16;
    Bytes kilobyte(1024, 7);
    Bytes big = test::Riff({test::Chunk("fmt ", test::FmtBody(f16)), test::Chunk("data", kilobyte, 0x80000000u)});
    EXPECT_TRUE(Load(big).empty());
    EXPECT_EQ(mae::bWaveLoaded, -1);
    EXPECT_EQ(mae::lFrameCount, 512);
    EXPECT_EQ(mae::DataBytes(), 1024u);

    // Even a claim beyond any frame count.
    Bytes most = test::Riff({test::Chunk("fmt ", test::FmtBody(f)), test::Chunk("data", {1, 2}, 0xFFFFFFFFu)});
    EXPECT_TRUE(Load(most).empty());
    EXPECT_EQ(mae::lFrameCount, 2);
}

// mmioOpen would take "name.ext+element" for an element of a compound file.
TEST_F(WaveReader, APlusInThePathOpensLikeAnyOtherName) {
    Format f;
    f.bits = 8;
    EXPECT_TRUE(Load(test::Wave(f, {1, 2, 3}), L"take.v2+mix.wav").empty());
    EXPECT_EQ(mae::bWaveLoaded, -1);
    EXPECT_EQ(mae::lFrameCount, 3);
}

// Just over an hour of CD-quality stereo, as the recorder itself saves it:
// 700 MB, read into one block. Under Wine a 32-bit program confined to the
// lower 2 GB of its address space finds no free stretch that long.
TEST_F(WaveReader, AnHourOfCdQualityStereoLoadsWhole) {
    constexpr uint32_t kBytes = 700000000;  // 175 million frames
    LoadLongStereo(L"hour.wav", kBytes);
    EXPECT_EQ(mae::lLastResult, static_cast<int32_t>(kBytes));  // every byte read
    LoadKnownGood();  // gives the big block back
}

// Past 2 GiB, where a signed 32-bit file position turns negative: the last
// frame of a file of 2.6 GB is read where it is.
TEST_F(WaveReader, AFileOfMoreThanTwoGigabytesLoadsWhole) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "a 32-bit process has no free stretch of 2.6 GB";
    LoadLongStereo(L"long.wav", 2600000000u);  // 650 million frames
    LoadKnownGood();
}

TEST_F(WaveReader, GettersNeverReadOutsideTheBlock) {
    Format f;
    f.channels = 2;
    f.blockAlign = 64;  // a frame wider than all the data
    EXPECT_TRUE(Load(test::Wave(f, test::Samples16({1000, -1000, 7}))).empty());
    EXPECT_EQ(mae::lFrameCount, 0);  // 6 / 64 rounds to 0
    double l, r;
    mae::GetStereo16(0, l, r);
    EXPECT_DOUBLE_EQ(l, 1000 / 32768.0);
    EXPECT_DOUBLE_EQ(r, -1000 / 32768.0);
    for (int32_t frame : {1, 2, -1, INT32_MIN, INT32_MAX, 33554431}) {
        mae::GetStereo16(frame, l, r);
        EXPECT_DOUBLE_EQ(l, 0.0) << frame;
        EXPECT_DOUBLE_EQ(r, 0.0) << frame;
        mae::GetStereo8(frame, l, r);
        EXPECT_DOUBLE_EQ(l, -1.0) << frame;
    }
    // A frame straddling the end of the block keeps the bytes it has.
    Format g;
    g.channels = 2;
    EXPECT_TRUE(Load(test::Wave(g, {0x10, 0x20, 0x30})).empty());
    EXPECT_EQ(mae::lFrameCount, 1);  // 0.75
    mae::GetStereo16(0, l, r);
    EXPECT_DOUBLE_EQ(l, 0x2010 / 32768.0);
    EXPECT_DOUBLE_EQ(r, 0x30 / 32768.0);
}

TEST_F(WaveReader, UnusualButReadableFiles) {
    // Chunks before and between, with odd sizes and their pad bytes.
    Format f;
    f.bits = 8;
    Bytes file = test::Riff({test::Chunk("LIST", {'a', 'b', 'c'}), test::Chunk("fmt ", test::FmtBody(f)),
                             test::Chunk("junk", {1}), test::Chunk("data", {9, 8, 7})});
    EXPECT_TRUE(Load(file).empty());
    EXPECT_EQ(mae::lFrameCount, 3);
    EXPECT_EQ(mae::WaveData()[2], 7);

    // Data ahead of the format is not searched for again.
    Bytes swapped = test::Riff({test::Chunk("data", {9, 8}), test::Chunk("fmt ", test::FmtBody(f))});
    ExpectOnlyMessage(Load(swapped), L"Couldn't get data chunk");

    // A compressed tag is read as if it were PCM.
    Format adpcm;
    adpcm.tag = 2;
    adpcm.bits = 4;
    adpcm.blockAlign = 2;
    adpcm.size = 20;
    adpcm.cbSize = 2;
    EXPECT_TRUE(Load(test::Wave(adpcm, {0x80, 0x90, 0xFF, 0})).empty());
    EXPECT_EQ(mae::WaveFormat.wFormatTag, 2);
    EXPECT_EQ(mae::WaveFormat.cbSize, 2);
    double v;
    mae::GetMono8(1, v);
    EXPECT_DOUBLE_EQ(v, 127 / 128.0);

    // Six channels: the one-trace getters read the first.
    Format six;
    six.channels = 6;
    EXPECT_TRUE(Load(test::Wave(six, test::Samples16({-16384, 1, 2, 3, 4, 5, 16384, 1, 2, 3, 4, 5}))).empty());
    EXPECT_EQ(mae::lFrameCount, 2);
    mae::GetMono16(1, v);
    EXPECT_DOUBLE_EQ(v, 0.5);

    // 24-bit: the 8-bit getters take the first byte of the frame.
    Format deep;
    deep.bits = 24;
    EXPECT_TRUE(Load(test::Wave(deep, {0xC0, 0x00, 0x00, 0x40, 0x11, 0x22})).empty());
    EXPECT_EQ(mae::lFrameCount, 2);
    mae::GetMono8(1, v);
    EXPECT_DOUBLE_EQ(v, -0.5);
}

TEST_F(WaveReader, BrokenFilesNeverCrash) {
    Format f;
    Bytes good = test::Wave(f, test::Samples16({1, 2, 3, 4}));
    // Every truncation of a good file, and the file with a RIFF size too large.
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + n);
        auto shown = Load(cut, L"cut.wav");
        ASSERT_LE(shown.size(), 1u) << n;
        if (mae::bWaveLoaded) {
            EXPECT_LE(int64_t(mae::lFrameCount) * 2, int64_t(mae::DataBytes()) + 1) << n;
        } else {
            ASSERT_EQ(shown.size(), 1u) << n;
        }
    }
    // Sizes near the limits inside the format chunk and the RIFF header.
    Bytes huge = good;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    // Whether the system searches a RIFF chunk whose end lies past 4 GiB is
    // its own affair (Wine does not); one message at most, and no crash.
    EXPECT_LE(Load(huge, L"huge.wav").size(), 1u);
    Bytes hugeFmt = good;
    hugeFmt[16] = hugeFmt[17] = hugeFmt[18] = hugeFmt[19] = 0xFF;
    ExpectOnlyMessage(Load(hugeFmt, L"hugefmt.wav"), L"Couldn't get data chunk");
}

TEST(FrameBytes, StayInsideTheBlock) {
    auto r = mae::FrameBytes(2, 5, 4, 100);
    EXPECT_EQ(r.first, 8u);
    EXPECT_EQ(r.end, 20u);
    r = mae::FrameBytes(20, 40, 4, 100);  // runs past the end
    EXPECT_EQ(r.first, 80u);
    EXPECT_EQ(r.end, 100u);
    r = mae::FrameBytes(-5, 3, 4, 100);
    EXPECT_EQ(r.first, 0u);
    EXPECT_EQ(r.end, 12u);
    r = mae::FrameBytes(10, 3, 4, 100);  // reversed: empty
    EXPECT_EQ(r.end, r.first);
    r = mae::FrameBytes(INT32_MAX - 1, INT32_MAX, 65535, 0xFFFFFFFFull);  // no 32-bit wrap
    EXPECT_EQ(r.first, 0xFFFFFFFFull);
    EXPECT_EQ(r.end, 0xFFFFFFFFull);
}

}  // namespace
}  // namespace orvo::recorder
