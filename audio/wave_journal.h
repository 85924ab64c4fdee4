// The journal beside an element's samples: everything needed to put the
// element together again after the process is gone. It is a short UTF-8
// text, one record a line, replaced as a whole (written beside, flushed,
// moved over) so a reader only ever sees a complete one:
//
//   OrvoRecord journal 1
//   format <tag> <channels> <samples/s> <bytes/s> <block align> <bits>
//   extension <valid bits> <channel mask>      only when the file described its format so
//   untitled <0|1>
//   saved <0|1>                 every byte is in a saved file, unchanged since
//   began <FILETIME>            UTC, 100 ns units; when recording first began (0: never)
//   name <text>                 the opened file's path or the proposed new name
//   source <n> <size> <FILETIME of last write> <path>      one per opened file, n from 1
//   piece <source> <offset> <bytes>                        in element order; source 0 = samples file
//   take <element offset> <file offset> <bytes on disk> <FILETIME began>   while recording
//   mark <frame> <name>         one per mark, in frame order
//   takemark <frame> <name>     a mark made during the running take, frames into it
//   end
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/wave_marks.h"
#include "audio/wave_riff.h"
#include "base/scoped.h"

namespace orvo {

struct JournalPiece {
    uint64_t fileOffset;
    uint64_t bytes;
    uint32_t source = 0;  // 0: the samples file; n: sources[n-1]
};

struct JournalSource {
    std::wstring path;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // FILETIME as one number
};

struct JournalTake {
    uint64_t elementOffset = 0;
    uint64_t fileOffset = 0;
    uint64_t bytes = 0;
    uint64_t began = 0;
};

struct WaveJournal {
    WAVEFORMATEX format{};
    WaveExtension extension;
    bool untitled = true;
    bool saved = true;
    uint64_t began = 0;
    std::wstring name;
    std::vector<JournalSource> sources;
    std::vector<JournalPiece> pieces;
    bool recording = false;
    JournalTake take;
    // Marks are frames of the element. Those made during a running take
    // count from the take's start until the take becomes part of it. A
    // journal of an earlier build knows no marks; its parser passes their
    // records over and restores the sound without them.
    std::vector<WaveMark> marks;
    std::vector<WaveMark> takeMarks;
};

std::string FormatJournal(const WaveJournal& journal);
// False when the text is not a complete journal of a format we can hold.
bool ParseJournal(std::string_view text, WaveJournal& out);

// The folder every element's folder lives in: ORVO_RECOVERY_DIR when set
// (read once, at first use), else %LOCALAPPDATA%\OrvoRecord\Recovery.
std::wstring RecoveryRoot();
// Tests point it elsewhere; an empty path goes back to the default.
void SetRecoveryRoot(const std::wstring& root);

// The files of an element's folder.
inline constexpr wchar_t kJournalFile[] = L"journal.txt";
inline constexpr wchar_t kJournalNewFile[] = L"journal.new";
inline constexpr wchar_t kSamplesFile[] = L"samples.pcm";
inline constexpr wchar_t kLockFile[] = L"owner.lock";

// The lock file, opened so that nobody else can open it while we hold it.
// Fails with ERROR_SHARING_VIOLATION while another process holds it.
HANDLE OpenOwnerLock(const std::wstring& folder, bool create);

// Writes the journal into the folder atomically: beside, flushed, moved.
bool WriteJournalFile(const std::wstring& folder, const WaveJournal& journal);
bool ReadJournalFile(const std::wstring& folder, WaveJournal& out);
// Deletes the element's files and its folder; the lock last.
void DeleteElementFolder(const std::wstring& folder, HANDLE ownerLock);

uint64_t FileTimeNumber(const FILETIME& t);
uint64_t NowFileTime();

// An element left behind by a recorder that ended without closing it: its
// folder, claimed by this process, and what its journal says.
struct Leftover {
    std::wstring folder;
    ScopedFile lock;  // held: no other instance offers it meanwhile
    WaveJournal journal;
    uint64_t bytes = 0;  // of the element, a running take included as far as it reached the disk

    uint32_t Milliseconds() const;
    // Nothing to lose: empty, or every byte already in a saved file.
    bool Disposable() const { return bytes == 0 || journal.saved; }
};

}  // namespace orvo
