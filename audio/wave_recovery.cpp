#include "audio/wave_recovery.h"

#include "audio/wave_riff.h"

#include <algorithm>

namespace orvo {

uint32_t Leftover::Milliseconds() const { return BytesToMilliseconds(bytes, journal.format); }

namespace {

uint64_t SizeOf(const std::wstring& path, uint64_t* created = nullptr) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    if (created) *created = FileTimeNumber(data.ftCreationTime);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// An element whose journal is gone or damaged: the samples file is all there
// is, offered whole, in the format the journal still tells or else the one
// the recorder records in by default.
void AsRawRecording(Leftover& out, uint64_t samplesBytes, uint64_t created, const WAVEFORMATEX* salvaged) {
    WaveJournal j;
    out.guessedFormat = salvaged == nullptr;
    j.format = salvaged ? *salvaged : PcmFormat(44100, 16, 2);
    j.untitled = true;
    j.saved = false;
    j.began = created;
    const uint64_t bytes = samplesBytes - samplesBytes % std::max<WORD>(j.format.nBlockAlign, 1);
    if (bytes) j.pieces.push_back({0, bytes, 0});
    out.journal = std::move(j);
    out.bytes = bytes;
    out.state = JournalState::Damaged;
}

}  // namespace

bool ClaimLeftover(const std::wstring& folder, Leftover& out) {
    ScopedFile lock(OpenOwnerLock(folder, false));
    if (!lock && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // No lock file: an element writes its journal and samples only once
        // it holds its lock, so with either of them there nobody is making
        // this folder now; its sound must not lie there forgotten. Without
        // them it is debris.
        const bool holdsSomething =
            GetFileAttributesW((folder + L"\\" + kSamplesFile).c_str()) != INVALID_FILE_ATTRIBUTES ||
            GetFileAttributesW((folder + L"\\" + kJournalFile).c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!holdsSomething) {
            RemoveDirectoryW(folder.c_str());
            return false;
        }
        lock.Reset(OpenOwnerLock(folder, true));
    }
    if (!lock) {
        // A sharing violation: its owner is alive.
        return false;
    }
    WaveJournal journal;
    WAVEFORMATEX salvaged{};
    bool previous = false;
    const JournalState state = LoadJournal(folder, journal, &salvaged, &previous);
    if (state == JournalState::Busy) return false;  // tried again at the next start
    out = Leftover{};
    out.folder = folder;
    if (state == JournalState::Newer) {
        // Its own version restores it; this one only says it is there.
        out.state = state;
        return true;
    }
    uint64_t created = 0;
    const uint64_t size = SizeOf(folder + L"\\" + kSamplesFile, &created);
    if (state != JournalState::Read) {
        if (size == 0) {
            // No journal to read and no sound: nothing can be lost.
            DeleteElementFolder(folder, lock.Detach());
            return false;
        }
        AsRawRecording(out, size, created, salvaged.nBlockAlign ? &salvaged : nullptr);
        out.lock = std::move(lock);
        return true;
    }
    uint64_t bytes = 0, named = 0;
    for (const auto& p : journal.pieces) {
        bytes += p.bytes;
        if (p.source == 0) named = std::max(named, p.fileOffset + p.bytes);
    }
    if (previous && !journal.recording && size > named) {
        // The journal one step behind may not name the latest take yet:
        // what the samples file holds beyond it is restored as a take that
        // was running at the end.
        journal.recording = true;
        journal.take = {bytes, named, 0, 0};
        journal.saved = false;
    }
    if (journal.recording) {
        uint64_t onDisk = size > journal.take.fileOffset ? size - journal.take.fileOffset : 0;
        uint64_t take = std::max(journal.take.bytes, onDisk);
        bytes += take - take % std::max<WORD>(journal.format.nBlockAlign, 1);
    }
    out.lock = std::move(lock);
    out.journal = std::move(journal);
    out.bytes = bytes;
    return true;
}

std::vector<Leftover> FindLeftovers() {
    std::vector<Leftover> found;
    std::wstring root = RecoveryRoot();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        // A junction or link in the recovery folder would lead the store's
        // writes and deletes somewhere else: only real folders are elements.
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        Leftover l;
        if (ClaimLeftover(root + L"\\" + name, l)) found.push_back(std::move(l));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::stable_sort(found.begin(), found.end(), [](const Leftover& a, const Leftover& b) {
        uint64_t ta = a.journal.began ? a.journal.began : UINT64_MAX;
        uint64_t tb = b.journal.began ? b.journal.began : UINT64_MAX;
        return ta != tb ? ta < tb : a.folder < b.folder;
    });
    return found;
}

void DiscardLeftover(Leftover& leftover) {
    if (leftover.folder.empty()) return;
    DeleteElementFolder(leftover.folder, leftover.lock.Detach());
    leftover.folder.clear();
}

}  // namespace orvo
