// The journal's files beside an element's samples (the text they hold is
// in wave_journal_text.h), the folders elements live in, and what a
// restore is told about an element left behind.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/wave_journal_text.h"
#include "audio/wave_marks.h"
#include "audio/wave_riff.h"
#include "base/scoped.h"

namespace orvo {

// The folder every element's folder lives in: ORVO_RECOVERY_DIR when set
// (read once, at first use), else %LOCALAPPDATA%\OrvoRecord\Recovery.
std::wstring RecoveryRoot();
// Tests point it elsewhere; an empty path goes back to the default.
void SetRecoveryRoot(const std::wstring& root);

// The files of an element's folder.
inline constexpr wchar_t kJournalFile[] = L"journal.txt";
inline constexpr wchar_t kJournalNewFile[] = L"journal.new";
inline constexpr wchar_t kJournalOldFile[] = L"journal.old";    // the one before the last
inline constexpr wchar_t kJournalKeptFile[] = L"journal.kept";  // an unreadable one, kept as it was
inline constexpr wchar_t kSamplesFile[] = L"samples.pcm";
inline constexpr wchar_t kLockFile[] = L"owner.lock";

// The lock file, opened so that nobody else can open it while we hold it.
// Fails with ERROR_SHARING_VIOLATION while another process holds it.
HANDLE OpenOwnerLock(const std::wstring& folder, bool create);

// Writes the journal into the folder atomically: beside, flushed, moved; the
// one it replaces is kept as the previous journal.
bool WriteJournalFile(const std::wstring& folder, const WaveJournal& journal);
// The newest complete journal of the folder: the one being written if it got
// whole, else the current one, else the previous one. On failure, format
// holds what could be salvaged of the current journal's format (or is
// untouched) and the state says why.
// previous tells whether it was the previous journal that was read.
JournalState LoadJournal(const std::wstring& folder, WaveJournal& out, WAVEFORMATEX* salvaged = nullptr,
                         bool* previous = nullptr);
inline bool ReadJournalFile(const std::wstring& folder, WaveJournal& out) {
    return LoadJournal(folder, out) == JournalState::Read;
}
// Deletes the element's files and its folder; the lock last.
void DeleteElementFolder(const std::wstring& folder, HANDLE ownerLock);

uint64_t FileTimeNumber(const FILETIME& t);
uint64_t NowFileTime();

// What a restore could not bring back, for the user to be told.
struct RecoveryLoss {
    std::vector<std::wstring> files;  // opened files that changed or went: their pieces are left out
    uint64_t fileBytes = 0;           // the bytes of those pieces
    uint64_t cutBytes = 0;            // named by the journal beyond the end of the file holding them
    bool Any() const { return fileBytes || cutBytes || !files.empty(); }
};

// An element left behind by a recorder that ended without closing it: its
// folder, claimed by this process, and what its journal says.
struct Leftover {
    std::wstring folder;
    ScopedFile lock;  // held: no other instance offers it meanwhile
    WaveJournal journal;
    uint64_t bytes = 0;  // of the element, a running take included as far as it reached the disk
    // Read: the journal says it all. Damaged: the journal is kept aside and
    // the element is the whole samples file, in the journal's format when
    // that could be salvaged (else guessedFormat, 44.1 kHz 16-bit stereo).
    // Newer: left alone for the version that wrote it, and not held.
    JournalState state = JournalState::Read;
    bool guessedFormat = false;

    uint32_t Milliseconds() const;
    // Nothing to lose: empty, or every byte already in a saved file.
    bool Disposable() const {
        return state != JournalState::Newer && (bytes == 0 || (state == JournalState::Read && journal.saved));
    }
};

}  // namespace orvo
