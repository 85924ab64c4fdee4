#include "audio/wave_recovery.h"

#include "audio/wave_riff.h"

#include <algorithm>

namespace orvo {

uint32_t Leftover::Milliseconds() const { return BytesToMilliseconds(bytes, journal.format); }

bool ClaimLeftover(const std::wstring& folder, Leftover& out) {
    ScopedFile lock(OpenOwnerLock(folder, false));
    if (!lock) {
        // A sharing violation: its owner is alive. Anything else (no lock
        // file): not an element folder, or one being deleted right now.
        return false;
    }
    WaveJournal journal;
    if (!ReadJournalFile(folder, journal)) {
        DeleteElementFolder(folder, lock.Detach());
        return false;
    }
    uint64_t bytes = 0;
    for (const auto& p : journal.pieces) bytes += p.bytes;
    if (journal.recording) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        uint64_t size = 0;
        if (GetFileAttributesExW((folder + L"\\" + kSamplesFile).c_str(), GetFileExInfoStandard, &data))
            size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        uint64_t onDisk = size > journal.take.fileOffset ? size - journal.take.fileOffset : 0;
        uint64_t take = std::max(journal.take.bytes, onDisk);
        bytes += take - take % std::max<WORD>(journal.format.nBlockAlign, 1);
    }
    out.folder = folder;
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
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
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
