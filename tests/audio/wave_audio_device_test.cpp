// The wave-audio device against the real wave devices of the test machine:
// a 440 Hz sine source to record from and a sink that plays in real time.
#include "audio/wave_audio_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "audio/wave_store.h"
#include "tests/support/pump.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

using test::PumpMessagesFor;
using test::PumpUntil;
using test::TempFile;
using test::WavContents;

class WaveDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("ORVO_TEST_NO_AUDIO")) GTEST_SKIP() << "this run has no wave devices";
        ASSERT_GT(waveInGetNumDevs(), 0u) << "the test machine's sine source is missing";
    }

    // Opens a new element as the recorder does at start-up.
    void OpenNew(WaveAudioDevice& d) {
        d.Command(L"close");
        d.SetFileName(L"new");
        ASSERT_EQ(0u, d.Command(L"open")) << d.LastErrorText();
        MCI_WAVE_SET_PARMS parms{};
        ASSERT_EQ(0u, WaveSendCommand(d.DeviceID(), MCI_SET, MCI_WAVE_INPUT | MCI_WAVE_OUTPUT,
                                      reinterpret_cast<DWORD_PTR>(&parms)));
    }

    // Records until the element has grown by at least ms. The sound
    // server's sine source may hand over its samples in blocks of up to 2 s,
    // so takes are measured by what arrived, not by the clock.
    void RecordAtLeast(WaveAudioDevice& d, uint32_t ms) {
        uint32_t before = d.Length();
        ASSERT_EQ(0u, d.Command(L"record")) << d.LastErrorText();
        EXPECT_TRUE(PumpUntil([&] { return d.Length() >= before + ms; }, 8000));
        EXPECT_EQ(0u, d.Command(L"stop")) << d.LastErrorText();
    }

    static WavContents SaveAndRead(WaveAudioDevice& d) {
        TempFile file;
        EXPECT_EQ(0u, d.Save(file.Path())) << d.LastErrorText();
        WavContents wav;
        EXPECT_TRUE(test::ReadWavFile(file.Path(), wav));
        return wav;
    }

    static void ExpectTone(const std::vector<double>& samples, DWORD rate) {
        EXPECT_GT(test::Rms(samples), 0.05) << "silence where the tone should be";
        EXPECT_NEAR(440.0, test::MeasureFrequency(samples, rate), 5.0);
    }
};

TEST_F(WaveDeviceTest, RecordsTheSineSourceIntoANewElementAndSavesIt) {
    WaveAudioDevice d;
    OpenNew(d);
    EXPECT_NE(0u, d.DeviceID());
    WAVEFORMATEX f = d.Format();
    EXPECT_EQ(44100u, f.nSamplesPerSec);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(0u, d.Length());

    ASSERT_EQ(0u, d.Command(L"record")) << d.LastErrorText();
    EXPECT_TRUE(PumpUntil([&] { return d.Length() > 0; }, 4000)) << "the length grows while recording";
    uint32_t midway = d.Length();
    EXPECT_EQ(WaveAudioDevice::Mode::Recording, d.GetMode());
    EXPECT_EQ(d.Length(), d.Position());
    // Saving mid-take gives what is there so far.
    WavContents partial = SaveAndRead(d);
    EXPECT_GE(partial.Seconds() * 1000, midway - 1.0);
    // Ended by its length (see RecordAtLeast); it may overrun by one block.
    ASSERT_TRUE(PumpUntil([&] { return d.Length() >= 2000; }, 8000));
    ASSERT_EQ(0u, d.Command(L"stop"));
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
    EXPECT_GE(d.Length(), 2000u);
    EXPECT_LE(d.Length(), 4100u);

    WavContents wav = SaveAndRead(d);
    EXPECT_EQ(44100u, wav.format.nSamplesPerSec);
    EXPECT_EQ(2, wav.format.nChannels);
    EXPECT_NEAR(d.Length(), wav.Seconds() * 1000, 1.0);
    ExpectTone(test::ChannelSamples(wav, 0), 44100);
    ExpectTone(test::ChannelSamples(wav, 1), 44100);
}

TEST_F(WaveDeviceTest, ASecondTakeAfterStopContinuesTheSameElement) {
    WaveAudioDevice d;
    OpenNew(d);
    RecordAtLeast(d, 500);
    uint32_t first = d.Length();
    EXPECT_EQ(first, d.Position());
    RecordAtLeast(d, 500);
    uint32_t both = d.Length();
    EXPECT_GE(both, first + 500) << "the second take adds to the first";
    EXPECT_EQ(both, d.Position());

    WavContents wav = SaveAndRead(d);
    EXPECT_NEAR(both, wav.Seconds() * 1000, 1.0);
    auto samples = test::ChannelSamples(wav, 0);
    size_t split = static_cast<size_t>(first) * 44100 / 1000;
    ExpectTone({samples.begin(), samples.begin() + split}, 44100);
    ExpectTone({samples.begin() + split, samples.end()}, 44100);
}

TEST_F(WaveDeviceTest, RecordingContinuesWhileTheCreatingThreadIsBlocked) {
    WaveAudioDevice d;
    OpenNew(d);
    DWORD start = GetTickCount();
    ASSERT_EQ(0u, d.Command(L"record"));
    PumpMessagesFor(300);
    Sleep(1500);  // a modal dialog or a slow redraw: no messages dispatched
    // Sound lost while the thread was blocked would leave the length behind
    // the clock for good; the source's blocks only delay it.
    EXPECT_TRUE(PumpUntil([&] { return d.Length() >= (GetTickCount() - start) * 0.9; }, 4000))
        << "sound recorded while the thread was blocked was lost";
    ASSERT_EQ(0u, d.Command(L"stop"));
    WavContents wav = SaveAndRead(d);
    ExpectTone(test::ChannelSamples(wav, 0), 44100);
}

// A disk that holds the recorder up for longer than its queue lasts (10 s
// against 6 s). This sound server holds back what the queue could not take
// and hands it over afterwards, so nothing is missed — and nothing may be
// told missed or marked.
TEST_F(WaveDeviceTest, AStallTheDriverBuffersIsNotToldAsMissedSound) {
    WaveAudioDevice d;
    OpenNew(d);
    static std::atomic<int> stalls{0};
    stalls = 0;
    WaveStore::BeforeCheckpointFlush([] {
        if (stalls++ == 0) Sleep(10000);
    });
    const ULONGLONG start = GetTickCount64();
    ASSERT_EQ(0u, d.Command(L"record"));
    EXPECT_TRUE(PumpUntil([&] { return GetTickCount64() - start > 17000; }, 25000));
    ASSERT_EQ(0u, d.Command(L"stop"));
    WaveStore::BeforeCheckpointFlush(nullptr);
    EXPECT_GE(stalls.load(), 2) << "the take never reached a second checkpoint";
    EXPECT_GT(d.Length(), 15500u) << "sound was lost after all";
    uint32_t missed = 0;
    EXPECT_FALSE(d.TakeMissedNotice(missed)) << "told " << missed << " ms missed";
    EXPECT_TRUE(d.Marks().empty());
}

TEST_F(WaveDeviceTest, AnOpenedFilePlaysToItsEndWithStatusEventsOnTheCreatingThread) {
    TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(22050, 16, 1);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SineBytes(f, 440, 2.5)));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open")) << d.LastErrorText();
    EXPECT_EQ(2500u, d.Length());
    EXPECT_EQ(22050u, d.Format().nSamplesPerSec);
    EXPECT_EQ(1, d.Format().nChannels);

    std::vector<DWORD> events;
    bool otherThread = false;
    DWORD self = GetCurrentThreadId();
    d.SetStatusHandler([&] {
        events.push_back(GetTickCount());
        otherThread |= GetCurrentThreadId() != self;
    });
    ASSERT_EQ(0u, d.Command(L"prev"));
    DWORD start = GetTickCount();
    ASSERT_EQ(0u, d.Command(L"play")) << d.LastErrorText();
    EXPECT_EQ(WaveAudioDevice::Mode::Playing, d.GetMode());
    // The sound server may take a moment to start the stream.
    ASSERT_TRUE(PumpUntil([&] { return d.Position() > 0; }, 3000));
    EXPECT_LT(d.Position(), d.Length());
    ASSERT_TRUE(PumpUntil([&] { return d.GetMode() == WaveAudioDevice::Mode::Stopped; }, 6000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(d.Length(), d.Position()) << "playback stops at the end";
    EXPECT_GE(elapsed, 2000u) << "it ended long before the sound could have played";
    PumpMessagesFor(600);
    DWORD span = GetTickCount() - start;
    EXPECT_FALSE(otherThread);
    EXPECT_NEAR(span / 1000.0, events.size(), 1.0);
    for (size_t i = 1; i < events.size(); ++i) EXPECT_NEAR(1000.0, events[i] - events[i - 1], 400.0);

    // Play again from the end does nothing; after prev it plays again.
    EXPECT_EQ(0u, d.Command(L"play"));
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
    EXPECT_EQ(0u, d.Command(L"prev"));
    EXPECT_EQ(0u, d.Position());
}

TEST_F(WaveDeviceTest, StatusHandlerCanStopPlaybackAsTheMainWindowDoes) {
    TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(8000, 8, 1);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SineBytes(f, 440, 0.6)));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open"));
    d.SetUpdateInterval(200);
    int stops = 0;
    d.SetStatusHandler([&] {
        if (d.Position() >= d.Length()) {
            d.Command(L"stop");
            ++stops;
        }
    });
    ASSERT_EQ(0u, d.Command(L"play"));
    ASSERT_TRUE(PumpUntil([&] { return stops > 0; }, 3000));
    EXPECT_EQ(600u, d.Position());
    EXPECT_EQ(WaveAudioDevice::Mode::Stopped, d.GetMode());
}

TEST_F(WaveDeviceTest, RecordingInTheMiddleInsertsTheTakeThere) {
    TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(44100, 16, 2);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SilenceBytes(f, 1.0)));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open"));
    ASSERT_EQ(0u, d.Command(L"play"));
    PumpMessagesFor(450);
    ASSERT_EQ(0u, d.Command(L"stop"));
    uint32_t at = d.Position();
    ASSERT_GT(at, 0u);
    ASSERT_LT(at, 1000u);
    RecordAtLeast(d, 500);
    uint32_t length = d.Length();
    EXPECT_GT(length, 1400u);

    WavContents wav = SaveAndRead(d);
    auto samples = test::ChannelSamples(wav, 0);
    size_t firstSound = 0, lastSound = 0;
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0) {
            if (!firstSound) firstSound = i;
            lastSound = i;
        }
    EXPECT_NEAR(at * 44.1, firstSound, 50) << "the silence before the take is kept";
    EXPECT_NEAR((1000 - at) * 44.1, samples.size() - 1 - lastSound, 50) << "the silence after it is kept";
    EXPECT_NEAR(at + (length - 1000), d.Position(), 1.0) << "the position is at the end of the take";
}

TEST_F(WaveDeviceTest, RecordingIntoAnOpenedFileKeepsItsFormat) {
    TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(22050, 16, 1);
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, test::SilenceBytes(f, 0.2)));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open"));
    RecordAtLeast(d, 400);  // at the start: the file's silence follows the take
    EXPECT_EQ(22050u, d.Format().nSamplesPerSec);
    EXPECT_EQ(1, d.Format().nChannels);

    WavContents wav = SaveAndRead(d);
    EXPECT_EQ(22050u, wav.format.nSamplesPerSec);
    EXPECT_EQ(1, wav.format.nChannels);
    auto samples = test::ChannelSamples(wav, 0);
    size_t silence = 22050 / 5;
    ASSERT_GT(samples.size(), silence + 22050 / 4);
    ExpectTone({samples.begin(), samples.end() - silence}, 22050);
    EXPECT_EQ(0.0, test::Rms({samples.end() - silence, samples.end()}));
}

TEST_F(WaveDeviceTest, SavingWritesTheOpenedSamplesUnchangedEvenOverTheSameFile) {
    TempFile file;
    WAVEFORMATEX f = test::MakePcmFormat(11025, 8, 1);
    auto data = test::SineBytes(f, 300, 0.3);
    data.push_back(200);  // an odd data size needs a pad byte
    ASSERT_TRUE(test::WriteWavFile(file.Path(), f, data));
    WaveAudioDevice d;
    d.SetFileName(file.Path());
    ASSERT_EQ(0u, d.Command(L"open"));
    ASSERT_EQ(0u, d.Save(file.Path())) << d.LastErrorText();
    WavContents wav;
    ASSERT_TRUE(test::ReadWavFile(file.Path(), wav));
    EXPECT_EQ(11025u, wav.format.nSamplesPerSec);
    EXPECT_EQ(8, wav.format.wBitsPerSample);
    EXPECT_EQ(data, wav.data);

    EXPECT_NE(0u, d.Save(L"C:\\no such folder\\x.wav"));
    EXPECT_FALSE(d.LastErrorText().empty());
}

}  // namespace
}  // namespace orvo
