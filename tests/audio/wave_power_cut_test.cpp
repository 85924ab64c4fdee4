// A power cut at any instant of a recording session: what the disk still
// holds afterwards is only what was flushed (and the moves written
// through). From every such disk the next start must bring back a result
// that opens and holds all the sound flushed more than two seconds of
// recording before the cut, and the user's folder must never hold a
// damaged or empty file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/wave_journal.h"
#include "audio/wave_recovery.h"
#include "audio/wave_riff.h"
#include "audio/wave_store.h"
#include "audio/wave_writer.h"
#include "base/durable_file.h"
#include "tests/support/recovery_folder.h"
#include "tests/support/wav_file.h"

namespace orvo {
namespace {

// Where the session was when the disk was looked at.
struct Moment {
    uint64_t recorded = 0;  // bytes of sound handed to the store so far
    uint64_t promised = 0;  // bytes of the takes stopped so far: those must survive whole
    const char* stage = "start";
};

// Keeps, beside the real files, what a disk would hold after a cut: per
// file the content of its last flush, per name the file it names on the
// platter. A flush puts a file's content and its present names there; a
// move written through puts the new name there at once, any other move
// waits for the file's next flush. A look (Take) is recorded at every call
// and whenever the test asks for one.
class PowerCutDisk : public DiskWatch {
public:
    using Content = std::shared_ptr<const std::string>;
    struct Look {
        std::map<std::wstring, Content> files;
        Moment moment;
    };

    Moment now;
    std::vector<Look> looks;

    void Created(const std::wstring& path, HANDLE file, DWORD) override {
        std::shared_ptr<Record>& record = live_[path];
        if (!record) record = std::make_shared<Record>();
        handles_[file] = record;
        Take();
    }

    void Flushed(HANDLE file) override {
        auto found = handles_.find(file);
        if (found == handles_.end()) return;
        const std::shared_ptr<Record> record = found->second;
        record->safe = std::make_shared<const std::string>(ReadWhole(file));
        for (auto d = safeNames_.begin(); d != safeNames_.end();) {
            auto l = live_.find(d->first);
            if (d->second == record && (l == live_.end() || l->second != record)) d = safeNames_.erase(d);
            else ++d;
        }
        for (const auto& [name, r] : live_)
            if (r == record) safeNames_[name] = record;
        Take();
    }

    void Moved(const std::wstring& from, const std::wstring& to, DWORD flags) override {
        auto found = live_.find(from);
        if (found == live_.end()) return;
        const std::shared_ptr<Record> record = found->second;
        live_.erase(found);
        live_[to] = record;
        if (flags & MOVEFILE_WRITE_THROUGH) {
            auto old = safeNames_.find(from);
            if (old != safeNames_.end() && old->second == record) safeNames_.erase(old);
            safeNames_[to] = record;
        }
        Take();
    }

    void Take() {
        Look look;
        look.moment = now;
        for (const auto& [name, record] : safeNames_) look.files[name] = record->safe;
        looks.push_back(std::move(look));
    }

private:
    struct Record {
        Content safe = std::make_shared<const std::string>();
    };

    static std::string ReadWhole(HANDLE file) {
        LARGE_INTEGER here{}, zero{}, size{};
        SetFilePointerEx(file, zero, &here, FILE_CURRENT);
        GetFileSizeEx(file, &size);
        std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
        if (!bytes.empty() && !ReadFileRange(file, 0, bytes.data(), static_cast<uint32_t>(bytes.size())))
            ADD_FAILURE() << "a flushed file could not be read back";
        SetFilePointerEx(file, here, nullptr, FILE_BEGIN);
        return bytes;
    }

    std::map<std::wstring, std::shared_ptr<Record>> live_, safeNames_;
    std::map<HANDLE, std::shared_ptr<Record>> handles_;
};

// Small takes keep the many restores quick: 8 kHz mono, 50 ms a buffer.
const WAVEFORMATEX kFormat = PcmFormat(8000, 16, 1);
constexpr uint32_t kBuffer = 800;
constexpr uint32_t kBuffersPerSecond = 20;
constexpr uint32_t kCheckpointMs = 20;

// A take of seconds at the element's end, buffer by buffer as the
// recording thread hands them on, with a checkpoint about every second of
// sound (the test's clock runs faster than the sound).
void RecordTake(WaveStore& store, PowerCutDisk& disk, const std::vector<uint8_t>& sound, uint32_t seconds) {
    const uint64_t at = store.Length(), file = store.FileEnd();
    disk.now.stage = "take begins";
    store.BeginTake(at, file);
    const uint32_t buffers = seconds * kBuffersPerSecond;
    for (uint32_t i = 0; i < buffers; ++i) {
        disk.now.stage = "mid-buffer";
        disk.now.recorded = at + (i + 1) * kBuffer;
        ASSERT_TRUE(store.WriteFileAt(file + i * kBuffer, sound.data() + at + i * kBuffer, kBuffer));
        disk.Take();
        if (i % kBuffersPerSecond == kBuffersPerSecond - 1) Sleep(kCheckpointMs + 5);
        disk.now.stage = "checkpoint";
        store.TakeWritten((i + 1) * kBuffer);
    }
    disk.now.stage = "take ends";
    store.Insert(at, file, buffers * kBuffer);
    disk.now.promised = disk.now.recorded;
}

void Save(WaveStore& store, PowerCutDisk& disk, const std::wstring& target) {
    disk.now.stage = "save";
    JobControl control;
    control.progress = [&disk](double) { disk.Take(); };
    WavWriter writer;
    ASSERT_EQ(store.SaveAs(target, writer, nullptr, &control), 0u);
}

bool Under(const std::wstring& path, const std::wstring& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == L'\\';
}

void PutFile(const std::wstring& path, const std::string& bytes) {
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    ASSERT_TRUE(test::WriteRawFile(path, std::vector<uint8_t>(bytes.begin(), bytes.end())));
}

bool StartsTheSound(const uint8_t* data, uint64_t bytes, const std::vector<uint8_t>& sound) {
    return bytes <= sound.size() && std::memcmp(data, sound.data(), bytes) == 0;
}

// What a start after the cut finds: every file in the user's folder must
// be a whole WAV file of the sound, and the recovery folder as the disk has
// it is restored as the next start does. held: the most sound either holds.
void Restore(const std::map<std::wstring, PowerCutDisk::Content>& files, const std::wstring& root,
             const std::wstring& user, const std::wstring& target, const std::vector<uint8_t>& sound,
             uint64_t& held) {
    for (const auto& [path, content] : files) {
        if (!Under(path, user)) continue;
        const auto* bytes = reinterpret_cast<const uint8_t*>(content->data());
        WaveLayout layout;
        auto read = [&](uint64_t offset, void* into, uint32_t n) {
            if (offset > content->size() || n > content->size() - offset) return false;
            std::memcpy(into, bytes + offset, n);
            return true;
        };
        ASSERT_EQ(ParseWaveLayout(content->size(), read, layout), 0u) << "a damaged file in the user's folder";
        EXPECT_FALSE(layout.unfinished);
        EXPECT_GT(layout.dataBytes, 0u);
        EXPECT_TRUE(StartsTheSound(bytes + layout.dataOffset, layout.dataBytes, sound));
        if (path == target) held = std::max(held, layout.dataBytes);
    }
    test::RemoveTree(root);
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    for (const auto& [path, content] : files) {
        if (Under(path, root)) {
            ASSERT_NO_FATAL_FAILURE(PutFile(path, *content));
        }
    }
    std::vector<Leftover> found = FindLeftovers();
    ASSERT_LE(found.size(), 1u);
    if (found.empty()) return;
    if (found[0].Disposable()) {
        DiscardLeftover(found[0]);
        return;
    }
    WaveStore restored;
    RecoveryLoss loss;
    ASSERT_TRUE(restored.Adopt(std::move(found[0]), loss));
    std::vector<uint8_t> element(static_cast<size_t>(restored.Length()));
    ASSERT_TRUE(element.empty() || restored.ReadElement(0, element.data(), static_cast<uint32_t>(element.size())));
    EXPECT_TRUE(StartsTheSound(element.data(), element.size(), sound));
    held = std::max<uint64_t>(held, element.size());
    restored.Close();
}

TEST(PowerCut, EveryInstantOfASessionLeavesTheFlushedSoundAndNoDamagedFile) {
    test::ScopedRecoveryRoot root;
    const std::wstring user = root.Path() + L"-user";
    test::RemoveTree(user);
    ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
    const std::wstring target = user + L"\\take.wav";
    const std::vector<uint8_t> sound = test::SineBytes(kFormat, 440, 12);

    // The session: a take, saved; a second one, saved over the first file;
    // a third, never saved; the recorder ends without a word.
    PowerCutDisk disk;
    WatchDisk(&disk);
    {
        WaveStore store;
        store.SetCheckpointInterval(kCheckpointMs);
        ASSERT_TRUE(store.Open());
        store.Describe(kFormat, {}, L"", true);
        RecordTake(store, disk, sound, 5);
        Save(store, disk, target);
        RecordTake(store, disk, sound, 4);
        Save(store, disk, target);
        RecordTake(store, disk, sound, 3);
        disk.now.stage = "end";
        store.Release();
    }
    WatchDisk(nullptr);
    ASSERT_GT(disk.looks.size(), 300u);

    const uint64_t twoSeconds = 2ull * kFormat.nAvgBytesPerSec;
    uint64_t held = 0;
    size_t disks = 0;
    for (size_t i = 0; i < disk.looks.size(); ++i) {
        const PowerCutDisk::Look& look = disk.looks[i];
        SCOPED_TRACE("cut " + std::to_string(i) + " (" + look.moment.stage + ", " +
                     std::to_string(look.moment.recorded) + " bytes recorded)");
        // Cuts between two calls that changed nothing on the disk find the
        // same disk: it is restored once, for the latest of them.
        if (i == 0 || look.files != disk.looks[i - 1].files) {
            ++disks;
            held = 0;
            ASSERT_NO_FATAL_FAILURE(Restore(look.files, root.Path(), user, target, sound, held));
        }
        const uint64_t recorded = look.moment.recorded;
        ASSERT_GE(held, std::max(look.moment.promised, recorded > twoSeconds ? recorded - twoSeconds : 0));
    }
    EXPECT_GT(disks, 50u);
    test::RemoveTree(user);
}

}  // namespace
}  // namespace orvo
